// The page: the game in #client, steered by the arrow keys, RESET in the
// menu strip, runs saved and watched under the client area.
//
// Test hook: with "?hold" in the address the game's timers never run,
// window.dravikStep(n) plays n ticks and paints them and
// window.dravikWatching() tells whether a run is being watched; nothing else
// differs.
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

  // A fatal error of the game ends it (an event gives 1, an advance -1); the
  // page says so and plays no more.
  const check = (status) => {
    if (status === 1) {
      pacer.hold('ended');
      notice.textContent = `The game has ended: ${game.failure()}`;
      return false;
    }
    return true;
  };
  // What the session played: a win opens the box once its tick has ended,
  // and the box takes the keyboard, so the arrows are let go.
  const played = (status) => {
    if (!check(status === -1 ? 1 : 0)) {
      return false;
    }
    if (status & 2) {
      check(game.letGo());
      painter.paint();
      pacer.hold('win');
      dialog.showModal();
      return false;
    }
    return true;
  };
  const pacer = new Pacer({
    advance: (ms) => played(game.advance(ms)),
    frame: () => painter.paint(),
  });

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
    check(game.key(true, code)); // turned away while a run is watched
  });
  window.addEventListener('keyup', (e) => {
    const code = ARROWS[e.code];
    if (code === undefined || dialog.open) {
      return;
    }
    e.preventDefault();
    check(game.key(false, code));
  });
  // Away from the page no key-up is heard: what is held is let go at once,
  // and the time away is not played.
  const away = () => {
    check(game.letGo());
    game.hold();
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
    if (!dialog.open) {
      check(game.reset()); // turned away while a run is watched
    }
    client.focus({ preventScroll: true });
  });

  const watch = (script, speed) => {
    const error = game.watch(script, speed);
    if (error) {
      message.textContent = `Cannot watch this run: ${error}`;
      return;
    }
    message.textContent = '';
    notice.textContent = '';
    pacer.release('ended');
    client.focus({ preventScroll: true });
  };

  $('save').addEventListener('click', () => {
    const date = new Date().toISOString().replace(/\.\d+Z$/, 'Z');
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([game.runText(date)], { type: 'text/plain' }));
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
    const speed = game.readNumber(params.get('speed') ?? '1');
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
      for (let i = 0; i < n && played(game.tick()); ++i) {
        // one tick each turn
      }
      painter.paint();
      return game.ticks();
    };
    window.dravikWatching = () => game.watching();
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
