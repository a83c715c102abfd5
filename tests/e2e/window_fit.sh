#!/usr/bin/env bash
# The window on a screen too small for it: on a 1366x768 screen it opens with
# the whole level scaled down to fit, the player in sight on its start; with
# QT_SCALE_FACTOR=1 given it opens at the game's own size all the same.
# Usage: window_fit.sh DRAVIK SHOTS-DIR
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  for tool in xvfb-run xauth xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool: 'make deps' installs it" >&2; exit 1; }
  done
  exec xvfb-run -a -s "-screen 0 1366x768x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
source "$(dirname "$0")/../lib/screenshot.sh"
dravik=$1 shots=$2
mkdir -p "$shots"
unset QT_SCALE_FACTOR

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null || true' EXIT
# open [VAR=VALUE]: starts the game and sets wid, X, Y, WIDTH and HEIGHT.
open() {
  env "$@" "$dravik" >"$shots/dravik.log" 2>&1 &
  pid=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Dravik 1$' | head -n 1)
  [ -n "$wid" ] || fail "no window 'Dravik 1'"
  sleep 0.5 # the size it settles at
  eval "$(xdotool getwindowgeometry --shell "$wid")"
}
close() {
  kill "$pid"
  wait "$pid" || true
  pid=
}

open
echo "on 1366x768: window ${WIDTH}x${HEIGHT} at $X,$Y"
[ $((X + WIDTH)) -le 1366 ] && [ $((Y + HEIGHT)) -le 768 ] || fail "the window reaches off the screen"
[ "$WIDTH" -lt 1047 ] || fail "the level was not scaled down: $WIDTH wide"
# The client area keeps the level's proportions under a menu bar.
menu=$((HEIGHT - (WIDTH * 830 + 1046) / 1047))
[ "$menu" -gt 0 ] && [ "$menu" -lt 100 ] || fail "no menu bar over a level of ${WIDTH} wide: $HEIGHT high"
# The player's square, at its start (64, 704) of 1047 by 830, scaled.
expected_x=$((64 * WIDTH / 1047)) expected_y=$((704 * WIDTH / 1047 + menu))
box=$(player_box "$wid" "$shots/fit.png")
read -r x y w h <<<"$box"
[ $((x - expected_x)) -ge -2 ] && [ $((x - expected_x)) -le 3 ] && [ $((y - expected_y)) -ge -2 ] &&
  [ $((y - expected_y)) -le 3 ] || fail "player at '$box', expected near $expected_x,$expected_y"
[ "$w" -lt 23 ] && [ "$w" -gt 15 ] || fail "player ${w} pixels wide, not scaled down from 23"
echo "player at $x,$y (${w}x$h)"
close

open QT_SCALE_FACTOR=1
echo "QT_SCALE_FACTOR=1: window ${WIDTH}x${HEIGHT}"
[ "$WIDTH" -eq 1047 ] || fail "an explicit scale factor of 1 gave a window $WIDTH wide"
close
echo "PASS"
