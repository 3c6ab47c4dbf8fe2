// The page in headless Chromium, served on 127.0.0.1: the first question's
// time, a game typed with the keyboard byte for byte against the native
// program on a terminal, a dragged move, a deep search that keeps the page
// answering, SAVE across a reload, and the variant. Screenshots go to
// build/web-test/. usage: node tests/web/page_test.mjs (from the project root)
import { createRequire } from 'node:module';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const root = process.cwd();
const site = path.join(root, 'build/web');
const shots = path.join(root, 'build/web-test');
const { chromium } = createRequire(path.join(root, 'build/npm/'))('playwright-core');
fs.mkdirSync(shots, { recursive: true });

const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.svg': 'image/svg+xml' };
const server = http.createServer((request, response) => {
  const file = path.join(site, decodeURIComponent(new URL(request.url, 'http://x').pathname));
  if (!file.startsWith(site) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
  fs.createReadStream(file).pipe(response);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/index.html`;
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
const page = await browser.newPage({ viewport: { width: 1280, height: 860 } });
let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures++;
}
const output = () => page.evaluate(() => window.chessPage.output());
const idle = () => page.waitForFunction(() => window.chessPage.waiting(), null, { timeout: 120000 });
async function type(...lines) {
  for (const line of lines) {
    await idle();
    await page.keyboard.type(line);
    await page.keyboard.press('Enter');
  }
  await idle();
}
// The last board the console printed, square name -> piece letter.
function lastBoard(text) {
  const rows = [...text.matchAll(/^ ([1-8]) ((?: .){8})  \1 $/gm)].slice(-8);
  const squares = {};
  for (const [, rank, cells] of rows) {
    [...cells.replace(/ /g, '')].forEach((c, i) => {
      if (c !== '.') squares['abcdefgh'[i] + rank] = c;
    });
  }
  return squares;
}
async function shownBoard() {
  return page.evaluate(() => Object.fromEntries([...document.querySelectorAll('#board g[data-square]')]
    .map((g) => [g.dataset.square, g.dataset.piece])));
}
const sorted = (squares) => JSON.stringify(Object.keys(squares).sort().map((s) => [s, squares[s]]));
const asLetters = (shown) => Object.fromEntries(Object.entries(shown).map(([square, piece]) =>
  [square, piece[0] === 'w' ? piece[1].toUpperCase() : piece[1] === 'p' ? 'o' : piece[1]]));

try {
  // The first question, and a game typed at the keyboard.
  const started = Date.now();
  await page.goto(url);
  await page.waitForFunction(() => window.chessPage.output().includes('SAVE OUTPUT TO FILE (1=YES) '));
  const firstQuestion = Date.now() - started;
  check(firstQuestion < 5000, `first question after ${firstQuestion} ms`);
  const lines = ['0', '0', '0', 'e2e4', 'D2D4', 'BOARD', 'A1A5', 'g1f3'];
  await type(...lines);
  const work = fs.mkdtempSync('/tmp/web-test-');
  fs.copyFileSync(path.join(site, 'MYBOOK.TXT'), path.join(work, 'MYBOOK.TXT'));
  fs.copyFileSync(path.join(site, 'WMYBOOK.TXT'), path.join(work, 'WMYBOOK.TXT'));
  const native = execFileSync('python3', [path.join(root, 'tests/web/native_tty.py'),
    path.join(root, 'build/chess_main'), work], { input: lines.join('\n') + '\n' }).toString('latin1');
  check(await output() === native, 'a typed game prints the bytes of the native program on a terminal');
  await page.screenshot({ path: path.join(shots, '1-typed-game.png') });

  // A move dragged on the board.
  const before = (await output()).length;
  const centre = async (square) => {
    const box = await page.locator(`#board [data-square="${square}"]`).first().boundingBox();
    return [box.x + box.width / 2, box.y + box.height / 2];
  };
  const [fx, fy] = await centre('b1');
  const [tx, ty] = await centre('c3');
  await page.mouse.move(fx, fy);
  await page.mouse.down();
  await page.mouse.move(tx, ty, { steps: 8 });
  await page.mouse.up();
  await idle();
  await page.waitForTimeout(500); // the board's move animation
  const afterDrag = await output();
  check(afterDrag.slice(before).includes('\r\nWHITE B1C3\r\n'), 'the dragged move is played');
  const printedBoard = lastBoard(afterDrag);
  check(printedBoard.c3 === 'N' && sorted(asLetters(await shownBoard())) === sorted(printedBoard),
    'the board shows the printed board');
  await page.screenshot({ path: path.join(shots, '2-dragged-move.png') });

  // A search at depth 6: progress marks before the move, the page answering.
  await type('DEPTH', '6');
  const searchFrom = (await output()).length;
  await page.keyboard.type('F1C4');
  await page.keyboard.press('Enter');
  let slowest = 0;
  let marksBeforeMove = false;
  let searchShot = false;
  while (!(await page.evaluate(() => window.chessPage.waiting()))) {
    const asked = Date.now();
    const text = (await output()).slice(searchFrom);
    slowest = Math.max(slowest, Date.now() - asked);
    marksBeforeMove ||= /^=+\r\n\.+$/.test(text);
    if (marksBeforeMove && !searchShot) {
      searchShot = true;
      await page.screenshot({ path: path.join(shots, '3-searching.png') });
    }
    await page.waitForTimeout(20);
  }
  check(marksBeforeMove, 'progress marks shown while the computer thinks');
  check(slowest < 100, `the page answered within ${slowest} ms during the search`);

  // SAVE, reload, LOAD.
  await type('SAVE', 'GAME.TXT');
  const saved = lastBoard(await output());
  await page.reload();
  await type('0', '0', '0', 'LOAD', 'GAME.TXT');
  const loaded = await output();
  await page.waitForTimeout(500);
  check(!loaded.includes('NOT LOADED') && sorted(lastBoard(loaded)) === sorted(saved) &&
    sorted(asLetters(await shownBoard())) === sorted(saved), 'a position saved before a reload loads after it');
  await page.screenshot({ path: path.join(shots, '4-loaded-after-reload.png') });

  // The variant, chosen on the page.
  await page.selectOption('#program', 'variant');
  await page.waitForURL(/program=variant/);
  await type('0', '1', '1', 'E7E5');
  await page.waitForTimeout(500);
  const [a1, a8] = [await centre('a1'), await centre('a8')];
  const variantText = await output();
  check(variantText.includes('(1=YES)     USING THE OPENING BOOK  \r\n') && a1[1] < a8[1],
    'the variant runs when chosen, the board turned for Black');
  check(variantText.includes('USING OPENING MOVE#'), 'the computer answers from the book');
  await page.screenshot({ path: path.join(shots, '5-variant.png') });
} finally {
  await browser.close();
  server.close();
}
console.log(failures ? `${failures} page checks failed` : 'all page checks passed');
process.exit(failures ? 1 : 0);
