#!/usr/bin/env bash
# Installs the Debian packages that building needs, and those of the groups named, skipping
# those already present: "test" for testing, "wayland" and "plasma" for the headless GNOME and
# Plasma Wayland sessions the Wayland scenario runs in, "deb" for checking the Debian package,
# "windows" for building for Windows and running it under wine.
# Usage: scripts/install-deps.sh [GROUP...]
set -euo pipefail

packages=(cmake ninja-build g++ pkgconf qt6-base-dev qt6-base-dev-tools libx11-dev libxtst-dev
          libpipewire-0.3-dev libgl-dev nginx-light fonts-wqy-microhei)
for group in "$@"; do
    case $group in
    test)
        # A private session bus and python3-gi for the remote-desktop portal the tests script.
        packages+=(xvfb xauth x11-utils x11-xserver-utils xdotool libbenchmark-dev clang-14
                   libclang-rt-14-dev dbus-daemon python3-gi) ;;
    wayland)
        # The compositor, its portals and screen-cast service on a bus of their own, XWayland
        # for the program, Qt's Wayland platform for the scenario's own window, and what the
        # scenario reads the desktop with (xdotool, xwininfo, xwd, dbus-monitor).
        packages+=(mutter xdg-desktop-portal xdg-desktop-portal-gnome pipewire wireplumber dbus
                   dbus-user-session libgl1-mesa-dri python3-gi libglib2.0-bin xwayland
                   qt6-wayland x11-utils x11-apps xdotool procps) ;;
    plasma)
        # kwin, its portal and what the portal's consent dialog is made of, kscreen-doctor for the
        # monitors' layout, and what the kde-session tool's setup checks for.
        packages+=(kwin-wayland xdg-desktop-portal-kde qtwayland5 xwayland pipewire wireplumber
                   libkf5screen-bin dbus dbus-user-session python3-gi gir1.2-gtk-4.0
                   qml-module-qtquick-layouts qml-module-qtquick-controls2
                   qml-module-org-kde-kirigami2 qml-module-qtquick-window2
                   qml-module-qtgraphicaleffects qt6-wayland x11-utils x11-apps xdotool procps) ;;
    deb)
        # CPack's .deb step (dpkg-shlibdeps, file), the validators, the menu launch, its action
        # (through GLib's launcher, from Python) and the window it opens (xprop).
        packages+=(dpkg-dev file desktop-file-utils appstream libglib2.0-bin python3-gi
                   xdg-user-dirs xvfb xauth x11-utils xdotool) ;;
    windows)
        # fontconfig finds a font for the offscreen tests under wine; xdotool drives the program.
        packages+=(g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth x11-utils xdotool fontconfig) ;;
    *)
        echo "install-deps.sh: no group $group" >&2
        exit 2 ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "Installing: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
fi
# Plasma's consent dialog needs a few files of plasma-workspace, whose package would pull in
# about 210 more: the tool's setup takes them from the .deb, once, for this user.
if [[ " $* " == *" plasma "* ]]; then
    "$(dirname "$0")/../../shared/tools/kde-session/setup" >/dev/null
fi
