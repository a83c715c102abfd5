// Paints the client area as the window does: the cyan background, every
// visible shape with a one-pixel outline and the four labels, the earlier in
// the design order on top. Edges fall on whole device pixels at any device
// pixel ratio; only the parts that changed since the last frame are painted.
import { FIELDS } from './game.js';

const TWIPS = 15;
const WIDTH = 1047;
const HEIGHT = 830;
const CIRCLE = 3;
const LABEL = 9;
const BACKGROUND = '#00ffff';
const OUTLINE = '#000000';

// 0x00BBGGRR as CSS writes it.
const css = (c) => '#' + [c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff].map((v) => v.toString(16).padStart(2, '0')).join('');
const roundEdge = (v) => Math.floor(v + 0.5);

// A logical rectangle that holds every device pixel a control can paint.
function paintBounds(l, t, w, h) {
  return [Math.floor(l / TWIPS) - 1, Math.floor(t / TWIPS) - 1,
    Math.ceil((l + w) / TWIPS) + 1, Math.ceil((t + h) / TWIPS) + 1];
}

const meets = (a, b) => a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];

export class Painter {
  constructor(canvas, game) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d', { alpha: false });
    this.game = game;
    this.sprites = new Map();
    this.last = null; // the controls and captions last painted
    this.painted = 0; // controls drawn by the last paint
  }

  // The backing store at the device's own pixels.
  resize(width, height) {
    if (this.canvas.width !== width || this.canvas.height !== height) {
      this.canvas.width = width;
      this.canvas.height = height;
    }
    this.sprites.clear();
    this.last = null;
  }

  device(l, t, w, h) {
    const sx = this.canvas.width / WIDTH;
    const sy = this.canvas.height / HEIGHT;
    const left = roundEdge(l / TWIPS * sx);
    const top = roundEdge(t / TWIPS * sy);
    return [left, top, Math.max(1, roundEdge((l + w) / TWIPS * sx) - left),
      Math.max(1, roundEdge((t + h) / TWIPS * sy) - top)];
  }

  // Paints what changed since the last call (everything the first time).
  paint() {
    const now = Float64Array.from(this.game.controls());
    const captions = [];
    for (let i = 0; i < this.game.count; ++i) {
      captions.push(now[i * FIELDS] === LABEL ? this.game.caption(i) : '');
    }
    const damage = this.last ? [] : [[0, 0, WIDTH, HEIGHT]];
    const count = this.game.count;
    for (let i = 0; i < count && this.last; ++i) {
      const o = i * FIELDS;
      if (this.last.captions[i] === captions[i] && this.last.now[o + 2] === now[o + 2] &&
          this.last.now[o + 3] === now[o + 3] && this.last.now[o + 6] === now[o + 6]) {
        continue;
      }
      const p = this.last.now;
      damage.push(paintBounds(now[o + 2], now[o + 3], now[o + 4], now[o + 5]),
        paintBounds(p[o + 2], p[o + 3], p[o + 4], p[o + 5]));
    }
    this.last = { now, captions };
    this.painted = 0;
    if (damage.length === 0) {
      return;
    }
    const ctx = this.ctx;
    const sx = this.canvas.width / WIDTH;
    const sy = this.canvas.height / HEIGHT;
    ctx.save();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.beginPath();
    for (const d of damage) {
      const l = Math.floor(d[0] * sx) - 1;
      const t = Math.floor(d[1] * sy) - 1;
      ctx.rect(l, t, Math.ceil(d[2] * sx) + 1 - l, Math.ceil(d[3] * sy) + 1 - t);
    }
    ctx.clip();
    ctx.fillStyle = BACKGROUND;
    ctx.fillRect(0, 0, this.canvas.width, this.canvas.height);
    const outline = Math.max(1, roundEdge(Math.min(sx, sy)));
    for (let i = count; i-- > 0;) {
      const o = i * FIELDS;
      if (now[o + 6] === 0) {
        continue;
      }
      const bounds = paintBounds(now[o + 2], now[o + 3], now[o + 4], now[o + 5]);
      if (!damage.some((d) => meets(d, bounds))) {
        continue;
      }
      ++this.painted;
      if (now[o] === LABEL) {
        this.paintLabel(now.subarray(o, o + FIELDS), captions[i], outline, sx, sy);
      } else {
        this.paintShape(now.subarray(o, o + FIELDS), outline);
      }
    }
    ctx.restore();
  }

  paintShape(c, outline) {
    let [l, t, w, h] = [c[2], c[3], c[4], c[5]];
    if (c[0] !== 0 && w !== h) { // a square or circle: the largest centred square
      const side = Math.min(w, h);
      l += (w - side) / 2;
      t += (h - side) / 2;
      w = h = side;
    }
    const [x, y, dw, dh] = this.device(l, t, w, h);
    const fill = css(c[1]);
    if (c[0] === CIRCLE) {
      this.ctx.drawImage(this.sprite(fill, dw, dh, outline), x, y);
      return;
    }
    this.ctx.fillStyle = OUTLINE;
    this.ctx.fillRect(x, y, dw, dh);
    if (dw > 2 * outline && dh > 2 * outline) {
      this.ctx.fillStyle = fill;
      this.ctx.fillRect(x + outline, y + outline, dw - 2 * outline, dh - 2 * outline);
    }
  }

  // An antialiased circle, its line inside its box; kept for the next frame.
  sprite(fill, w, h, outline) {
    const key = `${fill} ${w} ${h} ${outline}`;
    let sprite = this.sprites.get(key);
    if (!sprite) {
      sprite = document.createElement('canvas');
      sprite.width = w;
      sprite.height = h;
      const s = sprite.getContext('2d');
      s.beginPath();
      s.ellipse(w / 2, h / 2, (w - outline) / 2, (h - outline) / 2, 0, 0, 2 * Math.PI);
      s.fillStyle = fill;
      s.fill();
      s.lineWidth = outline;
      s.strokeStyle = OUTLINE;
      s.stroke();
      this.sprites.set(key, sprite);
    }
    return sprite;
  }

  // The box and border in device pixels, the text in CSS pixels: "Arial" (or
  // its metric twins), centred, its first line at the top of the box.
  paintLabel(c, caption, outline, sx, sy) {
    const ctx = this.ctx;
    const points = Math.abs(c[7]);
    const boxed = c[7] < 0;
    const [x, y, w, h] = this.device(c[2], c[3], c[4], c[5]);
    ctx.save();
    if (boxed) {
      ctx.fillStyle = OUTLINE;
      ctx.fillRect(x, y, w, h);
      ctx.fillStyle = '#ffffff';
      ctx.fillRect(x + outline, y + outline, w - 2 * outline, h - 2 * outline);
    }
    ctx.beginPath();
    ctx.rect(x + (boxed ? outline : 0), y + (boxed ? outline : 0), w - (boxed ? 2 * outline : 0), h - (boxed ? 2 * outline : 0));
    ctx.clip();
    ctx.setTransform(sx, 0, 0, sy, 0, 0);
    ctx.font = `${points * 4 / 3}px Arial, "Liberation Sans", Arimo, sans-serif`;
    ctx.fillStyle = '#000000';
    ctx.textAlign = 'center';
    ctx.textBaseline = 'alphabetic';
    const inset = boxed ? 1 : 0;
    const ascent = ctx.measureText(caption).fontBoundingBoxAscent;
    ctx.fillText(caption, (c[2] + c[4] / 2) / TWIPS, c[3] / TWIPS + inset + ascent);
    ctx.restore();
  }
}

export { WIDTH, HEIGHT };
