#!/bin/bash
# Checks that a Win32 build's install.exe carries the resources Windows
# expects of a program: version information with the project's version (read
# by our own POSIX PE version reader and by GetFileVersionInfoA under Wine),
# the application manifest as written in src/platform/win32/resources, and
# the icon (both read under Wine).
#
# Usage: tests/check_resources.sh [--no-wine] <Win32 build dir>
# The build's install.exe is checked against its generated/tarnwick_version.h.
# The readers come from build/posix (read_pe_version) and build/win32-x86_64
# (read_resources.exe: Wine here runs 64-bit programs only, which read the
# resources of a 32-bit file as well). --no-wine checks what the POSIX reader
# can. Exit code 0 when every check passed.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
use_wine=1
if [ "${1:-}" = --no-wine ]; then use_wine=0; shift; fi
build=$(cd "${1:?usage: check_resources.sh [--no-wine] <Win32 build dir>}" && pwd) || exit 2
exe="$build/install.exe"
header="$build/generated/tarnwick_version.h"
read_pe_version="$root/build/posix/read_pe_version"
read_resources="$root/build/win32-x86_64/read_resources.exe"

failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

for file in "$exe" "$header" "$read_pe_version"; do
  [ -f "$file" ] || { echo "no $file: build the presets first"; exit 2; }
done
version=$(sed -n 's/^#define TARNWICK_VERSION "\(.*\)"$/\1/p' "$header")
[ -n "$version" ] || { echo "no version in $header"; exit 2; }

# ---- our own reader ----------------------------------------------------------
got=$("$read_pe_version" "$exe")
if [ "$got" = "$version.0" ]; then
  pass "POSIX reader: file version $got"
else
  fail "POSIX reader: file version '$got', wanted $version.0"
fi

# ---- the Windows API under Wine -------------------------------------------------
if [ $use_wine -eq 1 ]; then
  [ -f "$read_resources" ] || { echo "no $read_resources: build win32-x86_64 first"; exit 2; }
  work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-resources-XXXXXX")
  trap 'python3 "$root/tools/tarnwick_test/wine_env.py" kill "$work/prefix" >/dev/null 2>&1; rm -rf "$work"' EXIT
  python3 "$root/tools/tarnwick_test/wine_env.py" new-prefix "$work/prefix" || exit 2
  python3 "$root/tools/tarnwick_test/wine_env.py" run "$work/prefix" -- wine "$read_resources" "$exe" \
    </dev/null 2>/dev/null | tr -d '\r' >"$work/resources"
  sed '/^manifest:$/,$d' "$work/resources" | sed 's/^/     | /'

  for line in "file_version=$version.0" "product_version=$version.0" \
      "CompanyName=Tarnwick Project" "FileDescription=Tarnwick Installer" \
      "FileVersion=$version" "OriginalFilename=install.exe" \
      "ProductName=Tarnwick Installer" "ProductVersion=$version"; do
    if grep -qxF "$line" "$work/resources"; then pass "version information: $line"; else
      fail "version information: no $line"
    fi
  done

  icons=$(sed -n 's/^icon_sizes=//p' "$work/resources")
  if [ -n "$icons" ] && [[ "$icons" != *missing* ]] && [[ " $icons " == *" 16x16 "* ]] &&
     [[ " $icons " == *" 32x32 "* ]] && [[ " $icons " == *" 48x48 "* ]]; then
    pass "icon: $icons"
  else
    fail "icon: '$icons', wanted 16x16, 32x32 and 48x48 at least"
  fi

  sed '1,/^manifest:$/d' "$work/resources" >"$work/manifest"
  if cmp -s "$work/manifest" "$root/src/platform/win32/resources/install.manifest"; then
    pass "manifest: the one in src/platform/win32/resources ($(grep -o 'level="[A-Za-z]*"' \
      "$work/manifest"))"
  else
    fail "manifest: missing or not the one in src/platform/win32/resources"
    diff "$root/src/platform/win32/resources/install.manifest" "$work/manifest" | head -n 10
  fi
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
