#!/usr/bin/env bash
# End-to-end tests of scripts/plot-histos. Runs the real programs on the
# example run and on a four-sweep run in a temporary folder, draws their plot
# files and checks the pictures (PNG signature, pixel size from the IHDR
# chunk, enough coloured pixels to show the histograms); then feeds a table
# of broken plot files and command lines and checks the one-line message,
# the exit status and that no picture or temporary file is left behind.
# Usage: test_plot_histos.sh PARHISTOS50 PARHISTOS40 SOURCE_DIR
set -uo pipefail
export LC_ALL=C
ph50=$1 ph40=$2 root=$3
plot=$root/scripts/plot-histos

command -v gnuplot >/dev/null || { echo "gnuplot missing: run scripts/install-deps.sh"; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/test-plot-histos.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export TMPDIR=$tmp/tmpdir   # the script's own scratch folder must end up empty
mkdir -p "$TMPDIR"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Prints "WIDTH HEIGHT" of a PNG, or nothing if the file has no PNG signature
# and IHDR chunk at the start.
png_size() {
  [[ $(od -An -tx1 -N16 "$1" | tr -d ' \n') == 89504e470d0a1a0a0000000d49484452 ]] || return 0
  od -An -tu1 -j16 -N8 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4, (($5 * 256 + $6) * 256 + $7) * 256 + $8 }'
}

# Succeeds when at least 1% of the pixels are clearly coloured (the filled
# histograms; titles, tics and frames are grey) and there are 16 colours or
# more. gnuplot itself decodes the PNG into one "x y r g b a" line per pixel.
not_blank() {
  gnuplot -e "set table '/dev/stdout'; plot '$1' binary filetype=png with rgbalpha" 2>/dev/null |
    awk '$7 == "i" { n++; hi = lo = $3
                     if ($4 > hi) hi = $4; if ($4 < lo) lo = $4
                     if ($5 > hi) hi = $5; if ($5 < lo) lo = $5
                     if (hi - lo > 30) coloured++; seen[$3 " " $4 " " $5] = 1 }
         END { for (c in seen) colours++
               printf "%d pixels, %d coloured, %d colours\n", n, coloured, colours
               exit !(n > 0 && coloured * 100 >= n && colours >= 16) }'
}

# Checks one picture: exists, PNG, 960 x (40 + 200 k), and (if asked) not blank.
check_png() {
  local f=$1 k=$2 deep=${3:-} size why
  [[ -f $f ]] || { fail "$f: not written"; return; }
  size=$(png_size "$f")
  [[ -n $size ]] || { fail "$f: not a PNG"; return; }
  [[ $size == "960 $((40 + 200 * k))" ]] || fail "$f: size $size, expected 960 $((40 + 200 * k))"
  if [[ -n $deep ]]; then why=$(not_blank "$f") || fail "$f: looks blank ($why)"; fi
}

leftovers() { find "$1" "$TMPDIR" -mindepth 1 \( -name '*.png' -o -name '.ParHistos-*' -o -path "$TMPDIR/*" \) -print; }

# --- The pixel check must be able to fail: a blank picture of the same size ---
gnuplot -e "set terminal pngcairo size 960,240; set output '$tmp/blank.png'; unset border; unset tics; plot [0:1][0:1] NaN notitle"
[[ $(png_size "$tmp/blank.png") == "960 240" ]] || fail "blank.png: size check cannot read a gnuplot picture"
! not_blank "$tmp/blank.png" >/dev/null || fail "blank.png: passes the not-blank check"
rm -f "$tmp/blank.png"

