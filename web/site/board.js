// The leaderboard of the dravik-server that serves this page: the top runs,
// the player's own, the proven bound beside the best, and sending a run to
// it. Every run sent is re-played by the server before it is ranked; the
// page only shows what it answers. Names come from anyone: they are only
// ever set as text.
import { better } from './records.js';

const TOP = 8;
const MOST_SENT_BYTES = 16 * 1024 * 1024; // the server refuses far less; this spares the upload
const OWN = 'dravik.own-runs';
const NAME = 'dravik.name';
const $ = (id) => document.getElementById(id);

// What the server answers as JSON; throws its refusal's reason in words.
async function api(path, options = {}) {
  const response = await fetch(path, { cache: 'no-store', credentials: 'same-origin', ...options });
  const json = (response.headers.get('Content-Type') ?? '').startsWith('application/json');
  const body = json ? await response.json() : null;
  if (!response.ok) {
    const wait = response.headers.get('Retry-After');
    throw new Error((body?.error ?? `${response.status} ${response.statusText}`) +
      (wait ? ` (try again in ${wait} s)` : ''));
  }
  if (!body) {
    throw new Error('the server did not answer as a leaderboard does');
  }
  return body;
}

// The server's counts when this page comes from a dravik-server, else null.
// The page's own address says so first (any static server answers it), so
// that a site without the server asks nothing that fails.
export async function findServer() {
  if (navigator.onLine === false) {
    return null;
  }
  try {
    const page = await fetch('./', { method: 'HEAD', cache: 'no-store' });
    if (!/^dravik-server\b/.test(page.headers.get('Server') ?? '')) {
      return null;
    }
    return await api('api/stats');
  } catch {
    return null;
  }
}

function remembered(key, fallback) {
  try {
    return JSON.parse(localStorage.getItem(key)) ?? fallback;
  } catch {
    return fallback;
  }
}
function remember(key, value) {
  try {
    localStorage.setItem(key, JSON.stringify(value));
  } catch {
    // a browser that keeps nothing asks again next time
  }
}

export class Board {
  // clock(ticks) and deaths(n): a time and deaths as the strip shows them; watch(url) and race(run,
  // who) act on an entry's run; stats: what findServer answered; app: the
  // page's .app, whose class board-open says whether the board is unfolded
  // (on a touch screen it folds away by default, for the pad); fit() lays
  // the page out again.
  constructor({ clock, deaths, watch, race, stats, app, fit }) {
    this.clock = clock;
    this.deaths = deaths;
    this.watchRun = watch;
    this.raceRun = race;
    this.stats = stats;
    this.won = null; // the run file of the win the player may send
    this.name = $('submit-name');
    this.said = $('board-said');
    this.name.value = remembered(NAME, '');
    this.app = app;
    this.fit = fit;
    for (const id of ['board', 'submit-file']) {
      $(id).hidden = false;
    }
    app.classList.add('served');
    this.unfold(!app.classList.contains('touch'));
    $('board-open').addEventListener('click', () => this.unfold(!app.classList.contains('board-open')));
    $('submit').addEventListener('click', () => this.won && this.send(this.won, 'your win').then((ok) => {
      if (ok) {
        this.offer(null);
      }
    }));
    const file = $('submit-run-file');
    $('submit-file').addEventListener('click', () => file.click());
    file.addEventListener('change', async () => {
      const [chosen] = file.files;
      file.value = '';
      if (!chosen) {
        return;
      }
      if (chosen.size > MOST_SENT_BYTES) {
        this.tell(`${chosen.name} was not sent: it is over 16 MB, and a leaderboard run at most 1 MB`, true);
        return;
      }
      this.send(await chosen.text(), chosen.name);
    });
    this.refresh(stats);
  }

  // The run of a win the player has just made, to send with Submit; null
  // takes the offer back.
  offer(run) {
    this.won = run;
    $('submit').hidden = run === null;
    if (run !== null) {
      this.unfold(true);
    }
  }

  unfold(open) {
    this.app.classList.toggle('board-open', open);
    $('board-open').setAttribute('aria-expanded', String(open));
    this.fit();
  }

