// Touch and pen, as a window system with a touch screen would turn them into
// the mouse the program knows:
// - a tap (lifted within SLOP of where it went down, before LONG_PRESS_MS) is
//   a left click;
// - a drag (moving more than SLOP while down) is a middle press where it went
//   down, motion along the way, and a middle release where it is lifted;
// - a long press (held LONG_PRESS_MS within SLOP) opens the menu there, as
//   the right button does, and places nothing.
// Gestures that start on the canvas neither scroll nor zoom the page, and
// only the first finger counts. Every touch goes to the policy first, which
// gives an open menu the press and its lift.
import { Button, modifiersOf } from './toolkit.js';

const SLOP = 10;  // CSS pixels
const LONG_PRESS_MS = 500;

const isTouchOrPen = (e) => e.pointerType === 'touch' || e.pointerType === 'pen';

export class TouchInput {
  #canvas;
  #toolkit;
  #policy;
  #gesture = null;  // the finger or pen on the canvas, while it is down

  constructor({ canvas, toolkit, policy }) {
    this.#canvas = canvas;
    this.#toolkit = toolkit;
    this.#policy = policy;
    window.addEventListener('pointerdown', (e) => this.#down(e), true);
    window.addEventListener('pointerup', (e) => this.#up(e), true);
    canvas.addEventListener('pointermove', (e) => this.#move(e));
    canvas.addEventListener('pointercancel', (e) => this.#cancel(e));
  }

  #record(e, action, fields) {
    return {
      device: e.pointerType, action, id: `${e.pointerType}${e.pointerId}`, button: null,
      at: this.#toolkit.at(e.clientX, e.clientY), modifiers: modifiersOf(e), event: e, ...fields,
    };
  }

  #down(e) {
    if (!isTouchOrPen(e) || this.#gesture) return;
    const taken = this.#policy.handle(this.#record(e, 'press', { target: e.target }));
    if (taken || e.target !== this.#canvas) return;
    e.preventDefault();
    this.#canvas.setPointerCapture(e.pointerId);
    const gesture = {
      id: e.pointerId, device: e.pointerType, kind: 'tap', clientX: e.clientX, clientY: e.clientY,
      page: { x: e.pageX, y: e.pageY }, start: this.#toolkit.at(e.clientX, e.clientY), last: null,
    };
    gesture.timer = setTimeout(() => this.#longPress(gesture), LONG_PRESS_MS);
    this.#gesture = gesture;
  }

  #longPress(gesture) {
    if (this.#gesture !== gesture || gesture.kind !== 'tap') return;
    gesture.kind = 'menu';
    this.#policy.handle({ device: gesture.device, action: 'menu', page: gesture.page });
  }

  #move(e) {
    const gesture = this.#gesture;
    if (!gesture || e.pointerId !== gesture.id) return;
    e.preventDefault();
    if (gesture.kind === 'tap' &&
        Math.hypot(e.clientX - gesture.clientX, e.clientY - gesture.clientY) > SLOP) {
      clearTimeout(gesture.timer);
      gesture.kind = 'drag';
      this.#policy.handle(this.#record(e, 'press', { button: Button.middle, at: gesture.start }));
    }
    if (gesture.kind === 'drag') this.#drag(gesture, this.#record(e, 'move'));
  }

  #drag(gesture, record) {
    const { at } = record;
    if (gesture.last && gesture.last.x === at.x && gesture.last.y === at.y) return;
    gesture.last = at;
    this.#policy.handle(record);
  }

  #up(e) {
    if (!isTouchOrPen(e)) return;
    const gesture = this.#gesture;
    if (!gesture || e.pointerId !== gesture.id) {
      // A touch keeps reporting to where it went down: its lift is where it
      // is now.
      const target = document.elementFromPoint(e.clientX, e.clientY);
      this.#policy.handle(this.#record(e, 'release', { target }));
      return;
    }
    e.preventDefault();
    clearTimeout(gesture.timer);
    this.#gesture = null;
    if (gesture.kind === 'tap') {
      this.#policy.handle(this.#record(e, 'click', { from: gesture.start }));
    } else if (gesture.kind === 'drag') {
      this.#drag(gesture, this.#record(e, 'move'));
      this.#policy.handle(this.#record(e, 'release', { button: Button.middle }));
    }
  }

  // The system took the pointer (a scroll, a call): a drag ends where it was.
  #cancel(e) {
    const gesture = this.#gesture;
    if (!gesture || e.pointerId !== gesture.id) return;
    clearTimeout(gesture.timer);
    this.#gesture = null;
    if (gesture.kind === 'drag') {
      this.#policy.handle(this.#record(e, 'release', {
        button: Button.middle, at: gesture.last || gesture.start, modifiers: 0,
      }));
    }
  }
}
