#!/bin/sh
# Builds the script reader fuzzer standalone with clang, against the core
# sources it needs and the POSIX platform. Usage:
#   fuzz/build_script_reader_fuzzer.sh [output folder]      (default: build/fuzz)
# Run it with its seed corpus copied to a scratch corpus folder, e.g.:
#   mkdir -p /tmp/corpus && cp fuzz/corpus/script_reader/* /tmp/corpus/
#   build/fuzz/script_reader_fuzz -max_total_time=600 /tmp/corpus
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build/fuzz"}
mkdir -p "$out"

sources=$(ls "$root"/src/script/*.cpp "$root"/src/alias/*.cpp "$root"/src/system/*.cpp \
             "$root"/src/actions/*.cpp "$root"/src/platform/*.cpp "$root"/src/platform/posix/*.cpp \
             "$root"/src/driver/throwable.cpp | grep -Ev '_(test|main)\.cpp$')

${CXX:-clang++} -std=c++17 -g -O1 \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" -I "$root" \
  $sources "$root/fuzz/script_reader_fuzz.cpp" \
  -o "$out/script_reader_fuzz"
echo "built $out/script_reader_fuzz"
