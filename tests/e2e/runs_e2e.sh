#!/usr/bin/env bash
# Recorded runs in the real game on a virtual X display, checked by
# dravik-sim --verify.
#   record: two games played with xdotool under --record (both arrow axes, a
#     RESET click, a death, clock seconds), one ended by closing the window,
#     one by SIGTERM; both recordings verify, and a copy with one field of its
#     final line changed does not.
#   replay: the stored winning run replayed at 16 times the pace while
#     recorded; the YOU WIN box is closed, then the window; the new recording
#     verifies and holds the win. Once more at 64 times, ended by SIGHUP
#     (its terminal closed) while the box is open: that recording ends on the
#     winning tick.
# Usage: runs_e2e.sh record|replay DRAVIK DRAVIK-SIM CLOSE-WINDOW WORK-DIR [WINNING-RUN]
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  for tool in xvfb-run xauth xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool: 'make deps' installs it" >&2; exit 1; }
  done
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
mode=$1 dravik=$2 sim=$3 close=$4 work=$5 winning=${6:-}
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true' EXIT

# start NAME ARGS...: starts the game with ARGS, sets pid and wid.
start() {
  local name=$1
  shift
  "$dravik" "$@" >"$work/$name.log" 2>&1 &
  pid=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Dravik 1$' | head -n 1)
  [ -n "$wid" ] || fail "$name: no window 'Dravik 1'"
  # With no window manager the keyboard follows the pointer.
  xdotool mousemove --window "$wid" 500 400
}

# finish NAME: waits for the game to end and wants status 0.
finish() {
  local status=0
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "$1: the game did not end"
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "$1: the game ended with status $status: $(cat "$work/$1.log")"
}

# verify NAME: dravik-sim accepts the recording; prints its verdict.
verify() {
  local verdict
  verdict=$("$sim" --verify "$work/$1.txt") || fail "$1 does not verify: $("$sim" --verify "$work/$1.txt" 2>&1)"
  echo "$1: $verdict" >&2
  echo "$verdict"
}

hold() { # KEY SECONDS
  xdotool keydown "$1"
  sleep "$2"
  xdotool keyup "$1"
}

# wants FILE PATTERN...: every pattern is a line of FILE.
wants() {
  local file=$1
  shift
  for pattern in "$@"; do
    grep -Eq "$pattern" "$file" || fail "no line '$pattern' in $(basename "$file")"
  done
}

if [ "$mode" = record ]; then
  start closed --record "$work/closed.txt"
  hold Up 0.3
  xdotool mousemove --window "$wid" 25 10 click 1 # RESET in the menu bar
  xdotool mousemove --window "$wid" 500 400
  # Right from the start walks into a patrol within about a second.
  hold Right 2
  sleep 1.2
  "$close" "$wid" || fail "could not ask the window to close"
  finish closed
  wants "$work/closed.txt" '^# dravik run 1$' '^# dravik [0-9.]+$' '^# recorded 20[0-9-]+T' \
    '^[0-9]+ down 38$' '^[0-9]+ up 38$' '^[0-9]+ reset$' '^[0-9]+ down 39$' '^[0-9]+ up 39$' '^[0-9]+ clock$' \
    '^# final \{"tick": [0-9]+, '
  [ "$(tail -n 1 "$work/closed.txt" | cut -c1-8)" = "# final " ] || fail "the final line is not the last"
  verdict=$(verify closed)
  [[ $verdict =~ DEATHS\ [1-9] ]] || fail "no death in the run: $verdict"

  start killed --record "$work/killed.txt"
  hold Down 0.3
  hold Left 0.3
  sleep 1.2
  kill -TERM "$pid"
  finish killed
  wants "$work/killed.txt" '^[0-9]+ down 40$' '^[0-9]+ up 37$' '^[0-9]+ clock$' '^# final '
  verify killed >/dev/null

  sed -E '$ s/"deaths": "[0-9]+"/"deaths": "99"/' "$work/closed.txt" >"$work/changed.txt"
  status=0
  "$sim" --verify "$work/changed.txt" 2>"$work/changed.err" || status=$?
  [ "$status" -eq 3 ] || fail "a changed final line verified with status $status"
  grep -q '^dravik-sim: deaths: expected "99", found "[0-9]*"$' "$work/changed.err" ||
    fail "the changed field is not named: $(cat "$work/changed.err")"
else
  start replayed --replay "$winning" --speed 16 --record "$work/replayed.txt"
  # The watcher's arrows and RESET do not reach a replay.
  hold Left 0.2
  xdotool mousemove --window "$wid" 25 10 click 1
  xdotool mousemove --window "$wid" 500 400
  box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Dravik$' | head -n 1)
  [ -n "$box" ] || fail "no YOU WIN box"
  sleep 0.3
  "$close" "$box" || fail "could not close the box"
  for _ in $(seq 50); do
    [ -z "$(xdotool search --onlyvisible --name '^Dravik$')" ] && break
    sleep 0.1
  done
  sleep 0.5 # live play after the replay
  "$close" "$wid" || fail "could not ask the window to close"
  finish replayed
  verdict=$(verify replayed)
  [[ $verdict =~ ,\ 1\ wins, ]] || fail "the recording of the replay holds no win: $verdict"
  # The replay's events, at their own ticks, are the recording's: no arrow,
  # RESET or second of the window's clock came between them.
  diff <(grep -v '^#' "$winning") <(grep -v '^#' "$work/replayed.txt" | head -n "$(grep -vc '^#' "$winning")") >/dev/null ||
    fail "the recording's events are not the replayed run's"

  # Ended by SIGHUP while the box is open: the winning tick still runs to
  # its end, and the recording holds it.
  start boxed --replay "$winning" --speed 64 --record "$work/boxed.txt"
  timeout 30 xdotool search --sync --onlyvisible --name '^Dravik$' >/dev/null || fail "no YOU WIN box"
  kill -HUP "$pid"
  finish boxed
  verdict=$(verify boxed)
  [[ $verdict =~ ^dravik-sim:\ verified:\ 2485\ ticks,\ 1\ wins, ]] || fail "not ended on the winning tick: $verdict"
fi
echo PASS
