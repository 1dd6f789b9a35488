#!/usr/bin/env bash
# Source coverage of the decoder reached by a fuzz corpus:
#   codec/fuzz/coverage.sh CORPUS_DIR [BUILD_DIR]
# Builds the fuzz target with clang's coverage instrumentation (no
# sanitizers), replays the corpus once and prints llvm-cov's report for
# codec/src.
set -euo pipefail
corpus="$1"
build="${2:-/tmp/talvane-codec-coverage}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cxx="${TALVANE_FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}"
suffix="${cxx##*clang++}"
flags="-fprofile-instr-generate -fcoverage-mapping"

mkdir -p "$build"
"$cxx" -std=c++20 -O1 -ffp-contract=off $flags -fsanitize=fuzzer -I"$root/codec/src" -I"$root/base/src" \
  "$root"/codec/src/*.cpp "$root/codec/fuzz/fuzz_decode_mesh.cpp" -o "$build/fuzz_coverage"
LLVM_PROFILE_FILE="$build/replay.profraw" "$build/fuzz_coverage" -runs=0 "$corpus" >/dev/null 2>&1
"llvm-profdata$suffix" merge -sparse "$build/replay.profraw" -o "$build/replay.profdata"
"llvm-cov$suffix" report "$build/fuzz_coverage" -instr-profile="$build/replay.profdata" \
  "$root"/codec/src/*.cpp
