// Runs one console program (chess_main or chess_variant) for the page.
// The program's working folder /play holds the opening book and the files it
// writes; those are kept in the browser's IndexedDB (IDBFS) and written
// there each time the program waits for a line. Messages from the page:
// {type: 'start', program}, {type: 'line', text}, {type: 'upload', name,
// bytes}, {type: 'download', name}. To the page: 'output', 'waiting',
// 'taken', 'files', 'file', 'storage', 'ended'.
'use strict';

const folder = '/play';
const encoder = new TextEncoder();
const lines = [];      // typed lines the program has not read yet
let lineWaiter = null; // wakes the program's read when a line comes
let taken = 0;         // lines the program has read so far
let fs = null;
let storage = null;    // the IDBFS mount, or null when the browser refuses it
let saving = Promise.resolve();

function post(message, transfer) {
  self.postMessage(message, transfer || []);
}

function listFiles() {
  if (!fs) return;
  const files = [];
  for (const name of fs.readdir(folder)) {
    if (name === '.' || name === '..') continue;
    const info = fs.stat(folder + '/' + name);
    if (fs.isFile(info.mode)) files.push({ name, size: info.size });
  }
  post({ type: 'files', files });
}

// Writes the folder to IndexedDB, one write after another.
function persist() {
  saving = saving.then(() => new Promise((resolve) => {
    if (!storage) return resolve();
    fs.syncfs(false, (error) => {
      if (error) post({ type: 'storage', ok: false, reason: 'could not store the files: ' + error });
      resolve();
    });
  }));
  listFiles();
  return saving;
}

// The program's read: the next typed line, waiting for one if need be.
async function readInput(capacity) {
  if (lines.length === 0) {
    persist();
    post({ type: 'waiting', taken });
    await new Promise((resolve) => (lineWaiter = resolve));
  }
  let bytes = lines[0];
  if (bytes.length > capacity) {
    lines[0] = bytes.subarray(capacity);
    bytes = bytes.subarray(0, capacity);
  } else {
    lines.shift();
    post({ type: 'taken', taken: ++taken });
  }
  return bytes;
}

async function start(program) {
  const [wasm, ...books] = await Promise.all(
    [program + '.wasm', 'MYBOOK.TXT', 'WMYBOOK.TXT'].map(async (name) => {
      const response = await fetch(name);
      if (!response.ok) throw new Error(name + ': ' + response.status);
      return new Uint8Array(await response.arrayBuffer());
    }));
  importScripts(program + '.js');
  createChessProgram({
    wasmBinary: wasm,
    webWrite: (bytes) => post({ type: 'output', bytes }, [bytes.buffer]),
    webRead: readInput,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onExit: () => persist().then(() => post({ type: 'ended' })),
    webSetup: ({ FS, IDBFS, addRunDependency, removeRunDependency }) => {
      fs = FS;
      FS.mkdir(folder);
      addRunDependency('restore-files');
      const ready = (ok, reason) => {
        if (!ok) {
          storage = null;
          post({ type: 'storage', ok: false, reason });
        } else {
          post({ type: 'storage', ok: true });
        }
        // The book comes with the page; a stored copy is replaced by it.
        FS.writeFile(folder + '/MYBOOK.TXT', books[0]);
        FS.writeFile(folder + '/WMYBOOK.TXT', books[1]);
        FS.chdir(folder);
        removeRunDependency('restore-files');
      };
      try {
        if (typeof indexedDB === 'undefined') throw new Error('no IndexedDB');
        storage = FS.mount(IDBFS, {}, folder);
        FS.syncfs(true, (error) => ready(!error, error && 'the browser refused storage: ' + error));
      } catch (error) {
        ready(false, 'the browser refused storage: ' + error.message);
      }
    },
  });
}

self.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'start') {
    start(message.program).catch((error) => post({ type: 'failed', reason: String(error) }));
  } else if (message.type === 'line') {
    lines.push(encoder.encode(message.text + '\n'));
    if (lineWaiter) {
      const wake = lineWaiter;
      lineWaiter = null;
      wake();
    }
  } else if (message.type === 'upload' && fs) {
    fs.writeFile(folder + '/' + message.name, new Uint8Array(message.bytes));
    persist();
  } else if (message.type === 'download' && fs) {
    const bytes = fs.readFile(folder + '/' + message.name);
    post({ type: 'file', name: message.name, bytes }, [bytes.buffer]);
  }
};
