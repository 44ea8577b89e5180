#!/usr/bin/env bash
# End-to-end comparison of a cross-built program with the native Linux one.
# Both run the same case, side by side, each in its own copy of the data
# folder with standard input from /dev/null; then their exit status, console
# text, data-folder files and ReadyFileFlag.d must agree.
#
# Usage: cross-e2e.sh TARGET CASE WORKDIR NATIVE50 NATIVE40 CROSSDIR GENRUN [WINEPREFIX]
#   TARGET  wine64: CROSSDIR holds the 64-bit Windows .exe files, run under
#                   wine64; their text files and console text end lines with
#                   CR LF, which must be the only difference.
#           qemu32: CROSSDIR holds the 32-bit x86 Linux programs, run under
#                   qemu-i386-static; everything must be byte for byte equal.
#   CASE    worked | boundary40 | generated50 | generated40 | badtoken
#   NATIVE50, NATIVE40  the Linux programs (the test builds with the short
#           pause will do: the pause is the only difference)
# Prints what differs and exits 1 when a check fails.
set -euo pipefail

target=$1 case=$2 work=$3 native50=$4 native40=$5 crossdir=$6 genrun=$7 wineprefix=${8:-}

fail() {
  echo "FAIL [$target $case]: $*" >&2
  exit 1
}

case $target in
  wine64) tool=/usr/lib/wine/wine64 ;;
  qemu32) tool=$(command -v qemu-i386-static || echo qemu-i386-static) ;;
  *) fail "unknown target" ;;
esac
[[ -x $tool ]] || fail "$tool missing: run scripts/install-deps.sh"

# --- The case's data folder "run" and its program ---
write_init() {  # Init.d: n = 0, the thirteen fixed fields, then kmax
  printf '0\n0.5 1 2 3.0 4.0 5\n1 2 3 4 5 6 7\n%s\n' "$2" >"$1/Init.d"
}

make_case() {
  local run=$1/run
  mkdir -p "$run"
  case $case in
    worked)  # four sweeps of one component, 50 bins: the 313-line file
      bins=50
      write_init "$run" 1
      printf '4\n1 1.0 10.0 0.5\n1 1.1 20.0 0.6\n1 3.0 30.0 0.7\n1 5.0 50.0 0.9\n' >"$run/1.Par"
      ;;
    boundary40)  # 0.05 lies on the boundary of bins 1 and 2 in decimal
      bins=40
      write_init "$run" 1
      printf '3\n1 0 10.0 0.5\n1 0.05 20.0 0.6\n1 0.99 30.0 0.7\n' >"$run/1.Par"
      ;;
    generated50 | generated40)
      bins=${case#generated}
      "$genrun" "$run" 3000 6 "$bins" >/dev/null
      ;;
    badtoken)  # the reader's failure report and status
      bins=50
      write_init "$run" 2
      printf '3\n1 1.0 10.0 0.5\n2 1.1 20.0 0.6 1.5 2x 0.7\n' >"$run/1.Par"
      ;;
    *) fail "unknown case" ;;
  esac
}

# --- Running ---
run_native() {
  local native=$native50
  [[ $bins == 40 ]] && native=$native40
  cd "$1" && "$native" run </dev/null >out.txt 2>err.txt && echo 0 >status.txt ||
    echo $? >status.txt
}

run_cross() {
  cd "$1"
  local status=0
  case $target in
    # Output into files, never pipes: wine's helper processes would hold a
    # pipe open for seconds after the program ends.
    wine64)
      WINEPREFIX=$wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        /usr/lib/wine/wine64 "$crossdir/parhistos$bins.exe" run </dev/null >out.txt 2>err.txt ||
        status=$?
      ;;
    qemu32)
      qemu-i386-static "$crossdir/parhistos$bins" run </dev/null >out.txt 2>err.txt || status=$?
      ;;
    *) fail "unknown target" ;;
  esac
  echo "$status" >status.txt
}

