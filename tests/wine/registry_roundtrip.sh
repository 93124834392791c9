#!/bin/sh
# Checks that the registry file the POSIX platform writes is one that Wine's
# regedit imports with every value's type and data intact: writes known
# values through the registry store, imports registry.reg with
# "regedit /s" into a fresh WINEPREFIX and reads them back with "reg query"
# (and "reg export" for the types "reg query" does not print).
#   tests/wine/registry_roundtrip.sh        exit 0 when everything matches
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
wine=${WINE:-/usr/lib/wine/wine64}
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-wine-registry-XXXXXX")
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

sources=$(ls "$root"/src/script/utils.cpp "$root"/src/driver/throwable.cpp \
             "$root"/src/platform/*.cpp "$root"/src/platform/posix/*.cpp | grep -Ev '_(test|main)\.cpp$')
${CXX:-c++} -std=c++17 -O1 -I"$root/src" $sources "$here/registry_roundtrip_writer.cpp" \
  -o "$work/writer"
mkdir -p "$work/machine" "$work/home"
"$work/writer" "$work/machine"

# The Windows path of a host path, through Wine's Z: drive.
windows_path() { echo "Z:$1" | tr / '\\\\'; }

export WINEPREFIX="$work/prefix" HOME="$work/home" WINEDEBUG=-all
"$wine" wineboot -i >/dev/null 2>&1 || true
"$wine" regedit /s "$(windows_path "$work/machine/registry.reg")"

# reg query's listing, without carriage returns and trailing blanks.
query() { "$wine" reg query "$1" 2>/dev/null | tr -d '\r' | sed -e 's/[[:space:]]*$//' -e '/^$/d'; }

long=$(printf 'AB%.0s' $(seq 100))
cat > "$work/expected" <<END
HKEY_LOCAL_MACHINE\\Software\\TarnwickRoundTrip
    (Default)    REG_SZ    default
    binary    REG_BINARY    0AFF
    dword    REG_DWORD    0x1f
    empty binary    REG_BINARY
    expand    REG_EXPAND_SZ    %SystemRoot%\\x
    long binary    REG_BINARY    $long
    max    REG_DWORD    0xffffffff
    multi    REG_MULTI_SZ    a\\0b
    no nul    REG_SZ    ab
    none    REG_NONE    0102
    odd type    (null)    (null)
    path    REG_SZ    C:\\Program Files\\"App"
    qword    REG_QWORD    (null)
HKEY_LOCAL_MACHINE\\Software\\TarnwickRoundTrip\\Sub
HKEY_USERS\\tester\\Software\\TarnwickRoundTrip
    user    REG_SZ    for tester
HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion
    ProgramFilesDir    REG_SZ    C:\\Program Files
END
{
  query 'HKLM\Software\TarnwickRoundTrip'
  query 'HKU\tester\Software\TarnwickRoundTrip'
  "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir 2>/dev/null |
    tr -d '\r' | sed -e 's/[[:space:]]*$//' -e '/^$/d'
} > "$work/actual"

# reg query prints no data for these types; the export shows them exactly.
"$wine" reg export 'HKLM\Software\TarnwickRoundTrip' "$(windows_path "$work/export.reg")" /y >/dev/null 2>&1
iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r' > "$work/export.txt"

status=0
if ! diff -u "$work/expected" "$work/actual"; then status=1; fi
for line in '"qword"=hex(b):01,02,03,04,05,06,07,08' '"odd type"=hex(12345):09'; do
  if ! grep -qxF "$line" "$work/export.txt"; then
    echo "missing from the export: $line"
    status=1
  fi
done
if grep -q 'gone\|Gone' "$work/export.txt"; then
  echo "a value or key deleted before the flush came back"
  status=1
fi
[ $status -eq 0 ] && echo "registry round trip under Wine: all values match"
exit $status
