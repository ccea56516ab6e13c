#!/usr/bin/env bash
# Prepares the Wine prefix the Windows program and its tests run in: created
# quietly, fonts that cover Korean, and X11 settings that make a display
# without a window manager behave. Idempotent; a ready prefix is left alone.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

stamp="$WINEPREFIX/.tessmar-ready"
[[ -f "$stamp" ]] && exit 0

mkdir -p "$(dirname "$WINEPREFIX")"
DISPLAY= wine wineboot -i >/dev/null 2>&1
wineserver -w

fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
# Debian's Wine does not load fonts-wine's files from where they are installed.
cp /usr/share/wine/fonts/*.ttf "$fonts"/ 2>/dev/null || true
cp /usr/share/fonts/truetype/nanum/NanumGothic.ttf "$fonts"/

reg="$(mktemp --suffix=.reg)"
trap 'rm -f "$reg"' EXIT
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]
"Tahoma"=hex(7):4e,00,61,00,6e,00,75,00,6d,00,47,00,6f,00,74,00,68,00,69,00,63,00,2e,00,74,00,74,00,66,00,2c,00,4e,00,61,00,6e,00,75,00,6d,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00
"MS Shell Dlg"=hex(7):4e,00,61,00,6e,00,75,00,6d,00,47,00,6f,00,74,00,68,00,69,00,63,00,2e,00,74,00,74,00,66,00,2c,00,4e,00,61,00,6e,00,75,00,6d,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00
REG
DISPLAY= wine regedit /S "$reg" >/dev/null 2>&1
wineserver -w
touch "$stamp"
