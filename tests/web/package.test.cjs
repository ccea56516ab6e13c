// The npm package under Node, installed from its tarball as a user would:
// readFile against the command line's --json for the same files (samples,
// generated, broken, missing, a folder, more than 4 GiB), through require
// and import, the bytes it reads, and what the tarball holds.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const support = require('./support.cjs');

const version = fs.readFileSync(path.join(support.root, 'CMakeLists.txt'), 'utf8')
  .match(/^project\(Tessmar VERSION ([0-9.]+)/m)[1];

test('the package', async (t) => {
  support.requireBuilt();
  const tarballs = fs.readdirSync(support.web).filter((n) => /^tessmar-.*\.tgz$/.test(n));
  assert.equal(tarballs.length, 1, 'one package in the web build');
  const files = support.makeFixtures();
  const project = path.join(files.dir, 'project');
  fs.mkdirSync(project);
  fs.writeFileSync(path.join(project, 'package.json'), '{"private": true}\n');
  const installed = spawnSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--silent',
    path.join(support.web, tarballs[0])], { cwd: project, encoding: 'utf8' });
  assert.equal(installed.status, 0, installed.stderr);
  const where = path.join(project, 'node_modules/tessmar');
  const tessmar = require(require.resolve('tessmar', { paths: [project] }));

  await t.test('the tarball: the program\'s version, no dependencies, declarations and README', () => {
    const manifest = JSON.parse(fs.readFileSync(path.join(where, 'package.json'), 'utf8'));
    assert.equal(manifest.version, version.replace(/^(\d+\.\d+\.\d+)\.(\d+)$/, '$1-$2'));
    assert.equal(tarballs[0], `tessmar-${manifest.version}.tgz`);
    assert.equal(tessmar.version, version);
    assert.equal(manifest.dependencies, undefined);
    for (const name of ['index.js', 'index.mjs', 'index.d.ts', 'README.md', 'LICENSE'])
      assert.ok(fs.existsSync(path.join(where, name)), name);
    assert.match(fs.readFileSync(path.join(where, 'index.d.ts'), 'utf8'), /export function readFile\(file: string \| Blob\): Promise<Readout>/);
  });

  await t.test('readFile gives one element of tessmar --json, the path as given', async () => {
    const cases = [];  // [cwd, path as given]
    for (const dir of [path.join(support.samples, 'files'), path.join(support.samples, 'tiff')]) {
      if (fs.existsSync(dir)) fs.readdirSync(dir).forEach((n) => cases.push([dir, n]));
      else t.diagnostic(`sample files absent (${dir}): only generated files are read`);
    }
    fs.readdirSync(files.seeds).forEach((n) => cases.push([files.seeds, n]));
    for (const n of ['empty.nef', 'cut.nef', 'letter.nef', 'notes.txt', 'missing.nef', '2019', '\u{1F600}.nef'])
      cases.push([files.lib, n]);
    cases.push([files.dir, files.huge], [files.dir, './lib/../lib/upper.JPG']);
    // One run of the command line for the files of each folder.
    const byFolder = new Map();
    cases.forEach(([cwd, given]) => byFolder.set(cwd, [...(byFolder.get(cwd) || []), given]));
    const home = process.cwd();
    try {
      for (const [cwd, given] of byFolder) {
        const expected = JSON.parse(support.tessmar(['--json', ...given], cwd));
        process.chdir(cwd);
        for (let i = 0; i < given.length; ++i) {
          // The command line's hint for a folder names its own option.
          const hint = ' (use -r to read the files in it)';
          if (expected[i].error && expected[i].error.endsWith(hint)) expected[i].error = expected[i].error.slice(0, -hint.length);
          assert.deepEqual(await tessmar.readFile(given[i]), expected[i], given[i]);
        }
      }
    } finally {
      process.chdir(home);
    }
  });

  await t.test('reads in parallel each give their own file', async () => {
    const names = fs.readdirSync(files.seeds).sort();
    const got = await Promise.all(names.map((n) => tessmar.readFile(path.join(files.seeds, n))));
    const expected = JSON.parse(support.tessmar(['--json', ...names.map((n) => path.join(files.seeds, n))], files.dir));
    assert.deepEqual(got, expected);
  });

  await t.test('import { readFile } from \'tessmar\' reads the same', () => {
    const script = `import { readFile, version } from 'tessmar';
      console.log(JSON.stringify([version, await readFile(${JSON.stringify(files.huge)})]));`;
    const run = spawnSync(process.execPath, ['--input-type=module', '-e', script], { cwd: project, encoding: 'utf8' });
    assert.equal(run.status, 0, run.stderr);
    assert.deepEqual(JSON.parse(run.stdout), [version, JSON.parse(support.tessmar(['--json', files.huge], files.dir))[0]]);
  });

  await t.test('only the bytes the reader needs are read', async () => {
    const large = path.join(files.dir, 'large.nef');
    support.make('large', large, 30);
    const readSync = fs.readSync;
    let bytes = 0;
    fs.readSync = function (descriptor, buffer, offset, length) { bytes += length; return readSync.apply(this, arguments); };
    try {
      for (const file of [large, files.huge]) {
        bytes = 0;
        const readout = await tessmar.readFile(file);
        assert.equal(readout.error, null);
        assert.ok(bytes > 0 && bytes <= 16384, `${bytes} bytes read of ${file}`);
      }
    } finally {
      fs.readSync = readSync;
    }
  });

  await t.test('a wrong argument is refused, not read', async () => {
    for (const wrong of [undefined, 42, '', 'a\0b', { path: 'x.nef' }])
      await assert.rejects(tessmar.readFile(wrong), TypeError, String(wrong));
  });

  fs.rmSync(files.dir, { recursive: true, force: true });
});
