#!/usr/bin/env bash
# The real game on a virtual X display: it opens with the player on the start,
# walks right while Right is held, goes back to the start on a real click on
# RESET, and ends cleanly when its window is closed.
# Usage: window_e2e.sh DRAVIK CLOSE-WINDOW SHOTS-DIR
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  for tool in xvfb-run xauth xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool: 'make deps' installs it" >&2; exit 1; }
  done
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
source "$(dirname "$0")/../lib/screenshot.sh"
dravik=$1 close=$2 shots=$3
mkdir -p "$shots"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$dravik" >"$shots/dravik.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Dravik 1$' | head -n 1)
[ -n "$wid" ] || fail "no window 'Dravik 1'"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" -eq 1047 ] || fail "window is $WIDTH wide, not 1047"
menu=$((HEIGHT - 830))
[ "$menu" -gt 0 ] && [ "$menu" -lt 100 ] || fail "window is $HEIGHT high: no room for a menu bar over 830"
echo "window $wid: ${WIDTH}x${HEIGHT}, menu bar $menu high"

# The player starts at (960, 10560) twips: (64, 704) pixels in the client
# area, 25 pixels square; inside its outline, 23 pixels of red.
start="65 $((705 + menu)) 23 23"
at_start() { [ "$*" = "$start" ]; }
wait_for_player "$wid" "$shots/start.png" at_start || fail "player at '$box', expected '$start' at the start"

# With no window manager the keyboard follows the pointer. Right is held for
# 0.3 s, some 19 ticks: far enough to see, not so far as to meet a ball.
xdotool mousemove --window "$wid" 500 400
xdotool keydown Right
sleep 0.3
xdotool keyup Right
# Once let go, the player comes to rest: two pictures in a row agree.
previous=
resting() {
  local now="$*"
  [ "$now" = "$previous" ] || { previous=$now && false; }
}
wait_for_player "$wid" "$shots/stopped.png" resting || fail "player never came to rest after Right was let go: '$box'"
read -r x y w h <<<"$box"
echo "after holding Right: player at $x,$y"
[ "$x" -gt 74 ] || fail "player did not walk right: at x $x"
[ "$y $w $h" = "$((705 + menu)) 23 23" ] || fail "player left its row or changed size: $x $y $w $h"
# Nothing shows that a player stands still but time: 20 ticks' worth.
sleep 0.3
[ "$(player_box "$wid" "$shots/still.png")" = "$x $y $w $h" ] || fail "player walked on after Right was let go"

xdotool mousemove --window "$wid" 25 $((menu / 2)) click 1
wait_for_player "$wid" "$shots/reset.png" at_start || fail "after RESET the player is at '$box', expected '$start'"

"$close" "$wid" || fail "could not ask the window to close"
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the game did not end when its window was closed"
status=0
wait "$pid" || status=$?
trap - EXIT
[ "$status" -eq 0 ] || fail "the game ended with status $status"
echo "PASS"
