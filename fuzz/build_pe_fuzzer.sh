#!/bin/sh
# Builds the PE version-reader fuzzer with clang's libFuzzer and sanitizers.
# Usage: fuzz/build_pe_fuzzer.sh [build folder]   (default: build/fuzz)
# Run:   <build folder>/pe_version_fuzz -max_total_time=300 fuzz/corpus/pe_version
#        (libFuzzer adds what it finds to the corpus folder it is given first;
#        pass a scratch folder first to keep the committed seeds unchanged.)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build/fuzz"}
mkdir -p "$out"
${CXX:-clang++} -std=c++17 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" \
  "$root/fuzz/pe_version_fuzz.cpp" "$root/src/platform/posix/pe_version_reader.cpp" \
  -o "$out/pe_version_fuzz"
echo "$out/pe_version_fuzz"
