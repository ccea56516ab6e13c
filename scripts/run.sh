#!/usr/bin/env bash
# Sets up a Debian machine for Tessmar, builds Tessmar.exe and starts it
# under Wine in the Korean locale (code page 949).
#
#   scripts/run.sh
#
# With a display (DISPLAY set): Tessmar opens on it, and a sample NEF file
# to try is written to build/windows/samples/. Without one, or with
# TESSMAR_HEADLESS=1: Tessmar runs in a virtual X server, where a driver
# opens the sample through the real "NEF open" dialog, prints the five
# fields as the dialog shows them, and saves screenshots of the main dialog,
# the about box and the open system menu to build/screenshots/.
#
# Safe to run again: installed packages, the build and the Wine prefix are
# reused, so a second run takes a few seconds.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

build="$root/build/windows"
samples="$build/samples"
sample="$samples/sample-D850.nef"
shots="$root/build/screenshots"

# The part that needs a display and a running wineserver: run through
# scripts/with-display.sh, which provides both.
if [[ "${1:-}" == "--with-display" ]]; then
    source scripts/wine-env.sh
    mkdir -p "$samples"
    # Written again whenever the tool that writes it was rebuilt. A path
    # relative to this folder means the same file to Wine as to us.
    maker="$build/tools/make_nef_files.exe"
    if [[ ! "$sample" -nt "$maker" ]]; then
        wine "$maker" demo "${sample#"$root"/}"
    fi
    tessmar="$build/app/Tessmar.exe"

    if [[ -z "${TESSMAR_HEADLESS:-}" ]]; then
        echo "Tessmar is open on display $DISPLAY. A sample file to try with \"NEF open\":"
        echo "  $sample  (in the file dialog: Z:${sample//\//\\})"
        wine "$tessmar"
        exit 0
    fi

    echo "No display: Tessmar runs in a virtual X server ($DISPLAY); opening $sample"
    mkdir -p "$shots"
    signal="$(mktemp -d)"
    log="$signal/demo.log"
    trap 'rm -rf "$signal"' EXIT
    wine "$build/tests/e2e/tessmar_demo.exe" "$tessmar" "$sample" "$signal" >"$log" 2>&1 &
    demo=$!

    # The demo announces each view ("view NAME X Y W H") and waits for
    # NAME.done; the screenshot is cropped to the announced window.
    for view in main-dialog about-box system-menu; do
        while [[ ! -f "$signal/$view.ready" ]]; do
            if ! kill -0 "$demo" 2>/dev/null; then
                tr -d '\r' <"$log" >&2
                echo "run.sh: the demonstration ended before showing $view" >&2
                exit 1
            fi
            sleep 0.05
        done
        if [[ "$view" == main-dialog ]]; then
            echo "The dialog shows:"
            tr -d '\r' <"$log" | grep -v '^view ' | sed 's/^/  /'
        fi
        read -r _ _ x y w h < <(tr -d '\r' <"$log" | grep "^view $view ")
        import -window root -crop "${w}x${h}+${x}+${y}" "$shots/$view.png"
        echo "Screenshot: $shots/$view.png"
        touch "$signal/$view.done"
    done
    wait "$demo"
    exit 0
fi

scripts/install-deps.sh --windows
[[ -f "$build/build.ninja" ]] || cmake --preset windows >/dev/null
if ! out="$(cmake --build "$build" --target Tessmar make_nef_files tessmar_demo 2>&1)"; then
    echo "$out" >&2
    exit 1
fi
scripts/wine-setup.sh
exec scripts/with-display.sh "$0" --with-display
