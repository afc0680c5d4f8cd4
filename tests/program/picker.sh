#!/usr/bin/env bash
# Picking on an X server of its own, two monitors side by side, the right one scaled by 1.5:
# clicks and keys pick root-window pixels, Esc, a closed screen and undo take nothing or one
# pick back, the window returns, and the picked script clicks exactly there.
# Usage: picker.sh <quorvane> <close_window>
set -euo pipefail
program=$1 close_window=$2
. "$(dirname "$0")/driver.sh"
x_server -screen 0 1600x600x24
xev=
cleanup() { kill $xev; }
export QT_SCREEN_SCALE_FACTORS='left=1;right=1.5'
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
xrandr --setmonitor left 800/211x600/158+0+0 screen >/dev/null
xrandr --setmonitor right 800/211x600/158+800+0 none >/dev/null
skip_welcome

picking() { [[ $(shown 从屏幕选取坐标) == 2 && $(shown Quorvane_模拟点击) == 0 ]]; }
clicked() { [[ $(grep -c ButtonRelease "$scratch/xev") -ge 2 ]]; }
# Ctrl+Shift+P in the editor, then the given command on the overlays.
pick() {
    xdotool key ctrl+shift+p
    await picking
    "$@"
    await back_from 从屏幕选取坐标
}
close_a_screen() { "$close_window" "$(window 从屏幕选取坐标)"; }

start pick
main=$(window Quorvane_模拟点击)
xdotool mousemove --window "$main" 60 100 click 1 # into the empty editor
pick xdotool mousemove 600 450 click 1
pick xdotool mousemove 500 300 key Escape
pick close_a_screen # as Alt+F4 would: a cancel, not the end of the program
pick xdotool mousemove 1099 351 key Right Up Return # on the scaled screen, aimed by the keys
pick xdotool mousemove 700 100 click 1
xdotool key ctrl+z
xdotool mousemove --window "$main" 155 321 click 1 # 保存
await logged '^代码保存成功' # the name is taken before the text is in
script=$(cat saved_files/*.txt)
[[ $script == $'600，450，1，1\n1100，350，1，1' ]] || fail "saved: $script"

# Nothing covers the picked pixels, so their clicks reach the root window.
stdbuf -oL xev -root -event button >"$scratch/xev" &
xev=$!
sleep 0.5
xdotool mousemove --window "$main" 65 321 click 1 # 执行
await clicked
clicks=$(grep -o 'root:([0-9]*,[0-9]*)' "$scratch/xev" | uniq | tr '\n' ' ')
[[ $clicks == 'root:(600,450) root:(1100,350) ' ]] || fail "clicks: $clicks"
echo "PASS: four picks, one undone, run on the picked pixels"
