// The page in Debian's Chromium, headless: the same picture as the window at
// device pixel ratios 1 and 2, the arrows, RESET, a saved run that the native
// dravik-sim verifies, a replay link that wins, a newcomer's path at the
// viewports of a laptop, a large screen, a phone both ways and a tablet (no
// leaderboard on a static site), and the server's answers.
//   node --test page.test.mjs   with DRAVIK_SITE, DRAVIK, DRAVIK_SIM, DRAVIK_RUN set
//   (and DRAVIK_WEB_SHOTS, a folder, to keep the newcomer's screenshots)
import assert from 'node:assert/strict';
import { execFileSync, spawn, spawnSync } from 'node:child_process';
import { cpSync, mkdirSync, mkdtempSync, readFileSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { chromium } from 'playwright-core';

const { DRAVIK_SITE: site, DRAVIK: dravik, DRAVIK_SIM: sim, DRAVIK_RUN: winningRun } = process.env;
const work = mkdtempSync(join(tmpdir(), 'dravik-web-'));
// The newcomer's screenshots, to be looked at: kept where DRAVIK_WEB_SHOTS says.
const shots = process.env.DRAVIK_WEB_SHOTS ?? work;
const serve = new URL('../../web/serve.mjs', import.meta.url).pathname;
let server;
let address;
let browser;

before(async () => {
  cpSync(site, join(work, 'site'), { recursive: true });
  cpSync(winningRun, join(work, 'site', 'winning-run.txt'));
  server = spawn('node', [serve, join(work, 'site'), '0']);
  address = await new Promise((resolve, reject) => {
    server.stdout.on('data', (d) => resolve(/http:\/\/127\.0\.0\.1:\d+\//.exec(String(d))[0]));
    server.on('exit', reject);
  });
  // Debian's Chromium; playwright-core starts it with a fresh profile of its own.
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
  server?.kill();
  rmSync(work, { recursive: true, force: true });
});

// A page whose console must stay free of errors; one that has shown its help
// before, unless `fresh`. At 1400 by 830 the level is at its own size.
async function open(path, deviceScaleFactor = 1, { viewport = { width: 1400, height: 830 }, touch = false, fresh = false } = {}) {
  const context = await browser.newContext({ deviceScaleFactor, viewport, acceptDownloads: true, hasTouch: touch, isMobile: touch });
  if (!fresh) {
    await context.addInitScript(() => localStorage.setItem('dravik.help-seen', '1'));
  }
  const page = await context.newPage();
  const errors = [];
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(address + path);
  await page.waitForFunction(() => document.getElementById('notice').textContent === '');
  return { page, errors, context };
}

// An image file as rows of RGB bytes.
function pixels(file) {
  const size = execFileSync('identify', ['-format', '%w %h', file], { encoding: 'utf8' }).split(' ').map(Number);
  return { width: size[0], height: size[1], data: execFileSync('convert', [file, '-depth', '8', 'rgb:-'], { maxBuffer: 1 << 26 }) };
}

// Every pixel of the playing area that lies inside a flat patch of the
// window's picture (5×5 of one colour, so no edge of a circle) must be that
// colour on the page, in each of the page's device pixels over it.
function comparePicture(native, page, scale) {
  let compared = 0;
  const differing = [];
  const at = (img, x, y) => img.data.readUIntBE((y * img.width + x) * 3, 3);
  for (let y = 2; y < native.height - 2; ++y) {
    for (let x = 2; x < 768; ++x) { // left of the labels, whose text each rasteriser draws its own way
      const colour = at(native, x, y);
      let flat = true;
      for (let dy = -2; dy <= 2 && flat; ++dy) {
        for (let dx = -2; dx <= 2 && flat; ++dx) {
          flat = at(native, x + dx, y + dy) === colour;
        }
      }
      if (!flat) {
        continue;
      }
      ++compared;
      for (let k = 0; k < scale * scale; ++k) {
        const found = at(page, x * scale + (k % scale), y * scale + Math.floor(k / scale));
        if (found !== colour) {
          differing.push(`(${x}, ${y}): ${found.toString(16)} for ${colour.toString(16)}`);
          break;
        }
      }
    }
  }
  assert.ok(compared > 400000, `only ${compared} pixels compared`);
  assert.deepEqual(differing.slice(0, 5), [], `${differing.length} of ${compared} pixels differ`);
}

// The player's red square on the canvas, in CSS pixels: [left, top].
const player = (page) => page.evaluate(() => {
  const c = document.getElementById('scene');
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  for (let i = 0; i < d.length; i += 4) {
    if (d[i] === 255 && d[i + 1] === 0 && d[i + 2] === 0) {
      const p = i / 4;
      return [(p % c.width) * 1047 / c.width, Math.floor(p / c.width) * 830 / c.height];
    }
  }
  return null;
});

test('the page paints, steers, resets and saves a run as the game does', async () => {
  execFileSync(dravik, ['--screenshot', join(work, 'native.png'), '--ticks', '300']);
  const native = pixels(join(work, 'native.png'));
  for (const scale of [1, 1.5, 2]) {
    const { page, errors, context } = await open('?hold', scale);
    assert.equal(await page.title(), 'Dravik 1');
    assert.equal(await page.evaluate(() => window.dravikStep(300)), 300);
    // Crisp: the canvas holds a pixel for each of the device's.
    const backing = await page.evaluate(() => [document.getElementById('scene').width, document.getElementById('scene').height]);
    assert.ok(Math.abs(backing[0] - 1047 * scale) <= 1 && backing[1] === 830 * scale, `backing store ${backing}`);
    if (scale !== Math.round(scale)) {
      await context.close();
      continue;
    }
    await page.locator('#client').screenshot({ path: join(work, `page-${scale}.png`) });
    const shot = pixels(join(work, `page-${scale}.png`));
    assert.deepEqual([shot.width, shot.height], [1047 * scale, 830 * scale]);
    comparePicture(native, shot, scale);
    assert.deepEqual(errors, []);
    await context.close();
  }

  const { page, errors, context } = await open('?hold');
  // A static site has no leaderboard: once the page has looked, none of it shows.
  await page.waitForLoadState('networkidle');
  for (const id of ['#board', '#submit', '#submit-file']) {
    assert.ok(await page.locator(id).isHidden(), `${id} shown without a server`);
  }
  const start = await player(page);
  await page.keyboard.down('ArrowLeft');
  await page.evaluate(() => window.dravikStep(2));
  await page.keyboard.down('ArrowLeft'); // a repeat, delivered like any key-down
  await page.evaluate(() => window.dravikStep(1));
  await page.keyboard.up('ArrowLeft');
  await page.evaluate(() => window.dravikStep(5));
  const walked = await player(page);
  assert.deepEqual(walked, [start[0] - 6, start[1]], 'three ticks of 30 twips to the left');
  assert.deepEqual(await page.evaluate(() => [window.scrollX, window.scrollY]), [0, 0]);

  await page.getByRole('button', { name: 'RESET' }).click();
  await page.evaluate(() => window.dravikStep(1));
  assert.deepEqual(await player(page), start);

  await page.keyboard.down('ArrowUp');
  await page.evaluate(() => window.dravikStep(40));
  const download = page.waitForEvent('download');
  await page.getByRole('button', { name: 'Save run' }).click();
  const run = join(work, 'saved-run.txt');
  await (await download).saveAs(run);
  const text = readFileSync(run, 'utf8');
  assert.match(text, /^# dravik run 1\n/);
  assert.match(text, /\n9 reset\n/);
  const verdict = execFileSync(sim, ['--verify', run], { encoding: 'utf8' });
  assert.match(verdict, /^dravik-sim: verified: 49 ticks, 0 wins, DEATHS 0, TIME 0\n$/);

  // A malformed run is refused at its line, as dravik --replay refuses it (a
  // NUL byte and a run beyond the longest too), and the game goes on as it was.
  for (const [script, said] of [
    ['1 down 37\n2 jump\n', 'line 2: unknown event "jump"'],
    ['1 down 37\n2 down 39\0\n3 down 40\n', 'line 2: key code "39\\x00" is not a number'],
    ['1 down 37\n# final {"tick": 100000001}\n', 'line 2: the final tick 100000001 lies beyond the longest run'],
  ]) {
    await page.locator('#run-file').setInputFiles({ name: 'bad.txt', mimeType: 'text/plain', buffer: Buffer.from(script) });
    await assert.doesNotReject(page.getByText(`Cannot watch this run: ${said}`).waitFor());
  }
  assert.equal(await page.evaluate(() => window.dravikStep(1)), 50);
  assert.deepEqual(errors, []);
  await context.close();
});

test('a replay link wins and the box holds the game; losing focus lets go of the arrows', async () => {
  const { page, errors, context } = await open('#replay=winning-run.txt&speed=32');
  const dialog = page.getByRole('dialog', { name: 'Dravik' });
  await dialog.waitFor({ timeout: 20000 });
  await assert.doesNotReject(dialog.getByText('YOU WIN').waitFor());
  const held = await page.locator('#scene').screenshot();
  await page.waitForTimeout(300);
  assert.ok(held.equals(await page.locator('#scene').screenshot()), 'the game stands still behind the box');
  await page.keyboard.press('Enter');
  await dialog.waitFor({ state: 'hidden' });
  await page.waitForTimeout(300);
  assert.ok(!held.equals(await page.locator('#scene').screenshot()), 'play goes on after OK');

  // Live now: Right held walks the player on until the page loses focus,
  // which pauses the game and says so.
  const before = await player(page);
  await page.keyboard.down('ArrowRight');
  await page.waitForFunction((x) => {
    const c = document.getElementById('scene');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    for (let i = 0; i < d.length; i += 4) {
      if (d[i] === 255 && d[i + 1] === 0 && d[i + 2] === 0) return (i / 4) % c.width > x;
    }
    return false;
  }, before[0]);
  await page.evaluate(() => window.dispatchEvent(new Event('blur')));
  await page.evaluate(() => window.dispatchEvent(new Event('focus')));
  await page.locator('#veil').waitFor();
  const stopped = await player(page);
  await page.waitForTimeout(300);
  assert.deepEqual(await player(page), stopped, 'the game stands still while paused');
  await page.keyboard.up('ArrowRight');
  await page.keyboard.press('p');
  await page.locator('#veil').waitFor({ state: 'hidden' });
  await page.waitForTimeout(200);
  assert.deepEqual(await player(page), stopped, 'the arrow was let go when the page lost focus');
  assert.deepEqual(errors, []);
  await context.close();

  // Watched to its win tick by tick and saved: line for line what dravik-sim
  // records of the same replay (the run holds Up at its end, let go after
  // it), but for the header that says where and when.
  const stepped = await open('?hold#replay=winning-run.txt&speed=64');
  await stepped.page.waitForFunction(() => window.dravikWatching());
  assert.equal(await stepped.page.evaluate(() => window.dravikStep(3000)), 2492);
  await stepped.page.keyboard.press('Enter');
  const saving = stepped.page.waitForEvent('download');
  await stepped.page.getByRole('button', { name: 'Save run' }).click();
  const saved = join(work, 'watched-run.txt');
  await (await saving).saveAs(saved);
  const body = (text) => text.split('\n').filter((line) => !/^# [dcr]/.test(line)).join('\n');
  const simRecord = execFileSync(sim, ['--input', winningRun, '--record', '-'], { encoding: 'utf8' });
  assert.equal(body(readFileSync(saved, 'utf8')), body(simRecord));
  assert.match(readFileSync(saved, 'utf8'), /\n2493 up 38\n# final \{"tick": 2492, /);
  // Runs come from this site only: not from a data: URL nor another origin.
  for (const url of ['data:text/plain,1%20down%2037', address.replace('127.0.0.1', 'localhost') + 'winning-run.txt']) {
    await stepped.page.evaluate((u) => { location.hash = `#replay=${encodeURIComponent(u)}`; }, url);
    await assert.doesNotReject(stepped.page.getByText(`Cannot watch ${url}: runs are watched only from this site`).waitFor());
  }
  // A speed is read as every program reads one.
  await stepped.page.evaluate(() => { location.hash = '#replay=winning-run.txt&speed=0x10'; });
  await assert.doesNotReject(stepped.page.getByText('speed 0x10 is not from 0.25 to 64').waitFor());
  assert.deepEqual(stepped.errors, []);
  await stepped.context.close();

  // No WebAssembly: the page says so instead of showing a blank area.
  const bare = await browser.newPage();
  await bare.addInitScript(() => delete window.WebAssembly);
  await bare.goto(address);
  await assert.doesNotReject(bare.getByText('Dravik runs on WebAssembly, which this browser does not have').waitFor());
  await bare.close();
});

// The events of a run file: [tick, 'down' | 'up', code].
const eventsOf = (text) => text.split('\n').filter((l) => /^\d+ (down|up) \d+$/.test(l))
  .map((l) => l.split(' ')).map(([t, kind, code]) => [Number(t), kind, Number(code)]);
const WASD = { 37: 'a', 38: 'w', 39: 'd', 40: 's' };

// Saves the page's run and checks it with the native dravik-sim.
async function saveAndVerify(page, name) {
  const download = page.waitForEvent('download');
  await page.locator('#save').click();
  const run = join(work, name);
  await (await download).saveAs(run);
  const verdict = execFileSync(sim, ['--verify', run], { encoding: 'utf8' });
  assert.match(verdict, /^dravik-sim: verified: /, verdict);
  return readFileSync(run, 'utf8');
}

// Touches through the browser's own input, several fingers at once. A move
// reaches the page with its next frame, as the browser hands them over.
async function fingers(context, page) {
  const cdp = await context.newCDPSession(page);
  const down = new Map();
  const send = async (type) => {
    await cdp.send('Input.dispatchTouchEvent', { type, touchPoints: [...down].map(([id, [x, y]]) => ({ id, x, y })) });
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => resolve())));
  };
  return {
    put: async (id, x, y) => {
      const type = down.has(id) ? 'touchMove' : 'touchStart';
      down.set(id, [x, y]);
      await send(type);
    },
    lift: async (id) => {
      down.delete(id);
      await send('touchEnd');
    },
  };
}

const rect = (page, selector) => page.locator(selector).evaluate((e) => {
  const r = e.getBoundingClientRect();
  return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height };
});
const meet = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
const text = (page, id) => page.locator(`#${id}`).textContent();
// The best the page keeps in IndexedDB, as the page stored it, and one put there in its place.
const bestRecord = (page) => page.evaluate(() => new Promise((resolve) => {
  indexedDB.open('dravik').onsuccess = (e) => {
    e.target.result.transaction('records').objectStore('records').get('best').onsuccess = (g) => resolve(g.target.result);
  };
}));
const putBest = (page, record) => page.evaluate((record) => new Promise((resolve) => {
  indexedDB.open('dravik').onsuccess = (e) => {
    e.target.result.transaction('records', 'readwrite').objectStore('records').put(record, 'best').onsuccess = resolve;
  };
}), record);
// The cells of the strip whose text runs past their box or off the viewport.
const clippedCells = (page) => page.locator('.strip > div').evaluateAll((cells) => cells.filter((c) => {
  const r = c.getBoundingClientRect();
  return [c, ...c.children].some((e) => e.scrollWidth > e.clientWidth) || r.left < 0 || r.top < 0 ||
    r.right > innerWidth || r.bottom > innerHeight;
}).map((c) => c.textContent));

test('a newcomer plays at every viewport: the level fits, the pad, WASD, the gamepad and pause drive it, a best lasts and the page plays offline', async () => {
  const views = [
    ['laptop', { width: 1366, height: 768 }, 1, false],
    ['large', { width: 1920, height: 1080 }, 1, false],
    ['phone', { width: 390, height: 844 }, 3, true],
    ['phone-sideways', { width: 844, height: 390 }, 3, true],
    ['tablet', { width: 768, height: 1024 }, 2, true],
  ];
  const winning = eventsOf(readFileSync(winningRun, 'utf8'));
  const firstKey = winning.filter(([t]) => t <= 83); // the stored run takes its first key at tick 83
  for (const [name, viewport, scale, touch] of views) {
    // The first visit: the help is open, the game holds behind it.
    const { page, errors, context } = await open('', scale, { viewport, touch, fresh: true });
    await page.locator('#help').waitFor();
    await page.screenshot({ path: join(shots, `${name}-help.png`) });
    assert.equal(await text(page, 'run-time'), '0:00.00');
    if (touch) {
      await page.locator('#help-close').tap();
    } else {
      await page.keyboard.press('Escape'); // closes the panel, pauses nothing
    }
    await page.locator('#help').waitFor({ state: 'hidden' });
    assert.ok(await page.locator('#veil').isHidden());

    // The whole level, unscrolled, in at least 85 % of the largest rectangle
    // of its proportions the viewport holds (all of a phone's width); the
    // page's controls beside it, never over it.
    const level = await rect(page, '#client');
    const most = Math.min(viewport.width / 1047, viewport.height / 830);
    const share = (level.width * level.height) / (1047 * 830 * most * most);
    assert.ok(level.left >= 0 && level.top >= 0 && level.right <= viewport.width && level.bottom <= viewport.height, name);
    assert.ok(share >= 0.85, `${name}: the level covers ${share.toFixed(3)} of the most it could`);
    assert.ok(Math.abs(level.width / level.height - 1047 / 830) < 0.01, `${name}: ${level.width}x${level.height}`);
    if (name === 'phone') {
      assert.equal(level.width, viewport.width);
    }
    assert.deepEqual(await page.evaluate(() => [scrollX, scrollY, document.documentElement.scrollWidth,
      document.documentElement.scrollHeight]), [0, 0, viewport.width, viewport.height]);
    assert.equal(await page.locator('#pad').isVisible(), touch, `${name}: the pad on touch screens only`);
    for (const control of ['#reset', '#pause', '#keys-left', '#run-time', '#best', ...(touch ? ['#pad'] : [])]) {
      assert.ok(await page.locator(control).isVisible(), `${name}: ${control} shown`);
      assert.ok(!meet(await rect(page, control), level), `${name}: ${control} lies over the level`);
    }
    assert.deepEqual(await clippedCells(page), [], `${name}: the strip cut short`);

    // Pause: no tick and no second while the veil is up; play goes on after.
    await page.waitForFunction(() => document.getElementById('run-time').textContent !== '0:00.00');
    await (touch ? page.locator('#pause').tap() : page.keyboard.press('p'));
    await page.locator('#veil').waitFor();
    const pausedAt = await text(page, 'run-time');
    await page.waitForTimeout(400);
    assert.equal(await text(page, 'run-time'), pausedAt, `${name}: time went on while paused`);
    await (touch ? page.locator('#veil').tap() : page.keyboard.press('Escape'));
    await page.locator('#veil').waitFor({ state: 'hidden' });
    await page.waitForFunction((t) => document.getElementById('run-time').textContent !== t, pausedAt);

    // The first key, tick by tick: taken with W A S D, or the thumb on the pad.
    await page.goto(address + '?hold');
    await page.waitForFunction(() => document.getElementById('notice').textContent === '');
    const start = await player(page);
    let tick = 0;
    const stepTo = async (t) => {
      if (t > tick) tick = await page.evaluate((n) => window.dravikStep(n), t - tick);
    };
    if (touch) {
      const pad = await rect(page, '#pad');
      const hand = await fingers(context, page);
      const [cx, cy, r] = [(pad.left + pad.right) / 2, (pad.top + pad.bottom) / 2, pad.width / 2];
      const held = { x: 0, y: 0 };
      for (const [t, kind, code] of firstKey) {
        await stepTo(t - 1);
        const axis = code === 37 || code === 39 ? 'x' : 'y';
        held[axis] = kind === 'up' ? 0 : code <= 38 ? -1 : 1;
        await hand.put(1, cx + held.x * r * 0.7, cy + held.y * r * 0.7); // sliding, never lifted
      }
      await stepTo(83);
      // A second finger pauses while the first still steers.
      await hand.put(2, ...(await rect(page, '#pause').then((b) => [b.left + 5, b.top + 5])));
      await hand.lift(2);
      await page.locator('#veil').waitFor();
      await hand.lift(1);
      await page.locator('#pause').tap();
      await page.locator('#veil').waitFor({ state: 'hidden' });
    } else {
      for (const [t, kind, code] of firstKey) {
        await stepTo(t - 1);
        await page.keyboard[kind](WASD[code]);
      }
      await stepTo(83);
    }
    assert.equal(await text(page, 'keys-left'), '154', `${name}: the first key was not taken`);
    assert.notDeepEqual(await player(page), start);
    if (name === 'large') {
      // A gamepad: the left stick up beyond its dead zone, then the d-pad
      // down; Start pauses and plays on.
      for (const key of Object.values(WASD)) {
        await page.keyboard.up(key);
      }
      await stepTo(84);
      await page.evaluate(() => {
        const buttons = Array.from({ length: 17 }, () => ({ pressed: false, value: 0 }));
        window.testPad = { index: 0, connected: true, mapping: 'standard', axes: [0.1, -0.9, 0, 0], buttons };
        navigator.getGamepads = () => [window.testPad];
      });
      const at = await player(page);
      await stepTo(tick + 10);
      const up = await player(page);
      assert.ok(up[1] < at[1], `the stick moved the player from ${at} to ${up}`);
      await page.evaluate(() => { window.testPad.axes = [0, 0.2, 0, 0]; window.testPad.buttons[13].pressed = true; });
      await stepTo(tick + 10);
      assert.ok((await player(page))[1] > up[1], 'the d-pad moved the player down');
      await page.evaluate(() => { window.testPad.buttons[13].pressed = false; window.testPad.buttons[9].pressed = true; });
      await stepTo(tick + 1);
      await page.locator('#veil').waitFor();
      await page.evaluate(() => { window.testPad.buttons[9].pressed = false; });
      await stepTo(tick + 1);
      await page.evaluate(() => { window.testPad.buttons[9].pressed = true; });
      await stepTo(tick + 1);
      await page.locator('#veil').waitFor({ state: 'hidden' });
      const byPad = eventsOf(await saveAndVerify(page, `${name}-run.txt`)).filter(([t]) => t > 84).map((e) => e.slice(1).join(' '));
      assert.deepEqual(byPad, ['down 38', 'up 38', 'down 40', 'up 40'], 'what the gamepad pressed, let go at the pause');
    } else {
      await saveAndVerify(page, `${name}-run.txt`);
    }
    // With a best stored the strip still reads whole.
    await putBest(page, { run: readFileSync(winningRun, 'utf8') });
    await page.reload();
    await page.waitForFunction(() => document.getElementById('best-deaths').textContent === '0 deaths');
    assert.deepEqual(await clippedCells(page), [], `${name}: the strip cut short with a best`);
    await page.screenshot({ path: join(shots, `${name}.png`) });
    assert.deepEqual(errors, [], name);
    await context.close();
  }

  // A watched win tells its time and deaths and is nobody's best.
  const { page, errors, context } = await open('#replay=winning-run.txt&speed=64', 1, { viewport: views[0][1] });
  await page.locator('#win').waitFor({ timeout: 20000 });
  assert.deepEqual([await text(page, 'run-time'), await text(page, 'run-deaths'), await text(page, 'best')],
    ['0:38.93', '0', '\u2013']);
  assert.match(await text(page, 'status'), /^Won in 0:38\.93 with 0 deaths \(a watched run\)$/);
  await page.screenshot({ path: join(shots, 'watched-win.png') });
  await page.keyboard.press('Enter');

  // The same run played live is the player's best, and lasts.
  await page.goto(address + '?hold');
  await page.waitForFunction(() => document.getElementById('notice').textContent === '');
  await page.evaluate((events) => {
    const keys = { 37: 'ArrowLeft', 38: 'ArrowUp', 39: 'ArrowRight', 40: 'ArrowDown' };
    let tick = 0;
    for (const [t, kind, code] of events) {
      if (t - 1 > tick) tick = window.dravikStep(t - 1 - tick);
      window.dispatchEvent(new KeyboardEvent(kind === 'down' ? 'keydown' : 'keyup', { code: keys[code] }));
    }
    window.dravikStep(2492 - tick);
  }, winning);
  await page.locator('#win').waitFor();
  assert.equal(await text(page, 'best'), '0:38.93');
  assert.match(await text(page, 'status'), /a new personal best!$/);
  await page.keyboard.press('Enter');
  writeFileSync(join(work, 'best-run.txt'), (await bestRecord(page)).run);
  assert.match(execFileSync(sim, ['--verify', join(work, 'best-run.txt')], { encoding: 'utf8' }), /verified: 2492 ticks, 1 wins/);
  await page.reload();
  await page.waitForFunction(() => document.getElementById('best').textContent === '0:38.93');
  await page.locator('#race-best').click();
  assert.equal(await page.locator('#race-name').textContent(), 'your best');
  await page.locator('#watch-best').click();
  await page.waitForFunction(() => window.dravikWatching());

  // After this visit the page loads and plays with no network.
  await page.goto(address);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  await context.setOffline(true);
  await page.reload();
  await page.waitForFunction(() => document.getElementById('notice').textContent === '');
  const offline = await text(page, 'run-time');
  await page.keyboard.down('d');
  await page.waitForFunction((t) => document.getElementById('run-time').textContent !== t, offline);
  await page.keyboard.up('d');
  assert.equal(await text(page, 'best'), '0:38.93');
  await context.setOffline(false);

  // A new build replaces the cached one on the next visit.
  const sw = join(work, 'site', 'sw.js');
  writeFileSync(sw, readFileSync(sw, 'utf8').replace(/const CACHE = 'dravik-[0-9a-f]+'/, "const CACHE = 'dravik-next'"));
  const index = join(work, 'site', 'index.html');
  const page1 = readFileSync(index, 'utf8');
  writeFileSync(index, page1.replace('<title>', '<meta name="build" content="next"><title>'));
  await page.reload(); // the next visit, when the browser looks for a new worker (here at once)
  await page.evaluate(async () => (await navigator.serviceWorker.getRegistration()).update());
  for (const deadline = Date.now() + 20000; ;) {
    const settled = await page.evaluate(async () => {
      const r = await navigator.serviceWorker.getRegistration();
      return r.active?.state === 'activated' && !r.installing && !r.waiting && (await caches.keys()).join() === 'dravik-next';
    });
    if (settled) break;
    assert.ok(Date.now() < deadline, 'the new build\'s worker never took over');
    await page.waitForTimeout(100);
  }
  await page.reload();
  assert.equal(await page.locator('meta[name="build"]').getAttribute('content'), 'next');
  writeFileSync(index, page1);

  // A stored best that does not verify is dropped, and says so.
  const kept = await bestRecord(page);
  await putBest(page, { ...kept, run: kept.run.replace('\n1 down 38\n', '\n1 down 40\n') });
  await page.reload();
  await assert.doesNotReject(page.getByText(/Your stored best was dropped: its run does not verify/).waitFor());
  assert.equal(await text(page, 'best'), '\u2013');
  assert.deepEqual(errors, []);
  await context.close();
});

test('the server keeps to its folder and answers as a web server does; one that cannot serve says why in one line', async () => {
  const site = join(work, 'site');
  symlinkSync('/etc/passwd', join(site, 'pw.txt'));
  const get = (path, method = 'GET') => fetch(address + path, { method, redirect: 'manual' });
  assert.equal((await get('pw.txt')).status, 404, 'a link out of the folder');
  assert.equal((await get('%2e%2e/%2e%2e/etc/passwd')).status, 404);
  const head = await get('index.html', 'HEAD');
  const whole = await get('index.html');
  assert.deepEqual([head.status, head.headers.get('content-length'), await head.text()],
    [200, whole.headers.get('content-length'), '']);
  const post = await get('index.html', 'POST');
  assert.deepEqual([post.status, post.headers.get('allow')], [405, 'GET, HEAD']);
  mkdirSync(join(site, 'sub'));
  writeFileSync(join(site, 'sub', 'index.html'), 'sub');
  const redirect = await get('sub?x=1');
  assert.deepEqual([redirect.status, redirect.headers.get('location')], [301, '/sub/?x=1']);
  assert.equal(await (await get('sub/')).text(), 'sub');

  for (const [args, status, said] of [
    [[join(work, 'site'), new URL(address).port], 1, /^serve\.mjs: cannot serve on 127\.0\.0\.1:\d+: .*EADDRINUSE/],
    [[join(work, 'no-site'), '0'], 2, /^serve\.mjs: .*no-site is not a folder/],
    [[join(work, 'site'), '8064x'], 2, /^serve\.mjs: the port is a number from 0 to 65535, not '8064x'/],
  ]) {
    const run = spawnSync('node', [serve, ...args], { encoding: 'utf8', timeout: 10000 });
    assert.equal(run.status, status, run.stderr);
    assert.match(run.stderr, said);
    assert.equal(run.stderr.trimEnd().split('\n').length, 1, run.stderr);
  }
});
