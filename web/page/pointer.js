// Mouse input, from pointer events of the mouse alone: touch and pen have
// input of their own, and the mouse events a browser makes up after a touch
// are never read. Presses and releases are read from changes of `buttons`,
// not from each event's `button`: a button pressed or released while another
// is held comes as a pointermove, and only the mask says which. The events
// are watched on the window, before anything else sees them.
import { Button, State, modifiersOf } from './toolkit.js';

// DOM `buttons` bits.
const LEFT = 1;
const RIGHT = 2;
const MIDDLE = 4;

export class MouseInput {
  #canvas;
  #toolkit;
  #menu;
  #shift;  // the on-screen Shift latch
  #buttons = 0;  // the mask as last seen
  #held = new Map();  // bits pressed on the canvas -> the toolkit button delivered

  constructor({ canvas, toolkit, menu, shift }) {
    this.#canvas = canvas;
    this.#toolkit = toolkit;
    this.#menu = menu;
    this.#shift = shift;
    for (const type of ['pointerdown', 'pointermove', 'pointerup']) {
      window.addEventListener(type, (e) => this.#onEvent(e), true);
    }
    // The canvas is the window: no text selection, focus change or
    // middle-button scrolling from a press on it or on the menu, no context
    // menu, no middle-click actions.
    window.addEventListener('mousedown', (e) => {
      if (e.target === canvas || menu.contains(e.target)) e.preventDefault();
    }, true);
    canvas.addEventListener('contextmenu', (e) => e.preventDefault());
    canvas.addEventListener('auxclick', (e) => e.preventDefault());
  }

  #onEvent(e) {
    if (e.pointerType !== 'mouse') return;
    const now = e.buttons;
    const released = this.#buttons & ~now;
    const pressed = now & ~this.#buttons;
    this.#buttons = now;
    for (const bit of [LEFT, MIDDLE, RIGHT]) {
      if (released & bit) this.#release(bit, e);
    }
    for (const bit of [LEFT, MIDDLE, RIGHT]) {
      if (pressed & bit) this.#press(bit, e);
    }
    if (e.type === 'pointermove') this.#move(e);
  }

  #press(bit, e) {
    const menu = this.#menu;
    if (menu.isOpen) {
      // A press on an entry may choose it; a press anywhere else closes the
      // menu, and neither it nor its release goes any further.
      if (menu.contains(e.target)) {
        if (bit === LEFT) menu.press(menu.entryAt(e.target));
      } else if (menu.closesOnPressAt(e.target)) {
        menu.close();
      }
      return;
    }
    if (e.target !== this.#canvas) return;
    this.#canvas.focus({ preventScroll: true });
    const at = this.#toolkit.at(e.clientX, e.clientY);
    if (bit === RIGHT) {
      if (menu.button === Button.right) menu.openAt(e.pageX, e.pageY);
      return;
    }
    // Alt + left is the middle button, for mice and trackpads without one.
    const button = bit === MIDDLE || e.altKey ? Button.middle : Button.left;
    this.#held.set(bit, button);
    this.#toolkit.mouse(button, State.down, at, this.#modifiers(e, button));
  }

  #release(bit, e) {
    const button = this.#held.get(bit);
    if (button === undefined) {
      if (this.#menu.isOpen) this.#menu.release(this.#menu.entryAt(e.target), bit === RIGHT);
      return;
    }
    this.#held.delete(bit);
    const modifiers = this.#modifiers(e, button);
    this.#toolkit.mouse(button, State.up, this.#toolkit.at(e.clientX, e.clientY), modifiers);
    if (button === Button.left) this.#shift.release();
  }

  // A button pressed on the canvas reports the motion until its release
  // wherever the pointer goes, as a window holds the pointer during a drag.
  #move(e) {
    const held = this.#held.size > 0;
    if (!held && (e.target !== this.#canvas || this.#menu.isOpen)) return;
    this.#toolkit.motion(this.#toolkit.at(e.clientX, e.clientY), held);
  }

  // A left click takes Shift from the on-screen latch too.
  #modifiers(e, button) {
    return modifiersOf(e) | (button === Button.left ? this.#shift.modifiers : 0);
  }
}
