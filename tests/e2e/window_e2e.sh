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

# The bounding box of the player's pure red pixels, as "X Y W H".
player() {
  import -window "$wid" "$shots/$1.png"
  convert "$shots/$1.png" -fill black +opaque 'rgb(255,0,0)' -format '%@' info: |
    sed -E 's/^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$/\3 \4 \1 \2/'
}

# The player starts at (960, 10560) twips: (64, 704) pixels in the client
# area, 25 pixels square; inside its outline, 23 pixels of red.
start="65 $((705 + menu)) 23 23"
for _ in $(seq 50); do
  at=$(player start)
  [ "$at" = "$start" ] && break
  sleep 0.1
done
[ "$at" = "$start" ] || fail "player at '$at', expected '$start' at the start"

# With no window manager the keyboard follows the pointer.
xdotool mousemove --window "$wid" 500 400
sleep 0.2
xdotool keydown Right
sleep 0.3
xdotool keyup Right
sleep 0.2
read -r x y w h <<<"$(player walked)"
echo "after holding Right: player at $x,$y"
[ "$x" -gt 74 ] || fail "player did not walk right: at x $x"
[ "$y $w $h" = "$((705 + menu)) 23 23" ] || fail "player left its row or changed size: $x $y $w $h"
sleep 0.3
[ "$(player stopped)" = "$x $y $w $h" ] || fail "player walked on after Right was let go"

xdotool mousemove --window "$wid" 25 $((menu / 2)) click 1
sleep 0.3
at=$(player reset)
[ "$at" = "$start" ] || fail "after RESET the player is at '$at', expected '$start'"

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
