// Touch and pen, as a window system with a touch screen would turn them into
// the mouse the program knows:
// - a tap (lifted within SLOP of where it went down, before LONG_PRESS_MS) is
//   a left click;
// - a drag (moving more than SLOP while down) is a middle press where it went
//   down, motion along the way, and a middle release where it is lifted;
// - a long press (held LONG_PRESS_MS within SLOP) opens the menu there, as
//   the right button does, and places nothing;
// - with the on-screen Move latched, whatever goes down on the canvas is a
//   drag from the start, however slow or short.
// Gestures that start on the canvas neither scroll nor zoom the page, and
// only the first finger counts. Every press goes to the policy first, which
// gives an open menu the press and its lift.
import { Button } from './toolkit.js';

const SLOP = 10;  // CSS pixels
const LONG_PRESS_MS = 500;

export class TouchInput {
  #canvas;
  #toolkit;
  #policy;
  #gesture = null;  // the finger or pen on the canvas, while it is down

  constructor({ canvas, toolkit, policy }) {
    this.#canvas = canvas;
    this.#toolkit = toolkit;
    this.#policy = policy;
  }

  take(record) {
    if (record.device !== 'touch' && record.device !== 'pen') return;
    if (record.type === 'down') this.#down(record);
    else if (record.type === 'move') this.#move(record);
    else if (record.type === 'up') this.#up(record);
    else this.#cancel(record);
  }

  #action(r, action, fields) {
    return {
      device: r.device, action, id: r.id, button: null, at: this.#toolkit.at(r.client.x, r.client.y),
      modifiers: r.modifiers, event: r.event, ...fields,
    };
  }

  #down(r) {
    if (this.#gesture) return;
    const taken = this.#policy.handle(this.#action(r, 'press', { target: r.target }));
    if (taken || r.target !== this.#canvas) return;
    r.event.preventDefault();
    this.#canvas.setPointerCapture(r.event.pointerId);
    const gesture = { id: r.id, device: r.device, kind: 'tap', client: r.client, page: r.page, last: null,
                      start: this.#toolkit.at(r.client.x, r.client.y) };
    this.#gesture = gesture;
    if (this.#policy.latched('move')) {
      this.#startDrag(gesture, r);
    } else {
      gesture.timer = setTimeout(() => this.#longPress(gesture), LONG_PRESS_MS);
    }
  }

  #startDrag(gesture, r) {
    clearTimeout(gesture.timer);
    gesture.kind = 'drag';
    this.#policy.handle(this.#action(r, 'press', { button: Button.middle, at: gesture.start }));
  }

  #longPress(gesture) {
    if (this.#gesture !== gesture || gesture.kind !== 'tap') return;
    gesture.kind = 'menu';
    this.#policy.handle({ device: gesture.device, action: 'menu', page: gesture.page });
  }

  #move(r) {
    const gesture = this.#gesture;
    if (!gesture || r.id !== gesture.id) return;
    r.event.preventDefault();
    if (gesture.kind === 'tap' && Math.hypot(r.client.x - gesture.client.x, r.client.y - gesture.client.y) > SLOP) {
      this.#startDrag(gesture, r);
    }
    if (gesture.kind === 'drag') this.#drag(gesture, this.#action(r, 'move'));
  }

  #drag(gesture, action) {
    const { at } = action;
    if (gesture.last && gesture.last.x === at.x && gesture.last.y === at.y) return;
    gesture.last = at;
    this.#policy.handle(action);
  }

  #up(r) {
    const gesture = this.#gesture;
    if (!gesture || r.id !== gesture.id) {
      // A touch keeps reporting to where it went down: its lift is where it
      // is now.
      this.#policy.handle(this.#action(r, 'release', { target: document.elementFromPoint(r.client.x, r.client.y) }));
      return;
    }
    r.event.preventDefault();
    clearTimeout(gesture.timer);
    this.#gesture = null;
    if (gesture.kind === 'tap') {
      this.#policy.handle(this.#action(r, 'click', { from: gesture.start }));
    } else if (gesture.kind === 'drag') {
      this.#drag(gesture, this.#action(r, 'move'));
      this.#policy.handle(this.#action(r, 'release', { button: Button.middle }));
    }
  }

  // The system took the pointer (a scroll, a call): a drag ends where it was.
  #cancel(r) {
    const gesture = this.#gesture;
    if (!gesture || r.id !== gesture.id) return;
    clearTimeout(gesture.timer);
    this.#gesture = null;
    if (gesture.kind === 'drag') this.#policy.handle({ device: r.device, action: 'drop', id: gesture.id });
  }
}
