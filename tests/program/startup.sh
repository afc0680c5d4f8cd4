#!/usr/bin/env bash
# Four starts against the real nginx at the compiled-in address: a first run rejecting the
# welcome dialog; an opted-out user, server down; the server offering files (and rich text
# naming a FIFO); files over and at the 32 MiB limit. Usage: startup.sh <quorvane> <server
# script> <welcome folder>
set -euo pipefail
program=$1 content_server=$2 welcome=$3
. "$(dirname "$0")/driver.sh"
cleanup() { "$content_server" stop >/dev/null; }
www=$scratch/www/qt/welcome
mkdir -p "$www"

# A first run rejects the dialog: exit code 0, and no main window made saved_files.
start first
[[ -n $(window 欢迎) ]] || fail "no welcome dialog"
xdotool key Escape
wait "$pid" || fail "exit code $?"
logged '^First run or no saved file list - showing welcome page$' || fail "not a first run"
[[ ! -e saved_files ]] || fail "saved_files made"

# Opted out before any list was stored, the server down: straight to the main window.
printf '[General]\nDontShowWelcome=true\n' >"$settings"
start opted-out
main=$(window Quorvane_模拟点击)
[[ -n $main && -d saved_files ]] || fail "no main window"
await logged '^Failed to check server files: "Connection refused"$'
await logged "^User preference 'dontShow': true$"
xprop -id "$main" _NET_WM_ICON | grep -q 'Icon (200 x 170)' || fail "no 200 x 170 icon"
stop

# The server offers files, news to this user: the list is stored, the box cleared, the dialog
# comes back, and OK leads on to the main window. Its rich text, after a line break, names FIFOs
# and a local picture: in a font name that closes its CSS string, in a style sheet linked and one
# imported, and as a picture. Reading a FIFO would block the program for good, so nothing may
# open them, nor read the picture.
mkfifo "$scratch/fifo1" "$scratch/fifo2"
cp "$welcome"/welcome.png "$www" && cp "$welcome"/welcome.png "$scratch/picture.png"
sheet() { printf '%s' "$1" | base64 -w0; }
linked=$(sheet "body{background-image:url($scratch/fifo1)}")
printf '\n<p><font face="a\x27&quot;;background-image:url(%s);b:&quot;">News</font></p><link type="text/css" rel="stylesheet" href="data:text/css;base64,%s"><style>@import url(%s);</style><img src="%s">' \
    "$scratch/fifo1" "$linked" "$scratch/fifo2" "$scratch/picture.png" >"$www/news.txt"
echo >"$scratch/control"
touch -a -d @946684800 "$scratch/picture.png" "$scratch/control"
read_since_2000() { [[ $(stat -c %X "$1") != 946684800 ]]; }
cat "$scratch/control" >/dev/null
"$content_server" start --root "$scratch/www" >/dev/null
start offered
[[ -n $(window 欢迎) ]] || fail "no welcome dialog"
grep -qx 'ServerFiles=news.txt, welcome.png' "$settings" && grep -qx 'DontShowWelcome=false' "$settings" ||
    fail "settings: $(cat "$settings")"
await logged '^Text data size'
sleep 0.5 # the text is laid out and painted
xdotool key Return
[[ -n $(window Quorvane_模拟点击) ]] || fail "no main window after OK: the dialog stopped responding"
for fifo in "$scratch"/fifo[12]; do
    ! timeout 0.5 sh -c "echo >'$fifo'" || fail "the program opened $fifo"
done
read_since_2000 "$scratch/control" || fail "reads leave no trace on this file system (noatime)"
! read_since_2000 "$scratch/picture.png" || fail "the program read the local picture"
stop

# A text over the limit fails at once; a picture of exactly 32 MiB is still taken.
head -c $((40 << 20)) /dev/zero >"$www/big.txt"
head -c $((32 << 20)) /dev/zero >"$www/exact.png"
start limits
[[ -n $(window 欢迎) ]] || fail "no welcome dialog"
await logged '^Image data size: 33554432 bytes Image loaded: false$'
await logged '^Failed to download text: "Reply body larger than 33554432 bytes" URL: "http://127\.0\.0\.1:8787/qt/welcome/big\.txt\?t=[0-9]+"$'
peak_kib=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
((peak_kib < 200 * 1024)) || fail "peak memory ${peak_kib} KiB"
echo "PASS: four starts; peak memory with the 32 MiB picture ${peak_kib} KiB"
