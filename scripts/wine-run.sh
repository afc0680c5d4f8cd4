#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine and prints its output when it ends:
# CTest's emulator in that build, and the way scripts/windows.sh starts quorvane.exe.
# Exits with the program's exit code.
#   scripts/wine-run.sh [--path DIR]... [--plugins DIR] PROGRAM.exe [ARGUMENT...]
# --path names a folder of DLLs the program loads (Qt's bin/, the mingw runtime), --plugins
# Qt's plugin folder; both as Linux paths. The prefix is $WINEPREFIX (wine's own default
# when unset), created on first use under a lock, since CTest may start several at once.
#
# Seeing the output takes three things:
# - wine hides every variable named QT_* from Windows programs (they are meant for the
#   Linux Qt) and hands WINEQT_* on as QT_*, so each QT_* is passed on that way, CTest's
#   QT_QPA_PLATFORM=offscreen included;
# - without a console window, Windows Qt writes qDebug and Qt Test's report with
#   OutputDebugString, which no redirect sees; QT_FORCE_STDERR_LOGGING=1 sends them to
#   stderr and stdout, GUI programs included. The text is in the ANSI code page (1252, or
#   936 under LC_ALL=zh_CN.UTF-8), so Chinese needs 936 and iconv -f GBK to read back.
#   (WINEDEBUG=+debugstr would show OutputDebugString too, quoted, escaped and mixed with
#   wine's own lines.)
# - the output goes through a file: the first program in an idle prefix also starts wine's
#   background processes, which inherit its output, and a pipe they hold open would make
#   CTest wait for every other program sharing the prefix before it saw this one end.
set -euo pipefail

dll_folders=()
plugin_folder=
while [[ $# -gt 0 ]]; do
    case $1 in
        --path) dll_folders+=("$2"); shift 2 ;;
        --plugins) plugin_folder=$2; shift 2 ;;
        *) break ;;
    esac
done
if [[ $# -eq 0 ]]; then
    echo "usage: $0 [--path DIR]... [--plugins DIR] PROGRAM.exe [ARGUMENT...]" >&2
    exit 2
fi

# Wine's drive Z: is the Linux root.
windows_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s' "${path//\//\\}"
}

export WINEDEBUG=${WINEDEBUG:--all}
prefix=${WINEPREFIX:-$HOME/.wine}
mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [[ ! -f "$prefix/system.reg" ]]; then
        wine wineboot --init >/dev/null 2>&1
        wineserver --wait
    fi
) 9>"$prefix.lock"

search_path=()
for folder in "${dll_folders[@]}"; do
    search_path+=("$(windows_path "$folder")")
done
export WINEPATH
WINEPATH=$(IFS=';' && echo "${search_path[*]}")
if [[ -n "$plugin_folder" ]]; then
    export QT_PLUGIN_PATH
    QT_PLUGIN_PATH=$(windows_path "$plugin_folder")
fi
# The offscreen platform on Windows takes its fonts from one folder (by default inside the
# Qt installation, which has none) and warns without them, which fails Qt Test's warning
# checks. The Linux font for Chinese text will do.
if [[ "${QT_QPA_PLATFORM:-}" == offscreen && -z "${QT_QPA_FONTDIR:-}" ]]; then
    export QT_QPA_FONTDIR
    QT_QPA_FONTDIR=$(windows_path "$(dirname "$(fc-match -f '%{file}' ':lang=zh-cn')")")
fi
export QT_FORCE_STDERR_LOGGING=1
while IFS= read -r name; do
    export "WINE$name=${!name}"
done < <(compgen -e | grep '^QT_' || true)

output=$(mktemp)
trap 'rm -f "$output"' EXIT
wine "$@" </dev/null >"$output" 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null' TERM INT HUP
status=0
wait "$program" || status=$?
# A signal ends that wait at once; the program's last output comes after it.
wait "$program" 2>/dev/null || true
cat "$output"
exit "$status"
