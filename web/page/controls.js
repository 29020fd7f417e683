// On-screen keys, for touch screens and anyone without a keyboard or a right
// button: a latching Shift for the next click or tap on the canvas, the
// program's three keys delivered exactly as the keyboard delivers them, and
// a button that opens the menu beside it.
import { Modifier, characterOf } from './toolkit.js';

export class ShiftLatch {
  #button;
  #announce;

  constructor(button, announce) {
    this.#button = button;
    this.#announce = announce;
    button.addEventListener('click', () => this.#set(!this.latched));
  }

  get latched() { return this.#button.getAttribute('aria-pressed') === 'true'; }
  get modifiers() { return this.latched ? Modifier.shift : 0; }

  // The click or tap it was latched for has been made.
  release() {
    if (this.latched) this.#button.setAttribute('aria-pressed', 'false');
  }

  #set(latched) {
    this.#button.setAttribute('aria-pressed', String(latched));
    this.#announce(latched ? 'Shift latched: the next click or tap on the canvas deletes a point'
                           : 'Shift released');
  }
}

export function connectControls({ keys, menuKey, toolkit, menu, announce }) {
  for (const button of keys) {
    const key = button.dataset.key;
    button.addEventListener('click', () => {
      toolkit.key(characterOf({ key }), 0);
      announce(`Key ${key}`);
    });
  }
  menuKey.addEventListener('click', (e) => {
    if (menu.isOpen) {
      menu.close();
      return;
    }
    const box = menuKey.getBoundingClientRect();
    // From the keyboard (no pointer position: detail 0) the first entry takes
    // the focus, as for Shift+F10 on the canvas.
    menu.openAt(window.scrollX + box.left - 4, window.scrollY + box.bottom - 2,
                { focusFirst: e.detail === 0, opener: menuKey });
  });
}
