// Runs one of the WebAssembly programs under Node over standard input and
// output, with the current folder as its working folder, as the native
// programs run.
import { createRequire } from 'node:module';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import fs from 'node:fs';

const require = createRequire(import.meta.url);
const here = dirname(fileURLToPath(import.meta.url));

function writeAll(fd, bytes) {
  let done = 0;
  while (done < bytes.length) {
    try {
      done += fs.writeSync(fd, bytes, done, bytes.length - done);
    } catch (e) {
      // A reader that went away ends the program quietly, as SIGPIPE does.
      if (e.code === 'EPIPE') process.exit(141);
      if (e.code !== 'EAGAIN') throw e;
    }
  }
}

// Standard input as a queue of chunks; a read waits for the next one.
function inputQueue() {
  const chunks = [];
  let ended = false;
  let wake = null;
  process.stdin.on('data', (chunk) => {
    chunks.push(new Uint8Array(chunk));
    if (wake) wake();
  });
  process.stdin.on('end', () => {
    ended = true;
    if (wake) wake();
  });
  process.stdin.on('error', () => {
    ended = true;
    if (wake) wake();
  });
  return async (capacity) => {
    while (chunks.length === 0 && !ended) await new Promise((resolve) => (wake = resolve));
    wake = null;
    if (chunks.length === 0) return null;
    const chunk = chunks[0];
    if (chunk.length <= capacity) return chunks.shift();
    chunks[0] = chunk.subarray(capacity);
    return chunk.subarray(0, capacity);
  };
}

// Mounts the host's folders at their own paths (but the module's /dev and
// /proc) and starts in the current folder, so every file name means what it
// means to a native program.
function mountHost({ FS, NODEFS }) {
  for (const name of fs.readdirSync('/')) {
    if (name === 'dev' || name === 'proc') continue;
    let isFolder = false;
    try {
      isFolder = fs.statSync('/' + name).isDirectory();
    } catch {
      continue;
    }
    if (!isFolder) continue;
    try {
      FS.mkdir('/' + name);
    } catch {}
    FS.mount(NODEFS, { root: '/' + name }, '/' + name);
  }
  FS.chdir(process.cwd());
}

export function runProgram(name, args = []) {
  const factory = require(join(here, name + '.js'));
  let read = null;
  const options = {
    arguments: args,
    wasmBinary: fs.readFileSync(join(here, name + '.wasm')),
    webSetup: mountHost,
    webWrite: (bytes) => writeAll(1, bytes),
    webRead: (capacity) => (read ||= inputQueue())(capacity),
    print: (text) => writeAll(1, Buffer.from(text + '\n')),
    printErr: (text) => writeAll(2, Buffer.from(text + '\n')),
    onExit: (status) => process.exit(status),
    webEnded: name === 'searchbench' ? undefined : (status) => process.exit(status),
  };
  // On a pipe or a file the program must not take its input for a
  // terminal's: a plain device at descriptor 0 makes isatty() false.
  if (!process.stdin.isTTY) options.stdin = () => null;
  factory(options);
}
