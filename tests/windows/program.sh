#!/usr/bin/env bash
# Starts quorvane.exe under wine in the current folder on the X server in DISPLAY, in code page
# 936, and checks that a window of the given title appears. With --click (the main window) it
# also checks that the welcome gate reached the content server, that saved_files was made,
# that a run of a typed script moves the X pointer there, that 保存 writes CR LF, and that the
# saved script, run from the command line by its name, moves the pointer there again. The
# debug output, decoded to UTF-8, is left in LOG.
#   tests/windows/program.sh [--click] TITLE LOG COMMAND... (COMMAND: through wine-run.sh)
set -euo pipefail
click=false
[[ $1 != --click ]] || { click=true; shift; }
title=$1 log=$2
shift 2
fail() { echo "FAIL: $1" >&2; exit 1; }
await() { for _ in {1..600}; do "$@" && return; sleep 0.1; done; return 1; }
# By _NET_WM_NAME: wine writes WM_NAME in the Linux locale, which has no Chinese here.
window=
shown() {
    for window in $(xdotool search --onlyvisible --classname quorvane.exe 2>/dev/null); do
        [[ $(xprop -id "$window" _NET_WM_NAME) != *"= \"$title\"" ]] || return 0
    done
    return 1
}
pointer_at() { [[ $(xdotool getmouselocation) == "x:$1 y:$2 "* ]]; }
press() { xdotool mousemove --sync --window "$window" "$1" "$2" click 1; }

raw=$(mktemp) program=
stop() { # wine-run.sh hands the output over when the program ends, in code page 936
    [[ -n $program ]] || return 0
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    program=
    iconv -f GBK -t UTF-8 "$raw" | tr -d '\r' >"$log"
}
trap 'stop; rm -f "$raw"' EXIT
LC_ALL=zh_CN.UTF-8 "$@" >"$raw" 2>&1 &
program=$!
await shown || fail "no window titled '$title'" # a fresh prefix is set up first
echo "window '$title' appeared"
$click || exit 0

[[ -d saved_files ]] || fail "saved_files was not made in $PWD"
script='#300，200' # positions are those of the form: the X window is the client area
press 65 170
xdotool type --delay 30 "$script"
press 65 321 # 执行
await pointer_at 300 200 || fail "the run left the pointer at $(xdotool getmouselocation)"
press 65 170
xdotool key ctrl+End Return type --delay 30 "$script"
press 155 321 # 保存
crlf() { grep -q $'\r$' saved_files/*.txt 2>/dev/null; } # Windows text mode
await crlf || fail "保存 wrote no script with CR LF: $(od -c saved_files/* 2>&1)"
stop
grep -qxF "\"$script\"" "$log" || fail "no debug line of the run"
grep -q '^Saved file list: .* Current file list: ' "$log" || fail "the gate had no server list"
xdotool mousemove 0 0
"$@" --run "$(ls saved_files)" >"$raw" 2>&1 || fail "--run exited with $? ($(cat "$raw"))"
pointer_at 300 200 || fail "--run left the pointer at $(xdotool getmouselocation)"
echo "the gate read the server's list; saved_files made; the run moved the pointer; CR LF saved;" \
    "--run moved it again"
