// The display's frames drive the game: each frame reads the player's pads,
// hands the session the real time since the last frame, and the session
// plays the ticks and the clock's seconds that time brought (it catches up a
// little after a stall and drops the rest). Held, the page hands on nothing:
// that time is never played.
export class Pacer {
  constructor({ input, advance, frame }) {
    this.onInput = input;
    this.onAdvance = advance; // gets the milliseconds that passed
    this.onFrame = frame; // gets the frame's time
    this.holds = new Set();
    this.last = null;
    const loop = (now) => {
      this.frame(now);
      requestAnimationFrame(loop);
    };
    requestAnimationFrame(loop);
  }

  hold(reason) {
    this.holds.add(reason);
  }

  release(reason) {
    this.holds.delete(reason);
    this.last = null;
  }

  frame(now) {
    const elapsed = this.last === null ? 0 : now - this.last;
    this.last = now;
    this.onInput();
    if (this.holds.size === 0) {
      this.onAdvance(elapsed);
    }
    this.onFrame(now);
  }
}
