// Benchmark (not a test): the page against reading the files whole, in the
// same headless Chromium, side by side in one run. N camera files of M MiB
// are picked at once on the page (build/web/tessmar.html, from disk) and
// timed from the pick to the last row shown; then the same browser reads
// the same files whole, one after the other (File.arrayBuffer), as a page
// that uploads them must before it can even start. Both sides read warm
// files (each side once before the timed runs) and alternate.
//
//   node bench/web.cjs [--files N] [--mib M] [--runs R]   (200, 30, 3)
'use strict';
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const root = path.resolve(__dirname, '..');
const { chromium } = require(path.join(root, 'tests/web/node_modules/playwright-core'));

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  return at > 0 ? Number(process.argv[at + 1]) : fallback;
}
const count = option('--files', 200);
const mib = option('--mib', 30);
const runs = option('--runs', 3);
const maker = path.join(root, process.env.TESSMAR_NATIVE_DIR || 'build/test', 'tools/make_nef_files');
const page = path.join(root, 'build/web/tessmar.html');

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

(async () => {
  for (const needed of [maker, page]) {
    if (!fs.existsSync(needed)) throw new Error(`missing ${needed}: build it first (scripts/bench.sh web does)`);
  }
  const dir = fs.mkdtempSync(path.join(process.env.TMPDIR || os.tmpdir(), 'tessmar-web-bench-'));
  try {
    const first = path.join(dir, 'DSC_0000.NEF');
    const made = spawnSync(maker, ['large', first, String(mib)], { encoding: 'utf8' });
    if (made.status !== 0) throw new Error(made.stderr);
    // Files of their own (not links): each has its own pages to read.
    const files = [first];
    for (let i = 1; i < count; ++i) {
      const file = path.join(dir, `DSC_${String(i).padStart(4, '0')}.NEF`);
      fs.copyFileSync(first, file);
      files.push(file);
    }

    const browser = await chromium.launch({ executablePath: process.env.TESSMAR_CHROMIUM || '/usr/bin/chromium',
      args: ['--no-sandbox'] });
    const tab = await browser.newPage();
    await tab.goto('file://' + page);
    await tab.evaluate(() => {
      const whole = document.createElement('input');
      whole.type = 'file';
      whole.multiple = true;
      whole.id = 'whole';
      whole.hidden = true;
      document.body.append(whole);
    });

    // The page: from the pick (the input's change) to the last row.
    const pageRun = async () => {
      await tab.evaluate((n) => {
        window.__shown = new Promise((resolve) => {
          document.getElementById('files').addEventListener('change', () => {
            const start = performance.now();
            const rows = document.querySelector('#results tbody');
            const observer = new MutationObserver(() => {
              if (rows.rows.length === n) { observer.disconnect(); resolve(performance.now() - start); }
            });
            observer.observe(rows, { childList: true });
          }, { once: true, capture: true });
        });
      }, count);
      await tab.setInputFiles('#files', files);
      const ms = await tab.evaluate(() => window.__shown);
      const failed = await tab.$$eval('#results tbody tr.failed', (r) => r.length);
      if (failed) throw new Error(`${failed} files gave no count`);
      return ms;
    };
    // Reading whole: every file's bytes, one file after another.
    const wholeRun = async () => {
      await tab.setInputFiles('#whole', files);
      return tab.evaluate(async () => {
        const start = performance.now();
        let bytes = 0;
        for (const file of document.getElementById('whole').files) bytes += (await file.arrayBuffer()).byteLength;
        window.__bytes = bytes;
        return performance.now() - start;
      });
    };

    await pageRun();
    await wholeRun();
    const timesPage = [];
    const timesWhole = [];
    for (let i = 0; i < runs; ++i) {
      if (i % 2) { timesWhole.push(await wholeRun()); timesPage.push(await pageRun()); }
      else { timesPage.push(await pageRun()); timesWhole.push(await wholeRun()); }
    }
    const bytes = await tab.evaluate(() => window.__bytes);
    const version = browser.version();
    await browser.close();

    const p = median(timesPage);
    const w = median(timesWhole);
    console.log(`${count} NEF files of ${mib} MiB picked at once, Chromium ${version} headless, ${runs} runs each (median)`);
    console.log(`  tessmar.html, all rows shown:        ${p.toFixed(0).padStart(7)} ms   (${timesPage.map((t) => t.toFixed(0)).join(', ')})`);
    console.log(`  the same files read whole:           ${w.toFixed(0).padStart(7)} ms   (${timesWhole.map((t) => t.toFixed(0)).join(', ')}; ${(bytes / 2 ** 20).toFixed(0)} MiB)`);
    console.log(`  the page is ${(w / p).toFixed(1)} times faster`);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
})().catch((error) => { console.error(error); process.exit(1); });
