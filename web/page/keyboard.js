// The keyboard. Character keys go to the program as the toolkit delivers
// them (one byte, with the pointer's position and the modifiers); an
// auto-repeat is never delivered, and a key held down while a dialogue takes
// the focus does not type itself into the entry field. With the focus on the
// canvas the keyboard also stands in for the mouse: arrows move a keyboard
// cursor (delivered as motion), Enter clicks, Space presses and releases the
// middle button, Shift+F10 or the context-menu key opens the menu. In an
// open menu, arrows, Home and End move between the entries, Enter or Space
// chooses one, Escape or Tab closes it.
import { Button, characterOf } from './toolkit.js';

// Controls whose own keys (activation, typing) stay theirs.
const OWN_KEYS = 'button, summary, a[href], input, textarea, select';

export class KeyboardInput {
  #canvas;
  #entry;
  #toolkit;
  #policy;
  #menu;
  #cursor;
  #heldOutside = new Set();  // keys that went down outside the entry field

  constructor({ canvas, entry, cursor, toolkit, policy, menu }) {
    this.#canvas = canvas;
    this.#entry = entry;
    this.#cursor = cursor;
    this.#toolkit = toolkit;
    this.#policy = policy;
    this.#menu = menu;
  }

  take(record) {
    switch (record.type) {
      case 'keydown': return this.#keyDown(record);
      case 'keyup': return this.#heldOutside.delete(record.code);
      // The cursor shows while the keyboard drives the canvas: from a key
      // pressed there, or a focus the browser marks as the keyboard's (Tab),
      // until a pointer is used on it or the focus leaves.
      case 'focus': return this.#showCursor(this.#canvas.matches(':focus-visible'));
      default: return this.#showCursor(false);
    }
  }

  #showCursor(shown) {
    this.#canvas.parentElement.classList.toggle('keyboard', shown);
    if (shown) this.#placeCursor();
  }

  #input(action, fields) {
    return this.#policy.handle({ device: 'keyboard', action, at: this.#toolkit.pointer, ...fields });
  }

  #keyDown(r) {
    const e = r.event;
    if (this.#menu.contains(r.target) && this.#menuKey(r)) {
      e.preventDefault();
      return;
    }
    // Escape closes an open menu wherever the focus is.
    if (r.key === 'Escape' && this.#input('dismiss')) {
      e.preventDefault();
      return;
    }
    if (r.target === this.#entry) {
      if (r.repeat && this.#heldOutside.has(r.code)) e.preventDefault();
      return;
    }
    this.#heldOutside.add(r.code);
    if (r.target === this.#canvas) {
      this.#showCursor(true);
      if (this.#cursorKey(r)) {
        e.preventDefault();
        return;
      }
    }
    // Browser shortcuts stay the browser's, and controls keep their keys.
    if (e.ctrlKey || e.metaKey || e.altKey || r.key === ' ') return;
    if (r.target instanceof Element && r.target.closest(OWN_KEYS)) return;
    const code = characterOf(e);
    if (code === null) return;
    e.preventDefault();
    if (!r.repeat) this.#input('key', { code, modifiers: r.modifiers });
  }

  // The keys of an open menu; true when `r` was one of them.
  #menuKey(r) {
    const menu = this.#menu;
    const steps = { ArrowDown: 1, ArrowUp: -1 };
    if (r.key in steps) menu.focusStep(steps[r.key]);
    else if (r.key === 'Home' || r.key === 'End') menu.focusEnd(r.key === 'End');
    else if (r.key === 'Enter' || r.key === ' ') {
      if (!r.repeat && menu.entryAt(r.target)) this.#input('choose', { entry: menu.entryAt(r.target) });
    } else if (r.key === 'Escape' || r.key === 'Tab') this.#input('dismiss');
    else return false;
    return true;
  }

  // The keys that stand in for the mouse; true when `r` was one of them.
  #cursorKey(r) {
    const e = r.event;
    const step = e.ctrlKey || e.altKey ? 10 : 1;
    const moves = { ArrowLeft: [-step, 0], ArrowRight: [step, 0], ArrowUp: [0, -step], ArrowDown: [0, step] };
    if (r.key in moves && !e.metaKey) {
      const [dx, dy] = moves[r.key];
      this.#moveBy(dx, dy);
      return true;
    }
    if ((r.key === 'F10' && e.shiftKey) || r.key === 'ContextMenu') {
      if (!r.repeat) this.#openMenu();
      return true;
    }
    if (e.ctrlKey || e.metaKey || e.altKey) return false;
    if (r.key === 'Enter') {
      if (!r.repeat) this.#input('click', { modifiers: r.modifiers });
      return true;
    }
    const held = this.#policy.holds('space');
    if (r.key === ' ' || (r.key === 'Escape' && held)) {
      if (!r.repeat) this.#middle(r.key === 'Escape' ? false : !held);
      return true;
    }
    return false;
  }

  #moveBy(dx, dy) {
    this.#input('move', { at: this.#toolkit.step(dx, dy) });
    this.#placeCursor();
  }

  // Space is a middle button that stays down until Space (or Escape) again,
  // or until the focus leaves the canvas.
  #middle(down) {
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
  // Before the window has a size the pointer is in fractions already.
  #placeCursor() {
    const { x, y, unsized } = this.#toolkit.pointer;
    const size = this.#toolkit.size;
    const percent = (v) => `${unsized ? v * 100 : ((v + 0.5) * 100) / size}%`;
    this.#cursor.style.left = percent(x);
    this.#cursor.style.top = percent(y);
  }
}
