// Paints the client area as the window does: the cyan background, every
// visible shape with a one-pixel outline and the four labels, the earlier in
// the design order on top. Edges fall on whole device pixels at any device
// pixel ratio; only the parts that changed since the last frame are painted.
const roundEdge = (v) => Math.floor(v + 0.5);

const meets = (a, b) => a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];

export class Painter {
  constructor(canvas, game) {
    // The game's own facts: twips to a pixel, the client area, kinds and colours.
    this.twips = game.twips;
    this.width = game.width;
    this.height = game.height;
    this.fields = game.fields;
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d', { alpha: false });
    this.game = game;
    this.sprites = new Map();
    this.last = null; // the controls and captions last painted
    this.painted = 0; // controls drawn by the last paint
  }

  // A logical rectangle that holds every device pixel a control can paint.
  paintBounds(l, t, w, h) {
    const tw = this.twips;
    return [Math.floor(l / tw) - 1, Math.floor(t / tw) - 1, Math.ceil((l + w) / tw) + 1, Math.ceil((t + h) / tw) + 1];
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
    const sx = this.canvas.width / this.width;
    const sy = this.canvas.height / this.height;
    const left = roundEdge(l / this.twips * sx);
    const top = roundEdge(t / this.twips * sy);
    return [left, top, Math.max(1, roundEdge((l + w) / this.twips * sx) - left),
      Math.max(1, roundEdge((t + h) / this.twips * sy) - top)];
  }

  // Paints what changed since the last call (everything the first time).
  paint() {
    const now = Float64Array.from(this.game.controls());
    const captions = [];
    for (let i = 0; i < this.game.count; ++i) {
      captions.push(now[i * this.fields] === this.game.labelKind ? this.game.caption(i) : '');
    }
    const damage = this.last ? [] : [[0, 0, this.width, this.height]];
    const count = this.game.count;
    for (let i = 0; i < count && this.last; ++i) {
      const o = i * this.fields;
      if (this.last.captions[i] === captions[i] && this.last.now[o + 2] === now[o + 2] &&
          this.last.now[o + 3] === now[o + 3] && this.last.now[o + 6] === now[o + 6]) {
        continue;
      }
      const p = this.last.now;
      damage.push(this.paintBounds(now[o + 2], now[o + 3], now[o + 4], now[o + 5]),
        this.paintBounds(p[o + 2], p[o + 3], p[o + 4], p[o + 5]));
    }
    this.last = { now, captions };
    this.painted = 0;
    if (damage.length === 0) {
      return;
    }
    const ctx = this.ctx;
    const sx = this.canvas.width / this.width;
    const sy = this.canvas.height / this.height;
    ctx.save();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.beginPath();
    for (const d of damage) {
      const l = Math.floor(d[0] * sx) - 1;
      const t = Math.floor(d[1] * sy) - 1;
      ctx.rect(l, t, Math.ceil(d[2] * sx) + 1 - l, Math.ceil(d[3] * sy) + 1 - t);
    }
    ctx.clip();
    ctx.fillStyle = this.game.background;
    ctx.fillRect(0, 0, this.canvas.width, this.canvas.height);
    const outline = Math.max(1, roundEdge(Math.min(sx, sy)));
    for (let i = count; i-- > 0;) {
      const o = i * this.fields;
      if (now[o + 6] === 0) {
        continue;
      }
      const bounds = this.paintBounds(now[o + 2], now[o + 3], now[o + 4], now[o + 5]);
      if (!damage.some((d) => meets(d, bounds))) {
        continue;
      }
      ++this.painted;
      if (now[o] === this.game.labelKind) {
        this.paintLabel(now.subarray(o, o + this.fields), captions[i], outline, sx, sy);
      } else {
        this.paintShape(now.subarray(o, o + this.fields), outline);
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
    const fill = this.game.css(c[1]);
    if (c[0] === this.game.circleKind) {
      this.ctx.drawImage(this.sprite(fill, dw, dh, outline), x, y);
      return;
    }
    this.ctx.fillStyle = this.game.outline;
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
      s.strokeStyle = this.game.outline;
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
      ctx.fillStyle = this.game.outline;
      ctx.fillRect(x, y, w, h);
      ctx.fillStyle = this.game.box;
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
    ctx.fillText(caption, (c[2] + c[4] / 2) / this.twips, c[3] / this.twips + inset + ascent);
    ctx.restore();
  }
}

