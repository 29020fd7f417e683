// The mouse, from the input records of the mouse alone: touch and pen have
// a device of their own, and the mouse events a browser makes up after a
// touch are never read. Presses and releases are read from changes of
// `buttons`, not from each event's `button`: a button pressed or released
// while another is held comes as a move, and only the mask says which.
import { Button } from './toolkit.js';

// DOM `buttons` bits, in the order their changes are read, and the toolkit's
// button for each.
const BUTTON_OF_BIT = new Map([[1, Button.left], [4, Button.middle], [2, Button.right]]);

export class MouseInput {
  #toolkit;
  #policy;
  #buttons = 0;  // the mask as last seen

  constructor({ toolkit, policy }) {
    this.#toolkit = toolkit;
    this.#policy = policy;
  }

  take(record) {
    // The browser took the pointer: what it held is let go.
    if (record.type === 'cancel') {
      for (const bit of BUTTON_OF_BIT.keys()) {
        if (this.#buttons & bit) this.#policy.handle({ device: 'mouse', action: 'drop', id: `mouse${bit}` });
      }
      this.#buttons = 0;
      return;
    }
    const now = record.buttons;
    const released = this.#buttons & ~now;
    const pressed = now & ~this.#buttons;
    this.#buttons = now;
    for (const [bit, button] of BUTTON_OF_BIT) {
      if (released & bit) this.#policy.handle(this.#action(record, 'release', bit, button));
    }
    for (const [bit, button] of BUTTON_OF_BIT) {
      if (pressed & bit) this.#policy.handle(this.#action(record, 'press', bit, button));
    }
    if (record.type === 'move') this.#policy.handle(this.#action(record, 'move'));
  }

  #action(r, action, bit, button) {
    return {
      device: 'mouse', action, id: `mouse${bit}`, button, target: r.target, event: r.event,
      at: this.#toolkit.at(r.client.x, r.client.y), page: r.page, modifiers: r.modifiers,
    };
  }
}
