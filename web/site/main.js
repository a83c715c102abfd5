// The page: the game in #client, sized to the viewport; the strip, the
// commands and the runs beside or under it; the touch pad on touch screens;
// the leaderboard (board.js) when a dravik-server serves the page.
//
// Test hook: with "?hold" in the address the game's timers never run,
// window.dravikStep(n) plays n ticks and paints them and
// window.dravikWatching() tells whether a run is being watched; nothing else
// differs.
import { Board, findServer } from './board.js';
import { Controls } from './controls.js';
import { Layout } from './layout.js';
import { Overlay } from './overlay.js';
import { Pacer } from './pacer.js';
import { Painter } from './painter.js';
import { Race } from './race.js';
import { better, dropBest, loadBest, saveBest } from './records.js';

// The largest run file the page reads: more than the most events a script
// holds need, and little enough for the game's memory to take it whole.
const MOST_RUN_BYTES = 256 * 1024 * 1024;
const TOO_LARGE = 'it is larger than 256 MB';
const HELP_SEEN = 'dravik.help-seen';
const $ = (id) => document.getElementById(id);
const notice = $('notice');

// A time as speedrun timers show one: m:ss.cc, the hundredths cut, not rounded.
function clockText(ticks, tickMs) {
  const cs = Math.floor((ticks * tickMs) / 10);
  const s = Math.floor(cs / 100);
  return `${Math.floor(s / 60)}:${String(s % 60).padStart(2, '0')}.${String(cs % 100).padStart(2, '0')}`;
}

const deathsText = (n) => (n === 1 ? '1 death' : `${n} deaths`);

// Sets a text only when it changes: the strip is written every frame.
function show(element, text) {
  if (element.textContent !== text) {
    element.textContent = text;
  }
}

// What the local storage holds under `name`, if it can be read at all.
function remembered(name) {
  try {
    return localStorage.getItem(name);
  } catch {
    return null;
  }
}

