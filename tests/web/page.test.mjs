// The page in Debian's Chromium, headless: the same picture as the window at
// device pixel ratios 1 and 2, the arrows, RESET, a saved run that the native
// dravik-sim verifies, a replay link that wins, arrows let go on blur, and
// the server's one line when it cannot serve.
//   node --test page.test.mjs   with DRAVIK_SITE, DRAVIK, DRAVIK_SIM, DRAVIK_RUN set
import assert from 'node:assert/strict';
import { execFileSync, spawn, spawnSync } from 'node:child_process';
import { cpSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { chromium } from 'playwright-core';

const { DRAVIK_SITE: site, DRAVIK: dravik, DRAVIK_SIM: sim, DRAVIK_RUN: winningRun } = process.env;
const work = mkdtempSync(join(tmpdir(), 'dravik-web-'));
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

// A page whose console must stay free of errors.
async function open(path, deviceScaleFactor = 1) {
  const context = await browser.newContext({ deviceScaleFactor, viewport: { width: 800, height: 600 }, acceptDownloads: true });
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
    assert.deepEqual(backing, [Math.round(1047 * scale), Math.round(830 * scale)]);
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

  // Live now: Right held walks the player on until the page loses focus.
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
  const stopped = await player(page);
  await page.waitForTimeout(300);
  assert.deepEqual(await player(page), stopped, 'the arrow was let go when the page lost focus');
  await page.keyboard.up('ArrowRight');
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

test('the server that cannot serve says why in one line', () => {
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
