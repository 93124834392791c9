#!/bin/sh
# Builds the libFuzzer target for the registry file reader and, with "run",
# runs it on its seed corpus for a minute:
#   fuzz/build_registry_fuzzer.sh [run [seconds]]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${BUILD_DIR:-$root/build/fuzz}
mkdir -p "$out"
# The store needs the machine it belongs to, so the POSIX platform comes along.
sources=$(ls "$root"/src/script/utils.cpp "$root"/src/driver/throwable.cpp \
             "$root"/src/platform/*.cpp "$root"/src/platform/posix/*.cpp | grep -Ev '_(test|main)\.cpp$')
${CXX:-clang++} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" \
  $sources "$here/registry_file_fuzz.cpp" \
  -o "$out/registry_file_fuzz"
echo "built $out/registry_file_fuzz"
if [ "${1:-}" = run ]; then
  work="$out/registry_file_corpus"
  mkdir -p "$work"
  "$out/registry_file_fuzz" -max_total_time="${2:-60}" -max_len=4096 "$work" "$here/corpus/registry_file"
fi
