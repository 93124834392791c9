#!/bin/sh
# Lists the DLLs a Windows executable imports, with the functions taken from
# each, and fails when it imports any DLL beyond the system's own set: the
# installer must run from installation media on a bare machine, so the C++
# runtime, libgcc and winpthread have to be linked in statically.
#
# Usage: tests/check_imports.sh <file.exe>
# Uses OBJDUMP when set, else the first MinGW objdump found.
set -eu

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 <file.exe>" >&2
  exit 2
fi
exe=$1

if [ -z "${OBJDUMP:-}" ]; then
  for candidate in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
    if command -v "$candidate" >/dev/null 2>&1; then OBJDUMP=$candidate; break; fi
  done
fi
if [ -z "${OBJDUMP:-}" ]; then
  echo "$0: no objdump found (set OBJDUMP)" >&2
  exit 2
fi

allowed="kernel32.dll user32.dll advapi32.dll shell32.dll ole32.dll version.dll msvcrt.dll"

# objdump -p prints each import as "DLL Name: X" followed by its
# "hint name" rows; a blank line ends a DLL's list.
imports=$("$OBJDUMP" -p "$exe" | awk '
  /^[ \t]*DLL Name:/ { dll = $3; print "DLL " dll; inlist = 0; next }
  dll != "" && /Hint\/Ord/ { inlist = 1; next }
  inlist && NF == 0 { inlist = 0; dll = ""; next }
  inlist && NF >= 3 { print "    " $3 }
')

if [ -z "$imports" ]; then
  echo "$0: $exe has no import table (not a PE file?)" >&2
  exit 2
fi

printf '%s\n' "$imports"

status=0
for dll in $(printf '%s\n' "$imports" | awk '$1 == "DLL" { print tolower($2) }'); do
  case " $allowed " in
    *" $dll "*) ;;
    *) echo "$0: $exe imports $dll, which is not a system DLL" >&2; status=1 ;;
  esac
done
exit $status
