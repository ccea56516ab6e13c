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
    for n in $(seq 90 140); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        break
    done
    for _ in $(seq 50); do
        [[ -e "/tmp/.X11-unix/X${DISPLAY#:}" ]] && break
        sleep 0.1
    done
    export TESSMAR_HEADLESS=1
fi

# Start the server and one throwaway program first: Wine's background
# processes must not inherit a test runner's output pipe.
wineserver -p 60
wine cmd /c exit >/dev/null 2>&1 || true
"$@"
