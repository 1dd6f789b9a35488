#!/usr/bin/env bash
# Builds the decode benchmark, writes a large encoder-made stream and
# measures decode throughput.   bench/codec/run.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-/tmp/talvane-bench-codec}"
mkdir -p "$build"
cmake -S "$root" -B "$build/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVANE_BUILD_BENCH=ON \
  -DTALVANE_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build/cmake" --target bench_codec -j 2
[[ -f "$build/torus.qrvt" ]] || python3 "$root/bench/codec/make_stream.py" "$build/torus.qrvt"
"$build/cmake/bench/codec/bench_codec" "$build/torus.qrvt" "${2:-5}"
