#!/usr/bin/env bash
# The program of a Wayland session against scripted_portal.py on a private bus, for the faults a
# desktop does not show on demand: the user is told truly what happened, the press released, the
# session given up closed at the desktop, and the next 执行 starts a session of its own.
# Usage: dbus-run-session -- portal_faults.sh <quorvane> <scripted portal> <close_window>
set -euo pipefail
program=$1 portal=$2 close_window=$3
. "$(dirname "$0")/driver.sh"
skip_welcome
export XDG_SESSION_TYPE=wayland
"$portal" silent refuse late close >"$scratch/portal" &
cleanup() { kill %1; }
await grep -q ready "$scratch/portal"
start faults $'100，200，0\n300，400'
main=$(window Quorvane_模拟点击)
run() { xdotool mousemove --window "$main" 65 321 click 1; }
answered() { # the box titled $1 is up; Enter closes it
    window "$1" >/dev/null
    xdotool key Return
    await gone "$1"
}

# A Start the desktop never answers: a notice says what the run waits for, the window takes no
# input meanwhile (a second 执行 starts nothing), and 放弃 gives up without a box.
run
notice=$(window 等待桌面回应)
run
eval "$(xdotool getwindowgeometry --shell "$notice")"
xdotool mousemove --window "$notice" $((WIDTH - 30)) $((HEIGHT - 20)) click 1
await logged '^Run not started, input cannot be injected. Error code: 8$'
await gone 等待桌面回应

# The pointer fails while the session is being readied: a failure with its box, not a run.
run
answered 无法运行脚本
logged '^Run not started, input cannot be injected. Error code: 5$'

# The portal answers a press late: the run stops and says why, in the log and in a box.
run
answered 脚本已停止
logged "^Run stopped: the desktop's remote-desktop service did not answer in time$"

# The desktop ends the session at a press, refusing it: said as that, and the user needs no box.
run
await logged '^Run stopped: the desktop ended its remote-desktop session$'
sleep 0.5
gone 脚本已停止 || fail "a box for the user's own stop"

# And the next 执行 clicks.
run
await logged '^"300，400"$'
sleep 0.2 # its release
"$close_window" "$main"
wait "$pid"
# What the portal was asked, session by session: C CreateSession, S Start, R Request.Close,
# X Session.Close, r the readying move, m a move, d and u the left button down and up.
calls=$(awk '/^CreateSession/ { printf " C" } /^Start/ { printf "S" } /^Request.Close/ { printf "R" }
             /^Session.Close/ { printf "X" } /^NotifyPointerMotion / { printf "r" }
             /^NotifyPointerMotionAbsolute/ { printf "m" } /^NotifyPointerButton 272 1/ { printf "d" }
             /^NotifyPointerButton 272 0/ { printf "u" }' "$scratch/portal")
[[ $calls == " CSRX CSrX CSrmduX CSrmdu CSrmdumduX" ]] || fail "the portal was asked: $calls"
[[ $(grep ^CreateSession "$scratch/portal" | sort -u | wc -l) == 5 ]] || fail "a token again"
echo "PASS: a Start never answered, a failed readying, a late press, an ended session, then clicks"
