#!/usr/bin/env bash
# Creates the wine prefix that the wine64 tests share, before any of them
# runs (the first start of wine in an empty prefix takes several seconds).
# Usage: wine-prefix.sh PREFIX
set -euo pipefail
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[[ -x /usr/lib/wine/wine64 ]] || {
  echo "FAIL: /usr/lib/wine/wine64 missing: run scripts/install-deps.sh" >&2
  exit 1
}
[[ -f $WINEPREFIX/system.reg ]] && exit 0  # made by an earlier test run
mkdir -p "$WINEPREFIX"
# Output into a file: wine's helper processes keep inherited pipes open.
/usr/lib/wine/wine64 wineboot --init </dev/null >"$WINEPREFIX.log" 2>&1 || {
  cat "$WINEPREFIX.log" >&2
  exit 1
}
