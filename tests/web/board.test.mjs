// The page served by a real dravik-server in Debian's Chromium: a stored run
// sent as a file is ranked first with the bound beside it, forged and broken
// ones are refused with their reasons, and racing the entry draws its ghost
// and tells the gap at the first key.
//   node --test board.test.mjs   with DRAVIK_SITE, DRAVIK_SERVER, DRAVIK_RUN set
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { chromium } from 'playwright-core';

const { DRAVIK_SITE: site, DRAVIK_SERVER: serverPath, DRAVIK_RUN: winningRun } = process.env;
const work = mkdtempSync(join(tmpdir(), 'dravik-board-'));
let server;
let address;
let browser;

before(async () => {
  server = spawn(serverPath, ['--listen', '127.0.0.1:0', '--db', `sqlite:${join(work, 'board.sqlite')}`, '--site', site,
    '--submissions-per-minute', '0']);
  address = await new Promise((resolve, reject) => {
    let said = '';
    server.stdout.on('data', (d) => {
      said += d;
      const found = /http:\/\/127\.0\.0\.1:\d+\//.exec(said);
      if (found) resolve(found[0]);
    });
    server.on('exit', (code) => reject(new Error(`dravik-server ended with ${code}`)));
  });
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
  server?.kill();
  rmSync(work, { recursive: true, force: true });
});

// The ghost's square on the overlay, in the level's pixels: the top left of
// the pixels of the window's ghost colour (the player's red, alpha 150).
const ghostOnOverlay = (page) => page.evaluate(() => {
  const c = document.getElementById('overlay');
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  for (let i = 0; i < d.length; i += 4) {
    if (d[i] === 255 && d[i + 1] === 0 && d[i + 2] === 0 && d[i + 3] === 150) {
      return [(i / 4) % c.width, Math.floor(i / 4 / c.width)].map((v) => v * 1047 / c.width);
    }
  }
  return null;
});
const player = (page) => page.evaluate(() => {
  const c = document.getElementById('scene');
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  for (let i = 0; i < d.length; i += 4) {
    if (d[i] === 255 && d[i + 1] === 0 && d[i + 2] === 0) {
      return [(i / 4) % c.width, Math.floor(i / 4 / c.width)].map((v) => v * 1047 / c.width);
    }
  }
  return null;
});

