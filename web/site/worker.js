// Runs one console program (chess_main or chess_variant) for the page.
// The program's working folder /play holds the opening book and the files it
// writes. Each time the program waits for a line, the files that changed
// since the last time are written to the browser's IndexedDB; at start they
// are read back. Files are only ever added or replaced there, never removed,
// so a page open in another tab cannot take away a file this one saved.
// Messages from the page: {type: 'start', program}, {type: 'line', text},
// {type: 'upload', name, bytes}, {type: 'download', name}. To the page:
// 'output', 'waiting', 'taken', 'files', 'file', 'storage', 'ended'.
'use strict';

const folder = '/play';
const books = ['MYBOOK.TXT', 'WMYBOOK.TXT'];
const encoder = new TextEncoder();
const lines = [];      // typed lines the program has not read yet
let lineWaiter = null; // wakes the program's read when a line comes
let taken = 0;         // lines the program has read so far
let fs = null;
let database = null;   // null when the browser refuses storage
const stored = new Map(); // file name -> its time and size when last stored
let saving = Promise.resolve();

function post(message, transfer) {
  self.postMessage(message, transfer || []);
}

function request(operation) {
  return new Promise((resolve, reject) => {
    operation.onsuccess = () => resolve(operation.result);
    operation.onerror = () => reject(operation.error);
  });
}

async function openStore() {
  const opening = indexedDB.open('quentaro-chess', 1);
  opening.onupgradeneeded = () => opening.result.createObjectStore('files');
  return request(opening);
}

function folderFiles() {
  const files = [];
  for (const name of fs.readdir(folder)) {
    const info = name === '.' || name === '..' ? null : fs.stat(folder + '/' + name);
    if (info && fs.isFile(info.mode)) files.push({ name, size: info.size, time: `${info.mtime.getTime()}:${info.size}` });
  }
  return files;
}

async function storeChanged() {
  const changed = folderFiles().filter(({ name, time }) =>
    !books.includes(name) && stored.get(name) !== time);
  for (const { name, time } of changed) {
    try {
      const put = database.transaction('files', 'readwrite').objectStore('files')
        .put(fs.readFile(folder + '/' + name), name);
      await request(put);
      stored.set(name, time);
    } catch (error) {
      post({ type: 'storage', ok: false, reason: `${name} was not stored: ${error}` });
    }
  }
}

// Stores what changed (one store after another) and shows the folder.
function persist() {
  post({ type: 'files', files: folderFiles() });
  if (database) saving = saving.then(storeChanged);
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
  if (bytes === null) {
    lines.shift();
    post({ type: 'taken', taken: ++taken });
    return null; // the end of the input
  }
  if (bytes.length > capacity) {
    lines[0] = bytes.subarray(capacity);
    bytes = bytes.subarray(0, capacity);
  } else {
    lines.shift();
    post({ type: 'taken', taken: ++taken });
  }
  return bytes;
}

// Reads the stored files into the folder; where the browser refuses
// storage, the files live until the page is closed.
async function restoreFiles() {
  try {
    database = await openStore();
    const store = database.transaction('files').objectStore('files');
    const [names, contents] = await Promise.all([request(store.getAllKeys()), request(store.getAll())]);
    names.forEach((name, i) => {
      if (books.includes(name)) return;
      fs.writeFile(folder + '/' + name, contents[i]);
      const info = fs.stat(folder + '/' + name);
      stored.set(name, `${info.mtime.getTime()}:${info.size}`);
    });
    post({ type: 'storage', ok: true });
  } catch (error) {
    database = null;
    post({ type: 'storage', ok: false, reason: 'the browser refused storage: ' + error });
  }
}

async function start(program) {
  const [wasm, ...bookFiles] = await Promise.all(
    [program + '.wasm', ...books].map(async (name) => {
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
    webEnded: () => persist().then(() => post({ type: 'ended' })),
    webSetup: ({ FS, addRunDependency, removeRunDependency }) => {
      fs = FS;
      FS.mkdir(folder);
      FS.chdir(folder);
      // The book comes with the page.
      FS.writeFile(folder + '/' + books[0], bookFiles[0]);
      FS.writeFile(folder + '/' + books[1], bookFiles[1]);
      addRunDependency('restore-files');
      restoreFiles().finally(() => removeRunDependency('restore-files'));
    },
  });
}

self.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'start') {
    start(message.program).catch((error) => post({ type: 'failed', reason: String(error) }));
  } else if (message.type === 'line' || message.type === 'end') {
    lines.push(message.type === 'end' ? null : encoder.encode(message.text + (message.partial ? '' : '\n')));
    if (lineWaiter) {
      const wake = lineWaiter;
      lineWaiter = null;
      wake();
    }
  } else if (message.type === 'upload' && fs && !books.includes(message.name)) {
    fs.writeFile(folder + '/' + message.name, new Uint8Array(message.bytes));
    persist();
  } else if (message.type === 'download' && fs) {
    try {
      const bytes = fs.readFile(folder + '/' + message.name);
      post({ type: 'file', name: message.name, bytes }, [bytes.buffer]);
    } catch {
      persist();
    }
  }
};
