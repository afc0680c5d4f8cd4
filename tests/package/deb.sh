#!/usr/bin/env bash
# The Debian package as users get it, beside tests/windows/ for the Windows ZIP: made by
# CPack from build/, its files, its dependencies (exactly the runtime, Qt, X and PipeWire
# libraries the program links), a valid menu entry and metadata; then, as root, installed
# with apt, started from its menu entry in the documents folder on a private X server,
# its action run there, and removed leaving nothing behind but the user's own files.
# Usage: tests/package/deb.sh (after ./test.sh built build/)
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh deb
[[ -n ${DISPLAY:-} ]] || exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
build=$PWD/build app=example.quorvane.Quorvane
program=/usr/bin/quorvane
. tests/program/driver.sh
installed=false
cleanup() { ! $installed || "${as_root[@]}" dpkg -r quorvane >/dev/null 2>&1; }
log=$scratch/cpack.log

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch" >"$log" 2>&1 || fail "cpack"
deb=$(echo "$scratch"/quorvane_*_amd64.deb)
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed "s/$app/APP/" | sort | tr '\n' ' ')
[[ $files == "./usr/bin/quorvane ./usr/share/applications/APP.desktop ./usr/share/icons/hicolor/128x128/apps/APP.png ./usr/share/icons/hicolor/256x256/apps/APP.png ./usr/share/icons/hicolor/48x48/apps/APP.png ./usr/share/metainfo/APP.metainfo.xml " ]] ||
    fail "the package holds $files"
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*//; s/ //g' | sort | tr '\n' ' ')
[[ $depends == "libc6 libgcc-s1 libpipewire-0.3-0 libqt6core6 libqt6dbus6 libqt6gui6 libqt6network6 libqt6widgets6 libstdc++6 libx11-6 libxtst6 " ]] ||
    fail "Depends: $depends"
dpkg-deb -x "$deb" "$scratch/tree"
desktop-file-validate "$scratch/tree/usr/share/applications/$app.desktop"
appstreamcli validate --no-net "$scratch/tree/usr/share/metainfo/$app.metainfo.xml" >/dev/null

as_root=()
[[ $(id -u) == 0 ]] || as_root=(sudo)
! dpkg -s quorvane >/dev/null 2>&1 || fail "quorvane is installed already; remove it first"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$log" 2>&1 ||
    fail "apt-get install"
installed=true
skip_welcome
from_menu() { env -i HOME="$HOME" DISPLAY="$DISPLAY" ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"} \
    LANG=C.UTF-8 PATH=/usr/bin:/bin "$@"; }
from_menu gio launch "/usr/share/applications/$app.desktop"
main=$(window Quorvane_模拟点击)
[[ -n $main ]] || fail "no main window after the menu launch"
pid=$(xprop -id "$main" _NET_WM_PID | awk '{ print $3 }')
[[ $(readlink "/proc/$pid/cwd") == "$HOME/Documents/Quorvane" ]] || fail "started in $(readlink "/proc/$pid/cwd")"
kill "$pid"
# The action runs the newest script there, by time, not by name: the pointer goes to 300,200.
scripts=$HOME/Documents/Quorvane/saved_files
printf '#100，100' >"$scripts/0102000000.txt" && touch -d '1 hour ago' "$scripts/0102000000.txt"
printf '#300，200' >"$scripts/0101000000.txt" && xdotool mousemove 0 0
from_menu /usr/bin/python3 -c 'import sys; from gi.repository import Gio
Gio.DesktopAppInfo.new_from_filename(sys.argv[1]).launch_action("run-newest")' "/usr/share/applications/$app.desktop"
await eval '[[ $(xdotool getmouselocation) == "x:300 y:200 "* ]]'
"${as_root[@]}" dpkg -r quorvane >/dev/null
installed=false
for path in $(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub("^\\.", "", $6); print $6 }'); do
    [[ ! -e $path ]] || fail "dpkg -r left $path"
done
[[ -d $HOME/Documents/Quorvane/saved_files && -f $settings ]] || fail "removal touched user files"
echo "PASS: $(basename "$deb"), $(stat -c %s "$deb") bytes, Depends: $depends"
