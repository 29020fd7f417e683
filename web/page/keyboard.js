// The keyboard. Character keys go to the program as the toolkit delivers
// them (one byte, with the pointer's position and the modifiers); an
// auto-repeat is never delivered, and a key held down while a dialogue takes
// the focus does not type itself into the entry field. With the focus on the
// canvas the keyboard also stands in for the mouse: arrows move a keyboard
// cursor (delivered as motion), Enter clicks, Space presses and releases the
// middle button, Shift+F10 or the context-menu key opens the menu.
import { Button, characterOf, modifiersOf } from './toolkit.js';

// Controls whose own keys (activation, typing) stay theirs.
const OWN_KEYS = 'button, summary, a[href], input, textarea, select';

export class KeyboardInput {
  #canvas;
  #entry;
  #toolkit;
  #policy;
  #cursor;
  #heldOutside = new Set();  // keys that went down outside the entry field
  #middleDown = false;  // Space pressed the middle button

  constructor({ canvas, entry, cursor, toolkit, policy }) {
    this.#canvas = canvas;
    this.#entry = entry;
    this.#cursor = cursor;
    this.#toolkit = toolkit;
    this.#policy = policy;
    document.addEventListener('keydown', (e) => this.#onKeyDown(e));
    document.addEventListener('keyup', (e) => this.#heldOutside.delete(e.code));
    // The cursor shows while the keyboard drives the canvas: from a key
    // pressed there, or a focus the browser marks as the keyboard's (Tab),
    // until a pointer is used on it or the focus leaves.
    const frame = canvas.parentElement;
    const showCursor = (shown) => {
      frame.classList.toggle('keyboard', shown);
      if (shown) this.#placeCursor();
    };
    canvas.addEventListener('keydown', () => showCursor(true));
    canvas.addEventListener('focus', () => showCursor(canvas.matches(':focus-visible')));
    canvas.addEventListener('blur', () => showCursor(false));
    // Seen before anything can stop it (a press that closes the menu).
    window.addEventListener('pointerdown', (e) => {
      if (e.target === canvas) showCursor(false);
    }, true);
  }

  #input(action, fields) {
    return this.#policy.handle({ device: 'keyboard', action, at: this.#toolkit.pointer, ...fields });
  }

  #onKeyDown(e) {
    // Escape closes an open menu wherever the focus is.
    if (e.key === 'Escape' && this.#input('dismiss')) {
      e.preventDefault();
      return;
    }
    if (e.target === this.#entry) {
      if (e.repeat && this.#heldOutside.has(e.code)) e.preventDefault();
      return;
    }
    this.#heldOutside.add(e.code);
    if (e.target === this.#canvas && this.#cursorKey(e)) {
      e.preventDefault();
      return;
    }
    // Browser shortcuts stay the browser's, and controls keep their keys.
    if (e.ctrlKey || e.metaKey || e.altKey || e.key === ' ') return;
    if (e.target instanceof Element && e.target.closest(OWN_KEYS)) return;
    const code = characterOf(e);
    if (code === null) return;
    e.preventDefault();
    if (!e.repeat) this.#input('key', { code, modifiers: modifiersOf(e) });
  }

  // The keys that stand in for the mouse; true when `e` was one of them.
  #cursorKey(e) {
    const step = e.ctrlKey || e.altKey ? 10 : 1;
    const moves = { ArrowLeft: [-step, 0], ArrowRight: [step, 0], ArrowUp: [0, -step], ArrowDown: [0, step] };
    if (e.key in moves && !e.metaKey) {
      const [dx, dy] = moves[e.key];
      this.#moveBy(dx, dy);
      return true;
    }
    if ((e.key === 'F10' && e.shiftKey) || e.key === 'ContextMenu') {
      if (!e.repeat) this.#openMenu();
      return true;
    }
    if (e.ctrlKey || e.metaKey || e.altKey) return false;
    if (e.key === 'Enter') {
      if (!e.repeat) this.#input('click', { modifiers: modifiersOf(e) });
      return true;
    }
    if (e.key === ' ' || (e.key === 'Escape' && this.#middleDown)) {
      if (!e.repeat) this.#middle(e.key === 'Escape' ? false : !this.#middleDown);
      return true;
    }
    return false;
  }

  #moveBy(dx, dy) {
    const last = this.#toolkit.size - 1;
    const { x, y } = this.#toolkit.pointer;
    const at = { x: Math.max(0, Math.min(last, x + dx)), y: Math.max(0, Math.min(last, y + dy)) };
    this.#input('move', { at });
    this.#placeCursor();
  }

  // Space is a middle button that stays down until Space (or Escape) again.
  #middle(down) {
    this.#middleDown = down;
    this.#input(down ? 'press' : 'release', { id: 'space', button: Button.middle, modifiers: 0 });
  }

  #openMenu() {
    const { x, y } = this.#toolkit.clientAt(this.#toolkit.pointer);
    this.#input('menu', {
      page: { x: window.scrollX + x, y: window.scrollY + y }, focusFirst: true, opener: this.#canvas,
    });
  }

  // The overlay sits over the pointer's pixel, in fractions of the canvas so
  // that it stays there at any displayed size; it never touches the pixels.
  #placeCursor() {
    const { x, y } = this.#toolkit.pointer;
    const size = this.#toolkit.size;
    this.#cursor.style.left = `${((x + 0.5) * 100) / size}%`;
    this.#cursor.style.top = `${((y + 0.5) * 100) / size}%`;
  }
}
