// Touch and pen on the canvas, as a window system with a touch screen would
// turn them into the mouse the program knows:
// - a tap (lifted within SLOP of where it went down, before LONG_PRESS_MS) is
//   a left click, with Shift while the on-screen Shift is latched;
// - a drag (moving more than SLOP while down) is a middle press where it went
//   down, motion along the way, and a middle release where it is lifted;
// - a long press (held LONG_PRESS_MS within SLOP) opens the menu there, as
//   the right button does, and places nothing.
// Gestures that start on the canvas neither scroll nor zoom the page, and
// only the first finger counts. While the menu is open, a tap on an entry
// chooses it and a tap anywhere else closes it.
import { Button, Modifier, State, modifiersOf } from './toolkit.js';

const SLOP = 10;  // CSS pixels
const LONG_PRESS_MS = 500;

const isTouchOrPen = (e) => e.pointerType === 'touch' || e.pointerType === 'pen';

export class TouchInput {
  #canvas;
  #toolkit;
  #menu;
  #shift;
  #announce;
  #gesture = null;  // the finger or pen on the canvas, while it is down
  #menuTap = null;  // the pointer of a tap that went down on the open menu

  constructor({ canvas, toolkit, menu, shift, announce }) {
    this.#canvas = canvas;
    this.#toolkit = toolkit;
    this.#menu = menu;
    this.#shift = shift;
    this.#announce = announce;
    // The menu sees a touch first, wherever it lands.
    window.addEventListener('pointerdown', (e) => this.#menuDown(e), true);
    window.addEventListener('pointerup', (e) => this.#menuUp(e), true);
    canvas.addEventListener('pointerdown', (e) => this.#down(e));
    canvas.addEventListener('pointermove', (e) => this.#move(e));
    canvas.addEventListener('pointerup', (e) => this.#up(e));
    canvas.addEventListener('pointercancel', (e) => this.#cancel(e));
  }

  #menuDown(e) {
    if (!isTouchOrPen(e) || !this.#menu.isOpen || this.#gesture) return;
    if (this.#menu.contains(e.target)) {
      e.preventDefault();
      this.#menuTap = e.pointerId;
      this.#menu.press(this.#menu.entryAt(e.target));
    } else if (this.#menu.closesOnPressAt(e.target)) {
      // The tap that closes the menu goes no further.
      e.preventDefault();
      e.stopPropagation();
      this.#menu.close();
    }
  }

  #menuUp(e) {
    if (e.pointerId !== this.#menuTap) return;
    this.#menuTap = null;
    // A touch keeps reporting to where it went down; choose only where it
    // is lifted.
    this.#menu.release(this.#menu.entryAt(document.elementFromPoint(e.clientX, e.clientY)), false);
  }

  #down(e) {
    if (!isTouchOrPen(e) || this.#gesture) return;
    e.preventDefault();
    this.#canvas.setPointerCapture(e.pointerId);
    this.#canvas.focus({ preventScroll: true });
    const gesture = {
      id: e.pointerId, kind: 'tap', clientX: e.clientX, clientY: e.clientY,
      pageX: e.pageX, pageY: e.pageY, start: this.#toolkit.at(e.clientX, e.clientY), last: null,
    };
    gesture.timer = setTimeout(() => this.#longPress(gesture), LONG_PRESS_MS);
    this.#gesture = gesture;
  }

  #longPress(gesture) {
    if (this.#gesture !== gesture || gesture.kind !== 'tap') return;
    gesture.kind = 'menu';
    if (this.#menu.button !== Button.right) return;
    this.#menu.openAt(gesture.pageX, gesture.pageY);
    this.#announce('Menu open: tap an entry to choose it');
  }

  #move(e) {
    const gesture = this.#gesture;
    if (!gesture || e.pointerId !== gesture.id) return;
    e.preventDefault();
    if (gesture.kind === 'tap' &&
        Math.hypot(e.clientX - gesture.clientX, e.clientY - gesture.clientY) > SLOP) {
      clearTimeout(gesture.timer);
      gesture.kind = 'drag';
      this.#toolkit.mouse(Button.middle, State.down, gesture.start, modifiersOf(e));
    }
    if (gesture.kind === 'drag') this.#drag(gesture, this.#toolkit.at(e.clientX, e.clientY));
  }

  #drag(gesture, at) {
    if (gesture.last && gesture.last.x === at.x && gesture.last.y === at.y) return;
    gesture.last = at;
    this.#toolkit.motion(at, true);
  }

  #up(e) {
    const gesture = this.#gesture;
    if (!gesture || e.pointerId !== gesture.id) return;
    e.preventDefault();
    clearTimeout(gesture.timer);
    this.#gesture = null;
    const at = this.#toolkit.at(e.clientX, e.clientY);
    if (gesture.kind === 'tap') {
      const modifiers = modifiersOf(e) | this.#shift.modifiers;
      this.#toolkit.mouse(Button.left, State.down, gesture.start, modifiers);
      this.#toolkit.mouse(Button.left, State.up, at, modifiers);
      this.#shift.release();
      this.#announce(modifiers & Modifier.shift ? `Shift tap at ${at.x}, ${at.y}: the nearest point is deleted`
                                   : `Point placed at ${at.x}, ${at.y}`);
    } else if (gesture.kind === 'drag') {
      this.#drag(gesture, at);
      this.#toolkit.mouse(Button.middle, State.up, at, modifiersOf(e));
      this.#announce(`Dragged from ${gesture.start.x}, ${gesture.start.y} to ${at.x}, ${at.y}`);
    }
  }

  // The system took the pointer (a scroll, a call): a drag ends where it was.
  #cancel(e) {
    const gesture = this.#gesture;
    if (!gesture || e.pointerId !== gesture.id) return;
    clearTimeout(gesture.timer);
    this.#gesture = null;
    if (gesture.kind === 'drag') {
      this.#toolkit.mouse(Button.middle, State.up, gesture.last || gesture.start, 0);
    }
  }
}
