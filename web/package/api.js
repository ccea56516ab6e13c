// readFile: one camera file's readout, as one element of `tessmar --json`.
// In Node the host's files are mounted in the module's file system (NODEFS)
// and read there; in a browser a File or Blob is read in a Web Worker made
// from this very script (tessmarWorkerMain and the module's factory), as
// the page does. Either way only the bytes the reader asks for are read.
var tessmarPackage = (function () {
  'use strict';
  var inNode = typeof process === 'object' && process !== null && typeof process.versions === 'object' &&
    process.versions !== null && typeof process.versions.node === 'string' && typeof window === 'undefined';

  function nodeReader() {
    var nodePath = require('path');
    var ready = null;
    var mounts = {};  // a root of the host's file system -> where it is mounted
    function module() {
      if (!ready) {
        ready = createTessmar().then(function (m) {
          m.read = m.cwrap('tessmar_read', 'string', ['string', 'string']);
          m.clear = m.cwrap('tessmar_clear', null, []);
          return m;
        });
      }
      return ready;
    }
    // Where the host's `absolute` path is found in the module's file
    // system: each root (/, or a drive on Windows) mounted once.
    function inModule(m, absolute) {
      var root = nodePath.parse(absolute).root;
      if (!mounts[root]) {
        var point = '/host' + Object.keys(mounts).length;
        m.FS.mkdir(point);
        m.FS.mount(m.FS.filesystems.NODEFS, { root: root }, point);
        mounts[root] = point;
      }
      return mounts[root] + '/' + absolute.slice(root.length).split(nodePath.sep).join('/');
    }
    return function readFile(path) {
      if (typeof path !== 'string' || path === '' || path.indexOf('\0') >= 0)
        return Promise.reject(new TypeError('readFile: the path must be a non-empty string'));
      return module().then(function (m) {
        m.clear();  // one file at a time: nothing is kept between calls
        return JSON.parse(m.read(inModule(m, nodePath.resolve(path)), path));
      });
    };
  }

  function browserReader() {
    var worker = null;
    var waiting = [];  // resolvers, in the order the files were sent
    function start() {
      var url = URL.createObjectURL(new Blob([tessmarWorkerSource(createTessmar)], { type: 'text/javascript' }));
      worker = new Worker(url);
      URL.revokeObjectURL(url);
      worker.onmessage = function (event) {
        var message = event.data;
        if (message.type === 'row') {
          waiting.shift().resolve(JSON.parse(message.json));
        } else if (message.type === 'failed') {
          waiting.splice(0).forEach(function (w) { w.reject(new Error(message.message)); });
          worker = null;
        }
      };
    }
    return function readFile(file) {
      if (typeof Blob === 'undefined' || !(file instanceof Blob))
        return Promise.reject(new TypeError('readFile: give a File or a Blob'));
      if (!worker)
        start();
      return new Promise(function (resolve, reject) {
        waiting.push({ resolve: resolve, reject: reject });
        worker.postMessage({ type: 'read', files: [{ file: file, name: typeof file.name === 'string' ? file.name : '' }] });
      });
    };
  }

  return { readFile: inNode ? nodeReader() : browserReader(), version: '@VERSION@' };
})();

// In place of the factory the module's own code exported.
if (typeof module === 'object' && module !== null)
  module.exports = tessmarPackage;
