// The page: turns picked and dropped files into one run for the worker,
// shows each file's row as it arrives, and when the run is over the summary
// by camera body, the chart and the four downloads, all written by the
// worker's module (the same code as the command line's output).
(function () {
  'use strict';
  var kJson = 0, kCsv = 1, kCamerasJson = 2, kChart = 3;
  var downloads = [
    { id: 'save-json', which: kJson, name: 'tessmar.json', type: 'application/json' },
    { id: 'save-csv', which: kCsv, name: 'tessmar.csv', type: 'text/csv' },
    { id: 'save-cameras', which: kCamerasJson, name: 'tessmar-cameras.json', type: 'application/json' },
    { id: 'save-chart', which: kChart, name: 'tessmar-chart.svg', type: 'image/svg+xml' }
  ];
  var $ = function (id) { return document.getElementById(id); };
  var rows = $('results').tBodies[0];
  var status = $('status');
  var progress = $('progress');
  var workerUrl = URL.createObjectURL(new Blob([tessmarWorkerSource(createTessmar)], { type: 'text/javascript' }));
  var worker = null;
  var run = null;  // {total, shown, pending, outputs}

  // True for the names a folder walk reads: .nef, .nrw, .jpg, .jpeg and
  // .dng in any ASCII case (the i flag without u leaves other letters be).
  function isCameraFileName(name) { return /\.(nef|nrw|jpg|jpeg|dng)$/i.test(name); }

  // Paths ordered by their UTF-8 bytes, as the command line sorts a folder:
  // JavaScript's own comparison of UTF-16 units differs above U+FFFF.
  var encoder = new TextEncoder();
  function byPathBytes(entries) {
    entries.forEach(function (e) { e.key = encoder.encode(e.name); });
    entries.sort(function (a, b) {
      var n = Math.min(a.key.length, b.key.length);
      for (var i = 0; i < n; ++i)
        if (a.key[i] !== b.key[i]) return a.key[i] - b.key[i];
      return a.key.length - b.key.length;
    });
    entries.forEach(function (e) { delete e.key; });
    return entries;
  }

  function say(text) { status.textContent = text; }
  function plural(n, one, many) { return n + ' ' + (n === 1 ? one : many); }

  function cell(row, text, className) {
    var td = row.insertCell();
    td.textContent = text;
    if (className) td.className = className;
    return td;
  }

  function addRow(readout, into) {
    var row = document.createElement('tr');
    var failed = readout.error !== null;
    if (failed) row.className = 'failed';
    cell(row, readout.file, 'file');
    cell(row, readout.camera, 'whole');
    cell(row, readout.serial === null ? '' : readout.serial);
    cell(row, readout.shootingDate, 'whole');
    // A file that gave no count shows no figure at all, only its reason.
    ['mechanical', 'electronic', 'total'].forEach(function (field) {
      var td = cell(row, failed ? '—' : String(readout[field]), 'n');
      if (failed) td.setAttribute('aria-label', 'no count');
    });
    cell(row, failed ? readout.error : '', 'reason');
    into.appendChild(row);
  }

  function showProgress() {
    if (!run) return;
    run.frame = 0;
    var batch = document.createDocumentFragment();
    run.pending.splice(0).forEach(function (readout) { addRow(readout, batch); });
    rows.appendChild(batch);
    progress.value = run.shown;
    if (run.shown < run.total) say('Reading: ' + run.shown + ' of ' + plural(run.total, 'file', 'files') + '…');
  }

  function setSaving(enabled) {
    downloads.forEach(function (d) { $(d.id).disabled = !enabled; });
  }

  function showCameras(bodies, svg) {
    var section = $('cameras');
    var tbody = $('bodies').tBodies[0];
    var decreases = $('decreases');
    tbody.textContent = '';
    decreases.textContent = '';
    $('chart').textContent = '';
    section.hidden = bodies.length === 0;
    if (section.hidden) return;
    var blank = function (v) { return v === null ? '' : String(v); };
    // The day alone, as the command line's table shows it: the rows above
    // give each file's time.
    var day = function (v) { return v === null ? '' : v.slice(0, 10); };
    var point = function (p) { return p.file + ' (' + p.date + ', ' + p.total + ')'; };
    // A body the file does not name is "unknown", as in the command line's table.
    var named = function (v) { return v === null || v === '' ? 'unknown' : v; };
    bodies.forEach(function (b) {
      var row = tbody.insertRow();
      cell(row, named(b.camera), b.camera === '' ? 'whole unknown' : 'whole');
      cell(row, named(b.serial), b.serial === null ? 'whole unknown' : 'whole');
      cell(row, String(b.files), 'n');
      cell(row, String(b.filesWithoutCount), 'n');
      cell(row, day(b.firstDate), 'whole');
      cell(row, day(b.lastDate), 'whole');
      cell(row, blank(b.firstTotal), 'n');
      cell(row, blank(b.lastTotal), 'n');
      cell(row, blank(b.shots), 'n');
      cell(row, b.shotsPerDay === null ? '' : b.shotsPerDay.toFixed(1), 'n');
      // Below the table, in full, where no narrow column can hide them: a
      // count that went down is what a buyer most needs to see.
      b.decreases.forEach(function (d) {
        var item = document.createElement('li');
        item.textContent = named(b.camera) + (b.serial === null ? '' : ' ' + b.serial) + ': ' +
          point(d.from) + ' \u2192 ' + point(d.to);
        decreases.appendChild(item);
      });
    });
    $('went-down').hidden = decreases.childElementCount === 0;
    // Bodies whose files all lack a count have no point to plot.
    if (!bodies.some(function (b) { return b.files > 0; })) return;
    var chart = new DOMParser().parseFromString(svg, 'image/svg+xml').documentElement;
    if (chart.namespaceURI === 'http://www.w3.org/2000/svg')
      $('chart').appendChild(document.importNode(chart, true));
  }

  function onMessage(event) {
    var message = event.data;
    if (!run || event.target !== worker) return;
    if (message.type === 'row') {
      run.pending.push(JSON.parse(message.json));
      run.shown += 1;
      // Rows go into the table a batch at a time, a few times a second:
      // each insertion lays the whole table out again.
      if (!run.frame) run.frame = setTimeout(showProgress, 150);
    } else if (message.type === 'done') {
      showProgress();
      downloads.forEach(function (d) { worker.postMessage({ type: 'output', which: d.which }); });
    } else if (message.type === 'output') {
      run.outputs[message.which] = message.text;
      if (Object.keys(run.outputs).length === downloads.length) finish();
    } else if (message.type === 'failed') {
      say('The reader could not start in this browser: ' + message.message);
      progress.hidden = true;
    }
  }

  function finish() {
    progress.hidden = true;
    var failed = rows.querySelectorAll('tr.failed').length;
    say(run.total === 0 ? 'No camera files found.' :
      'Read ' + plural(run.total, 'file', 'files') + (failed ? ', ' + failed + ' without a count.' : '.'));
    showCameras(JSON.parse(run.outputs[kCamerasJson]), run.outputs[kChart]);
    setSaving(true);
  }

  // A new run replaces the one before, which is stopped where it is.
  function startRun(entries) {
    if (worker) worker.terminate();
    worker = new Worker(workerUrl);
    worker.onmessage = onMessage;
    worker.onerror = function (e) { say('The reader stopped: ' + (e.message || 'an error in the worker')); };
    run = { total: entries.length, shown: 0, pending: [], outputs: {}, frame: 0 };
    rows.textContent = '';
    $('cameras').hidden = true;
    setSaving(false);
    progress.max = Math.max(entries.length, 1);
    progress.value = 0;
    progress.hidden = false;
    say('Reading ' + plural(entries.length, 'file', 'files') + '…');
    worker.postMessage({ type: 'read', files: entries });
  }

  $('files').addEventListener('change', function () {
    var picked = Array.prototype.map.call(this.files, function (f) { return { file: f, name: f.name }; });
    this.value = '';
    if (picked.length) startRun(picked);
  });

  $('folder').addEventListener('change', function () {
    var picked = Array.prototype.filter.call(this.files, function (f) { return isCameraFileName(f.name); })
      .map(function (f) { return { file: f, name: f.webkitRelativePath || f.name }; });
    this.value = '';
    // A folder without camera files is a run of none: the page says so.
    startRun(byPathBytes(picked));
  });

  downloads.forEach(function (d) {
    $(d.id).addEventListener('click', function () {
      if (!run || run.outputs[d.which] === undefined) return;
      var url = URL.createObjectURL(new Blob([run.outputs[d.which]], { type: d.type }));
      var a = document.createElement('a');
      a.href = url;
      a.download = d.name;
      document.body.appendChild(a);
      a.click();
      a.remove();
      setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
    });
  });

  // Dropping: files are read as given, folders walked for camera files as
  // the folder button does. A folder the browser cannot list is named with
  // its reason, as the command line names one it cannot read.
  function readAll(reader) {
    return new Promise(function (resolve) {
      var all = [];
      (function next() {
        reader.readEntries(function (batch) {
          if (!batch.length) return resolve({ entries: all });
          all = all.concat(batch);
          next();
        }, function (error) { resolve({ entries: all, error: error }); });
      })();
    });
  }
  function fileOf(entry) {
    return new Promise(function (resolve) { entry.file(resolve, function () { resolve(null); }); });
  }
  function walk(entry, path, out) {
    if (entry.isFile) {
      if (!isCameraFileName(entry.name)) return Promise.resolve();
      return fileOf(entry).then(function (f) {
        out.push(f ? { file: f, name: path } : { file: null, name: path, reason: 'the browser could not read it' });
      });
    }
    return readAll(entry.createReader()).then(function (listed) {
      if (listed.error)
        out.push({ file: null, name: path, reason: tessmarBrowserReason(listed.error, 'the browser could not read it') });
      return Promise.all(listed.entries.map(function (child) {
        var inner = [];
        return walk(child, path + '/' + child.name, inner).then(function () { return inner; });
      })).then(function (lists) { lists.forEach(function (l) { out.push.apply(out, l); }); });
    });
  }
  function dropped(items, files) {
    var entries = Array.prototype.map.call(items, function (item) {
      return item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
    });
    return Promise.all(entries.map(function (entry, i) {
      if (!entry || entry.isFile) {
        var f = entry ? fileOf(entry) : Promise.resolve(files[i] || null);
        return f.then(function (file) {
          var name = entry ? entry.name : file ? file.name : '';
          return [file ? { file: file, name: name } : { file: null, name: name, reason: 'the browser could not read it' }];
        });
      }
      var found = [];
      return walk(entry, entry.name, found).then(function () {
        var problems = found.filter(function (e) { return !e.file; });
        return byPathBytes(found.filter(function (e) { return e.file; }).concat(problems));
      });
    })).then(function (lists) { return [].concat.apply([], lists); });
  }

  var drop = $('drop');
  var depth = 0;
  window.addEventListener('dragenter', function (e) { e.preventDefault(); depth += 1; drop.hidden = false; });
  window.addEventListener('dragleave', function () { depth = Math.max(0, depth - 1); if (!depth) drop.hidden = true; });
  window.addEventListener('dragover', function (e) { e.preventDefault(); e.dataTransfer.dropEffect = 'copy'; });
  window.addEventListener('drop', function (e) {
    e.preventDefault();
    depth = 0;
    drop.hidden = true;
    var transfer = e.dataTransfer;
    dropped(transfer.items, transfer.files).then(function (entries) { if (entries.length) startRun(entries); });
  });
})();
