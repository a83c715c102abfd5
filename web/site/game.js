// The game's module: the same core and run library as the desktop game, in
// WebAssembly. One session plays; the page feeds it events and the time that
// passed, and paints what it says.
import createDravik from './dravik.js';

// 0x00BBGGRR as CSS writes it.
const css = (c) => '#' + [c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff].map((v) => v.toString(16).padStart(2, '0')).join('');

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
  const fields = m._dravik_fields();
  const twips = m._dravik_twips_per_pixel();
  return {
    count,
    fields,
    // The game's facts: its tick, its client area in pixels and twips, its colours and kinds.
    tickMs: m._dravik_tick_ms(),
    twips,
    width: m._dravik_client_width() / twips,
    height: m._dravik_client_height() / twips,
    background: css(m._dravik_colour(0)),
    outline: css(m._dravik_colour(1)),
    box: css(m._dravik_colour(2)),
    circleKind: m._dravik_circle_kind(),
    // The ghost's colour, and its fill's and edge's opacity out of 255.
    ghostColour: css(m._dravik_ghost_colour()),
    ghostAlpha: { fill: m._dravik_ghost_alpha(0), edge: m._dravik_ghost_alpha(1) },
    // Left, Up, Right, Down: the only keys a run holds.
    arrows: [0, 1, 2, 3].map((i) => m._dravik_arrow(i)),
    playerSide: m._dravik_player_side(),
    labelKind: m._dravik_label_kind(),
    css,
    // The player's events: 0 when they went through, 1 when the game has ended.
    key: (down, code) => m._dravik_key(down ? 1 : 0, code),
    letGo: () => m._dravik_let_go(),
    reset: () => m._dravik_reset(),
    // Plays what `ms` of real time brought; bits: 1 ticked, 2 won, 4 the watched
    // run ended, 8 a death; -1 when the game has ended.
    advance: (ms) => m._dravik_advance(ms),
    tick: () => m._dravik_tick(),
    hold: () => m._dravik_hold(),
    // Where the player stood at each death of the last advance, in twips.
    deaths: () => Array.from({ length: m._dravik_death_count() },
      (_, i) => ({ left: m._dravik_death_left(i), top: m._dravik_death_top(i) })),
    lastWin: () => ({ tick: m._dravik_win_tick(), ticks: m._dravik_win_ticks(), deaths: m._dravik_win_deaths() }),
    stretch: () => ({ ticks: m._dravik_stretch_ticks(), deaths: m._dravik_stretch_deaths() }),
    keysLeft: () => m._dravik_keys_left(),
    watching: () => m._dravik_watching() === 1,
    watchEnd: () => m._dravik_watch_end(),
    speed: () => m._dravik_speed(),
    ticks: () => m._dravik_ticks(),
    wins: () => m._dravik_wins(),
    failure: () => text(m._dravik_failure()),
    newGame: () => m._dravik_new_game(),
    // Watches a run from a new game; gives "" or the script's "line L: ..." message.
    watch: (script, speed) => withText(script, (p, size) => text(m._dravik_watch(p, size, speed))),
    // A number as the game's programs read one (plain decimal digits); -1 for anything else.
    readNumber: (value) => withText(value, (p) => m._dravik_read_number(p)),
    // Checks a recorded run as dravik-sim --verify does: its last win
    // ({ ticks, deaths }) when it verifies and has won, else { error }.
    checkRun: (script) => {
      const error = withText(script, (p, size) => text(m._dravik_check_run(p, size)));
      return error ? { error } : { ticks: m._dravik_checked_ticks(), deaths: m._dravik_checked_deaths() };
    },
    // Races a run: its ghost follows the live stretch; gives "" or the reason.
    race: (script) => withText(script, (p, size) => text(m._dravik_race(p, size))),
    raceEnd: () => m._dravik_race_end(),
    // The ghost's square in twips while it runs (null once it has won), and its ticks to the win.
    ghost: () => (m._dravik_ghost_shown() === 1 ? { left: m._dravik_ghost_left(), top: m._dravik_ghost_top() } : null),
    ghostTicks: () => m._dravik_ghost_ticks(),
    // The gaps to the ghost of the last call that played: { keys, text } at each key taken.
    gaps: () => Array.from({ length: m._dravik_gap_count() },
      (_, i) => ({ keys: m._dravik_gap_keys(i), text: text(m._dravik_gap_text(i)) })),
    version: text(m._dravik_version()),
    stateLine: () => text(m._dravik_state_line()),
    // The run so far as a run file, recorded at `date`.
    runText: (date) => withText(date, (p) => text(m._dravik_run_text(p))),
    caption: (index) => text(m._dravik_caption(index)),
    // The controls in the design order, `fields` numbers each (a view that the next call replaces).
    controls: () => new Float64Array(m.HEAPF64.buffer, m._dravik_controls(), count * fields),
  };
}
