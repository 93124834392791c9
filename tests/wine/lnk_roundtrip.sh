#!/bin/bash
# Writes shell links with our writers and reads them back through the real
# shell-link object (IShellLinkA + IPersistFile::Load) under Wine:
#
#   1. the POSIX .lnk writer alone (write_lnk --raw) and through
#      ShellLinks::createLink on an emulated machine whose drive C: is the
#      Wine prefix's drive_c, so that every target exists on both sides;
#   2. the installer itself: the POSIX install and the Win32 install.exe
#      (under Wine) each run a "create links" script, and the links they
#      leave are read back.
#
# Usage: lnk_roundtrip.sh <posix build dir> <win32 x86_64 build dir>
# The POSIX build (the posix preset) must hold write_lnk (and install for
# step 2), the Win32 one read_lnk.exe (and install.exe for step 2). Parts
# whose installer is missing are skipped and said so. Exit code 0 when every
# check that ran passed.
set -u

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
usage="usage: lnk_roundtrip.sh <posix build dir> <win32 x86_64 build dir>"
posix_build="$(cd "${1:?$usage}" && pwd)" || exit 2
win32_build="$(cd "${2:?$usage}" && pwd)" || exit 2

work="$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-lnk-XXXXXX")"
prefix="$work/prefix"
wine() { python3 "$repo/tools/tarnwick_test/wine_env.py" run "$prefix" -- wine "$@"; }

cleanup() {
  python3 "$repo/tools/tarnwick_test/wine_env.py" kill "$prefix" >/dev/null 2>&1
  case "$work" in
    */tarnwick-lnk-*) rm -rf -- "$work" ;;
  esac
}
trap cleanup EXIT

failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
skip() { echo "skip $1"; }

# ---- tools ----------------------------------------------------------------
read_lnk="$win32_build/read_lnk.exe"
write_lnk="$posix_build/write_lnk"
for tool in "$read_lnk" "$write_lnk"; do
  [ -f "$tool" ] || { echo "no $tool: build the posix and win32-x86_64 presets first"; exit 2; }
done

python3 "$repo/tools/tarnwick_test/wine_env.py" new-prefix "$prefix" || exit 2
drive_c="$prefix/drive_c"

# The link at a Windows path (C:\...), read under Wine, as key=value lines
# without carriage returns.
read_link() { wine "$read_lnk" "$1" 2>&1 | tr -d '\r'; }

# expect <name> <link> <path> <icon>: the link names this target and icon
# (index 0), and its id list leads to the same target.
expect() {
  local name="$1" link="$2" path="$3" icon="$4" got want
  got="$(read_link "$link")"
  want="$(printf 'path=%s\nicon=%s\nindex=0\nidlist=%s' "$path" "$icon" "$path")"
  if [ "$got" = "$want" ]; then pass "$name"; else
    fail "$name"; echo "  wanted: $want" | sed 's/^/  /'; echo "  got:    $got" | sed 's/^/  /'
  fi
}

mkdir -p "$drive_c/app" "$drive_c/Groups/Sample"
printf 'MZ' >"$drive_c/app/prog.exe"
printf 'icon' >"$drive_c/app/app.ico"
cafe="$(printf 'caf\xe9 \x80')"  # code page 1252: e acute, euro sign
printf 'MZ' >"$drive_c/app/$cafe.exe"

# ---- 1a. the writer alone -------------------------------------------------
"$write_lnk" --raw "$drive_c/Groups/raw_icon.lnk" 'C:\app\prog.exe' 'C:\app\app.ico'
expect "writer: target and icon" 'C:\Groups\raw_icon.lnk' 'C:\app\prog.exe' 'C:\app\app.ico'
"$write_lnk" --raw "$drive_c/Groups/raw_plain.lnk" 'C:\app\prog.exe'
expect "writer: no icon" 'C:\Groups\raw_plain.lnk' 'C:\app\prog.exe' ''
"$write_lnk" --raw "$drive_c/Groups/raw_1252.lnk" "C:\\app\\$cafe.exe" "C:\\app\\$cafe.ico"
expect "writer: code page 1252 names" 'C:\Groups\raw_1252.lnk' "C:\\app\\$cafe.exe" "C:\\app\\$cafe.ico"

