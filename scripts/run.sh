#!/usr/bin/env bash
# Builds the programs and runs parhistos50 on a data folder.
# Usage: scripts/run.sh [DATAFOLDER]
# Without a folder it runs the example run shipped in examples/run1, on a
# copy in build/example (so the repository stays clean), and leaves the plot
# file in build/example/run1/ParHistos.d.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scripts_dir="$root/scripts"
"$scripts_dir/install-deps.sh" >/dev/null
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target parhistos50 parhistos40 >/dev/null
if (($# == 0)); then
  rm -rf "$root/build/example" && mkdir -p "$root/build/example"
  cp -r "$root/examples/run1" "$root/build/example/"
  cd "$root/build/example"
  exec "$root/build/parhistos50" run1
fi
exec "$root/build/parhistos50" "$1"