test('a run sent to the server is ranked with the bound beside it, forgeries are refused, and its ghost races the player', async () => {
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 } });
  await context.addInitScript(() => localStorage.setItem('dravik.help-seen', '1'));
  const page = await context.newPage();
  const errors = [];
  // A refusal is a 4xx answer, which the browser itself logs; nothing else may be.
  page.on('console', (m) => m.type() === 'error' && !/status of 4\d\d/.test(m.text()) && errors.push(m.text()));
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(`${address}?hold`);
  await page.locator('#board-best').getByText('No run yet \u00b7 proven bound 0:31.98').waitFor();

  // Sent as a file under a name with markup in it, shown as text.
  const name = '<b>Ann</b> & co';
  await page.locator('#submit-name').fill(name);
  const run = readFileSync(winningRun, 'utf8');
  const send = (file, buffer) => page.locator('#submit-run-file')
    .setInputFiles({ name: file, mimeType: 'text/plain', buffer: Buffer.from(buffer) });
  await send('winning-run.txt', run);
  await page.getByText('Rank 1: 0:38.93 with 0 deaths').waitFor();
  await page.locator('#board-entries li.own').waitFor();
  assert.equal(await page.locator('#board-best').textContent(), 'Best 0:38.93 \u00b7 proven bound 0:31.98');
  const entry = page.locator('#board-entries li').first();
  assert.deepEqual(await entry.locator('span').allTextContents(), ['1.', name, '0:38.93', '0 deaths']);
  assert.equal(await entry.locator('b').count(), 0, 'a name is never markup');

  // Each refused with the server's reason, and the board holds one run still.
  const eventChanged = run.replace('\n1 down 38\n', '\n1 down 40\n');
  const forged = run.replace('"deaths": "0"', '"deaths": "3"');
  const noWin = run.split('\n').slice(0, 200).join('\n') + '\n';
  assert.ok(eventChanged !== run && forged !== run);
  for (const [file, body, reason] of [
    ['changed.txt', eventChanged, 'the final state differs at tick 2492'],
    ['forged.txt', forged, 'the final state differs at tick 2492'],
    ['large.txt', '#'.repeat(2 * 1024 * 1024), 'too long: the file is over 1 MB'],
    ['no-win.txt', noWin, 'no win: the run ends at tick 515 without entering the goal'],
  ]) {
    await page.locator('#board-said').evaluate((e) => { e.textContent = ''; });
    await send(file, body);
    await page.locator('#board-said.refused').waitFor();
    const said = await page.locator('#board-said').textContent();
    assert.ok(said.startsWith(`Refused: ${reason}`), `${file}: ${said}`);
  }
  assert.equal(await page.locator('#board-count').textContent(), '1 run');

  // Race, from the game's first tick (the page holds its time): the live
  // player on the stored route keeps step with the ghost and takes the first
  // key at the same tick.
  await entry.getByRole('button', { name: 'Race' }).click();
  await page.locator('#race').waitFor();
  assert.equal(await page.locator('#race-name').textContent(), name);
  assert.equal(await page.evaluate(() => window.dravikStep(0)), 0);
  const start = await player(page);
  const near = (a, b) => Math.abs(a[0] - b[0]) <= 1.5 && Math.abs(a[1] - b[1]) <= 1.5;
  assert.ok(near(await ghostOnOverlay(page), start), 'the ghost sets off with the player');
  const keys = { 37: 'ArrowLeft', 38: 'ArrowUp', 39: 'ArrowRight', 40: 'ArrowDown' };
  const events = run.split('\n').filter((l) => /^\d+ (down|up) \d+$/.test(l)).map((l) => l.split(' '));
  // Plays the stored route live, key by key, to tick `to`.
  const playRoute = (to) => page.evaluate(([route, codes, end]) => {
    let tick = 0;
    for (const [t, kind, code] of route.filter(([t]) => Number(t) <= end)) {
      if (Number(t) - 1 > tick) tick = window.dravikStep(Number(t) - 1 - tick);
      window.dispatchEvent(new KeyboardEvent(kind === 'down' ? 'keydown' : 'keyup', { code: codes[code] }));
    }
    window.dravikStep(end - tick);
  }, [events, keys, to]);
  await playRoute(83);
  assert.equal(await page.locator('#keys-left').textContent(), '154');
  assert.equal(await page.locator('#gap').textContent(), '+0.00 s');
  const beside = [await ghostOnOverlay(page), await player(page)];
  assert.ok(near(...beside), `the ghost at ${beside[0]}, the player at ${beside[1]}`);
  // The player lets go and stands; the ghost walks on along its route.
  await page.evaluate((codes) => {
    for (const code of Object.values(codes)) window.dispatchEvent(new KeyboardEvent('keyup', { code }));
    window.dravikStep(1);
  }, keys);
  const stood = await player(page);
  await page.evaluate(() => window.dravikStep(32));
  const walked = await ghostOnOverlay(page);
  assert.deepEqual(await player(page), stood);
  assert.ok(walked && !near(walked, stood), `the ghost walked on to ${walked}`);

  // Watch: the entry's run from the server, as a replay link plays one.
  await entry.getByRole('button', { name: 'Watch' }).click();
  await page.waitForFunction(() => window.dravikWatching());

  // The same run won live on the next visit: Submit sends the win under the
  // name kept from before, and the server knows it already.
  await page.goto(`${address}?hold`);
  await page.locator('#board-entries li').waitFor();
  assert.equal(await page.locator('#submit-name').inputValue(), name);
  assert.ok(await page.locator('#submit').isHidden(), 'nothing to submit before a win');
  await playRoute(2492);
  await page.locator('#win').waitFor();
  await page.keyboard.press('Enter');
  await page.locator('#submit').click();
  await page.locator('#board-said.refused').waitFor();
  assert.equal(await page.locator('#board-said').textContent(),
    'Refused: a duplicate: the same run is on the board already');
  assert.deepEqual(errors, []);
  await context.close();
});
