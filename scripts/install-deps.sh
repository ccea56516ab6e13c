#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests, the
# benchmark and the Windows program need. Safe to run again: packages that
# are already present are skipped, and apt is not touched at all then.
#
#   scripts/install-deps.sh            native build, tests, fuzzing, benchmark,
#                                      the web page and package (Emscripten,
#                                      Node, npm, Chromium, and playwright-core
#                                      from npm into tests/web/node_modules)
#   scripts/install-deps.sh --windows  also MinGW-w64, Wine, Xvfb and fonts
set -euo pipefail

# librsvg2-bin, libpng-dev and a font: the camera chart's tests draw the
# chart as a renderer does and look at its pixels.
native=(build-essential cmake ninja-build googletest libgtest-dev clang libclang-rt-14-dev
        python3 libimage-exiftool-perl exiv2 strace man-db dpkg-dev
        librsvg2-bin libpng-dev fonts-dejavu-core)
# Emscripten builds the page and the package; the page's tests drive
# Debian's Chromium.
web=(emscripten chromium)
windows=(g++-mingw-w64-x86-64-posix wine wine64 xvfb fonts-nanum fonts-wine
         python3-pefile imagemagick locales x11-utils)

want=("${native[@]}" "${web[@]}")
# Node and npm from Debian unless a Node of another origin (which brings
# its own npm) is installed already.
command -v node >/dev/null || want+=(nodejs)
command -v npm >/dev/null || want+=(npm)
if [[ "${1:-}" == "--windows" ]]; then want+=("${windows[@]}"); fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ "${1:-}" == "--windows" ]]; then
  # The Windows program is a Korean (code page 949) program; Wine takes its
  # ANSI code page from the locale, so the Korean UTF-8 locale must exist.
  if ! locale -a 2>/dev/null | grep -qi '^ko_KR\.utf8$'; then
    $sudo sed -i 's/^# *\(ko_KR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen || echo 'ko_KR.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
  fi
fi

# The web tests' browser driver, at the version tests/web/package-lock.json
# pins; it drives the system's Chromium and downloads no browser.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
web_tests="$root/tests/web"
installed="$web_tests/node_modules/.package-lock.json"
if [[ ! -f "$installed" ]] || ! cmp -s <(sed -n '/"node_modules\//,$p' "$web_tests/package-lock.json") \
        <(sed -n '/"node_modules\//,$p' "$installed"); then
  echo "installing the web tests' npm packages"
  (cd "$web_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --silent)
fi
