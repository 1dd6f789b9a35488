#!/usr/bin/env bash
# Builds the decoder's fuzz target with clang (libFuzzer, ASan, UBSan), seeds
# it with valid encoder-made streams and fuzzes for the given time.
#   codec/fuzz/run.sh SECONDS [BUILD_DIR] [extra libFuzzer flags...]
# Findings are written to BUILD_DIR/findings; the run fails if there are any.
set -euo pipefail

seconds="${1:-60}"
build="${2:-/tmp/talvane-codec-fuzz}"
shift $(( $# < 2 ? $# : 2 ))
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cxx="${TALVANE_FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}"

# A top level of our own: the fuzz build needs the decoder only.
mkdir -p "$build/top" "$build/corpus" "$build/findings"
cat > "$build/top/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.21)
project(talvane_codec_fuzz CXX)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-omit-frame-pointer)
set(TALVANE_BUILD_FUZZ ON)
add_subdirectory("$root/base" base)
add_subdirectory("$root/codec" codec)
CMAKE
cmake -S "$build/top" -B "$build/cmake" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/cmake" --target codec_fuzz_decode_mesh -j 2

python3 "$root/tools/quorvet/make_seed_corpus.py" "$build/seeds"

# One worker; inputs up to 64 KiB; 2 GiB of memory; 10 s per input at most.
"$build/cmake/codec/codec_fuzz_decode_mesh" "$build/corpus" "$build/seeds" \
  -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=10 \
  -artifact_prefix="$build/findings/" -print_final_stats=1 "$@"

if compgen -G "$build/findings/*" >/dev/null; then
  echo "fuzzing found failing inputs in $build/findings" >&2
  exit 1
fi
