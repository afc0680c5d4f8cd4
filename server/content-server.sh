#!/usr/bin/env bash
# Runs the welcome content server: nginx on 127.0.0.1, as the calling user, with its
# configuration, pid file, logs and temporary files under its own runtime folder.
#
#   server/content-server.sh start  [--port N] [--root DIR]   # DIR holds qt/welcome/
#   server/content-server.sh stop   [--port N]
#   server/content-server.sh status [--port N]
#
# start returns once the server answers and does nothing when it already runs there; stop
# returns once every nginx process of that port has gone. Exit codes: 0 done (status:
# running), 1 failed, 2 bad usage, 3 status: not running.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
usage="usage: $0 start|stop|status [--port N] [--root DIR]"

fail() {
    echo "content-server: $1" >&2
    exit "${2:-1}"
}

command=${1:-}
[[ $command == start || $command == stop || $command == status ]] || fail "$usage" 2
shift
port=8787
root=$here/www
while [[ $# -gt 0 ]]; do
    case $1 in
    --port) [[ $# -ge 2 ]] || fail "--port needs a value" 2; port=$2; shift 2 ;;
    --root) [[ $# -ge 2 ]] || fail "--root needs a value" 2; root=$2; shift 2 ;;
    *) fail "unknown argument '$1'; $usage" 2 ;;
    esac
done
[[ $port =~ ^[1-9][0-9]{0,4}$ && $port -le 65535 ]] || fail "port must be 1 to 65535, not '$port'" 2

prefix=${XDG_RUNTIME_DIR:-/tmp}/quorvane-content-server-$port
pid_file=$prefix/nginx.pid

# True while the process runs. A daemon's exit is reaped by init, and a container's init
# may never do it: a zombie counts as gone.
alive() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}

# The pid of our master when it is alive, else nothing. A stale pid file may name a pid
# that another process has since taken: the master's title names our prefix.
running_pid() {
    local pid
    pid=$(cat "$pid_file" 2>/dev/null) || return 0
    [[ $pid =~ ^[0-9]+$ ]] && alive "$pid" && grep -qF -- "-p $prefix/ " "/proc/$pid/cmdline" &&
        echo "$pid"
    return 0
}

# True once the server answers an HTTP request on the port with a status line.
answers() (
    exec 3<>"/dev/tcp/127.0.0.1/$port" || exit 1
    printf 'GET / HTTP/1.0\r\n\r\n' >&3
    read -r -t 2 status <&3 || exit 1
    [[ $status == HTTP/* ]]
)

start() {
    [[ -d $root ]] || fail "no such folder: $root"
    root=$(cd "$root" && pwd)
    # nginx would read these characters as quoting or variables inside the root path.
    [[ $root != *[\"\\\$\;]* ]] || fail "the root path may not contain \" \\ \$ or ;: $root"

    local pid
    pid=$(running_pid)
    if [[ -n $pid ]]; then
        grep -qF "root \"$root\";" "$prefix/conf/nginx.conf" 2>/dev/null ||
            fail "already running on port $port with another root; stop it first"
        return 0
    fi

    # The prefix may sit in the shared /tmp: it must be our own real folder.
    [[ -d $prefix ]] || mkdir -m 700 "$prefix"
    [[ -O $prefix && ! -L $prefix ]] || fail "$prefix is not a folder of ours"
    mkdir -p "$prefix/conf" "$prefix/logs" "$prefix/temp"
    local conf
    conf=$(<"$here/nginx.conf")
    conf=${conf//@PORT@/"$port"}
    conf=${conf//@ROOT@/"$root"}
    printf '%s\n' "$conf" >"$prefix/conf/nginx.conf"

    # Started by root, nginx hands its workers to "nobody", who may not read a private
    # folder; they serve as the folder's owner instead, which is root only for root's files.
    local as_user=()
    if [[ $(id -u) -eq 0 ]]; then
        as_user=(-g "user $(stat -c '%U %G' "$root");")
    fi
    # nginx repeats its start-up complaints (a busy port: five times); once is enough.
    local complaints=$prefix/logs/start.err
    if ! nginx -p "$prefix/" -c conf/nginx.conf -e logs/error.log "${as_user[@]}" 2>"$complaints"
    then
        uniq "$complaints" >&2
        fail "nginx did not start on port $port"
    fi
    for _ in $(seq 50); do
        answers 2>/dev/null && return 0
        sleep 0.1
    done
    fail "nginx started but does not answer on port $port; see $prefix/logs/error.log"
}

stop() {
    local pid
    pid=$(running_pid)
    if [[ -n $pid ]]; then
        kill -TERM "$pid"
        # The master leaves only after its workers have gone.
        for _ in $(seq 100); do
            alive "$pid" || break
            sleep 0.1
        done
        ! alive "$pid" || fail "nginx (pid $pid) did not stop"
    fi
    if [[ -d $prefix && -O $prefix && ! -L $prefix ]]; then
        rm -rf "$prefix"
    fi
}

status() {
    local pid
    pid=$(running_pid)
    [[ -n $pid ]] || { echo "not running on port $port"; exit 3; }
    echo "running on http://127.0.0.1:$port/ (pid $pid)"
}

"$command"
