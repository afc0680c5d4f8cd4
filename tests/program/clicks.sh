#!/usr/bin/env bash
# Runs on the real X server, seen by xev: a Wayland session asks first, presses last 50 ms on
# schedule, a press on 执行 during a run starts nothing, Esc stops, far points clamp, runs from
# the command line click the same way, and a run that cannot inject says why.
# Usage: clicks.sh <quorvane> <input_probe>
set -euo pipefail
program=$1 probe=$2
. "$(dirname "$0")/driver.sh"
skip_welcome
xev -root -event button >"$scratch/xev" &
xev_pid=$!
cleanup() { kill $xev_pid; }

run() { xdotool mousemove --window "$(window Quorvane_模拟点击)" 60 321 click 1; }
# "<press|release> <button> <x,y> <server time in ms>" for each button event xev saw.
clicks() {
    awk '/^Button/ { kind = $1 == "ButtonPress" ? "press" : "release" }
         / time / { for (i = 1; i <= NF; i++) if ($i == "time") time = $(i + 1) + 0
                    point = $0; sub(/.*root:\(/, "", point); sub(/\).*/, "", point) }
         /button [0-9]/ { print kind, $4 + 0, point, time }' "$scratch/xev"
}

WAYLAND_DISPLAY=wayland-0 start wayland $'700，300，1\n700，300'
run
[[ -n $(window 点击可能无法送达) ]] || fail "no warning in a Wayland session"
xdotool key Escape
sleep 1
[[ -z $(grep '^"' "$log") ]] || fail "ran though the user declined"
run
[[ -n $(window 点击可能无法送达) ]] || fail "no warning in a Wayland session"
xdotool key alt+r
sleep 1.2 # between the two clicks
run
await logged '^"700，300"$'
sleep 0.5
[[ $(grep -c '^"' "$log") == 2 ]] || fail "a press on 执行 during the run ran the script again"
[[ $(clicks | cut -d' ' -f1-3 | tr '\n' ' ') == "press 1 700,300 release 1 700,300 press 1 700,300 release 1 700,300 " ]] ||
    fail "clicks: $(clicks)"
# Holds of 50 ms, the second press 1050 ms after the first (a late first press is not made up);
# the last press, with no delay after it to make up for being late, gives up to 10 ms of its hold.
clicks | awk '{ t[NR] = $4 } END { exit !(t[2] - t[1] >= 48 && t[4] - t[3] >= 38 && t[2] - t[1] <= 90 &&
                                          t[3] - t[1] >= 1030 && t[3] - t[1] <= 1090) }' ||
    fail "holds and schedule: $(clicks)"
stop

# Far points are clamped to the screen's edge, and Esc stops a run that would never end.
start escape $'100000，-100000\n700，300\n*2147483647'
run
sleep 1
xdotool keydown Escape sleep 0.5 keyup Escape
await logged '^Run stopped by Esc key$'
corner=$(($(xdotool getdisplaygeometry | cut -d' ' -f1) - 1)),0
clicks | awk -v corner="$corner" '{ n[$1]++ } NR == 5 { first = $3 }
                                  END { exit n["press"] != n["release"] || first != corner }' ||
    fail "a press left down, or no click at $corner: $(clicks | sed -n 5p)"

stop

code() { "$@" && echo 0 || echo $?; }
# From the command line, in a first-run home (a run shows no welcome page): no window of ours but
# the notice, which the first click, aimed at it, goes through; Esc stops a run of a path; a
# wrong file or option, and no display, are told without a GUI; the list is in the window's order.
mkdir -p "$scratch/command/saved_files" && cd "$scratch/command"
log=$scratch/command.log
printf '640，3，0\n700，300，1' >saved_files/0101000000.txt
printf '#5，5' >saved_files/0102000000.txt
touch -d '1 hour ago' saved_files/0102000000.txt
seen=$(clicks | wc -l)
new_clicks() { clicks | tail -n +$((seen + 1)); }
pressed() { [[ $(new_clicks | grep -c '^press') -ge $1 ]]; }
HOME=$scratch/command "$program" --run 0101000000.txt 2>"$log" &
pid=$!
await pressed 2
notice=$(xdotool search --onlyvisible --name '^运行脚本$')
[[ $(xdotool search --onlyvisible --pid $pid) == "$notice" ]] || fail "a window besides the notice"
eval "$(xdotool getwindowgeometry --shell "$notice")"
((X <= 640 && 640 < X + WIDTH && Y <= 3 && 3 < Y + HEIGHT)) || fail "the notice is not at 640,3"
wait $pid || fail "--run exited with $?"
[[ $(new_clicks | cut -d' ' -f1,3 | tr '\n' ' ') == "press 640,3 release 640,3 press 700,300 release 700,300 " ]] ||
    fail "clicks: $(new_clicks)"
new_clicks | awk '{ t[NR] = $4 } END { exit !(t[2] - t[1] >= 48 && t[3] - t[1] >= 48 && t[3] - t[1] <= 90) }' ||
    fail "holds and schedule: $(new_clicks)"
"$program" --run "$scratch/escape/saved_files/0101000000.txt" 2>"$log" &
pid=$!
await logged '^"700，300"$'
xdotool keydown Escape sleep 0.3 keyup Escape
status=0
wait $pid || status=$?
((status == 3)) || fail "a run stopped by Esc exited with $status"
said() { # <exit status> <message> <arguments...>, with no display at all
    [[ $(DISPLAY= code timeout 10 "$program" "${@:3}" 2>"$log") == "$1" ]] && logged "$2" || fail "$*"
}
head -c $(((16 << 20) + 1)) /dev/zero >big.txt
mkfifo pipe # root reads any file, but opening a pipe would wait for a writer
said 2 ': no such file$' --run nowhere.txt
said 2 ': not a file that can be read$' --run pipe
said 2 ': larger than the 16 MiB' --run big.txt
said 2 "Unknown option 'bogus'" -platform xcb --bogus
said 4 ': no display to click on' --run 0101000000.txt
[[ $(DISPLAY= "$program" --list) == $'0101000000.txt\n0102000000.txt' ]] || fail "--list: $(DISPLAY= "$program" --list)"

[[ $(code "$probe") == 0 && $(DISPLAY= code "$probe") == 1 ]] || fail "input layer codes"
# Without XTest, 执行 says why nothing can run; with XTest missing, its button is pressed by
# events sent to the window itself.
x_server -extension XTEST -screen 0 1280x1024x24
start no-xtest
main=$(window Quorvane_模拟点击)
xdotool mousemove --window "$main" 60 321 click --window "$main" 1 2>/dev/null
window 无法运行脚本 >/dev/null
logged '^Run not started, input cannot be injected. Error code: 2$' || fail "no reason logged"
echo "PASS: asked in a Wayland session, clicked on time, no echo, stopped by Esc, clamped, run from the command line, no XTest explained"
