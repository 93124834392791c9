#!/bin/sh
# Runs a Windows program of our x86_64 build under Wine in a private, fresh
# prefix, and answers the program's exit code. The prefix, HOME and the
# current directory the program starts in are temporary and removed
# afterwards, so that nothing a test writes to its current directory lands
# in the checkout. No display is used: message boxes return at once instead
# of waiting for a person.
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

program=$(realpath "$1") || exit 2
shift

scratch=$(mktemp -d) || exit 2
export WINEPREFIX="$scratch/prefix" HOME="$scratch/home" WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$scratch/work"

cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1
  rm -rf "$scratch"
}
trap cleanup EXIT INT TERM

# Creating the prefix prints notices of its own; keep them out of the
# program's output.
"$WINE64" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w

(cd "$scratch/work" && "$WINE64" "$program" "$@")
status=$?
"$WINESERVER" -w
exit $status
