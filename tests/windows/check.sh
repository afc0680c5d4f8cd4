#!/usr/bin/env bash
# Checks the Windows build made on Linux (scripts/windows.sh makes it) under wine: its test
# suites; quorvane.exe started in an empty folder as a user of a Chinese Windows would (code
# page 936), reaching the content server, making saved_files, moving the X pointer with a run
# and saving with CR LF; and the ZIP unpacked into a clean folder and started with a clean
# prefix and no Qt on the search path. Every check runs even after a failed one; the exit
# code is 1 when any failed. Usage: tests/windows/check.sh <build-windows folder>
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD build=$(realpath "$1")
x_server=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")
scratch=$(mktemp -d) server_started=false status=0
cleanup() {
    for prefix in "$scratch"/prefix-*; do
        [[ ! -d $prefix ]] || WINEPREFIX=$prefix wineserver --kill 2>/dev/null || true
    done
    rm -rf "$scratch"
    ! $server_started || server/content-server.sh stop
}
trap cleanup EXIT
failed() { echo "FAIL: $1" >&2; status=1; }

# One prefix for the suites and the program from the build tree, made by the first of them.
# The e2e suites start the Linux nginx, which a Windows program cannot; the program's own
# start-up is checked below instead.
export WINEPREFIX=$scratch/prefix-build
"${x_server[@]}" ctest --test-dir "$build" --output-on-failure --timeout 600 -j2 -LE e2e ||
    failed "test suites under wine"

# The welcome gate compares the content server's files with the list in the registry; with
# that list and "don't show" ticked, the main window comes at once. A server already running
# on the port is someone else's.
if ! server/content-server.sh status >/dev/null; then
    server/content-server.sh start
    server_started=true
fi
settings='HKCU\Software\YourCompany\YourApp'
files=$(cd server/www/qt/welcome && printf '%s\\0' *)
"$build/wine-run" reg add "$settings" /v DontShowWelcome /t REG_SZ /d true /f >/dev/null
"$build/wine-run" reg add "$settings" /v ServerFiles /t REG_MULTI_SZ /d "${files%\\0}" /f >/dev/null
mkdir "$scratch/work" "$scratch/unpacked" "$scratch/zip-work"
(cd "$scratch/work" && "${x_server[@]}" "$repo/tests/windows/program.sh" --click \
    Quorvane_模拟点击 "$build/quorvane-under-wine.log" "$build/wine-run" "$build/quorvane.exe") ||
    failed "the program under wine (log: $build/quorvane-under-wine.log)"

rm -f "$build"/quorvane-*-win64.zip # one of an earlier version would be taken for this one
cmake --build "$build" --target package >/dev/null
zip=$(echo "$build"/quorvane-*-win64.zip)
echo "$(basename "$zip"): $(stat -c %s "$zip") bytes"
(cd "$scratch/unpacked" && cmake -E tar xf "$zip")
(cd "$scratch/zip-work" && WINEPREFIX=$scratch/prefix-zip "${x_server[@]}" \
    "$repo/tests/windows/program.sh" 欢迎 "$build/quorvane-zip-under-wine.log" \
    "$repo/scripts/wine-run.sh" "$scratch"/unpacked/quorvane-*-win64/bin/quorvane.exe) ||
    failed "the program from the ZIP (log: $build/quorvane-zip-under-wine.log)"

echo "Windows checks: $( ((status == 0)) && echo passed || echo FAILED )"
exit $status
