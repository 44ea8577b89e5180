#!/usr/bin/env bash
# Builds the programs and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer (PARHISTOS_SANITIZE=ON, in build-asan) and runs
# the whole suite under them. Any report fails the run: a sanitized process
# stops at its first report with exit status 86, which no test expects.
# Leaks are checked where LeakSanitizer can run. The Windows cross checks
# (ctest names cross.*) build with other compilers and are left out.
# Usage: scripts/test-sanitizers.sh   (called by scripts/test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
build=build-asan

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARHISTOS_SANITIZE=ON
# Every target of the build but the cross builds and CMake's own.
targets=$(cmake --build "$build" --target help |
  sed -n 's/^\.\.\. \([A-Za-z0-9_]*\)\( (.*)\)\{0,1\}$/\1/p' |
  grep -vE '^(all|clean|depend|edit_cache|rebuild_cache|test|install.*|list_install_components|package.*|cross_.*)$')
# shellcheck disable=SC2086  # one word per target
cmake --build "$build" -j"$jobs" --target $targets

report=86
leaks=1
probe=$(ASAN_OPTIONS=detect_leaks=1 "$build/tests/parhistos50_quick" 2>&1 </dev/null || true)
if [[ $probe == *"LeakSanitizer has encountered a fatal error"* ]]; then
  echo "LeakSanitizer cannot run here: leaks are not checked"
  leaks=0
fi
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=$leaks:exitcode=$report:strict_init_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=$report"
ctest --test-dir "$build" --output-on-failure -j"$jobs" -E '^cross\.' </dev/null
