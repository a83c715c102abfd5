// What the page draws over the level without touching the game: a brief
// mark where the player died (none for a player who asked for less motion).
// The canvas lies over the level at its size and takes no input; other
// layers (the ghost of a raced run) draw on it in the same frame: each is an
// object whose shown() says whether it has anything to draw, and whose
// draw(ctx, side, scale) paints it in the level's pixels.
const MARK_MS = 500;

export class Overlay {
  constructor(canvas, game) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d');
    this.twips = game.twips;
    this.width = game.width;
    this.side = game.playerSide;
    this.marks = [];
    this.still = matchMedia('(prefers-reduced-motion: reduce)');
    this.drawn = false;
    this.layers = [];
  }

  // Deaths at these places (twips, the player's top left) as of `now`.
  died(deaths, now) {
    if (this.still.matches) {
      return;
    }
    for (const { left, top } of deaths) {
      this.marks.push({ x: (left + this.side / 2) / this.twips, y: (top + this.side / 2) / this.twips, at: now });
    }
  }

  frame(now) {
    this.marks = this.marks.filter((m) => now - m.at < MARK_MS);
    const layered = this.layers.some((layer) => layer.shown());
    if (this.marks.length === 0 && !layered && !this.drawn) {
      return;
    }
    const { canvas, ctx } = this;
    const box = canvas.getBoundingClientRect();
    const dpr = window.devicePixelRatio || 1;
    const [w, h] = [Math.round(box.width * dpr), Math.round(box.height * dpr)];
    if (canvas.width !== w || canvas.height !== h) {
      canvas.width = w;
      canvas.height = h;
    }
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, w, h);
    const scale = w / this.width;
    ctx.setTransform(scale, 0, 0, scale, 0, 0);
    const side = this.side / this.twips;
    for (const m of this.marks) {
      const t = (now - m.at) / MARK_MS;
      ctx.globalAlpha = 1 - t;
      ctx.lineWidth = 3;
      ctx.strokeStyle = '#ff2020';
      ctx.beginPath();
      ctx.arc(m.x, m.y, side * (0.7 + 1.3 * t), 0, 2 * Math.PI);
      ctx.stroke();
      const arm = side * 0.55;
      ctx.beginPath();
      ctx.moveTo(m.x - arm, m.y - arm);
      ctx.lineTo(m.x + arm, m.y + arm);
      ctx.moveTo(m.x + arm, m.y - arm);
      ctx.lineTo(m.x - arm, m.y + arm);
      ctx.stroke();
    }
    ctx.globalAlpha = 1;
    for (const layer of this.layers) {
      layer.draw(ctx, side, scale);
    }
    this.drawn = this.marks.length > 0 || layered;
  }
}
