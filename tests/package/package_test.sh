#!/usr/bin/env bash
# package_test.sh BUILD_DIR: builds the .deb with CPack, installs it with
# apt-get as a user would, checks what it put where, plays ten ticks with the
# installed dravik-sim, keeps the installed game open on a virtual display
# for two seconds, and removes the package again. Needs root; elsewhere it is
# skipped (exit 77).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/xvfb.sh"
build=$(cd "$1" && pwd)

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "skipped: installing a package needs root and apt-get"
    exit 77
fi
if dpkg-query -W -f='${Status}' dravik 2>/dev/null | grep -q 'install ok installed'; then
    echo "skipped: a dravik package is already installed here; not touching it"
    exit 77
fi
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d)
installed=0
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    if [ $installed = 1 ]; then
        apt-get remove -y -q -o DPkg::Lock::Timeout=300 dravik >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(ls "$work"/dravik_*.deb)
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"

# The control fields a Debian archive expects.
info=$(dpkg-deb --info "$deb")
grep -q '^ Package: dravik$' <<<"$info" || fail "package name"
grep -q '^ Section: games$' <<<"$info" || fail "section is not games"
grep -qE '^ Maintainer: .+ <.+@.+>$' <<<"$info" || fail "no maintainer contact"
grep -qE '^ Depends: .*libqt6widgets6' <<<"$info" || fail "dpkg-shlibdeps found no Qt dependency: $info"
grep -qE '^ Depends: .*libc6' <<<"$info" || fail "dpkg-shlibdeps found no libc dependency"

export DEBIAN_FRONTEND=noninteractive
installed=1
apt-get install -y -q -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get could not install $deb"; }
echo "installed with apt-get"

for f in /usr/bin/dravik /usr/bin/dravik-sim; do
    [ -x "$f" ] || fail "$f is missing or not executable"
done
desktop=/usr/share/applications/dravik.desktop
[ -f "$desktop" ] || fail "$desktop is missing"
desktop-file-validate "$desktop" || fail "$desktop is not a valid desktop entry"
for key in 'Type=Application' 'Name=Dravik' 'Categories=Game;ArcadeGame;' 'Icon=dravik' 'Exec=dravik'; do
    grep -qx "$key" "$desktop" || fail "$desktop lacks $key"
done
for size in 48 128 256; do
    icon=/usr/share/icons/hicolor/${size}x${size}/apps/dravik.png
    file "$icon" | grep -q "PNG image data, $size x $size" || fail "$icon is not a $size px PNG"
done
grep -q '<svg' /usr/share/icons/hicolor/scalable/apps/dravik.svg || fail "no scalable icon"
echo "files in place: dravik, dravik-sim, the desktop entry, icons at 48, 128, 256 px and SVG"

out=$(/usr/bin/dravik-sim --ticks 10)
grep -q '^{"tick": 10, "square": \[960, 10560\]' <<<"$out" || fail "dravik-sim --ticks 10 printed: $out"
echo "dravik-sim --ticks 10: $(cut -c1-60 <<<"$out")..."

# The installed game in a window for two seconds, on a display of its own.
start_xvfb "$work"
[ -n "$display" ] || fail "Xvfb did not start"
mkdir -m 700 "$work/runtime"
DISPLAY=:$display XDG_RUNTIME_DIR=$work/runtime /usr/bin/dravik >"$work/out.log" 2>"$work/err.log" &
game=$!
sleep 2
kill -0 $game 2>/dev/null || { cat "$work/err.log" >&2; fail "the installed dravik ended within two seconds"; }
kill $game
wait $game 2>/dev/null || true
[ ! -s "$work/err.log" ] || { cat "$work/err.log" >&2; fail "the installed dravik wrote to standard error"; }
echo "the installed dravik ran two seconds on display :$display"

apt-get remove -y -q -o DPkg::Lock::Timeout=300 dravik >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get could not remove dravik"; }
installed=0
for f in /usr/bin/dravik /usr/bin/dravik-sim "$desktop"; do
    [ ! -e "$f" ] || fail "$f is still there after removal"
done
echo "removed again: no file left behind"
