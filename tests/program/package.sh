#!/usr/bin/env bash
# The .deb as users get it: made by CPack from the build tree, its files, its dependencies
# (exactly the runtime, Qt and X libraries the program links), its menu entry and metadata
# valid; then, as root, installed with apt, started from its menu entry, and removed leaving
# nothing behind but the user's own files. Usage: package.sh <build folder>
set -euo pipefail
build=$1
app=example.quorvane.Quorvane
scratch=$(mktemp -d)
trap 'pkill -x quorvane || true; dpkg -r quorvane >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$scratch/cpack.log")"
deb=$(echo "$scratch"/quorvane_*_amd64.deb)
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort | tr '\n' ' ')
[[ $files == "./usr/bin/quorvane ./usr/share/applications/$app.desktop ./usr/share/icons/hicolor/128x128/apps/$app.png ./usr/share/icons/hicolor/256x256/apps/$app.png ./usr/share/icons/hicolor/48x48/apps/$app.png ./usr/share/metainfo/$app.metainfo.xml " ]] ||
    fail "the package holds: $files"
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*//; s/ //g' | sort | tr '\n' ' ')
[[ $depends == "libc6 libgcc-s1 libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libstdc++6 libx11-6 libxtst6 " ]] ||
    fail "Depends: $depends"
dpkg-deb -x "$deb" "$scratch/tree"
desktop-file-validate "$scratch/tree/usr/share/applications/$app.desktop"
appstreamcli validate --no-net "$scratch/tree/usr/share/metainfo/$app.metainfo.xml" >/dev/null

if [[ $(id -u) -ne 0 ]]; then
    echo "SKIP: installing the package needs root (CI runs this as root)"
    exit 77
fi
! dpkg -s quorvane >/dev/null 2>&1 || fail "quorvane is installed already; remove it first"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$scratch/apt.log" 2>&1 ||
    fail "apt-get install: $(cat "$scratch/apt.log")"

# From the menu, as a user who opted out of the welcome page: it starts in the documents
# folder, where its saved scripts belong, and opens the main window.
home=$scratch/home
mkdir -p "$home/.config/YourCompany"
printf '[General]\nDontShowWelcome=true\n' >"$home/.config/YourCompany/YourApp.conf"
env -i HOME="$home" DISPLAY="$DISPLAY" ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"} LANG=C.UTF-8 \
    PATH=/usr/bin:/bin gio launch \
    "/usr/share/applications/$app.desktop"
timeout 20 xdotool search --sync --onlyvisible --name '^Quorvane_模拟点击$' >/dev/null ||
    fail "no main window after the menu launch"
[[ $(readlink "/proc/$(pgrep -x quorvane)/cwd") == "$home/Documents/Quorvane" ]] ||
    fail "started in $(readlink "/proc/$(pgrep -x quorvane)/cwd")"
pkill -x quorvane

dpkg -r quorvane >/dev/null
left=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub("^\\.", "", $6); print $6 }' |
    while read -r path; do [[ ! -e $path ]] || echo "$path"; done)
[[ -z $left ]] || fail "dpkg -r left: $left"
[[ -d $home/Documents/Quorvane/saved_files && -f $home/.config/YourCompany/YourApp.conf ]] ||
    fail "removal touched the user's files"
echo "PASS: $(basename "$deb"), $(stat -c %s "$deb") bytes, Depends: $depends"
