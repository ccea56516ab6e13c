// The reading side of the page and of the package in a browser, run in a
// Web Worker: the browser's File objects are mounted in the module's file
// system (WORKERFS), where every read the reader makes becomes one
// Blob.slice read synchronously, so only the bytes it asks for are read.
//
// tessmarWorkerMain is turned into the worker's source with toString(), next
// to the module's factory and tessmarBrowserReason, so it must use nothing
// else from around it.
//
// Messages in:  {type: 'read', files: [{file, name}]}  a new run: every file
//                                                      read in turn; an
//                                                      entry {name, reason}
//                                                      without a file is
//                                                      kept as not read
//               {type: 'output', which}                one whole output of
//                                                      the run so far
// Messages out: {type: 'ready'} | {type: 'failed', message}
//               {type: 'row', index, json}             one file read
//               {type: 'done', count}                  the run is over
//               {type: 'output', which, text}
// Why the browser refused to hand over a file or list a folder, in the
// words the command line uses for the same cause: one removed or renamed
// since it was picked, or one the system no longer lets the browser read.
// Any other refusal is `otherwise`, with the browser's own message.
function tessmarBrowserReason(error, otherwise) {
  switch (error && error.name) {
    case 'NotFoundError': return 'no such file';
    case 'NotAllowedError':
    case 'SecurityError': return 'permission denied';
    default: {
      var detail = error && (error.message || error.name);
      return detail ? otherwise + ': ' + detail : otherwise;
    }
  }
}

function tessmarWorkerMain(createTessmar, scope) {
  // Emscripten's number for EIO: what a read the browser refused becomes
  // for the reader, which then gives up on the file.
  var kIoError = 29;
  var module = null;
  var queue = [];
  var runs = 0;
  var browserError = null;  // why the browser refused the last read

  function start(m) {
    module = m;
    var workerfs = m.FS.filesystems.WORKERFS;
    var read = workerfs.stream_ops.read;
    workerfs.stream_ops.read = function () {
      try {
        return read.apply(this, arguments);
      } catch (error) {
        browserError = error;
        throw new m.FS.ErrnoError(kIoError);
      }
    };
    m.read = m.cwrap('tessmar_read', 'string', ['string', 'string']);
    m.unreadable = m.cwrap('tessmar_unreadable', 'string', ['string', 'string']);
    m.replaceReason = m.cwrap('tessmar_replace_reason', 'string', ['string']);
    m.clear = m.cwrap('tessmar_clear', null, []);
    m.output = m.cwrap('tessmar_output', 'string', ['number']);
    scope.postMessage({ type: 'ready' });
    queue.splice(0).forEach(handle);
  }

  function readRun(files) {
    module.clear();
    var point = '/run' + (++runs);
    module.FS.mkdir(point);
    module.FS.mount(module.FS.filesystems.WORKERFS,
      { blobs: files.map(function (f, i) { return { name: String(i), data: f.file || new Blob([]) }; }) }, point);
    try {
      for (var i = 0; i < files.length; ++i) {
        if (!files[i].file) {
          scope.postMessage({ type: 'row', index: i, json: module.unreadable(files[i].name, files[i].reason) });
          continue;
        }
        browserError = null;
        // A file removed since it was picked shows as 0 bytes long, which
        // the reader would call too short: reading it whole (nothing, when
        // it is there) tells the two apart.
        if (files[i].file.size === 0) {
          try {
            new FileReaderSync().readAsArrayBuffer(files[i].file);
          } catch (error) {
            browserError = error;
          }
        }
        var json = module.read(point + '/' + i, files[i].name);
        if (browserError) {
          // Kept with the browser's cause in place of the reader's words.
          json = module.replaceReason(tessmarBrowserReason(browserError, 'the file could not be read'));
        }
        scope.postMessage({ type: 'row', index: i, json: json });
      }
    } finally {
      module.FS.unmount(point);
      module.FS.rmdir(point);
    }
    scope.postMessage({ type: 'done', count: files.length });
  }

  function handle(message) {
    if (!module) {
      queue.push(message);
      return;
    }
    if (message.type === 'read')
      readRun(message.files);
    else if (message.type === 'output')
      scope.postMessage({ type: 'output', which: message.which, text: module.output(message.which) });
  }

  scope.onmessage = function (event) { handle(event.data); };
  createTessmar().then(start, function (error) {
    scope.postMessage({ type: 'failed', message: String(error && error.message || error) });
  });
}

// The source of a worker that runs tessmarWorkerMain with the module's
// factory `createTessmar`: all are functions of this script, so a page
// opened from disk needs no second file for its worker.
function tessmarWorkerSource(createTessmar) {
  return 'var _scriptDir;\nvar createTessmar = ' + createTessmar.toString() + ';\n' +
    tessmarBrowserReason.toString() + '\n(' + tessmarWorkerMain.toString() + ')(createTessmar, self);\n';
}
