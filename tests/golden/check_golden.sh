#!/usr/bin/env bash
# Runs one plot program on a copy of one golden case and compares the plot
# file it writes with the expected file, byte for byte.
#
# Usage: check_golden.sh PROGRAM CASEDIR EXPECTED [LAYOUT]
#   PROGRAM   parhistos50_quick or parhistos40_quick (key press from /dev/null)
#   CASEDIR   folder holding Init.d, 1.Par and the expected plot files
#   EXPECTED  file name in CASEDIR, ParHistos50.d or ParHistos40.d
#   LAYOUT    how the input files are laid out before the run (the tokens stay
#             the same, so the plot file must too): asis (default), oneline
#             (every file on one line), or pervalue (a token per line, CR LF
#             line ends, tabs and blank lines between)
#
# The expected files come from the independent reference model; regenerate
# them after a deliberate format change with
#   python3 scripts/refmodel.py --regen-golden
# (and check the model with python3 scripts/refmodel.py --selftest).
set -u
prog=$1
case "$prog" in
  */*) prog=$(cd "$(dirname "$prog")" && pwd)/$(basename "$prog") ;;
esac
casedir=$2
expected=$casedir/$3
layout=${4:-asis}
case=$(basename "$casedir")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/d"
for f in Init.d 1.Par; do
  case "$layout" in
    asis) cp "$casedir/$f" "$work/d/$f" ;;
    oneline) tr -s ' \t\r\n' '  ' <"$casedir/$f" >"$work/d/$f" ;;
    pervalue) tr -s ' \t\r\n' '\n\n' <"$casedir/$f" | sed 's/^/\t/; s/$/\r\n\r/' >"$work/d/$f" ;;
    *) echo "unknown layout $layout"; exit 2 ;;
  esac
done

# Relative folder name, run inside the scratch folder so the ready flag file
# lands there too.
(cd "$work" && "$prog" d </dev/null >"$work/console.txt" 2>&1)
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "FAIL $case/$3 ($layout): $(basename "$prog") exited with status $rc"
  cat "$work/console.txt"
  exit 1
fi
got=$work/d/ParHistos.d
if [ ! -f "$got" ]; then
  echo "FAIL $case/$3: no ParHistos.d written"
  exit 1
fi
if cmp -s "$got" "$expected"; then
  echo "ok $case/$3 ($layout, $(wc -l <"$expected") lines)"
  exit 0
fi

echo "FAIL $case/$3 ($layout): ParHistos.d differs from the expected file"
msg=$(cmp "$got" "$expected" 2>&1)
echo "$msg"
case "$msg" in
  *EOF*)
    echo "one file is a prefix of the other: expected $(wc -l <"$expected")" \
      "lines, written $(wc -l <"$got") lines"
    ;;
  *)
    # First differing line, from both files (cat -A shows tabs and line ends).
    line=$(echo "$msg" | sed -n 's/.* line \([0-9]*\).*/\1/p')
    echo "line $line expected: $(sed -n "${line}p" "$expected" | cat -A)"
    echo "line $line written:  $(sed -n "${line}p" "$got" | cat -A)"
    ;;
esac
exit 1
