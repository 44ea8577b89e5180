#!/usr/bin/env bash
# The key wait at a real terminal: the program runs in a tmux pane (its own
# server, on its own socket, killed at the end) and must
#   - take one key, without echo and without Enter, and finish with status 0;
#     a key of several bytes (an arrow) too, leaving none of them to the shell;
#   - on Ctrl-C during the wait, end by the signal and leave the terminal as
#     it found it (echo and line mode on), no temporary plot file, no ready
#     flag and the earlier ParHistos.d as it was;
#   - after Ctrl-Z and fg, wait for its one key again.
# The terminal's settings are read with stty in the same pane, before and
# after the program. The test waits on what it can see (the pane's text, the
# terminal's mode, files), each wait bounded; no wait is a guess at timing.
#
# Usage: test_terminal.sh PROGRAM   (the 20 ms pause build is enough)
set -euo pipefail
prog=$(realpath "$1")
command -v tmux >/dev/null || { echo "tmux missing: run scripts/install-deps.sh" >&2; exit 1; }

work=$(mktemp -d)
socket="$work/tmux.socket"  # its own server, gone with the folder
tm() { tmux -S "$socket" -f /dev/null "$@"; }
cleanup() {
  tm kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

pane() { tm capture-pane -p -J -S - -t t; }
fail() {
  echo "FAIL: $*" >&2
  echo "--- pane:" >&2
  pane >&2 || true
  exit 1
}
# Waits, at most 20 s, until the command "$@" succeeds.
wait_until() {
  local what=$1
  shift
  for ((i = 0; i < 400; i++)); do
    if "$@"; then return 0; fi
    sleep 0.05
  done
  fail "timed out waiting for $what"
}
pane_shows() { pane | grep -qF -- "$1"; }
# The program has switched the terminal to single keys without echo.
key_mode() { stty -F "$tty" -a | grep -qE '(^| )-icanon( |$)'; }

earlier="earlier result"
mkdir "$work/d"
printf '0\n0.5 1 2 3.0 4.0 5\n1 2 3 4 5 6 7\n1\n' >"$work/d/Init.d"
printf '4\n1\n1.0 10.0 0.5\n1\n1.1 20.0 0.6\n1\n3.0 30.0 0.7\n1\n5.0 50.0 0.9\n' >"$work/d/1.Par"
printf '%s' "$earlier" >"$work/d/ParHistos.d"

# One run, by a non-interactive shell so that nothing (as an interactive
# shell would after a job dies of a signal) repairs the terminal before the
# second stty; the trap lets it go on after Ctrl-C.
cat >"$work/run.sh" <<EOF
trap : INT
stty -g >before\$1
stty -a >mode\$1
"$prog" d
echo \$? >status\$1
stty -g >after\$1
EOF

tm new-session -d -s t -x 160 -y 50 "env PS1='$ ' bash --norc --noprofile -i"
tty=$(tm display-message -p -t t '#{pane_tty}')
wait_until "the shell prompt" pane_shows '$ '

# 1. One key, no Enter: the run finishes and the key is not echoed.
tm send-keys -t t "cd $work && bash run.sh 1" Enter
wait_until "the key prompt" pane_shows "Press key to finish"
wait_until "single-key mode" key_mode
tm send-keys -t t -l "x"
wait_until "the end of run 1" test -s "$work/status1"
[[ $(cat "$work/status1") == 0 ]] || fail "run 1 ended with status $(cat "$work/status1")"
grep -qE '(^| )icanon( |$)' "$work/mode1" && grep -qE '(^| )echo( |$)' "$work/mode1" ||
  fail "the pane did not start in line mode with echo: $(cat "$work/mode1")"
cmp -s "$work/before1" "$work/after1" || fail "terminal settings changed by run 1"
between=$(pane | sed -n '/^Press key to finish/,/Please Wait/p' | sed '1d;$d')
[[ -z ${between//[[:space:]]/} ]] || fail "the key was echoed: '$between'"
[[ $(cat "$work/ReadyFileFlag.d") == 999.999000 ]] || fail "no ready flag after run 1"
[[ $(head -n 1 "$work/d/ParHistos.d") == 1 ]] || fail "no new plot file after run 1"

# 2. Ctrl-C at the key prompt: the run dies of SIGINT and leaves nothing.
printf '%s' "$earlier" >"$work/d/ParHistos.d"
rm -f "$work/ReadyFileFlag.d"
tm send-keys -t t "clear; bash run.sh 2" Enter
wait_until "the key prompt" pane_shows "Press key to finish"
wait_until "single-key mode" key_mode
tm send-keys -t t C-c
wait_until "the end of run 2" test -s "$work/status2"
[[ $(cat "$work/status2") == 130 ]] || fail "run 2 ended with status $(cat "$work/status2"), not by SIGINT"
cmp -s "$work/before2" "$work/after2" || fail "terminal settings changed by Ctrl-C"
[[ $(cat "$work/d/ParHistos.d") == "$earlier" ]] || fail "the earlier plot file changed"
[[ ! -e $work/d/ParHistos.d.tmp ]] || fail "temporary plot file left behind"
[[ ! -e $work/ReadyFileFlag.d ]] || fail "ready flag written after Ctrl-C"

# 3. A key that sends several bytes (an arrow: ESC [ A) is one key press; the
# rest of it must not reach the shell as typed text.
tm send-keys -t t "clear; bash run.sh 3" Enter
wait_until "the key prompt" pane_shows "Press key to finish"
wait_until "single-key mode" key_mode
tm send-keys -t t Up
wait_until "the end of run 3" test -s "$work/status3"
[[ $(cat "$work/status3") == 0 ]] || fail "run 3 ended with status $(cat "$work/status3")"
tm send-keys -t t 'echo "next-$((6 * 7))"' Enter
next_alone() { pane | grep -qx 'next-42'; }
wait_until "the shell to run the next command as typed" next_alone
# 4. Ctrl-Z at the key prompt, then fg: the shell gets its terminal back while
# the program is stopped, and once continued the program is in single-key
# mode again, so one key (no Enter) still finishes it.
tm send-keys -t t "clear; bash run.sh 4" Enter
wait_until "the key prompt" pane_shows "Press key to finish"
wait_until "single-key mode" key_mode
tm send-keys -t t C-z
wait_until "the job to stop" pane_shows "Stopped"
tm send-keys -t t "fg" Enter
wait_until "single-key mode after fg" key_mode
tm send-keys -t t -l "z"
wait_until "the end of run 4" test -s "$work/status4"
[[ $(cat "$work/status4") == 0 ]] || fail "run 4 ended with status $(cat "$work/status4")"
cmp -s "$work/before4" "$work/after4" || fail "terminal settings changed by Ctrl-Z and fg"
echo "terminal: key without echo, Ctrl-C restores the terminal, an arrow key leaves nothing behind, Ctrl-Z and fg resume the wait"
