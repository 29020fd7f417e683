// The one place that listens to the window's input: every pointer, key and
// focus event becomes an input record, in one order that does not depend on
// which module was made first, and goes to the device that recognises its
// gestures (mouse, touch and pen, keyboard). The devices hand the policy what
// the records mean; only the policy makes the toolkit's events.
//
// An input record:
//   type       'down', 'move', 'up', 'cancel' (a pointer), 'keydown',
//              'keyup', 'focus', 'blur' (the canvas)
//   device     'mouse', 'touch', 'pen' or 'keyboard'
//   id         which pointer (its device and number)
//   target     the element the event is for
//   client     its position in client (CSS) pixels; `page` in page pixels
//   buttons    the DOM mask of the mouse buttons held
//   modifiers  the toolkit's modifier bits
//   key, code, repeat   for a key
//   event      the DOM event, for a device that takes it over
import { modifiersOf } from './toolkit.js';

// A pointer the browser takes back (a system gesture, a call, palm
// rejection) is cancelled, whichever of the two says so.
const POINTER_TYPES = {
  pointerdown: 'down', pointermove: 'move', pointerup: 'up', pointercancel: 'cancel', lostpointercapture: 'cancel',
};

export class Input {
  #canvas;
  #devices;

  // `devices`: { mouse, touch, keyboard }, each with take(record).
  // `policy` decides about clicks a browser makes and about the window
  // losing the focus or changing size.
  constructor({ canvas, devices, policy }) {
    this.#canvas = canvas;
    this.#devices = devices;
    // Seen before anything on the page can stop them.
    for (const [name, type] of Object.entries(POINTER_TYPES)) {
      window.addEventListener(name, (e) => this.#pointer(type, e), true);
    }
    document.addEventListener('keydown', (e) => this.#key('keydown', e));
    document.addEventListener('keyup', (e) => this.#key('keyup', e));
    window.addEventListener('click', (e) => policy.takeClick(e), true);
    // The window going to the back or changing size closes an open menu.
    window.addEventListener('blur', () => policy.handle({ device: 'window', action: 'dismiss' }));
    window.addEventListener('resize', () => policy.handle({ device: 'window', action: 'dismiss' }));
    canvas.addEventListener('focus', (e) => devices.keyboard.take(this.#record('focus', 'keyboard', e)));
    // The canvas losing the focus, or the page hidden (another tab, the
    // screen locked), lets go of what the keyboard or a latch holds there.
    const leave = (e) => {
      devices.keyboard.take(this.#record('blur', 'keyboard', e));
      policy.handle({ device: 'window', action: 'drop' });
    };
    canvas.addEventListener('blur', leave);
    document.addEventListener('visibilitychange', (e) => document.hidden && leave(e));
    // The canvas is the window: no text selection, focus change or
    // middle-button scrolling from a press on it, no context menu, no
    // middle-click actions.
    for (const type of ['mousedown', 'contextmenu', 'auxclick']) {
      canvas.addEventListener(type, (e) => e.preventDefault());
    }
  }

  #record(type, device, e) {
    return {
      type, device, target: e.target, event: e, modifiers: modifiersOf(e),
      id: `${device}${e.pointerId ?? ''}`, buttons: e.buttons ?? 0,
      client: { x: e.clientX, y: e.clientY }, page: { x: e.pageX, y: e.pageY },
      key: e.key, code: e.code, repeat: e.repeat,
    };
  }

  #pointer(type, e) {
    // A pointer used on the canvas ends the keyboard's turn there.
    if (type === 'down' && e.target === this.#canvas) {
      this.#devices.keyboard.take(this.#record('pointer', 'keyboard', e));
    }
    const device = e.pointerType === 'mouse' ? this.#devices.mouse : this.#devices.touch;
    device.take(this.#record(type, e.pointerType, e));
  }

  #key(type, e) {
    this.#devices.keyboard.take(this.#record(type, 'keyboard', e));
  }
}
