#!/bin/sh
# Runs a Windows program of our x86_64 build under Wine in a private, fresh
# prefix, and answers the program's exit code. The prefix and HOME are
# temporary and removed afterwards; no display is used, so message boxes
# return at once instead of waiting for a person.
#
# Usage: tests/wine/run.sh <program.exe> [arguments...]
# WINE64 and WINESERVER may name other binaries.
set -u

if [ $# -lt 1 ]; then
  echo "usage: $0 <program.exe> [arguments...]" >&2
  exit 2
fi

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

scratch=$(mktemp -d) || exit 2
export WINEPREFIX="$scratch/prefix" HOME="$scratch/home" WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"

cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1
  rm -rf "$scratch"
}
trap cleanup EXIT INT TERM

# Creating the prefix prints notices of its own; keep them out of the
# program's output.
"$WINE64" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w

"$WINE64" "$@"
status=$?
"$WINESERVER" -w
exit $status
