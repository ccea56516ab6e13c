#!/usr/bin/env bash
# Builds the reader and the output forms for the browser and for Node with
# Emscripten, and from them:
#
#   build/web/tessmar.html          the page: one file, its scripts and the
#                                   WebAssembly inlined (no request anywhere)
#   build/web/tessmar-VERSION.tgz   the JavaScript package (npm pack)
#
# The same checkout gives the same bytes: nothing of the machine, the path
# or the moment reaches either file.
#
#   scripts/build-web.sh [OUT]      OUT instead of build/web
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
out="${1:-build/web}"

for tool in em++ npm node; do
    if ! command -v "$tool" >/dev/null; then
        echo "build-web.sh: $tool is missing; scripts/install-deps.sh installs it" >&2
        exit 1
    fi
done

version="$(sed -nE 's/^project\(Tessmar VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)"
# npm takes three-part versions only: 3.0.0.1 is published as 3.0.0-1.
npm_version="$(sed -E 's/^([0-9]+\.[0-9]+\.[0-9]+)\.([0-9]+)$/\1-\2/' <<<"$version")"

rm -rf "$out"
mkdir -p "$out/package"
core="$out/tessmar-core.js"

# Debian's emcc runs its JavaScript optimiser with a Node that may not look
# where Debian keeps the modules it needs (acorn).
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
# The module: a factory (createTessmar) with the WebAssembly inlined, for
# a page, a worker and Node alike; WORKERFS reads the browser's files a
# slice at a time, NODEFS the host's.
em++ -std=c++17 -Os -Wall -Wextra -Werror -ffile-prefix-map="$root/"= \
    -Inef -Ireport nef/*.cpp report/*.cpp web/session.cpp -o "$core" \
    -sMODULARIZE=1 -sEXPORT_NAME=createTessmar -sSINGLE_FILE=1 -sENVIRONMENT=web,worker,node \
    -lworkerfs.js -lnodefs.js -sFORCE_FILESYSTEM=1 -sALLOW_MEMORY_GROWTH=1 \
    -sEXPORTED_FUNCTIONS=_tessmar_clear,_tessmar_read,_tessmar_unreadable,_tessmar_replace_reason,_tessmar_output \
    -sEXPORTED_RUNTIME_METHODS=cwrap,FS -sINCOMING_MODULE_JS_API=print,printErr

python3 web/assemble.py "$core" "$out" "$version" "$npm_version"

# npm pack dates every entry alike but keeps the files' modes: the same for
# every umask.
chmod 0644 "$out/package"/*
(cd "$out/package" && npm pack --silent --pack-destination .. >/dev/null)
rm "$core"
size="$(stat -c %s "$out/tessmar.html")"
echo "build-web.sh: $out/tessmar.html ($size bytes), $out/tessmar-$npm_version.tgz"
