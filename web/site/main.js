// The page: the game in #client, steered by the arrow keys, RESET in the
// menu strip, runs saved and watched under the client area.
//
// Test hook: with "?hold" in the address the game's timers never run and
// window.dravikStep(n) plays n ticks and paints them; nothing else differs.
import { Painter } from './painter.js';
import { Pacer } from './pacer.js';

const ARROWS = { ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40 };
// The largest run file the page reads: more than the most events a script
// holds need, and little enough for the game's memory to take it whole.
const MOST_RUN_BYTES = 256 * 1024 * 1024;
const TOO_LARGE = 'it is larger than 256 MB';
const $ = (id) => document.getElementById(id);
const notice = $('notice');

async function start() {
  if (typeof WebAssembly !== 'object') {
    throw new Error('Dravik runs on WebAssembly, which this browser does not have or has switched off.');
  }
  let game;
  try {
    const { loadGame } = await import('./game.js');
    game = await loadGame();
  } catch (error) {
    throw new Error(`Dravik could not load its game module (${error.message}).`);
  }
  const canvas = $('scene');
  const client = $('client');
  const dialog = $('win');
  const message = $('message');
  const painter = new Painter(canvas, game);
  const held = new Set(); // arrows the player holds down

  // A fatal error of the game ends it; the page says so and plays no more.
  const check = (status) => {
    if (status === 1) {
      pacer.hold('ended');
      notice.textContent = `The game has ended: ${game.failure()}`;
      return false;
    }
    return true;
  };
  const releaseArrows = () => {
    for (const code of held) {
      check(game.key(false, code));
    }
    held.clear();
  };
  const tick = () => {
    const status = game.tick();
    if (!check(status)) {
      return false;
    }
    if (watching && !game.watching()) {
      watching = false; // the watched run is over: live play at the game's own pace, the clock too
      pacer.setRate(1, true);
    }
    if (status === 2) {
      // The box takes the keyboard: the arrows are let go after the tick that won.
      releaseArrows();
      painter.paint();
      pacer.hold('win');
      dialog.showModal();
      return false;
    }
    return true;
  };
  const pacer = new Pacer({
    tick,
    clock: () => check(game.clock()),
    frame: () => painter.paint(),
  });
  let watching = false;

  dialog.addEventListener('close', () => {
    pacer.release('win');
    client.focus({ preventScroll: true });
  });

  window.addEventListener('keydown', (e) => {
    const code = ARROWS[e.code];
    if (code === undefined || dialog.open) {
      return; // every other key is the browser's
    }
    e.preventDefault(); // the arrows steer and never scroll
    if (!game.watching()) {
      held.add(code);
      check(game.key(true, code));
    }
  });
  window.addEventListener('keyup', (e) => {
    const code = ARROWS[e.code];
    if (code === undefined || dialog.open) {
      return;
    }
    e.preventDefault();
    if (held.delete(code)) {
      check(game.key(false, code));
    }
  });
  // Away from the page no key-up is heard: what is held is let go at once,
  // and the timers start afresh on the way back.
  const away = () => {
    releaseArrows();
    pacer.hold('away');
  };
  const back = () => {
    if (document.visibilityState === 'visible' && document.hasFocus()) {
      pacer.release('away');
    }
  };
  window.addEventListener('blur', away);
  window.addEventListener('focus', back);
  document.addEventListener('visibilitychange', () => (document.hidden ? away() : back()));

  $('reset').addEventListener('click', () => {
    if (!dialog.open && !game.watching()) {
      check(game.reset());
    }
    client.focus({ preventScroll: true });
  });

  const watch = (script, speed) => {
    const error = game.watch(script);
    if (error) {
      message.textContent = `Cannot watch this run: ${error}`;
      return;
    }
    message.textContent = '';
    notice.textContent = '';
    held.clear();
    watching = game.watching();
    pacer.setRate(watching ? speed : 1, !watching);
    pacer.release('ended');
    client.focus({ preventScroll: true });
  };

  $('save').addEventListener('click', () => {
    const date = new Date().toISOString().replace(/\.\d+Z$/, 'Z');
    const header = `# dravik run 1\n# dravik ${game.version} in a web browser\n# recorded ${date}\n` +
      '# check it with: dravik-sim --verify FILE; watch it with: dravik --replay FILE\n';
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([game.runText(header)], { type: 'text/plain' }));
    link.download = `dravik-run-${date.replace(/[:]/g, '-')}.txt`;
    link.click();
    URL.revokeObjectURL(link.href);
    client.focus({ preventScroll: true });
  });
  // The text of a run file, or an error that says why it cannot be had.
  const runText = async (blob) => {
    if (blob.size > MOST_RUN_BYTES) {
      throw new Error(TOO_LARGE);
    }
    return blob.text();
  };
  const file = $('run-file');
  $('watch').addEventListener('click', () => file.click());
  file.addEventListener('change', async () => {
    const [chosen] = file.files;
    file.value = '';
    if (chosen) {
      try {
        watch(await runText(chosen), 1);
      } catch (error) {
        message.textContent = `Cannot watch ${chosen.name}: ${error.message}`;
      }
    }
  });

  // #replay=<relative URL>&speed=<X>: a link that shows a run.
  const replay = async () => {
    const params = new URLSearchParams(location.hash.slice(1));
    const url = params.get('replay');
    if (!url) {
      return;
    }
    const speed = Number(params.get('speed') ?? '1');
    if (!(speed >= 0.25 && speed <= 64)) {
      message.textContent = `Cannot watch this run: speed ${params.get('speed')} is not from 0.25 to 64`;
      return;
    }
    try {
      const response = await fetch(new URL(url, location.href));
      if (!response.ok) {
        throw new Error(`${response.status} ${response.statusText}`);
      }
      if (Number(response.headers.get('Content-Length')) > MOST_RUN_BYTES) {
        await response.body?.cancel();
        throw new Error(TOO_LARGE);
      }
      watch(await runText(await response.blob()), speed);
    } catch (error) {
      message.textContent = `Cannot watch ${url}: ${error.message}`;
    }
  };
  window.addEventListener('hashchange', replay);

  if (new URLSearchParams(location.search).has('hold')) {
    pacer.hold('test');
    window.dravikStep = (n) => {
      for (let i = 0; i < n && tick(); ++i) {
        // one tick each turn
      }
      painter.paint();
      return game.ticks();
    };
  }

  // The canvas takes the device's own pixels, whatever the ratio or zoom: as
  // the browser counts them where it can, else the CSS size times the ratio.
  let box = null;
  const fit = () => {
    const dpr = window.devicePixelRatio;
    const [w, h] = [Math.round(canvas.clientWidth * dpr), Math.round(canvas.clientHeight * dpr)];
    const exact = box && Math.abs(box.inlineSize - w) <= 1 && Math.abs(box.blockSize - h) <= 1;
    painter.resize(exact ? box.inlineSize : w, exact ? box.blockSize : h);
    painter.paint();
    matchMedia(`(resolution: ${dpr}dppx)`).addEventListener('change', fit, { once: true });
  };
  new ResizeObserver(([entry]) => {
    box = entry.devicePixelContentBoxSize?.[0] ?? null;
    fit();
  }).observe(canvas, { box: 'device-pixel-content-box' });

  await Promise.all([37, 64].map((px) => document.fonts.load(`${px}px Arial, "Liberation Sans", Arimo`)));
  fit();
  performance.mark('dravik-first-frame');
  notice.textContent = '';
  client.focus({ preventScroll: true });
  await replay();
}

start().catch((error) => {
  notice.textContent = error.message;
});
