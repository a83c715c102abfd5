#!/usr/bin/env bash
# full_disk.sh SIM SOLVE [DRAVIK]: the programs writing to a full disk (a
# small tmpfs). Each failed write names the system's reason and ends with the
# program's write status; a file the program writes itself keeps its old
# contents and no temporary file is left beside it. Then, with room, a device
# node stays a device and a symbolic link a link: the file it names gets the
# new contents. Mounting and mknod need root: skipped (77) elsewhere.
set -u
sim=$1 solve=$2 dravik=${3:-}

if [ "$(id -u)" != 0 ]; then
    echo "skipped: mounting a tmpfs needs root"
    exit 77
fi
disk=$(mktemp -d)
if ! mount -t tmpfs -o size=16k tmpfs "$disk"; then
    rmdir "$disk"
    echo "skipped: cannot mount a tmpfs"
    exit 77
fi
room=$(mktemp -d)
trap 'umount "$disk"; rmdir "$disk"; rm -rf "$room"' EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# expect WHAT STATUS WORD: checks the status and standard error ($err) of the last command.
expect() {
    local what=$1 want=$2 word=$3 got=$4
    [ "$got" = "$want" ] || fail "$what: status $got, expected $want"
    grep -q "$word" "$err" || fail "$what: standard error lacks \"$word\": $(head -c 500 "$err")"
}

err=$(mktemp)
echo "the old run" >"$disk/run.txt"
echo "the old picture" >"$disk/shot.png"
head -c 1M /dev/zero >"$disk/filler" 2>/dev/null
[ "$(df --output=avail "$disk" | tail -n 1)" -eq 0 ] || fail "the disk did not fill up"

"$solve" --tours 1 --out "$disk/run.txt" 2>"$err"
expect "dravik-solve --out" 4 "cannot write $disk/run.txt: No space left on device" $?
[ "$(cat "$disk/run.txt")" = "the old run" ] || fail "dravik-solve changed the old script"

"$sim" --ticks 1000 --every 1 >"$disk/trace" 2>"$err"
expect "dravik-sim" 4 "cannot write the trace: No space left on device" $?

if [ -n "$dravik" ]; then
    env -u DISPLAY "$dravik" --screenshot "$disk/shot.png" --ticks 10 2>"$err"
    expect "dravik --screenshot" 4 "cannot write $disk/shot.png: No space left on device" $?
    [ "$(cat "$disk/shot.png")" = "the old picture" ] || fail "dravik --screenshot changed the old picture"
fi

left=$(find "$disk" -mindepth 1 -not -name filler -not -name run.txt -not -name trace -not -name shot.png)
[ -z "$left" ] || fail "left behind: $left"

# A device or a link is written through, never replaced.
mknod "$room/null.png" c 1 3
echo "the old picture" >"$room/real.png"
ln -s real.png "$room/link.png"
if [ -n "$dravik" ]; then
    write() { env -u DISPLAY "$dravik" --screenshot "$1" 2>"$err"; }
    head=$(printf '\x89PNG')
else
    write() { "$solve" --tours 1 --out "$1" 2>"$err"; }
    head="# Dravik"
fi
write "$room/null.png" || fail "writing to a device: $(cat "$err")"
[ -c "$room/null.png" ] || fail "the device was replaced by a file"
write "$room/link.png" || fail "writing through a link: $(cat "$err")"
[ -L "$room/link.png" ] || fail "the link was replaced by a file"
[ "$(head -c ${#head} "$room/real.png")" = "$head" ] || fail "the file the link names did not get the new contents"
rm -f "$err"
[ "$failures" = 0 ] && echo "every failed write failed cleanly; devices and links were written through"
