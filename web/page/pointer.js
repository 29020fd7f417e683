// Mouse input, from pointer events of the mouse alone: touch and pen have
// input of their own, and the mouse events a browser makes up after a touch
// are never read. Presses and releases are read from changes of `buttons`,
// not from each event's `button`: a button pressed or released while another
// is held comes as a pointermove, and only the mask says which. The events
// are watched on the window, before anything else sees them, and become
// input records for the policy.
import { Button, modifiersOf } from './toolkit.js';

// DOM `buttons` bits, in the order their changes are read, and the toolkit's
// button for each.
const BUTTON_OF_BIT = new Map([[1, Button.left], [4, Button.middle], [2, Button.right]]);

export class MouseInput {
  #toolkit;
  #policy;
  #buttons = 0;  // the mask as last seen

  constructor({ canvas, toolkit, policy }) {
    this.#toolkit = toolkit;
    this.#policy = policy;
    for (const type of ['pointerdown', 'pointermove', 'pointerup']) {
      window.addEventListener(type, (e) => this.#onEvent(e), true);
    }
    // The canvas is the window: no text selection, focus change or
    // middle-button scrolling from a press on it, no context menu, no
    // middle-click actions.
    for (const type of ['mousedown', 'contextmenu', 'auxclick']) {
      canvas.addEventListener(type, (e) => e.preventDefault());
    }
  }

  #onEvent(e) {
    if (e.pointerType !== 'mouse') return;
    const now = e.buttons;
    const released = this.#buttons & ~now;
    const pressed = now & ~this.#buttons;
    this.#buttons = now;
    for (const [bit, button] of BUTTON_OF_BIT) {
      if (released & bit) this.#policy.handle(this.#record(e, 'release', bit, button));
    }
    for (const [bit, button] of BUTTON_OF_BIT) {
      if (pressed & bit) this.#policy.handle(this.#record(e, 'press', bit, button));
    }
    if (e.type === 'pointermove') this.#policy.handle(this.#record(e, 'move'));
  }

  #record(e, action, bit, button) {
    return {
      device: 'mouse', action, id: `mouse${bit}`, button, target: e.target, event: e,
      at: this.#toolkit.at(e.clientX, e.clientY), page: { x: e.pageX, y: e.pageY }, modifiers: modifiersOf(e),
    };
  }
}
