# Sourced by the test scripts that need a display of their own.
# start_xvfb DIR: starts Xvfb, which picks a free display number and writes it
# to DIR/display; sets xvfb (its pid) and display (the number, empty if Xvfb
# did not come up within 20 seconds).
start_xvfb() {
    local dir=$1
    # Emptied first: a number left by an earlier run is no display of ours.
    : >"$dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 200); do
        [ -s "$dir/display" ] && break
        sleep 0.1
    done
    display=$(head -n 1 "$dir/display")
}
