#!/usr/bin/env python3
"""Puts the web build together from the Emscripten module (CORE):

  OUT/tessmar.html   web/page/tessmar.html with its style and its three
                     scripts (the module, the worker, the page) inlined
  OUT/package/       the npm package's files, ready for npm pack

usage: assemble.py CORE OUT VERSION NPM_VERSION
"""
import json
import pathlib
import sys

PAGE_LIMIT = 512 * 1024


def inline(page: str, parts: dict) -> str:
    """The page with each marker replaced by its text. No text may close
    the element it is put into, and each marker must stand once."""
    for marker, text in parts.items():
        lowered = text.lower()
        if "</script" in lowered or "</style" in lowered or "<!--" in lowered:
            sys.exit(f"assemble.py: the text for {marker} would end its element")
        if page.count(marker) != 1:
            sys.exit(f"assemble.py: the page must hold {marker} exactly once")
        page = page.replace(marker, text)
    return page


def main() -> None:
    core, out, version, npm_version = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3], sys.argv[4]
    web = pathlib.Path(__file__).resolve().parent
    core_js = core.read_text()
    worker_js = (web / "worker.js").read_text()

    page = inline((web / "page" / "tessmar.html").read_text(), {
        "/*@STYLE@*/": (web / "page" / "page.css").read_text(),
        "/*@CORE@*/": core_js,
        "/*@WORKER@*/": worker_js,
        "/*@PAGE@*/": (web / "page" / "page.js").read_text(),
    })
    html = out / "tessmar.html"
    html.write_text(page)
    if html.stat().st_size > PAGE_LIMIT:
        sys.exit(f"assemble.py: tessmar.html is {html.stat().st_size} bytes, more than {PAGE_LIMIT}")

    package = out / "package"
    package.mkdir(parents=True, exist_ok=True)
    api = (web / "package" / "api.js").read_text().replace("@VERSION@", version)
    (package / "index.js").write_text(core_js + "\n" + worker_js + "\n" + api)
    for name in ("index.mjs", "index.d.ts", "README.md"):
        (package / name).write_text((web / "package" / name).read_text())
    (package / "LICENSE").write_text((web.parent / "LICENSE").read_text())
    manifest = {
        "name": "tessmar",
        "version": npm_version,
        "description": "Shutter count, camera, serial number and shooting date of Nikon NEF, NRW, JPEG and DNG "
                       "files, read in WebAssembly from only the bytes needed, in Node and in the browser",
        "license": "MIT",
        "main": "index.js",
        "types": "index.d.ts",
        "exports": {".": {"types": "./index.d.ts", "import": "./index.mjs", "require": "./index.js"}},
        "files": ["index.js", "index.mjs", "index.d.ts"],
        "engines": {"node": ">=18"},
        "keywords": ["nikon", "nef", "shutter count", "exif", "wasm"],
    }
    (package / "package.json").write_text(json.dumps(manifest, indent=2) + "\n")


if __name__ == "__main__":
    main()
