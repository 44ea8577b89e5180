#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test.
# Usage: scripts/test.sh   (as root on a fresh Debian machine; no input needed)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
log=build/test-stages.log
ctest --test-dir build --output-on-failure -j"$jobs" </dev/null | tee "$log"
# The suite again under AddressSanitizer and UBSan, then the fuzz targets.
scripts/test-sanitizers.sh | tee -a "$log"
scripts/test-fuzz.sh | tee -a "$log"

# One closing line for every stage together: each ctest run's count (they
# all passed, or set -e would have stopped us) and one per fuzz target.
awk '/tests failed out of/ { n += $NF } /^fuzz_.*no finding$/ { n += 1 }
     END { printf "all stages: %d passed, 0 failed\n", n }' "$log"
