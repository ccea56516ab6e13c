# Sourced by the scripts that run Windows programs: Wine's environment for
# Tessmar. A dedicated prefix keeps the user's own ~/.wine untouched.
: "${TESSMAR_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${TESSMAR_WINEPREFIX:-$TESSMAR_ROOT/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The program is built for a Korean system: code page 949. Tests of wide
# names choose a locale whose code page cannot spell them.
export LANG="${TESSMAR_WINE_LOCALE:-ko_KR.UTF-8}"
export LC_ALL="$LANG"
