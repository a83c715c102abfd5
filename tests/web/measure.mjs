// measure.mjs SITE: the page's figures in headless Chromium (not a test; the
// figures go to docs/performance.md): the time from navigation to the first
// painted frame, and the renderer's main-thread time while the game plays
// with an arrow held, from Chromium's own metrics.
import { spawn } from 'node:child_process';
import { chromium } from 'playwright-core';

const site = process.argv[2] ?? 'build-web/site';
const server = spawn('node', [new URL('../../web/serve.mjs', import.meta.url).pathname, site, '0']);
const address = await new Promise((resolve) => server.stdout.on('data', (d) => resolve(/http:\/\/\S+\//.exec(String(d))[0])));
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  const firstFrames = [];
  for (let i = 0; i < 5; ++i) {
    const context = await browser.newContext();
    const page = await context.newPage();
    await page.goto(address);
    await page.waitForFunction(() => performance.getEntriesByName('dravik-first-frame').length > 0);
    firstFrames.push(await page.evaluate(() => performance.getEntriesByName('dravik-first-frame')[0].startTime));
    await context.close();
  }
  firstFrames.sort((a, b) => a - b);
  console.log(`navigation to first frame: median ${firstFrames[2].toFixed(0)} ms of 5 (${firstFrames.map((t) => t.toFixed(0)).join(', ')})`);

  const page = await browser.newPage();
  await page.goto(address);
  await page.waitForFunction(() => performance.getEntriesByName('dravik-first-frame').length > 0);
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const metrics = async () => Object.fromEntries((await cdp.send('Performance.getMetrics')).metrics.map((m) => [m.name, m.value]));
  await page.keyboard.down('ArrowUp');
  const start = await metrics();
  await page.waitForTimeout(10000);
  const end = await metrics();
  await page.keyboard.up('ArrowUp');
  const wall = end.Timestamp - start.Timestamp;
  const share = (name) => `${(100 * (end[name] - start[name]) / wall).toFixed(1)} %`;
  console.log(`renderer main thread over ${wall.toFixed(1)} s of play: tasks ${share('TaskDuration')}, ` +
    `script ${share('ScriptDuration')}, layout ${share('LayoutDuration')}, style ${share('RecalcStyleDuration')}`);
} finally {
  await browser.close();
  server.kill();
}
