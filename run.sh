#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorvane.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
# Serve the welcome page ourselves so a newcomer sees it; a server already running on the
# port is someone else's to stop. The program copes without one, so a failure only warns.
if ! server/content-server.sh status >/dev/null; then
    if server/content-server.sh start; then
        trap 'server/content-server.sh stop' EXIT
    else
        echo "Starting without the welcome content server" >&2
    fi
fi
build/quorvane "$@"
