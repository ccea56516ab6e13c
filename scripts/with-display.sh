#!/usr/bin/env bash
# Runs a command with an X display: the user's own when DISPLAY is set and
# TESSMAR_HEADLESS is not, otherwise a virtual X server started for it.
# A wineserver is kept alive for the whole command (each Wine start is then
# fast) and both are stopped when it ends.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [[ -n "${xvfb_pid:-}" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [[ -z "${DISPLAY:-}" || -n "${TESSMAR_HEADLESS:-}" ]]; then
    # Xvfb picks a free display number itself and takes it by its lock file
    # atomically, so runs started at the same moment never share one; it
    # writes the number to the descriptor given once it accepts clients.
    exec {display_fd}< <(exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>&1 >/dev/null 2>&1)
    xvfb_pid=$!
    if ! read -r -t 30 -u "$display_fd" number || [[ ! "$number" =~ ^[0-9]+$ ]]; then
        echo "with-display.sh: the virtual X server did not start" >&2
        exit 1
    fi
    exec {display_fd}<&-
    export DISPLAY=":$number"
    export TESSMAR_HEADLESS=1
fi

# Start the server and one throwaway program first: Wine's background
# processes must not inherit a test runner's output pipe.
wineserver -p 60
wine cmd /c exit >/dev/null 2>&1 || true
"$@"
