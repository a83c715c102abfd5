#!/usr/bin/env bash
# deb_install.sh DEB_DIR: installs the .deb that deb_check.sh built with
# apt-get --no-install-recommends, as a player would, checks what it put
# where, keeps the installed game open on a virtual display for two seconds,
# purges the package and checks that nothing is left. It changes the machine,
# so it runs only as root and only when asked (DRAVIK_PACKAGE_INSTALL=1, as
# .ci/run does); otherwise it is skipped (exit 77).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/xvfb.sh"

if [ "${DRAVIK_PACKAGE_INSTALL:-0}" != 1 ]; then
    echo "skipped: installs the .deb on this machine only with DRAVIK_PACKAGE_INSTALL=1"
    exit 77
fi
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "skipped: installing a package needs root and apt-get"
    exit 77
fi
if dpkg-query -W -f='${Status}' dravik 2>/dev/null | grep -q 'install ok installed'; then
    echo "skipped: a dravik package is already installed here; not touching it"
    exit 77
fi
deb=$(ls "$1"/dravik_*.deb)
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
        apt-get purge -y -q -o DPkg::Lock::Timeout=300 dravik >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
installed=1
apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get could not install $deb"; }
echo "installed with apt-get install --no-install-recommends"
dpkg -L dravik >"$work/files"

for p in dravik dravik-sim dravik-solve dravik-server; do
    [ -x /usr/games/$p ] || fail "/usr/games/$p is missing or not executable"
    page=$(man -w 6 $p) || fail "man -w finds no page for $p"
    [ "$page" = /usr/share/man/man6/$p.6.gz ] || fail "man -w 6 $p finds $page"
done
# The labels ask for Arial. With no font but those of the fonts package the
# .deb depends on, and the system's own fontconfig rules, Arial must resolve to
# Liberation Sans (with DejaVu alone it resolves to DejaVu Sans).
{
    echo '<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd"><fontconfig>'
    dpkg -L fonts-liberation2 | grep -E '\.ttf$' | xargs -n 1 dirname | sort -u | sed 's|.*|<dir>&</dir>|'
    echo "<cachedir>$work/fc-cache</cachedir><include ignore_missing=\"yes\">/etc/fonts/conf.d</include></fontconfig>"
} >"$work/fonts.conf"
font=$(FONTCONFIG_FILE=$work/fonts.conf fc-match -f '%{family}' Arial)
[[ $font == *"Liberation Sans"* ]] || fail "with the fonts of fonts-liberation2 alone, Arial resolves to $font"
echo "in place: the four programs in /usr/games, their pages in section 6; Arial is $font"

out=$(/usr/games/dravik-sim --ticks 10)
grep -q '^{"tick": 10, "square": \[960, 10560\]' <<<"$out" || fail "dravik-sim --ticks 10 printed: $out"

# The server's unit is installed and left off; the server answers.
[ -f /lib/systemd/system/dravik-server.service ] || fail "the server's systemd unit is missing"
[ ! -e /etc/systemd/system/multi-user.target.wants/dravik-server.service ] || fail "the server's unit is enabled"
/usr/games/dravik-server --listen 127.0.0.1:0 --db "sqlite:$work/board.sqlite" >"$work/server.out" 2>/dev/null &
server=$!
for _ in $(seq 100); do grep -q 'http://' "$work/server.out" && break; sleep 0.1; done
port=$(sed -n 's|.*http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$work/server.out")
exec 3<>"/dev/tcp/127.0.0.1/${port:-1}" || fail "the installed dravik-server does not listen"
printf 'GET /api/stats HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n' >&3
stats=$(cat <&3)
exec 3<&-
kill $server
wait $server 2>/dev/null || true
grep -qE '"bound":[1-9][0-9]*' <<<"$stats" || fail "the installed dravik-server answered: $stats"
echo "the installed dravik-server answered /api/stats; its unit is installed and not enabled"

# The installed game in a window for two seconds, on a display of its own.
start_xvfb "$work"
[ -n "$display" ] || fail "Xvfb did not start"
mkdir -m 700 "$work/runtime"
DISPLAY=:$display XDG_RUNTIME_DIR=$work/runtime /usr/games/dravik >"$work/out.log" 2>"$work/err.log" &
game=$!
sleep 2
kill -0 $game 2>/dev/null || { cat "$work/err.log" >&2; fail "the installed dravik ended within two seconds"; }
kill $game
wait $game 2>/dev/null || true
[ ! -s "$work/err.log" ] || { cat "$work/err.log" >&2; fail "the installed dravik wrote to standard error"; }
echo "the installed dravik ran two seconds on display :$display"

apt-get remove -y -q -o DPkg::Lock::Timeout=300 dravik >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get could not remove dravik"; }
dpkg --purge dravik >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "dpkg could not purge dravik"; }
installed=0
! dpkg-query -W dravik >/dev/null 2>&1 || fail "dpkg still knows dravik: $(dpkg-query -W -f='${Status}' dravik)"
while read -r f; do
    [ -d "$f" ] || [ ! -e "$f" ] || fail "$f is still there after the purge"
done <"$work/files"
[ ! -e /usr/share/doc/dravik ] || fail "/usr/share/doc/dravik is still there after the purge"
echo "removed and purged: none of its $(wc -l <"$work/files") paths is left"
