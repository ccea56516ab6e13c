// The page in the system's Chromium, headless, opened from disk: files and
// folders picked and dropped, each download compared byte for byte with
// what the command line prints for the same files, the table, the chart as
// drawn, bad inputs, the page's layout, and every request it makes.
//
//   node tests/web/page.test.cjs [--screenshot FILE.png]
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { chromium } = require('playwright-core');
const support = require('./support.cjs');

const screenshotArg = process.argv.indexOf('--screenshot');
const screenshot = screenshotArg > 0 ? path.resolve(process.argv[screenshotArg + 1]) : null;
const pageUrl = 'file://' + path.join(support.web, 'tessmar.html');

// Holds the page's messages to its worker until released, so that a test
// can change a file between its being picked and its being read.
const holdWorkerMessages = () => {
  const send = Worker.prototype.postMessage;
  const held = [];
  window.__hold = false;
  window.__held = held;
  window.__release = () => { window.__hold = false; held.splice(0).forEach(([w, m]) => send.call(w, m)); };
  Worker.prototype.postMessage = function (message) {
    if (window.__hold) held.push([this, message]); else send.call(this, message);
  };
};

test('the page', async (t) => {
  support.requireBuilt();
  const files = support.makeFixtures();
  const browser = await chromium.launch({ executablePath: process.env.TESSMAR_CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox'] });
  // Closed however the tests end: an open browser would keep node running.
  t.after(() => browser.close());
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1280, height: 900 } });
  await context.addInitScript(holdWorkerMessages);
  const requests = [];
  context.on('request', (r) => requests.push(r.url()));
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(pageUrl);

  const finished = () => page.waitForSelector('#save-json:not([disabled])', { timeout: 120000 });
  const download = async (id) => {
    const [d] = await Promise.all([page.waitForEvent('download'), page.click(id)]);
    return { name: d.suggestedFilename(), text: fs.readFileSync(await d.path(), 'utf8') };
  };
  // The four downloads against the command line's output for `args` in `cwd`.
  const compareDownloads = async (args, cwd) => {
    const expected = {
      '#save-json': ['tessmar.json', support.tessmar(['--json', ...args], cwd)],
      '#save-csv': ['tessmar.csv', support.tessmar(['--csv', ...args], cwd)],
      '#save-cameras': ['tessmar-cameras.json', support.tessmar(['--cameras', '--json', ...args], cwd)],
      '#save-chart': ['tessmar-chart.svg', support.tessmarChart(args, cwd)],
    };
    for (const [id, [name, text]] of Object.entries(expected)) {
      const got = await download(id);
      assert.equal(got.name, name, id);
      assert.equal(got.text, text, `${id} differs from the command line's output`);
    }
    return JSON.parse(expected['#save-json'][1]);
  };
  // The table as shown, one array of cell texts per row.
  const table = () => page.$$eval('#results tbody tr', (rows) => rows.map((r) => ({
    failed: r.classList.contains('failed'), cells: [...r.cells].map((c) => c.textContent) })));
  const checkTable = async (readouts) => {
    const rows = await table();
    assert.equal(rows.length, readouts.length, 'one row per file');
    readouts.forEach((r, i) => {
      const { cells, failed } = rows[i];
      assert.equal(cells[0], r.file);
      assert.equal(failed, r.error !== null, r.file);
      if (r.error === null) {
        assert.deepEqual(cells.slice(1, 7), [r.camera, r.serial ?? '', r.shootingDate,
          String(r.mechanical), String(r.electronic), String(r.total)]);
        assert.equal(cells[7], '');
      } else {
        // No figure at all where there is no count: a 0 would read as one.
        assert.deepEqual(cells.slice(4, 7), ['—', '—', '—'], r.file);
        assert.equal(cells[7], r.error);
      }
    });
  };

  await t.test('files picked are read in the order picked, downloads as tessmar prints them', async () => {
    const names = fs.readdirSync(files.seeds).sort().reverse();
    const bad = ['empty.nef', 'cut.nef', 'letter.nef', 'notes.txt'];
    await page.setInputFiles('#files', [...names.map((n) => path.join(files.seeds, n)),
      ...bad.map((n) => path.join(files.lib, n)), files.huge]);
    await finished();
    // Every name is in one folder for the command line: the same names.
    const cwd = fs.mkdtempSync(path.join(files.dir, 'flat-'));
    names.forEach((n) => fs.linkSync(path.join(files.seeds, n), path.join(cwd, n)));
    bad.forEach((n) => fs.linkSync(path.join(files.lib, n), path.join(cwd, n)));
    fs.symlinkSync(files.huge, path.join(cwd, 'huge.nef'));
    const readouts = await compareDownloads([...names, ...bad, 'huge.nef'], cwd);
    await checkTable(readouts);
    assert.ok(readouts.some((r) => r.error === null) && readouts.some((r) => r.error !== null));
    assert.equal(readouts.at(-1).error, null, 'the file of more than 4 GiB is read');
    assert.match(await page.textContent('#status'), new RegExp(`Read ${readouts.length} files, \\d+ without a count`));
  });

  await t.test('a folder picked gives the files tessmar -r gives, in its order, and the bodies and chart', async () => {
    await page.setInputFiles('#folder', files.lib);
    await finished();
    const readouts = await compareDownloads(['-r', 'lib'], files.dir);
    await checkTable(readouts);
    assert.ok(readouts.findIndex((r) => r.file === 'lib/\uFF21.nef') < readouts.findIndex((r) => r.file === 'lib/\u{1F600}.nef'),
      'names in the order of their UTF-8 bytes');
    assert.ok(!readouts.some((r) => r.file.endsWith('.txt')));

    // Every body the command line's summary lists, a body of files without
    // a count too, and each decrease named in full where it can be seen.
    const bodies = JSON.parse(support.tessmar(['--cameras', '--json', '-r', 'lib'], files.dir));
    assert.ok(bodies.some((b) => b.files === 0 && b.filesWithoutCount > 0));
    const shown = await page.$$eval('#bodies tbody tr', (rows) => rows.map((r) => [...r.cells].map((c) => c.textContent)));
    assert.deepEqual(shown.map((c) => [c[0], c[1], c[2], c[3], c[4], c[7]]),
      bodies.map((b) => [b.camera || 'unknown', b.serial ?? 'unknown', String(b.files), String(b.filesWithoutCount),
        (b.firstDate ?? '').slice(0, 10), b.lastTotal === null ? '' : String(b.lastTotal)]));
    const fell = bodies.flatMap((b) => b.decreases.map((d) => [b, d]));
    assert.ok(fell.length > 0);
    const named = await page.$$eval('#decreases li', (items) => items.map((i) => ({
      text: i.textContent, seen: i.getBoundingClientRect().width > 0 && i.checkVisibility() })));
    assert.deepEqual(named.map((n) => n.text), fell.map(([b, d]) =>
      `${b.camera || 'unknown'}${b.serial === null ? '' : ' ' + b.serial}: ${d.from.file} (${d.from.date}, ${d.from.total}) \u2192 ` +
      `${d.to.file} (${d.to.date}, ${d.to.total})`));
    assert.ok(named.every((n) => n.seen), 'the count that went down is on the screen');

    // The chart as drawn: each body's colour is on the screen, inside the
    // plot, and the page's chart is the downloaded one.
    const svg = support.tessmarChart(['-r', 'lib'], files.dir);
    const colours = [...svg.matchAll(/<g class="body" stroke="(#[0-9a-f]{6})"/g)].map((m) => m[1]);
    assert.ok(colours.length >= 4);
    const drawn = await page.$eval('#chart svg', async (chart) => {
      const box = chart.getBoundingClientRect();
      const image = new Image();
      image.src = URL.createObjectURL(new Blob([new XMLSerializer().serializeToString(chart)], { type: 'image/svg+xml' }));
      await image.decode();
      const canvas = new OffscreenCanvas(image.naturalWidth, image.naturalHeight);
      const g = canvas.getContext('2d');
      g.drawImage(image, 0, 0);
      const { data } = g.getImageData(0, 0, canvas.width, canvas.height);
      const seen = {};
      for (let i = 0; i < data.length; i += 4) {
        const hex = '#' + [data[i], data[i + 1], data[i + 2]].map((v) => v.toString(16).padStart(2, '0')).join('');
        seen[hex] = (seen[hex] || 0) + 1;
      }
      return { width: box.width, seen, bodies: chart.querySelectorAll('g.body').length };
    });
    assert.ok(drawn.width > 300, 'the chart is shown at a readable size');
    assert.equal(drawn.bodies, colours.length);
    for (const colour of colours) assert.ok((drawn.seen[colour] || 0) > 20, `body colour ${colour} is drawn`);

    // A folder with no camera file in it is a run of none, not no run.
    fs.mkdirSync(path.join(files.dir, 'none'));
    fs.writeFileSync(path.join(files.dir, 'none', 'notes.txt'), 'no photos here\n');
    await page.setInputFiles('#folder', path.join(files.dir, 'none'));
    await finished();
    assert.equal(await page.textContent('#status'), 'No camera files found.');
    assert.equal(await page.$$eval('#results tbody tr', (r) => r.length), 0);
    assert.ok(await page.isHidden('#cameras'));
    assert.equal((await download('#save-json')).text, support.tessmar(['--json', '-r', 'none'], files.dir));
  });

  await t.test('files removed after they were picked are named with their cause, the next is read', async () => {
    // One removed before the browser looked at it (it then shows as 0 bytes
    // long), one after the browser took its size (its reads then fail).
    const gone = ['gone.nef', 'gone-later.nef'].map((n) => path.join(files.dir, n));
    gone.forEach((g) => fs.copyFileSync(path.join(files.lib, '\uFF21.nef'), g));
    await page.evaluate(() => { window.__hold = true; });
    await page.setInputFiles('#files', [...gone, path.join(files.lib, 'upper.JPG')]);
    const sizes = await page.evaluate(() => window.__held.map(([, m]) => m.files[1].file.size));
    assert.ok(sizes[0] > 0);
    gone.forEach((g) => fs.rmSync(g));
    await page.evaluate(() => window.__release());
    await finished();
    const rows = JSON.parse((await download('#save-json')).text);
    assert.deepEqual(rows.map((r) => [r.file, r.error, r.total > 0]),
      [['gone.nef', 'no such file', false], ['gone-later.nef', 'no such file', false], ['upper.JPG', null, true]]);
  });

  await t.test('dropped files are read as picked ones', async () => {
    const names = ['upper.JPG', 'letter.nef'];
    const contents = names.map((n) => [...fs.readFileSync(path.join(files.lib, n))]);
    await page.evaluate(([names, contents]) => {
      const transfer = new DataTransfer();
      names.forEach((n, i) => transfer.items.add(new File([new Uint8Array(contents[i])], n)));
      document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }, [names, contents]);
    await finished();
    assert.equal((await download('#save-json')).text, support.tessmar(['--json', ...names], files.lib));
  });

  await t.test('10,000 files in a folder: a row each, and the page answers while it reads', async () => {
    const many = path.join(files.dir, 'many');
    fs.mkdirSync(many);
    const source = path.join(files.lib, 'upper.JPG');
    for (let i = 0; i < 10000; ++i) fs.linkSync(source, path.join(many, `DSC_${String(i).padStart(5, '0')}.JPG`));
    await page.setInputFiles('#folder', many);
    // While the worker reads, the page's own thread keeps answering.
    let slowest = 0;
    while (await page.isDisabled('#save-json')) {
      const start = Date.now();
      await page.evaluate(() => document.querySelectorAll('#results tbody tr').length);
      slowest = Math.max(slowest, Date.now() - start);
      await page.waitForTimeout(100);
    }
    // Laying out a table of thousands of rows takes a while on a busy
    // machine; a frozen page would not answer until the end.
    assert.ok(slowest < 2000, `the page took ${slowest} ms to answer`);
    assert.equal(await page.$$eval('#results tbody tr', (r) => r.length), 10000);
    assert.equal((await download('#save-csv')).text, support.tessmar(['--csv', '-r', 'many'], files.dir));
  });

  await t.test('phone width, keyboard and dark mode', async () => {
    // A dozen files of several bodies and one that is no camera file: what
    // README's picture shows.
    const some = support.listFiles(files.lib).filter((f) => /\.(NEF|NRW)$/.test(f)).sort().filter((f, i) => i % 4 === 0);
    await page.setInputFiles('#files', [...some, path.join(files.lib, 'letter.nef')]);
    await finished();
    if (screenshot) {
      await page.setViewportSize({ width: 1024, height: 800 });
      await page.screenshot({ path: screenshot, fullPage: true });
    }
    await page.setViewportSize({ width: 360, height: 740 });
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth),
      'nothing but the tables scrolls sideways on a phone');
    const button = await page.$eval('#save-json', (b) => b.getBoundingClientRect().height);
    assert.ok(button >= 44, 'buttons are big enough to touch');
    await page.setViewportSize({ width: 1280, height: 900 });
    // Tab reaches both pickers and every button, in that order.
    await page.focus('body');
    const reached = [];
    for (let i = 0; i < 12; ++i) {
      await page.keyboard.press('Tab');
      reached.push(await page.evaluate(() => document.activeElement.id));
    }
    const order = ['files', 'folder', 'save-json', 'save-csv', 'save-cameras', 'save-chart'];
    const stops = reached.filter((id) => order.includes(id));
    const from = stops.indexOf('files');
    assert.deepEqual(stops.slice(from, from + order.length), order);
    const background = () => page.evaluate(() => getComputedStyle(document.body).backgroundColor);
    await page.emulateMedia({ colorScheme: 'light' });
    const light = await background();
    await page.emulateMedia({ colorScheme: 'dark' });
    const dark = await background();
    const level = (rgb) => rgb.match(/\d+/g).slice(0, 3).reduce((a, b) => a + Number(b), 0);
    assert.ok(level(light) > 600 && level(dark) < 150, `${light} / ${dark}`);
    await page.emulateMedia({ colorScheme: 'light' });
    assert.match(await page.textContent('body'), /never leave this device/);
  });

  await t.test('the package in a browser reads a File in a worker of its own', async () => {
    const packagePage = await context.newPage();
    await packagePage.setContent('<input type="file" id="f">');
    await packagePage.addScriptTag({ path: path.join(support.web, 'package/index.js') });
    await packagePage.setInputFiles('#f', path.join(files.lib, 'upper.JPG'));
    const got = await packagePage.evaluate(async () => {
      const input = document.getElementById('f');
      const one = await tessmarPackage.readFile(input.files[0]);
      const refused = await tessmarPackage.readFile('a path').then(() => 'resolved', (e) => e.name);
      return { one, refused };
    });
    assert.deepEqual(got.one, JSON.parse(support.tessmar(['--json', 'upper.JPG'], files.lib))[0]);
    assert.equal(got.refused, 'TypeError');
    await packagePage.close();
  });

  await t.test('no request leaves the machine', () => {
    assert.ok(requests.length > 0);
    const outside = requests.filter((u) => !/^(file|blob|data|about):/.test(u));
    assert.deepEqual(outside, []);
    assert.deepEqual(errors, []);
  });

  fs.rmSync(files.dir, { recursive: true, force: true });
});
