#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite under a private X server (the
# Wayland scenario in a GNOME and in a Plasma Wayland session of its own).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test wayland plasma
scripts/build.sh
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    ctest --test-dir build --output-on-failure --timeout 600 -j2 "$@"
