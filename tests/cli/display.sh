#!/usr/bin/env bash
# display.sh DRAVIK: when the window cannot be shown (no display, a display
# that is not there, an unknown platform, a scale factor it cannot be shown
# at), dravik must end with its status and exactly one line that says why: no
# abort, no advice to reinstall, no window system started behind it.
set -uo pipefail
dravik=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR

failed=0
# STATUS | WORD | ENVIRONMENT AND ARGUMENTS
while IFS='|' read -r status word command; do
    env $command >out 2>err </dev/null
    got=$?
    lines=$(wc -l <err)
    if [ "$got" != "$status" ] || [ "$lines" != 1 ] || ! grep -q "^dravik: .*$word" err || [ -s out ]; then
        failed=$((failed + 1))
        echo "$command: wanted status $status and one line with \"$word\"; got status $got, standard error:"
        sed 's/^/    /' err
    fi
done <<TABLE
1|DISPLAY is unset|$dravik
1|DISPLAY is ':65000'|DISPLAY=:65000 $dravik
1|no window system called 'bogus' (from QT_QPA_PLATFORM)|QT_QPA_PLATFORM=bogus $dravik
1|no window system called 'bogus' (from -platform)|$dravik -platform bogus
1|no window system called 'bogus' (from -platform)|QT_QPA_PLATFORM=xcb $dravik --platform bogus
2|QT_SCALE_FACTOR=0 |QT_SCALE_FACTOR=0 $dravik
2|QT_SCALE_FACTOR=-1 |QT_SCALE_FACTOR=-1 $dravik
2|QT_SCALE_FACTOR=nan |QT_SCALE_FACTOR=nan $dravik
2|QT_SCALE_FACTOR=inf |QT_SCALE_FACTOR=inf $dravik
2|QT_SCALE_FACTOR=1e308 |QT_SCALE_FACTOR=1e308 $dravik
2|0.25 to 8|QT_SCALE_FACTOR=100 $dravik
TABLE
echo "$failed failed"
[ "$failed" = 0 ]
