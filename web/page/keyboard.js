// The keyboard. Character keys go to the program as the toolkit delivers
// them (one byte, with the pointer's position and the modifiers); an
// auto-repeat is never delivered, and a key held down while a dialogue takes
// the focus does not type itself into the entry field. With the focus on the
// canvas the keyboard also stands in for the mouse: arrows move a keyboard
// cursor (delivered as motion), Enter clicks, Space presses and releases the
// middle button, Shift+F10 or the context-menu key opens the menu.
import { Button, Modifier, State, characterOf, modifiersOf } from './toolkit.js';

// Controls whose own keys (activation, typing) stay theirs.
const OWN_KEYS = 'button, summary, a[href], input, textarea, select';

export class KeyboardInput {
  #canvas;
  #entry;
  #toolkit;
  #menu;
  #shift;
  #announce;
  #cursor;
  #heldOutside = new Set();  // keys that went down outside the entry field
  #middleDown = false;  // Space pressed the middle button
  #announceTimer = 0;

  constructor({ canvas, entry, cursor, toolkit, menu, shift, announce }) {
    this.#canvas = canvas;
    this.#entry = entry;
    this.#cursor = cursor;
    this.#toolkit = toolkit;
    this.#menu = menu;
    this.#shift = shift;
    this.#announce = announce;
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
    canvas.addEventListener('pointerdown', () => showCursor(false));
    canvas.addEventListener('blur', () => showCursor(false));
  }

  #onKeyDown(e) {
    // Escape closes an open menu wherever the focus is.
    if (this.#menu.isOpen && e.key === 'Escape') {
      e.preventDefault();
      this.#menu.close();
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
    if (!e.repeat) this.#toolkit.key(code, modifiersOf(e));
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
      if (!e.repeat) this.#click(e);
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
    this.#toolkit.motion(at, this.#middleDown);
    this.#placeCursor();
    // Said once the cursor rests, not at every step of a held arrow.
    clearTimeout(this.#announceTimer);
    this.#announceTimer = setTimeout(() => this.#announce(`Cursor at ${at.x}, ${at.y}`), 300);
  }

  #click(e) {
    const at = this.#toolkit.pointer;
    const modifiers = modifiersOf(e) | this.#shift.modifiers;
    this.#toolkit.mouse(Button.left, State.down, at, modifiers);
    this.#toolkit.mouse(Button.left, State.up, at, modifiers);
    this.#shift.release();
    this.#announce(modifiers & Modifier.shift ? `Shift click at ${at.x}, ${at.y}: the nearest point is deleted`
                                 : `Point placed at ${at.x}, ${at.y}`);
  }

  #middle(down) {
    const at = this.#toolkit.pointer;
    this.#middleDown = down;
    this.#toolkit.mouse(Button.middle, down ? State.down : State.up, at, 0);
    this.#announce(down ? `Middle button down at ${at.x}, ${at.y}: arrows drag the nearest point, Space releases`
                        : `Middle button released at ${at.x}, ${at.y}`);
  }

  #openMenu() {
    const box = this.#canvas.getBoundingClientRect();
    const scale = box.width / this.#toolkit.size;
    const { x, y } = this.#toolkit.pointer;
    this.#menu.openAt(window.scrollX + box.left + (x + 0.5) * scale,
                      window.scrollY + box.top + (y + 0.5) * scale,
                      { focusFirst: true, opener: this.#canvas });
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
