// What the page's and the package's tests share: where the builds are, the
// command line run on the same files for the expected bytes, and the files
// made for the tests (a photo library, files broken in chosen places, the
// bad inputs a browser meets).
'use strict';
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const root = path.resolve(__dirname, '../..');
const web = path.resolve(process.env.TESSMAR_WEB_DIR || path.join(root, 'build/web'));
const native = path.resolve(process.env.TESSMAR_NATIVE_DIR || path.join(root, 'build/test'));
const cli = path.join(native, 'cli/tessmar');
const maker = path.join(native, 'tools/make_nef_files');
const samples = process.env.TESSMAR_SAMPLES_DIR || path.resolve(root, '../shared/samples');

function requireBuilt() {
  for (const [what, file] of [['the web build (scripts/build-web.sh)', path.join(web, 'tessmar.html')],
    ['the command line (cmake --build --preset test)', cli], ['make_nef_files', maker]]) {
    if (!fs.existsSync(file)) throw new Error(`${what} is missing: ${file}`);
  }
}

// The command line's standard output for `args`, run in `cwd`, whatever
// its exit status (files without a count give 1).
function tessmar(args, cwd) {
  const run = spawnSync(cli, args, { cwd, encoding: 'utf8', maxBuffer: 256 << 20 });
  if (run.error) throw run.error;
  if (run.status !== 0 && run.status !== 1) throw new Error(`tessmar ${args.join(' ')}: exit ${run.status}: ${run.stderr}`);
  return run.stdout;
}

// What the command line writes as the chart for `args` (a --cameras run).
function tessmarChart(args, cwd) {
  const chart = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'tessmar-chart-')), 'chart.svg');
  tessmar(['--cameras', '--chart', chart, ...args], cwd);
  const svg = fs.readFileSync(chart, 'utf8');
  fs.rmSync(path.dirname(chart), { recursive: true });
  return svg;
}

function make(kind, dir, ...rest) {
  const run = spawnSync(maker, [kind, dir, ...rest.map(String)], { encoding: 'utf8' });
  if (run.status !== 0) throw new Error(`make_nef_files ${kind}: ${run.stderr}`);
}

// A fresh folder of test files:
//   lib/     a photo library in YEAR/DATE/ folders (several bodies, a count
//            that went down, an undated file), with beside it a text file,
//            a text named like a NEF, a 0-byte NEF, a cut-off NEF, and names
//            whose UTF-8 and UTF-16 orders differ
//   seeds/   readable, re-saved, converted and malformed files
//   huge.nef a camera file of more than 4 GiB (sparse)
function makeFixtures() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tessmar-web-'));
  const lib = path.join(dir, 'lib');
  make('library', lib, 40);
  make('seeds', path.join(dir, 'seeds'));
  const one = listFiles(lib).find((f) => f.endsWith('.NEF'));
  const bytes = fs.readFileSync(one);
  fs.writeFileSync(path.join(lib, 'notes.txt'), 'not a camera file\n');
  fs.writeFileSync(path.join(lib, 'letter.nef'), 'Dear seller, is the camera still for sale?\n');
  fs.writeFileSync(path.join(lib, 'empty.nef'), '');
  fs.writeFileSync(path.join(lib, 'cut.nef'), bytes.subarray(0, 300));
  fs.writeFileSync(path.join(lib, '\uFF21.nef'), bytes);       // EF BC A1 in UTF-8
  fs.writeFileSync(path.join(lib, '\u{1F600}.nef'), bytes);    // F0 9F 98 80: after it in UTF-8, before in UTF-16
  fs.writeFileSync(path.join(lib, 'upper.JPG'), bytes);
  const huge = path.join(dir, 'huge.nef');
  fs.writeFileSync(huge, bytes);
  fs.truncateSync(huge, 4 * 1024 ** 3 + 17);
  return { dir, lib, seeds: path.join(dir, 'seeds'), huge };
}

// Every file under `dir`, depth first.
function listFiles(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) => {
    const p = path.join(dir, e.name);
    return e.isDirectory() ? listFiles(p) : [p];
  });
}

module.exports = { root, web, cli, samples, requireBuilt, tessmar, tessmarChart, makeFixtures, listFiles, make };