# --- Real runs: the example run (k = 1 .. 5) and the four-sweep run (k = 1) ---
mkdir -p "$tmp/ex" "$tmp/four50/four" "$tmp/four40/four"
cp -r "$root/examples/run1" "$tmp/ex/"
sed 's/^5$/1/' "$root/examples/run1/Init.d" >"$tmp/four50/four/Init.d"   # the same fields, kmax 1
printf '4\n1 1.0 10.0 0.5\n1 1.1 20.0 0.6\n1 3.0 30.0 0.7\n1 5.0 50.0 0.9\n' >"$tmp/four50/four/1.Par"
cp "$tmp/four50/four/"* "$tmp/four40/four/"
(cd "$tmp/ex" && "$ph50" run1 </dev/null >/dev/null) &
(cd "$tmp/four50" && "$ph50" four </dev/null >/dev/null) &
(cd "$tmp/four40" && "$ph40" four </dev/null >/dev/null) &
wait
for p in ex/run1 four50/four four40/four; do
  [[ -s $tmp/$p/ParHistos.d ]] || { echo "FAIL: $p: the program wrote no plot file"; exit 1; }
done
[[ $(sed -n 3p "$tmp/four40/four/ParHistos.d") == 82 ]] || fail "four40: not a 40-bin plot file"

