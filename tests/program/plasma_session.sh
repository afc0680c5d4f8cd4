#!/usr/bin/env bash
# Runs a command in a headless Plasma Wayland session of two monitors, 1280×960 and 1024×768 to
# its right, as the GNOME session's tool lays them out. The Plasma session's tool starts kwin with
# one virtual output, and kwin takes more only on its command line, all of one size: a setpriv of
# ours, first in PATH where the tool starts kwin through setpriv, asks for two, and the second is
# then scaled to 125 % from inside the session.
# Usage: plasma_session.sh <the kde-session tool's run> COMMAND ARGS...
set -euo pipefail
if [[ -n ${WAYLAND_DISPLAY:-} ]]; then
    kscreen-doctor output.Virtual-1.scale.1.25 >/dev/null
    exec "$@"
fi
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
cat >"$bin/setpriv" <<'SHIM'
#!/usr/bin/env bash
[[ " $* " == *" --virtual "* ]] && set -- "$@" --output-count 2
exec /usr/bin/setpriv "$@"
SHIM
chmod +x "$bin/setpriv"
RES=1280x960 PATH=$bin:$PATH "$1" "$0" "${@:2}"
