#!/usr/bin/env bash
# Starts quorvane.exe under wine in the current folder, on the X server named by DISPLAY, as
# a user of a Chinese Windows would (code page 936), and checks that a top-level X window of
# the given title appears. The program is stopped again at the end and its debug output,
# decoded to UTF-8, is left in LOG. Fails (exit 1) on the first check that does not hold.
#   scripts/windows-program-check.sh [--click] TITLE LOG COMMAND [ARGUMENT...]
# COMMAND starts the program through scripts/wine-run.sh (as build-windows/wine-run
# quorvane.exe does), which hands the output over when the program ends. With --click (for
# the main window) it also checks that saved_files was made here, types a one-line script
# into the editor, presses 执行, waits for the X pointer to reach the script's point, saves
# the script with a second line and checks its CR LF line end, and checks the run's debug line.
set -euo pipefail

click=false
if [[ "${1:-}" == --click ]]; then
    click=true
    shift
fi
if [[ $# -lt 3 ]]; then
    echo "usage: $0 [--click] TITLE LOG COMMAND [ARGUMENT...]" >&2
    exit 2
fi
title=$1
log=$2
shift 2

fail() {
    echo "windows-program-check: $1" >&2
    exit 1
}

# Polls a check for up to the given number of seconds.
wait_for() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# By _NET_WM_NAME: wine writes WM_NAME in the Linux locale, which has no Chinese when the
# program's locale is one this system has not built.
window=
find_window() {
    local candidate
    for candidate in $(xdotool search --onlyvisible --classname quorvane.exe 2>/dev/null); do
        if [[ $(xprop -id "$candidate" _NET_WM_NAME) == "_NET_WM_NAME(UTF8_STRING) = \"$title\"" ]]
        then
            window=$candidate
            return 0
        fi
    done
    return 1
}

pointer_at() {
    [[ $(xdotool getmouselocation) == "x:$1 y:$2 "* ]]
}

raw_log=$(mktemp)
program=
stop_program() {
    [[ -n "$program" ]] || return 0
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    program=
    # Debug output comes in the ANSI code page, with Windows line ends.
    iconv -f GBK -t UTF-8 "$raw_log" | tr -d '\r' >"$log"
}
trap 'stop_program; rm -f "$raw_log"' EXIT

# wine takes the ANSI code page from LC_ALL, even for a locale this system has not built.
LC_ALL=zh_CN.UTF-8 "$@" >"$raw_log" 2>&1 &
program=$!

# The first start in a fresh prefix sets the prefix up first.
wait_for 60 find_window || fail "no window titled '$title' appeared"
echo "window '$title' appeared (X window $window)"
$click || exit 0

[[ -d saved_files ]] || fail "saved_files was not created in $PWD"
echo "saved_files created in $PWD"

# Positions inside the window are those of the form: the X window is the client area.
script='#300，200'
xdotool mousemove --sync --window "$window" 65 170 click 1
xdotool type --delay 30 "$script"
xdotool mousemove --sync --window "$window" 65 321 click 1 # 执行
wait_for 10 pointer_at 300 200 || fail "the pointer did not reach 300,200: $(xdotool getmouselocation)"
echo "the run moved the X pointer to 300,200"
# A second line, then 保存: Windows text mode stores each line feed as CR LF.
xdotool mousemove --sync --window "$window" 65 170 click 1 key ctrl+End Return
xdotool type --delay 30 "$script"
xdotool mousemove --sync --window "$window" 155 321 click 1 # 保存
# The library reserves the name with an empty file first, then replaces it with the script.
saved() { local files=(saved_files/*.txt) && [[ -s ${files[0]} ]]; }
wait_for 10 saved || fail "保存 wrote no file"
[[ $(od -An -c saved_files/*.txt | tr -s ' \n' ' ') == *'\r \n'* ]] ||
    fail "the saved script has no CR LF: $(od -c saved_files/*.txt)"
echo "保存 wrote the script with CR LF line ends"
stop_program
grep -qxF "\"$script\"" "$log" || fail "the debug output has no line for the script"
echo "the run's debug line reads \"$script\""
