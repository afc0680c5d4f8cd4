# Drives the real program from outside, as a user would: sourced by the scenarios here.
# Each start runs in a working folder of its own under $scratch, with HOME at $scratch/home;
# its standard error, the debug log, goes to $log.
scratch=$(mktemp -d) pid= x_servers=
trap 'kill $pid $x_servers 2>/dev/null || true; cleanup 2>/dev/null || true; rm -rf "$scratch"' EXIT
export HOME=$scratch/home QT_QPA_PLATFORM=xcb # the program on X11, whatever the session
settings=$HOME/.config/YourCompany/YourApp.conf
mkdir -p "$HOME/.config/YourCompany"

fail() { echo "FAIL: $* (log: $(cat "${log:-/dev/null}"))" >&2; exit 1; }
# Any other command that ends a scenario under set -e says which it was.
set -E
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND (exit $?)" >&2' ERR
start() { # <name> [script for the editor]: in $scratch/<name>, with the script saved there
    mkdir -p "$scratch/$1" && cd "$scratch/$1" && log=$scratch/$1.log
    [[ -z ${2:-} ]] || { mkdir saved_files && printf '%s' "$2" >saved_files/0101000000.txt; }
    "$program" 2>"$log" & pid=$!
}
window() {
    local id=
    # Not xdotool's --sync: a window that goes while it looks (a notice, a box) ends its search.
    for _ in {1..200}; do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
        [[ -n $id ]] && break
        sleep 0.1
    done
    [[ -n $id ]] || fail "no window titled $1"
    echo "$id"
}
shown() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
gone() { [[ $(shown "$1") == 0 ]]; }
# Ends the program started last: the next start's window is not to be mistaken for its window,
# which outlives it for a moment.
stop() { kill "$pid" && { wait "$pid" || true; } && await gone Quorvane_模拟点击; }
# The main window ($main) back from stepping aside for the window titled $1, keyboard and all.
back_from() { [[ $(shown "$1") == 0 && $(xdotool getwindowfocus 2>/dev/null) == "$main" ]]; }
x_server() { # <Xvfb options>: a private X server for the rest of the scenario, in DISPLAY
    Xvfb -displayfd 3 -noreset -nolisten tcp "$@" 3>"$scratch/display" 2>/dev/null &
    x_servers+=" $!"
    await test -s "$scratch/display"
    export DISPLAY=:$(cat "$scratch/display")
    rm "$scratch/display"
}
# No welcome page: the user opted out, and the list stored is what our content server offers,
# whether it runs or not.
skip_welcome() {
    local offered
    offered=$(ls "$(dirname "${BASH_SOURCE[0]}")/../../server/www/qt/welcome" | paste -sd,)
    printf '[General]\nDontShowWelcome=true\nServerFiles=%s\n' "${offered//,/, }" >"$settings"
}
logged() { grep -Eq -- "$1" "$log"; }
await() { for _ in {1..100}; do "$@" >/dev/null 2>&1 && return; sleep 0.1; done; fail "not: $*"; }
