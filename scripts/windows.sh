#!/usr/bin/env bash
# The Windows build made on Linux: builds Quorvane for 64-bit Windows with mingw-w64 and the Qt
# for Windows in ../shared/windows/ into build-windows/, then checks it under wine with
# tests/windows/check.sh (its suites, the program, the ZIP). Exits non-zero when any fails.
set -euo pipefail
cd "$(dirname "$0")/.."
qt_archive=$PWD/../shared/windows/qt6.4.2-mingw-w64.tar.xz
qt=$PWD/build-windows-qt/qt6-mingw
build=$PWD/build-windows

scripts/install-deps.sh windows
if [[ ! -d $qt ]]; then
    # Unpacked aside first, so that an interrupted unpack is not taken for a whole one.
    unpacking=$PWD/build-windows-qt/unpacking
    rm -rf "$unpacking"
    mkdir -p "$unpacking"
    (cd "$unpacking" && cmake -E tar xf "$qt_archive")
    mv "$unpacking/qt6-mingw" "$qt"
    rmdir "$unpacking"
fi
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" -DQT_HOST_PATH=/usr
fi
cmake --build "$build" -j2
tests/windows/check.sh "$build"
echo "windows.sh: passed in ${SECONDS} s"
