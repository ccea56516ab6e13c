#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests, the
# benchmark and the Windows program need. Safe to run again: packages that
# are already present are skipped, and apt is not touched at all then.
#
#   scripts/install-deps.sh            native build, tests, fuzzing, benchmark
#   scripts/install-deps.sh --windows  also MinGW-w64, Wine, Xvfb and fonts
set -euo pipefail

# librsvg2-bin, libpng-dev and a font: the camera chart's tests draw the
# chart as a renderer does and look at its pixels.
native=(build-essential cmake ninja-build googletest libgtest-dev clang libclang-rt-14-dev
        python3 libimage-exiftool-perl exiv2 strace man-db dpkg-dev
        librsvg2-bin libpng-dev fonts-dejavu-core)
windows=(g++-mingw-w64-x86-64-posix wine wine64 xvfb fonts-nanum fonts-wine
         python3-pefile imagemagick locales x11-utils)

want=("${native[@]}")
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
