#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test.
# Usage: scripts/test.sh   (as root on a fresh Debian machine; no input needed)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" </dev/null
# The suite again under AddressSanitizer and UBSan, then the fuzz targets.
scripts/test-sanitizers.sh
scripts/test-fuzz.sh
