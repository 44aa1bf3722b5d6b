#!/usr/bin/env bash
# cmake --install into a temporary prefix: the files a desktop looks for, an
# application entry desktop-file-validate accepts, and the installed program
# saving a profile under $XDG_CONFIG_HOME when its own folder is read-only.
# Runs on an X server (xvfb-run -s -ac): the program is driven with xdotool.
# usage: InstallTest.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  chmod -R u+w "$tmp"
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
chmod 755 "$tmp"
prefix=$tmp/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/brevanix" ] || fail "no bin/brevanix"
entry=$prefix/share/applications/brevanix.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate refused $entry"
grep -qx 'Categories=System;TerminalEmulator;' "$entry" || fail "categories"
grep -q '^Name\[ko\]=' "$entry" || fail "no Korean name"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/brevanix.png
  [ -f "$png" ] || fail "no $png"
  read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [ "$w $h" = "$size $size" ] || fail "$png is ${w}x${h}"
done

# The program's folder is read-only: the profile goes to the configuration
# folder. Root writes anywhere, so the program runs as nobody then.
chmod a-w "$prefix/bin"
home=$tmp/home
mkdir -p "$home"
as=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$home"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
HOME=$home XDG_CONFIG_HOME=$home/config XAUTHORITY=/dev/null QT_QPA_PLATFORM=xcb \
  "${as[@]}" "$prefix/bin/brevanix" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name Brevanix | head -1)
xdotool windowfocus --sync "$window" key Return # no session: the host manager opens
manager=$(timeout 30 xdotool search --sync --onlyvisible --name '접속 관리' | head -1)
xdotool windowfocus --sync "$manager"
xdotool key ctrl+a type installed
xdotool key Tab
xdotool type 127.0.0.1
xdotool key alt+a # Add: stores the profile
ini=$home/config/brevanix/Brevanix.ini
for _ in $(seq 200); do
  grep -q '^Port=' "$ini" 2>/dev/null && break
  sleep 0.1
done
grep -q '^Port=' "$ini" 2>/dev/null || fail "no profile saved in $ini"
[ ! -e "$prefix/bin/Brevanix.ini" ] || fail "a profile beside the read-only program"
echo "installed under $prefix; profile saved in $ini"
