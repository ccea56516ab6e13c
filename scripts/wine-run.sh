#!/usr/bin/env bash
# Runs one Windows program under Wine in Tessmar's prefix: the emulator that
# ctest uses for cross-built tests. Needs DISPLAY set for programs that open
# windows (scripts/with-display.sh provides one).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@"
