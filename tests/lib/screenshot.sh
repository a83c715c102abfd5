# Sourced by the test scripts that look at the real window on a display.
# player_box WID FILE: screenshots window WID into FILE and prints the bounding
# box of the player's pure red pixels as "X Y W H" (empty if none is seen).
player_box() {
    import -window "$1" "$2" &&
        convert "$2" -fill black +opaque 'rgb(255,0,0)' -format '%@' info: |
        sed -E 's/^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$/\3 \4 \1 \2/'
}

# wait_for_player WID FILE TEST [SECONDS]: takes screenshots until TEST,
# a command given the box as its four arguments, succeeds, for at most
# SECONDS (default 10). Sets `box` to the last box seen; fails if the time runs out.
wait_for_player() {
    local wid=$1 file=$2 test=$3 seconds=${4:-10}
    local deadline=$((SECONDS + seconds))
    while :; do
        box=$(player_box "$wid" "$file" || true)
        # shellcheck disable=SC2086
        if [ -n "$box" ] && "$test" $box; then
            return 0
        fi
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