rm -rf "$work"
mkdir -p "$work/native" "$work/cross"
make_case "$work/native"
cp -r "$work/native/run" "$work/cross/"
(run_native "$work/native") &
native_pid=$!
(run_cross "$work/cross") &
cross_pid=$!
wait "$native_pid" || fail "could not run the native program"
wait "$cross_pid" || fail "could not run the cross-built program"

# --- Comparing ---
n=$work/native c=$work/cross
mkdir -p "$work/norm"

# Checks that a file from the Windows program ends every line with CR LF and
# holds no other CR, and writes its LF form to $work/norm/NAME.
crlf_to_lf() {
  local file=$1 name=$2
  local lf crlf cr
  lf=$(tr -cd '\n' <"$file" | wc -c)
  crlf=$(grep -c $'\r$' "$file" || true)
  cr=$(tr -cd '\r' <"$file" | wc -c)
  [[ $lf == "$crlf" && $cr == "$crlf" ]] ||
    fail "$name: $lf line ends, $crlf of them CR LF, $cr CR in all: expected CR LF line ends only"
  sed 's/\r$//' "$file" >"$work/norm/$name"
}

same() {  # same NAME NATIVEFILE CROSSFILE
  cmp -s "$2" "$3" || {
    diff <(cat -A "$2") <(cat -A "$3") | head -20 >&2 || true
    fail "$1 differs (< native, > cross)"
  }
}

same "exit status" "$n/status.txt" "$c/status.txt"
[[ $target == wine64 ]] && grep -q $'\r' "$n/out.txt" "$n/err.txt" && fail "native console text holds CR"
for stream in out err; do
  cross=$c/$stream.txt
  if [[ $target == wine64 ]]; then  # the console may carry CR LF
    sed 's/\r$//' "$cross" >"$work/norm/$stream.txt"
    cross=$work/norm/$stream.txt
  fi
  same "standard $stream" "$n/$stream.txt" "$cross"
done

(cd "$n" && find . -type f | sort) >"$work/norm/native-files.txt"
(cd "$c" && find . -type f | sort) >"$work/norm/cross-files.txt"
same "files in the working folder" "$work/norm/native-files.txt" "$work/norm/cross-files.txt"

if [[ -f $n/ReadyFileFlag.d ]]; then  # ten characters, no line end
  printf '999.999000' >"$work/norm/flag.txt"
  same "ReadyFileFlag.d" "$work/norm/flag.txt" "$n/ReadyFileFlag.d"
  same "ReadyFileFlag.d" "$work/norm/flag.txt" "$c/ReadyFileFlag.d"
fi

for file in "$n"/run/*; do
  name=${file##*/}
  cross=$c/run/$name
  if [[ $target == wine64 && $name == ParHistos.d ]]; then
    grep -q $'\r' "$file" && fail "native ParHistos.d holds CR"
    crlf_to_lf "$cross" "$name"
    cross=$work/norm/$name
  fi
  same "run/$name" "$file" "$cross"
done

# --- What the case itself must show ---
plot=$n/run/ParHistos.d
line() { sed -n "$1p" "$plot"; }
case $case in
  worked)
    [[ $(wc -l <"$plot") == 313 ]] || fail "ParHistos.d has $(wc -l <"$plot") lines, expected 313"
    [[ $(line 5) == $'1.080808e+000\t 1.305098e+002' ]] || fail "line 5 of ParHistos.d: '$(line 5)'"
    ;;
  boundary40)
    # 0.05 falls in bin 1 with a 64-bit significand, so bin 1 holds two
    # thirds, the tallest bar; computed in doubles it lands in bin 2.
    [[ $(line 5) == *$'\t 1.305098e+002' ]] || fail "bar 1 is not the full height: '$(line 5)'"
    [[ $(line 7) == *$'\t 0.000000e+000' ]] || fail "bar 2 is not empty: '$(line 7)'"
    ;;
  generated*)
    [[ $(wc -l <"$plot") -gt 1000 ]] || fail "ParHistos.d is too short"
    ;;
  badtoken)
    [[ $(cat "$n/status.txt") != 0 && -s $n/err.txt ]] || fail "the bad token was not reported"
    ;;
esac
echo "ok [$target $case]: same status, console text and files"
