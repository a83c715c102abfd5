// The player's best win, kept in this browser: the run file that made it,
// in IndexedDB (localStorage where there is none). The page trusts no stored
// record: it checks each one with the game before it shows it.
// Whether the result a ({ ticks, deaths }) beats b, or there is no b: fewer
// ticks, then fewer deaths.
export const better = (a, b) => !b || a.ticks < b.ticks || (a.ticks === b.ticks && a.deaths < b.deaths);

const DB = 'dravik';
const STORE = 'records';
const KEY = 'best';

function request(r) {
  return new Promise((resolve, reject) => {
    r.onsuccess = () => resolve(r.result);
    r.onerror = () => reject(r.error);
  });
}

async function store(mode) {
  const open = indexedDB.open(DB, 1);
  open.onupgradeneeded = () => open.result.createObjectStore(STORE);
  const db = await request(open);
  return db.transaction(STORE, mode).objectStore(STORE);
}

const local = typeof indexedDB === 'undefined';

// The stored best as { run, saved }, null when there is none; throws when
// what is stored cannot be read as one.
export async function loadBest() {
  const value = local ? JSON.parse(localStorage.getItem(`${DB}.${KEY}`) ?? 'null')
    : await request((await store('readonly')).get(KEY));
  if (value === undefined || value === null) {
    return null;
  }
  if (typeof value !== 'object' || typeof value.run !== 'string') {
    throw new Error('it is not a run');
  }
  return value;
}

export async function saveBest(run) {
  const value = { run, saved: new Date().toISOString() };
  if (local) {
    localStorage.setItem(`${DB}.${KEY}`, JSON.stringify(value));
  } else {
    await request((await store('readwrite')).put(value, KEY));
  }
  // Asked once there is something worth keeping; the browser may say no.
  await navigator.storage?.persist?.().catch(() => false);
}

export async function dropBest() {
  if (local) {
    localStorage.removeItem(`${DB}.${KEY}`);
  } else {
    await request((await store('readwrite')).delete(KEY));
  }
}
