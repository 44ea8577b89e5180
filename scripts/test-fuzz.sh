#!/usr/bin/env bash
# Builds the libFuzzer targets of the input readers with clang (build-fuzz)
# and runs each for a bounded time, PARHISTOS_FUZZ_SECONDS (default 20), on
# its seed corpus tests/fuzz/corpus/<target>/; the seeds include every input
# that once broke a reader. Any crash, hang (5 s per input), leak or sanitizer
# report fails the run, and the input that caused it is kept in
# build-fuzz/artifacts/. New inputs found on the way go to a scratch folder,
# not into the repository.
# Usage: scripts/test-fuzz.sh   (called by scripts/test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
build=build-fuzz
seconds=${PARHISTOS_FUZZ_SECONDS:-20}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DPARHISTOS_TESTS=OFF -DPARHISTOS_FUZZ=ON
cmake --build "$build" -j"$jobs" --target fuzz_tokens fuzz_initfile fuzz_samplefile

# The targets rewrite a temporary input file for every run: keep it in memory.
tmproot=/tmp
[[ -d /dev/shm && -w /dev/shm ]] && tmproot=/dev/shm
scratch=$(mktemp -d "$tmproot/parhistos-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/artifacts"

for target in tokens initfile samplefile; do
  mkdir "$scratch/$target"
  log="$scratch/$target.log"
  if ! TMPDIR="$scratch" "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=5 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    "$scratch/$target" "tests/fuzz/corpus/$target" </dev/null >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$target failed; its input is in $build/artifacts/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "fuzz_$target: $runs runs in ${seconds} s ($rate/s), no finding"
done