  tell(text, refused = false) {
    this.said.textContent = text;
    this.said.classList.toggle('refused', refused);
    // Into view where the column scrolls (a phone): the column only, never the page.
    const side = this.said.closest('.side');
    const below = this.said.getBoundingClientRect().bottom - side.getBoundingClientRect().bottom;
    if (below > 0) {
      side.scrollTop += below;
    }
  }

  // Sends a run file under the name in the field; true when it was ranked.
  async send(run, what) {
    const name = this.name.value.trim();
    remember(NAME, name);
    this.tell(`Sending ${what}\u2026`);
    try {
      const ranked = await api(`api/runs?name=${encodeURIComponent(name)}`, {
        method: 'POST', headers: { 'Content-Type': 'text/plain' }, body: run,
      });
      const own = remembered(OWN, []).filter((r) => r.id !== ranked.id);
      own.push({ id: ranked.id, rank: ranked.rank, ticks: ranked.ticks, deaths: ranked.deaths });
      remember(OWN, own);
      this.tell(`Rank ${ranked.rank}: ${this.clock(ranked.ticks)} with ${this.deaths(ranked.deaths)}`);
      await this.refresh();
      return true;
    } catch (error) {
      this.tell(`Refused: ${error.message}`, true);
      return false;
    }
  }

  // The top entries and the player's best one, as the server has them now
  // (and its counts, unless they have just been read).
  async refresh(known = null) {
    try {
      const [stats, top] = await Promise.all([known ?? api('api/stats'), api(`api/leaderboard?limit=${TOP}`)]);
      this.stats = stats;
      const own = remembered(OWN, []);
      const ids = new Set(own.map((r) => r.id));
      const mine = own.reduce((a, r) => (better(r, a) ? r : a), null);
      let extra = null;
      if (mine && !top.entries.some((e) => e.id === mine.id)) {
        // Ranks only grow as runs come in: the entry is at or after its rank then.
        const near = await api(`api/leaderboard?offset=${Math.max(0, mine.rank - 1)}&limit=100`);
        extra = near.entries.find((e) => e.id === mine.id) ?? null;
      }
      this.render(top, ids, extra);
    } catch (error) {
      this.tell(`The leaderboard could not be read: ${error.message}`, true);
    }
  }

  render(top, ids, extra) {
    const { best, bound } = this.stats;
    $('board-best').textContent = best
      ? `Best ${this.clock(best.ticks)} \u00b7 proven bound ${this.clock(bound)}`
      : `No run yet \u00b7 proven bound ${this.clock(bound)}`;
    $('board-best').title = `No run can win in fewer than ${bound} ticks`;
    $('board-count').textContent = top.total === 1 ? '1 run' : `${top.total} runs`;
    const rows = top.entries.map((e) => this.row(e, ids.has(e.id)));
    if (extra) {
      const gap = document.createElement('li');
      gap.className = 'gap';
      gap.textContent = '\u22ee';
      rows.push(gap, this.row(extra, true));
    }
    $('board-entries').replaceChildren(...rows);
  }

  row(entry, own) {
    const li = document.createElement('li');
    li.className = own ? 'own' : '';
    li.dataset.id = entry.id;
    const cell = (className, text) => {
      const span = document.createElement('span');
      span.className = className;
      span.textContent = text;
      return span;
    };
    const name = cell('name', entry.name);
    name.title = entry.name;
    const button = (label, action) => {
      const b = document.createElement('button');
      b.type = 'button';
      b.className = label.toLowerCase();
      b.textContent = label;
      b.addEventListener('click', action);
      return b;
    };
    li.append(cell('rank', `${entry.rank}.`), name, cell('time', this.clock(entry.ticks)),
      cell('deaths', this.deaths(entry.deaths)),
      button('Watch', () => this.watchRun(`api/runs/${entry.id}`)),
      button('Race', async () => {
        try {
          const response = await fetch(`api/runs/${entry.id}`, { credentials: 'same-origin' });
          if (!response.ok) {
            throw new Error(`${response.status} ${response.statusText}`);
          }
          this.raceRun(await response.text(), entry.name);
        } catch (error) {
          this.tell(`Cannot race ${entry.name}: ${error.message}`, true);
        }
      }));
    return li;
  }
}