# One count alone, then all counts, from the data folder's parent.
cd "$tmp/ex"
out=$("$plot" run1 3) || fail "run1 3: exit status $?"
[[ $out == run1/ParHistos-k3.png && $(ls run1/*.png) == run1/ParHistos-k3.png ]] || fail "run1 3: wrote '$out' / $(ls run1/*.png)"
check_png run1/ParHistos-k3.png 3 deep
"$plot" run1 >/dev/null || fail "run1: exit status $?"
for k in 1 2 3 4 5; do check_png "run1/ParHistos-k$k.png" "$k"; done
[[ $(ls -A run1 | tr "\n" " ") == "1.Par Init.d ParHistos-k1.png ParHistos-k2.png ParHistos-k3.png ParHistos-k4.png ParHistos-k5.png ParHistos.d " && -z $(ls -A "$TMPDIR") ]] || fail "run1: stray files: $(ls -A run1 "$TMPDIR")"

for d in four50 four40; do
  cd "$tmp/$d"
  "$plot" four >/dev/null || fail "$d: exit status $?"
  check_png four/ParHistos-k1.png 1 deep
done

# A plot file with Windows line ends draws the same picture.
mkdir -p "$tmp/crlf"
sed 's/$/\r/' "$tmp/four50/four/ParHistos.d" >"$tmp/crlf/ParHistos.d"
"$plot" "$tmp/crlf" >/dev/null || fail "crlf: exit status $?"
check_png "$tmp/crlf/ParHistos-k1.png" 1

# --- Broken plot files: one line on stderr naming the file, status 1, nothing left ---
# Each case: name | k argument | expected message (extended regex, after the
# file name) | command that writes $f from the good four-sweep file $good.
good=$tmp/four50/four/ParHistos.d    # 313 lines: "1", records j = 1, 2, 3 of 104 lines
cases=(
  "missing file||: no such file$|true"
  "empty file||: file is empty$|: >\"\$f\""
  "kmax not a number||:1: expected the largest component count, found 'x1'$|sed '1s/.*/x1/' \"\$good\" >\"\$f\""
  "wrong record header||:2: expected the record header of k=1 j=1, found ' 1  2'$|sed '2s/.*/ 1  2/' \"\$good\" >\"\$f\""
  "record k above kmax||:2: component count 2 outside 1 .. kmax = 1$|sed '2s/.*/ 2  1/' \"\$good\" >\"\$f\""
  "count not a number||:3: bad point count '10x' in record k=1 j=1|sed '3s/.*/10x/' \"\$good\" >\"\$f\""
  "odd count||:3: bad point count '101'|sed '3s/.*/101/' \"\$good\" >\"\$f\""
  "count differs||:107: point count 100 in record k=1 j=2 differs from 102|sed '107s/.*/100/' \"\$good\" >\"\$f\""
  "point line lost||:105: expected point 102 of 102 of record k=1 j=1 .*found ' 1  2'$|sed '50d' \"\$good\" >\"\$f\""
  "non-numeric height||:60: expected point 57 of 102 of record k=1 j=1|sed '60s/\t.*/\t abc/' \"\$good\" >\"\$f\""
  "nan point||:60: expected point 57|sed '60s/.*/nan\t nan/' \"\$good\" >\"\$f\""
  "ends inside a record||:200: file ends inside record k=1 j=2 after 93 of 102 points$|head -n 200 \"\$good\" >\"\$f\""
  "ends between records||:209: file ends after record k=1 j=2; records j=3 .. 3 of k=1 are missing$|head -n 209 \"\$good\" >\"\$f\""
  "junk after the last record||:314: expected a record header|{ cat \"\$good\"; echo junk; } >\"\$f\""
  "k not in the file|2|: no records for k=2 \\(the file has k = 1\\)$|cp \"\$good\" \"\$f\""
)
n=0
for c in "${cases[@]}"; do
  IFS='|' read -r name karg want make <<<"$c"
  n=$((n + 1)); d=$tmp/bad$n; f=$d/ParHistos.d
  mkdir -p "$d"
  eval "$make"
  "$plot" "$d" ${karg:+"$karg"} >"$tmp/out" 2>"$tmp/err"; rc=$?
  msg=$(cat "$tmp/err")
  ((rc == 1)) || fail "$name: exit status $rc"
  [[ $(wc -l <"$tmp/err") == 1 ]] || fail "$name: stderr is not one line: $msg"
  [[ $msg =~ ^plot-histos:\ ${f//./\\.}$want ]] || fail "$name: message '$msg' does not match '$f$want'"
  [[ ! -s $tmp/out ]] || fail "$name: wrote to stdout: $(cat "$tmp/out")"
  [[ -z $(leftovers "$d") ]] || fail "$name: left $(leftovers "$d")"
done

# --- gnuplot failing half-way: the temporary goes, an earlier picture stays ---
mkdir -p "$tmp/fakebin" "$tmp/gpfail"
printf '#!/bin/sh\nout=$(sed -n "s/^set output '\''\\(.*\\)'\''$/\\1/p" "$1")\necho half >"$out"\necho "fake gnuplot: out of memory" >&2\nexit 1\n' >"$tmp/fakebin/gnuplot"
chmod +x "$tmp/fakebin/gnuplot"
cp "$good" "$tmp/gpfail/"
echo earlier >"$tmp/gpfail/ParHistos-k1.png"
PATH=$tmp/fakebin:$PATH "$plot" "$tmp/gpfail" >/dev/null 2>"$tmp/err"; rc=$?
((rc == 1)) || fail "gnuplot fails: exit status $rc"
[[ $(cat "$tmp/err") =~ ^plot-histos:\ .*ParHistos-k1\.png:\ gnuplot\ failed:\ fake\ gnuplot:\ out\ of\ memory$ ]] || fail "gnuplot fails: message '$(cat "$tmp/err")'"
[[ $(cat "$tmp/gpfail/ParHistos-k1.png") == earlier ]] || fail "gnuplot fails: earlier picture replaced"
[[ -z $(ls -A "$tmp/gpfail" | grep -v '^ParHistos') && -z $(ls -A "$TMPDIR") ]] || fail "gnuplot fails: left $(ls -A "$tmp/gpfail" "$TMPDIR")"

# --- Bad command lines: usage on stderr, status 2 ---
for args in "" "run1 0" "run1 x" "run1 1 2" "''"; do
  eval "set -- $args"
  "$plot" "$@" >/dev/null 2>"$tmp/err"; rc=$?
  ((rc == 2)) && grep -q '^usage: plot-histos DATAFOLDER \[k\]' "$tmp/err" || fail "args [$args]: status $rc, $(cat "$tmp/err")"
done

((failures == 0)) && echo "all plot-histos checks passed"
exit $((failures > 0))
