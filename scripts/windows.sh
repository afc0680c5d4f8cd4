#!/usr/bin/env bash
# The Windows build made on Linux, end to end: builds Quorvane for 64-bit Windows with
# mingw-w64 and the Qt for Windows in ../shared/windows/ into build-windows/, runs its test
# suites under wine, starts the program under wine on a private X server and has it click,
# then makes the portable ZIP and starts that from a clean folder with a clean wine prefix.
# Every step runs even after a failed one; the exit code is 1 when any failed.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

qt_archive=$repo/../shared/windows/qt6.4.2-mingw-w64.tar.xz
qt=$repo/build-windows-qt/qt6-mingw
build=$repo/build-windows
x_server=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")

scripts/install-deps.sh windows

if [[ ! -d "$qt" ]]; then
    # Unpacked aside first, so that an interrupted unpack is not taken for a whole one.
    unpacking=$repo/build-windows-qt/unpacking
    rm -rf "$unpacking"
    mkdir -p "$unpacking"
    (cd "$unpacking" && cmake -E tar xf "$qt_archive")
    mv "$unpacking/qt6-mingw" "$qt"
    rmdir "$unpacking"
fi

if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" -DQT_HOST_PATH=/usr
fi
cmake --build "$build" -j2

scratch=$(mktemp -d)
server_started=false
cleanup() {
    local prefix
    for prefix in "$scratch"/prefix-*; do
        if [[ -d "$prefix" ]]; then
            WINEPREFIX=$prefix wineserver --kill 2>/dev/null || true
        fi
    done
    rm -rf "$scratch"
    if $server_started; then
        server/content-server.sh stop
    fi
}
trap cleanup EXIT

status=0
step_failed() {
    echo "windows.sh: FAILED: $1" >&2
    status=1
}

# One prefix for the suites and the program from the build tree, made by the first of them.
export WINEPREFIX=$scratch/prefix-build

# The e2e suites start the Linux nginx through its shell script, which a Windows program
# cannot run; the program's own start-up is checked below instead.
"${x_server[@]}" ctest --test-dir "$build" --output-on-failure --timeout 600 -j2 -LE e2e ||
    step_failed "test suites under wine"

# The welcome gate asks the content server whether its files changed since the list saved
# in the settings (the registry); a matching list and a ticked "don't show" box lead
# straight to the main window. A server already running on the port is someone else's.
if ! server/content-server.sh status >/dev/null; then
    server/content-server.sh start
    server_started=true
fi
server_files=$(cd server/www/qt/welcome && printf '%s\\0' *)
settings='HKCU\Software\YourCompany\YourApp'
"$build/wine-run" reg add "$settings" /v DontShowWelcome /t REG_SZ /d true /f
"$build/wine-run" reg add "$settings" /v ServerFiles /t REG_MULTI_SZ /d "${server_files%\\0}" /f

mkdir "$scratch/work"
program_log=$build/quorvane-under-wine.log
if (cd "$scratch/work" && "${x_server[@]}" "$repo/scripts/windows-program-check.sh" --click \
    Quorvane_模拟点击 "$program_log" "$build/wine-run" "$build/quorvane.exe"); then
    if grep -q '^Saved file list: .* Current file list: ' "$program_log"; then
        echo "the welcome gate had the content server's file list"
    else
        step_failed "the welcome gate did not reach the content server (see $program_log)"
    fi
else
    step_failed "the program under wine (see $program_log)"
fi

# The ZIP on its own: no Qt or mingw folder on the search path, a prefix that has never seen
# the program, so the first run shows the welcome dialog.
rm -f "$build"/quorvane-*-win64.zip # one of an earlier version would be taken for this one
cmake --build "$build" --target package
zip=$(echo "$build"/quorvane-*-win64.zip)
echo "$(basename "$zip"): $(stat -c %s "$zip") bytes"
mkdir "$scratch/unpacked" "$scratch/zip-work"
(cd "$scratch/unpacked" && cmake -E tar xf "$zip")
zip_log=$build/quorvane-zip-under-wine.log
(cd "$scratch/zip-work" && WINEPREFIX=$scratch/prefix-zip "${x_server[@]}" \
    "$repo/scripts/windows-program-check.sh" 欢迎 "$zip_log" \
    "$repo/scripts/wine-run.sh" "$scratch"/unpacked/quorvane-*-win64/bin/quorvane.exe) ||
    step_failed "the program from the ZIP (see $zip_log)"

echo "windows.sh: $( ((status == 0)) && echo passed || echo FAILED ) in ${SECONDS} s"
exit $status