// Acts on a tap at once (a touch screen's buttons are pressed while another
// finger steers), and on a click from a mouse or the keyboard.
function onPress(button, action) {
  let tapped = -Infinity;
  button.addEventListener('pointerdown', (e) => {
    if (e.pointerType === 'touch') {
      tapped = e.timeStamp;
      action();
    }
  });
  button.addEventListener('click', (e) => {
    if (e.timeStamp - tapped > 1000) {
      action();
    }
  });
}

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
  const veil = $('veil');
  const help = $('help');
  const pauseButton = $('pause');
  const strip = { keys: $('keys-left'), time: $('run-time'), deaths: $('run-deaths'), best: $('best'),
    bestDeaths: $('best-deaths'), status: $('status') };
  const layout = new Layout(document.querySelector('.app'), game);
  const painter = new Painter(canvas, game);
  const overlay = new Overlay($('overlay'), game);
  const race = new Race(game, overlay, { line: $('race'), name: $('race-name'), gap: $('gap') });
  let board = null; // the leaderboard, when a dravik-server serves the page
  const focusLevel = () => client.focus({ preventScroll: true });

  let paused = false;
  let liveFrom = 0; // the tick from which the player plays, not a watched run
  let best = null; // the player's best win, { ticks, deaths }, and its run file
  let bestRun = null;
  let lastWin = null; // the last win the strip tells of

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
  // The game holds: what the player holds is let go, and no time is played.
  const hold = (reason) => {
    check(game.letGo());
    controls.forget();
    game.hold();
    pacer.hold(reason);
  };
  // Whether the game hears the player now (the tests' hold aside).
  const live = () => ![...pacer.holds].some((reason) => reason !== 'test') && !game.watching();

  const setPaused = (on) => {
    if (on === paused) {
      return;
    }
    paused = on;
    if (on) {
      hold('pause');
    } else {
      pacer.release('pause');
    }
    veil.hidden = !on;
    pauseButton.setAttribute('aria-pressed', String(on));
    pauseButton.textContent = on ? 'Play on' : 'Pause';
  };
  const togglePause = () => {
    if (!dialog.open && help.hidden) {
      setPaused(!paused);
    }
  };

  const reset = () => {
    if (!dialog.open && help.hidden) {
      check(game.reset()); // turned away while a run is watched
      race.followed();
      lastWin = null;
    }
    focusLevel();
  };

  // The panels over the page; the game holds while one is open.
  const openHelp = () => {
    if (help.hidden && !dialog.open) {
      help.hidden = false;
      hold('help');
      $('help-close').focus();
    }
  };
  const closePanel = () => {
    if (help.hidden) {
      return false;
    }
    help.hidden = true;
    pacer.release('help');
    try {
      localStorage.setItem(HELP_SEEN, '1');
    } catch {
      // a browser that keeps nothing shows the help on every visit
    }
    focusLevel();
    return true;
  };

  const keep = async (run) => {
    try {
      await saveBest(run);
    } catch (error) {
      message.textContent = `Your best could not be kept in this browser: ${error.message}`;
    }
  };
  // A win opens the box once its tick has ended; the box takes the keyboard.
  const won = () => {
    hold('win');
    const win = game.lastWin();
    const players = win.tick - win.ticks >= liveFrom;
    const newBest = players && better(win, best);
    const run = players ? game.runText(new Date().toISOString().replace(/\.\d+Z$/, 'Z')) : null;
    if (newBest) {
      best = { ticks: win.ticks, deaths: win.deaths };
      bestRun = run;
      keep(bestRun);
    }
    if (run) {
      board?.offer(run);
    }
    lastWin = { ...win, players, newBest };
    painter.paint();
    dialog.showModal();
  };
  // What the session played: deaths leave their marks, the end of a watched
  // run gives the game back to the player, a win opens the box.
  const played = (status) => {
    if (!check(status === -1 ? 1 : 0)) {
      return false;
    }
    race.followed();
    if (status & 8) {
      overlay.died(game.deaths(), performance.now());
    }
    if (status & 4) {
      liveFrom = game.watchEnd();
      controls.forget();
    }
    if (status & 2) {
      won();
      return false;
    }
    return true;
  };

  const updateStrip = () => {
    const keys = game.keysLeft();
    show(strip.keys, keys === 0 ? 'goal open' : String(keys));
    const boxed = dialog.open && lastWin;
    const run = boxed ? lastWin : game.stretch();
    show(strip.time, clockText(run.ticks, game.tickMs));
    show(strip.deaths, String(run.deaths));
    show(strip.best, best ? clockText(best.ticks, game.tickMs) : '\u2013');
    show(strip.bestDeaths, best ? `${deathsText(best.deaths)}` : '');
    let status = '';
    if (game.watching()) {
      const share = Math.floor((100 * game.ticks()) / Math.max(1, game.watchEnd()));
      status = `Watching a run at ${game.speed()}\u00d7: ${share} %`;
    } else if (lastWin) {
      status = `Won in ${clockText(lastWin.ticks, game.tickMs)} with ${deathsText(lastWin.deaths)}` +
        (lastWin.newBest ? ': a new personal best!' : lastWin.players ? '' : ' (a watched run)');
    }
    show(strip.status, status);
    strip.status.classList.toggle('best', !!lastWin?.newBest && !game.watching());
  };

  const controls = new Controls({
    arrows: game.arrows,
    send: (down, code) => check(game.key(down, code)),
    live,
    togglePause,
    reset,
    closePanel,
    panelOpen: () => !help.hidden,
    boxOpen: () => dialog.open,
    pad: $('pad'),
  });
  const pacer = new Pacer({
    input: () => controls.poll(),
    advance: (ms) => played(game.advance(ms)),
    frame: (now) => {
      painter.paint();
      overlay.frame(now);
      updateStrip();
    },
  });

  dialog.addEventListener('close', () => {
    pacer.release('win');
    focusLevel();
  });

  // Away from the page no key-up is heard: the game pauses, and says so.
  const away = () => setPaused(true);
  window.addEventListener('blur', away);
  document.addEventListener('visibilitychange', () => document.hidden && away());
  veil.addEventListener('click', () => setPaused(false));

  onPress($('reset'), reset);
  onPress(pauseButton, togglePause);
  $('help-open').addEventListener('click', openHelp);
  $('help-close').addEventListener('click', closePanel);
  help.addEventListener('click', (e) => e.target === help && closePanel());

  const fullscreen = $('fullscreen');
  if (document.fullscreenEnabled) {
    fullscreen.hidden = false;
    fullscreen.addEventListener('click', async () => {
      try {
        if (document.fullscreenElement) {
          await document.exitFullscreen();
        } else {
          await document.documentElement.requestFullscreen({ navigationUI: 'hide' });
          await screen.orientation?.lock?.('landscape').catch(() => {});
        }
      } catch (error) {
        message.textContent = `Full screen is not available here: ${error.message}`;
      }
      focusLevel();
    });
    document.addEventListener('fullscreenchange', () => {
      fullscreen.textContent = document.fullscreenElement ? 'Leave full screen' : 'Full screen';
    });
  }
  // Long presses and right clicks over the game open no menu.
  document.querySelector('.app').addEventListener('contextmenu', (e) => e.preventDefault());

  const watch = (script, speed) => {
    const error = game.watch(script, speed);
    if (error) {
      message.textContent = `Cannot watch this run: ${error}`;
      return;
    }
    liveFrom = Infinity;
    lastWin = null;
    race.followed();
    controls.forget();
    message.textContent = '';
    notice.textContent = '';
    pacer.release('ended');
    setPaused(false);
    focusLevel();
  };

  $('save').addEventListener('click', () => {
    const date = new Date().toISOString().replace(/\.\d+Z$/, 'Z');
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([game.runText(date)], { type: 'text/plain' }));
    link.download = `dravik-run-${date.replace(/[:]/g, '-')}.txt`;
    link.click();
    URL.revokeObjectURL(link.href);
    focusLevel();
  });
  const file = $('run-file');
  $('watch').addEventListener('click', () => file.click());
  file.addEventListener('change', async () => {
    const [chosen] = file.files;
    file.value = '';
    if (chosen) {
      try {
        if (chosen.size > MOST_RUN_BYTES) {
          throw new Error(TOO_LARGE);
        }
        watch(await chosen.text(), 1);
      } catch (error) {
        message.textContent = `Cannot watch ${chosen.name}: ${error.message}`;
      }
    }
  });
  const watchBest = $('watch-best');
  watchBest.addEventListener('click', () => bestRun && watch(bestRun, 1));

  // A race starts with a RESET, so that the player and the ghost set off
  // together (while a run is watched, the ghost races that run instead).
  const raceWith = (run, who) => {
    if (!game.watching()) {
      check(game.reset());
      lastWin = null;
    }
    const error = race.start(run, who);
    message.textContent = error ? `Cannot race ${who}: ${error}` : '';
    if (!error) {
      setPaused(false);
    }
    focusLevel();
  };
  const raceBest = $('race-best');
  raceBest.addEventListener('click', () => bestRun && raceWith(bestRun, 'your best'));
  $('race-stop').addEventListener('click', () => {
    race.stop();
    focusLevel();
  });

  // #replay=<URL of this site>&speed=<X>: a link that shows a run. Only a run
  // of the page's own site is fetched, and no more of it than a run can be.
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
      const target = new URL(url, location.href);
      if (target.origin !== location.origin) {
        throw new Error('runs are watched only from this site');
      }
      const response = await fetch(target, { mode: 'same-origin', credentials: 'same-origin' });
      if (!response.ok) {
        throw new Error(`${response.status} ${response.statusText}`);
      }
      const chunks = [];
      let size = 0;
      const reader = response.body.getReader();
      for (let part = await reader.read(); !part.done; part = await reader.read()) {
        size += part.value.length;
        if (size > MOST_RUN_BYTES) {
          await reader.cancel();
          throw new Error(TOO_LARGE);
        }
        chunks.push(part.value);
      }
      watch(await new Blob(chunks).text(), speed);
    } catch (error) {
      message.textContent = `Cannot watch ${url}: ${error.message}`;
    }
  };
  window.addEventListener('hashchange', replay);
  // Watches a run of this site as a #replay link does.
  const watchUrl = (url) => {
    const hash = `#replay=${encodeURIComponent(url)}`;
    if (location.hash === hash) {
      replay();
    } else {
      location.hash = hash;
    }
  };

  if (new URLSearchParams(location.search).has('hold')) {
    pacer.hold('test');
    window.dravikStep = (n) => {
      controls.poll();
      for (let i = 0; i < n && played(game.tick()); ++i) {
        // one tick each turn
      }
      painter.paint();
      overlay.frame(performance.now());
      updateStrip();
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
  };
  new ResizeObserver(([entry]) => {
    box = entry.devicePixelContentBoxSize?.[0] ?? null;
    fit();
  }).observe(canvas, { box: 'device-pixel-content-box' });

  await Promise.all([37, 64].map((px) => document.fonts.load(`${px}px Arial, "Liberation Sans", Arimo`)));
  fit();
  updateStrip();
  performance.mark('dravik-first-frame');
  notice.textContent = '';
  focusLevel();
  if (remembered(HELP_SEEN) === null && !location.hash.includes('replay=')) {
    openHelp();
  }

  // The stored best is shown only once the game has checked its run.
  try {
    const record = await loadBest();
    if (record) {
      const result = game.checkRun(record.run);
      if (result.error) {
        await dropBest();
        message.textContent = `Your stored best was dropped: its run does not verify (${result.error}).`;
      } else if (better(result, best)) {
        best = result;
        bestRun = record.run;
      }
    }
  } catch (error) {
    await dropBest().catch(() => {});
    message.textContent = `Your stored best was dropped: it could not be read (${error.message}).`;
  }
  const bestKept = () => {
    watchBest.disabled = bestRun === null;
    raceBest.disabled = bestRun === null;
  };
  bestKept();
  dialog.addEventListener('close', bestKept);

  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.register('sw.js').catch(() => {}); // the page works without it
  }
  findServer().then((stats) => {
    if (stats) {
      board = new Board({ clock: (ticks) => clockText(ticks, game.tickMs), deaths: deathsText, watch: watchUrl, race: raceWith, stats,
        app: document.querySelector('.app'), fit: () => layout.fit() });
    }
  });
  await replay();
}

start().catch((error) => {
  notice.textContent = error.message;
});
