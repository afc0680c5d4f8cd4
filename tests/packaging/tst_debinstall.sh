#!/usr/bin/env bash
# Installs the .deb that tst_debpackage made with apt-get, starts the installed program on
# the X server named by DISPLAY, once directly and once through its menu entry, removes the
# package with dpkg -r and checks that nothing of it remains. Needs root.
# Usage: tst_debinstall.sh <version> <package folder>
set -euo pipefail
. "$(dirname "$0")/common.sh"
version=$1 package_dir=$2
deb=$package_dir/quorvane_${version}_amd64.deb
main_window_title=Quorvane_模拟点击
welcome_title=欢迎

[[ $(id -u) -eq 0 ]] || skip "installing a package needs root; run this test as root (CI does)"
[[ -f $deb ]] || fail "no $deb: tst_debpackage makes it"
[[ -n ${DISPLAY:-} ]] || fail "no DISPLAY: run under an X server, for example with xvfb-run"
status=$(dpkg-query -W -f='${Status}' quorvane 2>/dev/null || true)
[[ $status != *" installed" ]] ||
    skip "quorvane is already installed here; remove it (dpkg -r quorvane) to run this test"

scratch=$(mktemp -d)
cleanup() {
    # Whatever this test started runs in a folder of its scratch folder.
    for pid in $(pgrep -x quorvane); do
        [[ $(readlink "/proc/$pid/cwd") != "$scratch"/* ]] || kill "$pid" 2>/dev/null || true
    done
    if [[ $(dpkg-query -W -f='${Status}' quorvane 2>/dev/null || true) == *" installed" ]]; then
        dpkg -r quorvane >/dev/null
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

# Every path the package holds, directories included, and those the system already has:
# after removal exactly those may remain.
dpkg-deb -c "$deb" | awk '{ sub("^\\.", "", $6); sub("/$", "", $6); if ($6 != "") print $6 }' |
    LC_ALL=C sort >"$scratch/package-paths"
while read -r path; do
    [[ ! -e $path ]] || echo "$path"
done <"$scratch/package-paths" >"$scratch/present-before"

DEBIAN_FRONTEND=noninteractive apt-get install -y -o DPkg::Lock::Timeout=120 "$deb" \
    >"$scratch/apt.log" 2>&1 || fail "apt-get install failed:"$'\n'"$(cat "$scratch/apt.log")"
check_file_list usr "$(dpkg -L quorvane | while read -r path; do
    [[ -d $path ]] || echo "${path#/}"
done | LC_ALL=C sort)" "files dpkg lists for quorvane"

# The program's environment as a desktop session gives it: a fresh HOME, nothing of ours.
session_environment() {
    echo HOME="$1" DISPLAY="$DISPLAY" PATH=/usr/local/bin:/usr/bin:/bin \
        ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"}
}

# Waits up to 20 s (or $2 tries 0.2 s apart) for a top-level window titled $1 and prints the
# process id it carries.
pid_of_window() {
    local window
    for _ in $(seq "${2:-100}"); do
        window=$(xwininfo -root -tree | grep -F "\"$1\": (" | awk '{ print $1; exit }')
        if [[ -n $window ]]; then
            xprop -id "$window" _NET_WM_PID | awk '{ print $3 }'
            return
        fi
        sleep 0.2
    done
}

# Fails unless process $1 runs /usr/bin/quorvane in folder $2.
check_installed_program() {
    [[ -n $1 ]] || fail "$3: no window appeared"
    [[ $(readlink "/proc/$1/exe") == /usr/bin/quorvane ]] ||
        fail "$3: the window belongs to $(readlink "/proc/$1/exe"), not /usr/bin/quorvane"
    [[ $(readlink "/proc/$1/cwd") == "$2" ]] ||
        fail "$3: started in $(readlink "/proc/$1/cwd") instead of $2"
}

stop() {
    kill "$1"
    for _ in $(seq 50); do
        [[ -e /proc/$1 ]] || return 0
        sleep 0.1
    done
    fail "quorvane ($1) did not end on SIGTERM"
}

# First run from a shell: no settings yet, so the welcome dialog comes first.
home=$scratch/first-run
mkdir -p "$home"
env -i -C "$home" $(session_environment "$home") /usr/bin/quorvane >/dev/null 2>&1 &
pid=$(pid_of_window "$welcome_title")
check_installed_program "$pid" "$home" "started from a shell"
stop "$pid"

# Through the menu entry, as a user who ticked "don't show again" and whose remembered file
# list is empty: the main window opens and makes saved_files in the documents folder.
home=$scratch/menu
mkdir -p "$home/.config/YourCompany"
printf '[General]\nDontShowWelcome=true\nServerFiles=@Invalid()\n' \
    >"$home/.config/YourCompany/YourApp.conf"
env -i $(session_environment "$home") gio launch "/usr/share/applications/$app_id.desktop" \
    >"$scratch/menu-launch.log" 2>&1 ||
    fail "gio launch of the installed desktop entry failed:"$'\n'"$(cat "$scratch/menu-launch.log")"
pid=$(pid_of_window "$main_window_title")
[[ -n $pid || -z $(pid_of_window "$welcome_title" 1) ]] ||
    fail "the welcome dialog opened: a content server on the compiled-in address offers new files"
check_installed_program "$pid" "$home/Documents/Quorvane" "started from the menu"
[[ -d $home/Documents/Quorvane/saved_files ]] || fail "no saved_files in $home/Documents/Quorvane"
stop "$pid"

dpkg -r quorvane >"$scratch/dpkg.log" 2>&1 || fail "dpkg -r failed:"$'\n'"$(cat "$scratch/dpkg.log")"
status=$(dpkg-query -W -f='${Status}' quorvane 2>/dev/null || true)
[[ -z $status || $status == *" not-installed" ]] || fail "after dpkg -r quorvane is '$status'"
while read -r path; do
    [[ ! -e $path ]] || echo "$path"
done <"$scratch/package-paths" >"$scratch/present-after"
left=$(comm -13 "$scratch/present-before" "$scratch/present-after")
[[ -z $left ]] || fail "dpkg -r left behind:"$'\n'"$left"
[[ -d $home/Documents/Quorvane/saved_files && -f $home/.config/YourCompany/YourApp.conf ]] ||
    fail "dpkg -r touched the user's saved scripts or settings"
echo "PASS: installed, started directly and from the menu entry, removed without a trace"
