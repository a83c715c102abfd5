// The game's module: the same core as the desktop game, in WebAssembly.
import createDravik from './dravik.js';

const FIELDS = 8; // per control: kind, colour, left, top, width, height, visible, font points

export async function loadGame() {
  const m = await createDravik();
  const text = (pointer) => m.UTF8ToString(pointer);
  // Calls `call` with the text in the module's memory, NUL-ended, and its length in bytes.
  const withText = (value, call) => {
    const size = m.lengthBytesUTF8(value) + 1;
    const pointer = m._malloc(size);
    if (pointer === 0) {
      throw new Error('not enough memory');
    }
    try {
      m.stringToUTF8(value, pointer, size);
      return call(pointer, size - 1);
    } finally {
      m._free(pointer);
    }
  };
  const count = m._dravik_control_count();
  return {
    count,
    // 0 when it went through, 1 when the game has ended; a tick gives 2 for a win.
    key: (down, code) => m._dravik_key(down ? 1 : 0, code),
    reset: () => m._dravik_reset(),
    clock: () => m._dravik_clock(),
    tick: () => m._dravik_tick(),
    watching: () => m._dravik_watching() === 1,
    ticks: () => m._dravik_ticks(),
    failure: () => text(m._dravik_failure()),
    newGame: () => m._dravik_new_game(),
    // Watches a run from a new game; gives "" or the script's "line L: ..." message.
    watch: (script) => withText(script, (p, size) => text(m._dravik_watch(p, size))),
    version: text(m._dravik_version()),
    stateLine: () => text(m._dravik_state_line()),
    runText: (header) => withText(header, (p) => text(m._dravik_run_text(p))),
    caption: (index) => text(m._dravik_caption(index)),
    // The controls in the design order, FIELDS numbers each (a view that the next call replaces).
    controls: () => new Float64Array(m.HEAPF64.buffer, m._dravik_controls(), count * FIELDS),
  };
}

export { FIELDS };