# ---- 1b. ShellLinks on an emulated machine sharing Wine's drive C: --------
# The machine is provisioned first (registry included) when the POSIX
# install exists, by a run of an empty script; then its drive C: is
# replaced by Wine's.
export TARNWICK_MACHINE="$work/machine"
mkdir -p "$TARNWICK_MACHINE" "$work/posix_pkg"
if [ -x "$posix_build/install" ]; then
  cp "$posix_build/install" "$work/posix_pkg/install"
  printf '; provisions the machine\r\n' >"$work/posix_pkg/empty.txt"
  (cd "$work/posix_pkg" && ./install -silent empty.txt) || echo "note: provisioning run failed"
  rm -rf -- "$work/machine/drive_c"
fi
ln -s "$drive_c" "$TARNWICK_MACHINE/drive_c"
out="$("$write_lnk" 'C:\Groups\Sample\App.lnk' 'C:\app\prog.exe' 'C:\app\app.ico')"
if [ $? -eq 0 ]; then
  expect "ShellLinks: target and icon" 'C:\Groups\Sample\App.lnk' 'C:\app\prog.exe' 'C:\app\app.ico'
else
  fail "ShellLinks: target and icon ($out)"
fi
out="$("$write_lnk" 'c:/groups/sample/Plain' 'C:\APP\prog.exe')"
if [ $? -eq 0 ] && [ -f "$drive_c/Groups/Sample/Plain" ]; then
  expect "ShellLinks: no icon, no extension" 'C:\Groups\Sample\Plain' 'C:\APP\prog.exe' ''
else
  fail "ShellLinks: no icon, no extension ($out)"
fi
for case in 'folder|C:\app' 'drive root|C:\'; do
  name="${case%%|*}" target="${case#*|}"
  out="$("$write_lnk" "C:\Groups\Sample\$name.lnk" "$target")"
  if [ $? -eq 0 ]; then
    expect "ShellLinks: $name as target" "C:\Groups\Sample\$name.lnk" "$target" ''
  else
    fail "ShellLinks: $name as target ($out)"
  fi
done
out="$("$write_lnk" 'C:\Groups\Sample\Bad.lnk' 'C:\app\missing.exe')"
if [ "$out" = 'Unable to create link:C:\Groups\Sample\Bad.lnk' ] &&
   [ ! -e "$drive_c/Groups/Sample/Bad.lnk" ]; then
  pass "ShellLinks: missing target refused"
else
  fail "ShellLinks: missing target refused ($out)"
fi

# ---- 2. the installer on both platforms -----------------------------------
write_script() {  # <file> <folder name>
  printf '%s\r\n' \
    '[create directories and program groups]' \
    "C:\\Groups\\$2" \
    '[create links]' \
    "C:\\Groups\\$2\\App.lnk = C:\\app\\prog.exe ? link_icon=C:\\app\\app.ico" \
    "C:\\Groups\\$2\\Plain.lnk = C:\\app\\prog.exe" >"$1"
}

if [ -x "$posix_build/install" ]; then
  write_script "$work/posix_pkg/links.txt" FromPosix
  (cd "$work/posix_pkg" && ./install -silent links.txt)
  status=$?
  if [ $status -eq 0 ]; then pass "POSIX install: exit code 0"; else fail "POSIX install: exit code $status"; fi
  expect "POSIX install: link with icon" 'C:\Groups\FromPosix\App.lnk' 'C:\app\prog.exe' 'C:\app\app.ico'
  expect "POSIX install: link without icon" 'C:\Groups\FromPosix\Plain.lnk' 'C:\app\prog.exe' ''
else
  skip "POSIX install: no $posix_build/install"
fi

if [ -f "$win32_build/install.exe" ]; then
  mkdir -p "$drive_c/pkg"
  cp "$win32_build/install.exe" "$drive_c/pkg/install.exe"
  write_script "$drive_c/pkg/links.txt" FromWin32
  wine 'C:\pkg\install.exe' -silent links.txt >/dev/null 2>&1
  status=$?
  if [ $status -eq 0 ]; then pass "Win32 install: exit code 0"; else fail "Win32 install: exit code $status"; fi
  expect "Win32 install: link with icon" 'C:\Groups\FromWin32\App.lnk' 'C:\app\prog.exe' 'C:\app\app.ico'
  expect "Win32 install: link without icon" 'C:\Groups\FromWin32\Plain.lnk' 'C:\app\prog.exe' ''
else
  skip "Win32 install: no $win32_build/install.exe"
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
