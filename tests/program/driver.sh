# Drives the real program from outside, as a user would: sourced by the scenarios here.
# Each start runs in a working folder of its own under $scratch, with HOME at $scratch/home;
# its standard error, the debug log, goes to $log.
scratch=$(mktemp -d) pid=
trap 'kill $pid 2>/dev/null || true; cleanup 2>/dev/null || true; rm -rf "$scratch"' EXIT
export HOME=$scratch/home
settings=$HOME/.config/YourCompany/YourApp.conf
mkdir -p "$HOME/.config/YourCompany"

fail() { echo "FAIL: $* (log: $(cat "${log:-/dev/null}"))" >&2; exit 1; }
start() { # <name> [script for the editor]: in $scratch/<name>, with the script saved there
    mkdir -p "$scratch/$1" && cd "$scratch/$1" && log=$scratch/$1.log
    [[ -z ${2:-} ]] || { mkdir saved_files && printf '%s' "$2" >saved_files/0101000000.txt; }
    "$program" 2>"$log" & pid=$!
}
window() { timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
shown() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
# The main window ($main) back from stepping aside for the window titled $1, keyboard and all.
back_from() { [[ $(shown "$1") == 0 && $(xdotool getwindowfocus 2>/dev/null) == "$main" ]]; }
logged() { grep -Eq -- "$1" "$log"; }
await() { for _ in {1..100}; do "$@" >/dev/null 2>&1 && return; sleep 0.1; done; fail "not: $*"; }
