#!/usr/bin/env bash
# window_soak.sh DRAVIK SECONDS WORK_DIR [SEED]: the real game on a virtual
# display for SECONDS seconds of random arrow presses and releases (both axes,
# held for random times) and real clicks on RESET. The random choices follow
# SEED (printed; a new one when none is given), so a failure can be replayed.
# Passes when the game is alive at the end, wrote nothing on standard error,
# came back to the start point after every RESET, and its resident memory grew
# by less than 2 MB after the first 10 seconds.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/xvfb.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../lib/screenshot.sh"
dravik=$1 seconds=$2 work=$3 seed=${4:-$(od -An -N2 -tu2 /dev/urandom | tr -d ' ')}
echo "seed $seed (replay: $0 $dravik $seconds $work $seed)"
RANDOM=$seed
mkdir -p "$work"
rm -f "$work"/*.png
for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool: 'make deps' installs it" >&2; exit 1; }
done
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

xvfb= game=
cleanup() {
    xdotool keyup Left Right Up Down 2>/dev/null || true
    [ -n "$game" ] && kill "$game" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work/runtime"
}
trap cleanup EXIT

start_xvfb "$work"
export DISPLAY=:$display
rm -rf "$work/runtime" && mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

"$dravik" >"$work/stdout.log" 2>"$work/stderr.log" &
game=$!
started=$SECONDS
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Dravik 1$' | head -n 1)
[ -n "$wid" ] || fail "no window 'Dravik 1'"
eval "$(xdotool getwindowgeometry --shell "$wid")"
menu=$((HEIGHT - 830))
[ "$menu" -gt 0 ] && [ "$menu" -lt 100 ] || fail "window is $HEIGHT high: no room for a menu bar over 830"
# With no window manager the keyboard follows the pointer.
xdotool mousemove --window "$wid" 500 400

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$game/status"; }

# On the start point (960, 10560) twips the player is 23 pixels of red inside
# its outline.
start="65 $((705 + menu)) 23 23"
at_start() { [ "$*" = "$start" ]; }

held=()
release_all() {
    if [ ${#held[@]} -gt 0 ]; then
        xdotool keyup "${held[@]}"
    fi
    held=()
}
presses=0 resets=0 rss_at_10=
next_reset=$((started + 3))
while [ $((SECONDS - started)) -lt "$seconds" ]; do
    kill -0 "$game" 2>/dev/null || fail "the game ended after $((SECONDS - started)) s"
    if [ -z "$rss_at_10" ] && [ $((SECONDS - started)) -ge 10 ]; then
        rss_at_10=$(rss)
    fi
    if [ "$SECONDS" -ge "$next_reset" ]; then
        # A real click on RESET with no arrow held: the player is back on
        # the start point (no ball ever reaches it).
        release_all
        xdotool mousemove --window "$wid" 25 $((menu / 2)) click 1 mousemove --window "$wid" 500 400
        wait_for_player "$wid" "$work/shot.png" at_start 5 ||
            fail "after RESET $((resets + 1)) the player is at '$box', not '$start'"
        resets=$((resets + 1))
        next_reset=$((SECONDS + 3 + RANDOM % 5))
        continue
    fi
    # Let go of something held, or press an arrow of either axis.
    if [ ${#held[@]} -gt 0 ] && [ $((RANDOM % 3)) -eq 0 ]; then
        i=$((RANDOM % ${#held[@]}))
        xdotool keyup "${held[$i]}"
        held=("${held[@]:0:$i}" "${held[@]:$((i + 1))}")
    else
        keys=(Left Right Up Down)
        key=${keys[$((RANDOM % 4))]}
        xdotool keydown "$key"
        held+=("$key")
        presses=$((presses + 1))
    fi
    sleep "0.$((RANDOM % 3))$((RANDOM % 10))"
done
release_all
kill -0 "$game" 2>/dev/null || fail "the game ended at the last moment"
rss_end=$(rss)
[ -n "$rss_at_10" ] || fail "the soak was shorter than 10 seconds"
growth=$((rss_end - rss_at_10))
echo "$seconds s: $presses arrow presses, $resets RESET clicks; resident memory $rss_at_10 kB at 10 s," \
    "$rss_end kB at the end: grew by $growth kB"
[ "$growth" -lt 2048 ] || fail "resident memory grew by $growth kB after the first 10 s"
[ ! -s "$work/stderr.log" ] || { cat "$work/stderr.log" >&2; fail "the game wrote to standard error"; }
[ "$resets" -gt 0 ] || fail "no RESET was clicked"
