// Sizes the level to the largest rectangle of its own proportions that the
// viewport holds beside the page's controls: the strip and commands beside
// it on a wide viewport or under it on a tall one, whichever leaves the
// level larger, with the touch pad beside or under it on a touch screen.
// The size falls on whole device pixels, so the canvas is crisp; the page
// never scrolls. With the leaderboard shown (the app's class "served"), the
// column beside the level takes up to --side-more of the room the level
// leaves, never any of the level's. It follows resizes, rotation and changes of the pointer.
export class Layout {
  constructor(app, { width, height }) {
    this.app = app;
    this.aspect = width / height;
    this.coarse = matchMedia('(pointer: coarse)');
    this.size = null;
    const again = () => this.fit();
    this.again = again;
    window.addEventListener('resize', again);
    this.coarse.addEventListener('change', again);
    screen.orientation?.addEventListener('change', again);
    window.visualViewport?.addEventListener('resize', again);
    this.fit();
  }

  get touch() {
    return this.coarse.matches;
  }

  // An offset of about `v` CSS pixels, whole in CSS and in device pixels, so
  // that the level's edges fall on both.
  offset(v, dpr) {
    let k = Math.max(0, Math.floor(v));
    while (k > 0 && Math.abs(k * dpr - Math.round(k * dpr)) > 1e-6) {
      --k;
    }
    return k;
  }

  fit() {
    const root = document.documentElement;
    const style = getComputedStyle(root);
    const px = (name) => parseFloat(style.getPropertyValue(name)) || 0;
    const app = this.app.getBoundingClientRect();
    const [vw, vh] = [app.width, app.height];
    const touch = this.touch;
    // Beside: the level's height is what the width left over allows; under: the reverse.
    const sideWidth = touch ? px('--touch-side-w') : px('--side-w');
    const besideWidth = vw - sideWidth - (touch ? px('--pad-w') : 0);
    const beside = Math.min(vh, besideWidth / this.aspect);
    const underWidth = Math.min(vw, (vh - px(touch ? '--below-touch-h' : '--below-h')) * this.aspect);
    const under = underWidth / this.aspect;
    const wide = beside >= under;
    const dpr = window.devicePixelRatio || 1;
    // The side that fills its room is whole, the other follows it.
    const whole = (v) => Math.max(0, Math.floor(v * dpr + 1e-6)) / dpr;
    let [width, height] = [0, Math.max(whole(beside), 1)];
    if (wide) {
      width = whole(height * this.aspect);
    } else {
      width = whole(underWidth);
      height = whole(width / this.aspect);
    }
    this.app.classList.toggle('wide', wide);
    this.app.classList.toggle('tall', !wide);
    this.app.classList.toggle('touch', touch);
    // The side column's share of what the level leaves beside it.
    const served = this.app.classList.contains('served');
    const more = wide && served ? Math.floor(Math.min(px('--side-more'), Math.max(0, besideWidth - width))) : 0;
    root.style.setProperty('--side-now', `${sideWidth + more}px`);
    // Centred in its room: beside the controls, the viewport's height; under
    // them, the level's own row.
    const room = wide ? besideWidth - more : vw;
    root.style.setProperty('--level-x', `${this.offset((room - width) / 2, dpr)}px`);
    root.style.setProperty('--level-y', `${wide ? this.offset((vh - height) / 2, dpr) : 0}px`);
    root.style.setProperty('--level-w', `${width}px`);
    root.style.setProperty('--level-h', `${height}px`);
    this.size = { width, height, wide, touch };
    // A new device pixel ratio (a zoom, another screen) asks for a new fit.
    if (this.dpr !== dpr) {
      this.dpr = dpr;
      this.ratio?.removeEventListener('change', this.again);
      this.ratio = matchMedia(`(resolution: ${dpr}dppx)`);
      this.ratio.addEventListener('change', this.again);
    }
  }
}
