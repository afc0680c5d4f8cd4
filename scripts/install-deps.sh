#!/usr/bin/env bash
# Installs the Debian packages that building (and, with "test", testing; with "deb", checking
# the Debian package; with "windows", building for Windows and running it under wine) needs,
# skipping those already present. Usage: scripts/install-deps.sh [test|deb|windows]
set -euo pipefail

packages=(cmake ninja-build g++ pkgconf qt6-base-dev qt6-base-dev-tools libx11-dev libxtst-dev
          libpipewire-0.3-dev libgl-dev nginx-light fonts-wqy-microhei)
if [[ "${1:-}" == test ]]; then
    packages+=(xvfb xauth x11-utils x11-xserver-utils xdotool libbenchmark-dev clang-14
               libclang-rt-14-dev)
elif [[ "${1:-}" == deb ]]; then
    # CPack's .deb step (dpkg-shlibdeps, file), the validators, the menu launch.
    packages+=(dpkg-dev file desktop-file-utils appstream libglib2.0-bin xdg-user-dirs xvfb xauth
               xdotool)
elif [[ "${1:-}" == windows ]]; then
    # fontconfig finds a font for the offscreen tests under wine; xdotool drives the program.
    packages+=(g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth x11-utils xdotool fontconfig)
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >&2
