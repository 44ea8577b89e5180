#!/usr/bin/env bash
# Builds a Release build with the benchmark tool and runs it: the time of a
# parhistos50 run against the floor of reading the sample file twelve times.
# Usage: scripts/bench.sh [REPS]   (build folder: $BENCH_BUILD, default build-bench;
#                                    work folder: $BENCH_WORK, default /tmp/parhistos-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
work=${BENCH_WORK:-/tmp/parhistos-bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPARHISTOS_BENCH=ON >/dev/null
cmake --build "$build" -j --target parhistos50 genrun phbench >/dev/null
mkdir -p "$work"
exec "$build/bench/phbench" "$build/parhistos50" "$build/genrun" "$work" "${1:-5}"
