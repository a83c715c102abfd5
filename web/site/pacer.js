// The game's two timers on the display's frames: 64 ticks a second in fixed
// steps (at most a few caught up after a stall, the rest dropped) and the
// clock every 1000 ms. Held, neither runs; started again, they count from
// that moment, so nothing comes in a burst.
const TICK_MS = 1000 / 64;
const CATCH_UP = 4;
const CLOCK_MS = 1000;

export class Pacer {
  constructor({ tick, clock, frame }) {
    this.onTick = tick; // returns false to stop the ticks of this frame
    this.onClock = clock;
    this.onFrame = frame;
    this.speed = 1;
    this.clockRuns = true;
    this.holds = new Set();
    this.restart();
    const loop = (now) => {
      this.frame(now);
      requestAnimationFrame(loop);
    };
    requestAnimationFrame(loop);
  }

  // Ticks at 64 × speed a second; the clock stands still while it is off.
  setRate(speed, clockRuns) {
    this.speed = speed;
    this.clockRuns = clockRuns;
    this.restart();
  }

  hold(reason) {
    this.holds.add(reason);
  }

  release(reason) {
    this.holds.delete(reason);
    this.restart();
  }

  restart() {
    this.last = null;
    this.tickDue = 0;
    this.clockDue = 0;
  }

  frame(now) {
    const elapsed = this.last === null ? 0 : now - this.last;
    this.last = now;
    if (this.holds.size === 0) {
      if (this.clockRuns) {
        this.clockDue += elapsed;
        if (this.clockDue >= CLOCK_MS) {
          this.clockDue = Math.min(this.clockDue - CLOCK_MS, CLOCK_MS - 1);
          this.onClock();
        }
      }
      const period = TICK_MS / this.speed;
      const most = Math.max(CATCH_UP, Math.ceil(CATCH_UP * this.speed));
      this.tickDue += elapsed;
      let ticks = Math.floor(this.tickDue / period);
      if (ticks > most) {
        ticks = most;
        this.tickDue = 0;
      } else {
        this.tickDue -= ticks * period;
      }
      while (ticks-- > 0 && this.holds.size === 0 && this.onTick()) {
        // one tick each turn
      }
    }
    this.onFrame();
  }
}
