#!/usr/bin/env bash
# Recording on the real X server, started by Ctrl+Shift+R in the editor: primary-button clicks
# by xdotool at known points after known waits (rounded to whole seconds) reach xev's window and
# become the script's lines at the cursor (a right click and a wheel notch do not), a recording of
# nothing adds nothing, a run clicks the same points, and one Ctrl+Z takes a recording back.
# Usage: recording.sh <quorvane>
set -euo pipefail
program=$1
. "$(dirname "$0")/driver.sh"
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
skip_welcome
xev -geometry 400x300+600+300 -event button >"$scratch/xev" &
xev=$!
cleanup() { kill $xev; }

recording() { [[ $(shown 录制点击) == 1 && $(shown Quorvane_模拟点击) == 0 ]]; }
presses() { awk '/^ButtonPress/ { p = 1 } p && /root:/ { sub(/.*root:/, ""); sub(/,$/, "");
                                                        printf "%s ", $1; p = 0 }' "$scratch/xev"; }
pressed() { [[ $(presses) == "$1" ]]; }
record() { # the given xdotool commands while recording, then Esc
    xdotool key ctrl+shift+r
    await recording
    xdotool "$@" key Escape
    await back_from 录制点击
}
saved() { [[ $(grep -c 代码保存成功 "$log") -gt $1 ]]; }
save() { # 保存, then the text of the file it wrote, named in the log
    local saves=$(grep -c 代码保存成功 "$log")
    xdotool mousemove --window "$main" 155 321 click 1
    await saved "$saves"
    cat "$(grep -o 'saved_files/[^"]*' "$log" | tail -n 1)"
}

start record '#5，5'
main=$(window Quorvane_模拟点击)
xdotool mousemove --window "$main" 60 100 click 1 # below the text: the cursor at its end
record sleep 0.3
record mousemove 700 400 click --repeat 2 --delay 80 1 sleep 2.7 mousemove 100 1000 click 3 click 4 mousemove 900 500 click 1 sleep 0.5
expected=$'#5，5\n700，400，0，1\n700，400，3，1\n900，500，1，1'
script=$(save)
[[ $script == "$expected" ]] || fail "recorded: $script"
pressed '(700,400) (700,400) (900,500) ' || fail "xev saw $(presses)"

xdotool mousemove --window "$main" 65 321 click 1 # 执行
await pressed '(700,400) (700,400) (900,500) (700,400) (700,400) (900,500) '
sleep 1.5 # the last line's second, while the window takes no input

xdotool mousemove --window "$main" 60 100 click 1
record mousemove 650 350 click 1 sleep 0.2 click 1
xdotool key ctrl+z
script=$(save)
[[ $script == "$expected" ]] || fail "after one undo: $script"
echo "PASS: recorded three clicks as they reached xev, ran them, undid a recording in one step"
