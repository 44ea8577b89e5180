#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# Needs root (apt-get); does nothing when everything is already there.
set -euo pipefail

packages=(
  cmake g++ make libgtest-dev   # build and unit tests
  gnuplot-nox                   # scripts/plot-histos and its tests
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32  # Windows cross builds
  wine64 qemu-user-static g++-multilib file             # and their checks
  tmux                                    # the terminal test of the key wait
  clang libclang-rt-14-dev                # fuzz targets (libFuzzer, sanitizers)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
