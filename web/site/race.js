// A raced run: its ghost, the recorded player as a see-through square that
// the game moves in lockstep with the live stretch (the start, the last
// RESET or the last win), drawn over the level by the overlay; and the gap
// to it each time the live player takes a key. The ghost touches nothing of
// the game being played.
// The game's colour for a ghost (#rrggbb) with an opacity out of 255, as #rrggbbaa.
const seeThrough = (colour, alpha) => colour + alpha.toString(16).padStart(2, '0');

export class Race {
  // `line` holds the race's line of the strip: #race-name, #gap and its stop button.
  constructor(game, overlay, { line, name, gap }) {
    this.game = game;
    this.line = line;
    this.name = name;
    this.gap = gap;
    this.at = null; // the ghost's square in twips while it runs
    this.fill = seeThrough(game.ghostColour, game.ghostAlpha.fill);
    this.edge = seeThrough(game.ghostColour, game.ghostAlpha.edge);
    overlay.layers.push(this);
  }

  get racing() {
    return !this.line.hidden;
  }

  // Races `run` (a run file's text), called `who` in the strip; gives "" or
  // why it cannot be raced.
  start(run, who) {
    const error = this.game.race(run);
    if (error) {
      return error;
    }
    this.name.textContent = who;
    this.gap.textContent = '';
    this.gap.className = '';
    this.line.hidden = false;
    this.followed();
    return '';
  }

  stop() {
    this.game.raceEnd();
    this.line.hidden = true;
    this.at = null;
  }

  // After each call that played: where the ghost now stands, and the gap at
  // the last key taken, if any.
  followed() {
    if (!this.racing) {
      return;
    }
    this.at = this.game.ghost();
    const gaps = this.game.gaps();
    if (gaps.length > 0) {
      const { keys, text } = gaps[gaps.length - 1];
      this.gap.textContent = text;
      this.gap.title = `at key ${keys}: positive is behind the ghost`;
      this.gap.className = text.startsWith('-') ? 'ahead' : text === '+0.00 s' ? '' : 'behind';
    }
  }

  shown() {
    return this.at !== null;
  }

  draw(ctx, side, scale) {
    if (!this.at) {
      return;
    }
    const x = this.at.left / this.game.twips;
    const y = this.at.top / this.game.twips;
    ctx.fillStyle = this.fill;
    ctx.fillRect(x, y, side, side);
    ctx.strokeStyle = this.edge;
    ctx.lineWidth = 1 / scale;
    const inset = 0.5 / scale;
    ctx.strokeRect(x + inset, y + inset, side - 2 * inset, side - 2 * inset);
  }
}
