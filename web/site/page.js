// The page: a terminal that shows every byte the program prints and acts as
// a terminal's line discipline for what is typed (echo, backspace, one line
// handed over at Enter), and a board that follows the boards the program
// prints. The program runs in worker.js; the console stays the one source of
// truth, the board only types moves into it.
import { Terminal } from './vendor/xterm/xterm.mjs';
import { Chessboard, COLOR, INPUT_EVENT_TYPE } from './vendor/cm-chessboard/src/Chessboard.js';

const params = new URLSearchParams(location.search);
const variant = params.get('program') === 'variant';
const programSelect = document.getElementById('program');
programSelect.value = variant ? 'variant' : 'main';
programSelect.addEventListener('change', () => {
  location.search = programSelect.value === 'variant' ? '?program=variant' : '';
});
const status = document.getElementById('status');

const term = new Terminal({ cols: 80, rows: 34, convertEol: false, scrollback: 5000 });
term.open(document.getElementById('console'));
term.focus();

const board = new Chessboard(document.getElementById('board'), {
  assetsUrl: 'vendor/cm-chessboard/',
  style: { pieces: { file: 'standard.svg' }, animationDuration: 150 },
});

// Everything the program printed, one character per byte.
const printed = [];
let printedText = null;
let workerWaiting = false; // the program waits for a line
let sent = 0;              // lines handed to the program
let taken = 0;             // lines it has read

// The last line the program has begun and not ended, and the lines of a
// board drawing seen so far (rank 8 first).
let openLine = '';
let ranks = [];
let shownPlacement = null;
let humanColour = COLOR.white;

const worker = new Worker('worker.js');
worker.postMessage({ type: 'start', program: variant ? 'chess_variant' : 'chess_main' });

// Board letters: White in capitals, Black in lower case with 'o' for pawns.
function placementOf(rows) {
  return rows.map((row) => {
    let fen = '';
    let empty = 0;
    for (const letter of row) {
      const piece = letter === 'o' ? 'p' : letter;
      if ('KQRBNPkqrbnp'.includes(piece)) {
        fen += (empty || '') + piece;
        empty = 0;
      } else {
        ++empty;
      }
    }
    return fen + (empty || '');
  }).join('/');
}

const rankLine = /^ ([1-8]) ((?: .){8})  \1 $/;
const movePrompt = /\) (WHITE|BLACK) TO MOVE $/;

function lineEnded(line) {
  const m = rankLine.exec(line);
  if (!m) {
    ranks = [];
    return;
  }
  if (Number(m[1]) !== 8 - ranks.length) ranks = [];
  if (Number(m[1]) !== 8 - ranks.length) return;
  ranks.push(m[2].replace(/ /g, ''));
  if (ranks.length === 8) {
    shownPlacement = placementOf(ranks);
    board.setPosition(shownPlacement, true);
    ranks = [];
  }
}

function programPrinted(bytes) {
  let text = '';
  for (const byte of bytes) text += String.fromCharCode(byte);
  printed.push(text);
  printedText = null;
  term.write(bytes);
  const parts = (openLine + text).split('\r\n');
  openLine = parts.pop();
  parts.forEach(lineEnded);
  const prompt = movePrompt.exec(openLine);
  if (prompt) {
    const colour = prompt[1] === 'BLACK' ? COLOR.black : COLOR.white;
    if (colour !== humanColour) {
      humanColour = colour;
      board.setOrientation(colour, false);
    }
  }
}

function waiting() {
  return workerWaiting && taken === sent;
}

// A drag types its move only into an empty line at the move prompt.
function waitingForMove() {
  return waiting() && editLine === '' && movePrompt.test(openLine);
}

// The line discipline of a terminal: echo, erase, and the line at Enter.
// A line holds at most 4095 characters, as a Linux terminal's does.
let editLine = '';
let afterCR = false;
function typeText(data) {
  for (const ch of data) {
    const wasCR = afterCR;
    afterCR = ch === '\r';
    if (ch === '\r' || ch === '\n') {
      if (ch === '\n' && wasCR) continue;
      term.write('\r\n');
      worker.postMessage({ type: 'line', text: editLine });
      ++sent;
      editLine = '';
    } else if (ch === '\x04') {
      // Ctrl-D hands over what is typed without a line end; on an empty
      // line it is the end of the input.
      worker.postMessage(editLine ? { type: 'line', text: editLine, partial: true } : { type: 'end' });
      ++sent;
      editLine = '';
    } else if (ch === '\x7f' || ch === '\b') {
      if (editLine.length === 0) continue;
      editLine = editLine.slice(0, -1);
      term.write('\b \b');
    } else if (ch === '\x15') {
      term.write('\b \b'.repeat(editLine.length)); // Ctrl-U erases the line
      editLine = '';
    } else if (ch >= ' ' && editLine.length < 4095) {
      editLine += ch;
      term.write(ch);
    }
  }
}
term.onData(typeText);

board.enableMoveInput((event) => {
  if (event.type === INPUT_EVENT_TYPE.moveInputStarted) return waitingForMove();
  if (event.type === INPUT_EVENT_TYPE.validateMoveInput) {
    if (!waitingForMove()) return false;
    typeText((event.squareFrom + event.squareTo).toUpperCase() + '\r');
    term.focus();
    return true;
  }
  return true;
});

// Files of the program's working folder: download any, upload one for LOAD.
const fileList = document.getElementById('files');
function showFiles(files) {
  fileList.replaceChildren(...files.map(({ name, size }) => {
    const item = document.createElement('li');
    item.textContent = `${name} (${size} bytes)`;
    const button = document.createElement('button');
    button.textContent = 'download';
    button.addEventListener('click', () => worker.postMessage({ type: 'download', name }));
    item.append(button);
    return item;
  }));
}

function saveDownload(name, bytes) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

document.getElementById('upload').addEventListener('change', async (event) => {
  const file = event.target.files[0];
  event.target.value = '';
  const name = file && file.name.replace(/^.*[\\/]/, '');
  if (!name || name === '.' || name === '..') return;
  worker.postMessage({ type: 'upload', name, bytes: await file.arrayBuffer() });
});

const storage = document.getElementById('storage');
worker.onmessage = (event) => {
  const message = event.data;
  switch (message.type) {
    case 'output':
      programPrinted(message.bytes);
      break;
    case 'waiting':
      workerWaiting = true;
      taken = message.taken;
      status.textContent = 'waiting for your reply';
      // A move the program refused leaves the board as it last drew it.
      if (shownPlacement && taken === sent) board.setPosition(shownPlacement, true);
      break;
    case 'taken':
      taken = message.taken;
      workerWaiting = false;
      status.textContent = 'thinking…';
      break;
    case 'files':
      showFiles(message.files);
      break;
    case 'file':
      saveDownload(message.name, message.bytes);
      break;
    case 'storage':
      storage.className = message.ok ? '' : 'refused';
      storage.textContent = message.ok
        ? 'Files are kept in this browser and survive a reload.'
        : `Files last until the page is closed (${message.reason}).`;
      break;
    case 'ended':
      workerWaiting = false;
      status.textContent = 'the program has ended; reload the page to play again';
      break;
    case 'failed':
      status.textContent = 'the program could not start: ' + message.reason;
      break;
  }
};

window.chessPage = {
  output: () => (printedText ??= printed.join('')),
  waiting,
};
