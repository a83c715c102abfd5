// The player's hands: the keyboard (the arrows and W A S D, P and Esc to
// pause, R for RESET), the touch pad and gamepads. All three end as the
// game's own arrow key-downs and key-ups, handed over between ticks, so a
// run played with any of them is an ordinary run file.

// The eight directions of a pad or a stick, a sector of 45 degrees each
// clockwise from the right (screen coordinates: y grows downward).
const SECTORS = [[1, 0], [1, 1], [0, 1], [-1, 1], [-1, 0], [-1, -1], [0, -1], [1, -1]];
// A pad's centre, and a stick nearer rest than this, steer nowhere.
const PAD_DEAD_ZONE = 0.2;
const STICK_DEAD_ZONE = 0.35;
// The buttons of the "standard" gamepad mapping that the game reads.
const START = 9;
const DPAD = { up: 12, down: 13, left: 14, right: 15 };

// The arrows of a direction (x, y), each -1, 0 or 1.
function arrowsOf(arrows, x, y) {
  const [left, up, right, down] = arrows;
  const held = new Set();
  if (x) held.add(x < 0 ? left : right);
  if (y) held.add(y < 0 ? up : down);
  return held;
}

// The direction of an offset from a centre, in units of the radius.
function direction(dx, dy, deadZone) {
  if (Math.hypot(dx, dy) < deadZone) {
    return [0, 0];
  }
  const sector = (Math.round(Math.atan2(dy, dx) / (Math.PI / 4)) + 8) % 8;
  return SECTORS[sector];
}

// The arrows one source holds in the game. Letting go comes before pressing,
// since a key-up of either arrow of an axis stops that axis.
class Held {
  constructor(send, live) {
    this.send = send;
    this.live = live;
    this.sent = new Set();
  }

  want(codes) {
    if (!this.live()) {
      this.sent.clear(); // the game let go of them, and hears nothing now
      return;
    }
    for (const code of [...this.sent]) {
      if (!codes.has(code)) {
        this.sent.delete(code);
        this.send(false, code);
      }
    }
    for (const code of codes) {
      if (!this.sent.has(code)) {
        this.sent.add(code);
        this.send(true, code);
      }
    }
  }
}

// A key typed into a text field (a name, say) is the field's.
const typing = (e) => e.target instanceof HTMLInputElement && e.target.type === 'text';

export class Controls {
  // arrows: the game's key codes of Left, Up, Right, Down. send(down, code)
  // hands one to the game; live() says whether the game hears the player
  // now; the rest are the page's commands.
  constructor({ arrows, send, live, togglePause, reset, closePanel, panelOpen, boxOpen, pad }) {
    this.arrows = arrows;
    this.send = send;
    this.live = live;
    const [left, up, right, down] = arrows;
    const moves = { ArrowLeft: left, KeyA: left, ArrowUp: up, KeyW: up, ArrowRight: right, KeyD: right,
      ArrowDown: down, KeyS: down };
    this.keys = new Set(); // the keys whose key-down the game has heard, by e.code

    window.addEventListener('keydown', (e) => {
      if (e.ctrlKey || e.metaKey || e.altKey || boxOpen() || typing(e)) {
        return; // the browser's, the "YOU WIN" box's and a text field's
      }
      if (e.code === 'Escape' && closePanel()) {
        e.preventDefault(); // an open panel closes before anything pauses
        return;
      }
      if (panelOpen()) {
        return;
      }
      if (e.code === 'Escape' || e.code === 'KeyP') {
        e.preventDefault();
        if (!e.repeat) togglePause();
        return;
      }
      if (e.code === 'KeyR') {
        e.preventDefault();
        if (!e.repeat) reset();
        return;
      }
      const code = moves[e.code];
      if (code === undefined) {
        return; // every other key is the browser's
      }
      e.preventDefault(); // the arrows steer and never scroll
      if (live()) {
        this.keys.add(e.code);
        send(true, code); // a repeat too, as the keyboard sends it
      }
    });
    window.addEventListener('keyup', (e) => {
      const code = moves[e.code];
      if (code !== undefined && this.keys.delete(e.code)) {
        e.preventDefault();
        send(false, code);
      }
    });

    this.pad = new Held(send, live);
    this.stick = new Held(send, live);
    this.startDown = new Set();
    this.togglePause = togglePause;
    this.watchPad(pad);
  }

  // The game has let go of every arrow (a pause, the page put away, the end
  // of a watched run): what is still held is pressed again once it hears.
  forget() {
    this.keys.clear();
    this.pad.sent.clear();
    this.stick.sent.clear();
  }

  // Each finger on the pad is followed until it lifts, wherever it slides;
  // the latest finger down steers.
  watchPad(pad) {
    const fingers = new Map();
    this.fingers = fingers;
    let shown = '0 0';
    const knob = (x, y) => {
      if (shown !== `${x} ${y}`) {
        shown = `${x} ${y}`;
        pad.style.setProperty('--knob-x', `${x * 60}%`);
        pad.style.setProperty('--knob-y', `${y * 60}%`);
        pad.classList.toggle('active', x !== 0 || y !== 0);
      }
    };
    this.padSteer = () => {
      const latest = [...fingers.values()].at(-1);
      let [x, y] = [0, 0];
      if (latest) {
        const box = pad.getBoundingClientRect();
        const radius = box.width / 2;
        [x, y] = direction((latest.x - box.left - radius) / radius, (latest.y - box.top - radius) / radius, PAD_DEAD_ZONE);
      }
      knob(x, y);
      this.pad.want(arrowsOf(this.arrows, x, y));
    };
    pad.addEventListener('pointerdown', (e) => {
      e.preventDefault();
      pad.setPointerCapture(e.pointerId);
      fingers.set(e.pointerId, { x: e.clientX, y: e.clientY });
      this.padSteer();
    });
    pad.addEventListener('pointermove', (e) => {
      if (fingers.has(e.pointerId)) {
        fingers.set(e.pointerId, { x: e.clientX, y: e.clientY });
        this.padSteer();
      }
    });
    const lift = (e) => {
      if (fingers.delete(e.pointerId)) {
        this.padSteer();
      }
    };
    for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
      pad.addEventListener(type, lift);
    }
  }

  // Once a frame, before the game plays it: the gamepads' d-pads and left
  // sticks (any pad steers), and Start pauses and plays on. A pad held over
  // a pause steers again when the game hears again.
  poll() {
    if (this.fingers.size > 0) {
      this.padSteer();
    }
    const pads = navigator.getGamepads ? [...navigator.getGamepads()] : [];
    let [x, y] = [0, 0];
    for (const gamepad of pads) {
      if (!gamepad || gamepad.connected === false) {
        continue;
      }
      const pressed = (i) => gamepad.mapping === 'standard' && !!gamepad.buttons[i]?.pressed;
      const [sx, sy] = direction(gamepad.axes[0] ?? 0, gamepad.axes[1] ?? 0, STICK_DEAD_ZONE);
      x ||= (pressed(DPAD.left) ? -1 : 0) + (pressed(DPAD.right) ? 1 : 0) || sx;
      y ||= (pressed(DPAD.up) ? -1 : 0) + (pressed(DPAD.down) ? 1 : 0) || sy;
      if (pressed(START) !== this.startDown.has(gamepad.index)) {
        if (pressed(START)) {
          this.startDown.add(gamepad.index);
          this.togglePause();
        } else {
          this.startDown.delete(gamepad.index);
        }
      }
    }
    this.stick.want(arrowsOf(this.arrows, x, y));
  }
}
