// The pop-up menu, as the toolkit shows it: the labels exactly as the program
// gives them, one choice delivered as the toolkit's menu event. For screen
// readers it is an ARIA menu: the editor's menu holds one command (Clear All)
// and then the curve kinds, the chosen one marked "o " by the program.
const CHOSEN_MARK = 'o ';

export class Menu {
  #element;
  #toolkit;
  #announce;
  #opener = null;  // what had the focus when the menu opened from the keyboard
  #pressed = null;  // the entry a press went down on, waiting for its release
  button = -1;  // the mouse button the menu is attached to

  constructor(element, toolkit, announce) {
    this.#element = element;
    this.#toolkit = toolkit;
    this.#announce = announce;
    element.addEventListener('keydown', (e) => this.#onKey(e));
    // A press on the menu neither selects its text nor moves the focus.
    element.addEventListener('mousedown', (e) => e.preventDefault());
    element.addEventListener('contextmenu', (e) => e.preventDefault());
    window.addEventListener('blur', () => this.close());
    window.addEventListener('resize', () => this.close());
  }

  get isOpen() { return !this.#element.hidden; }

  contains(node) { return node instanceof Node && this.#element.contains(node); }

  // Whether a press at `node` closes the open menu: one anywhere but on the
  // menu or on the button that opens and closes it.
  closesOnPressAt(node) {
    return !this.contains(node) && !(node instanceof Element && node.closest('[data-menu-toggle]'));
  }

  // The entry (an <li>) at `node`, or null.
  entryAt(node) {
    return node instanceof Element ? node.closest('[data-item]') : null;
  }

  // `position` counts from 1, as the toolkit's entries do.
  setEntry(position, label) {
    const items = this.#element.children;
    while (items.length < position) {
      const li = document.createElement('li');
      li.tabIndex = -1;
      this.#element.appendChild(li);
    }
    const li = items[position - 1];
    const chosen = label.startsWith(CHOSEN_MARK);
    li.textContent = label;
    li.dataset.item = String(position);
    li.setAttribute('aria-label', (chosen ? label.slice(CHOSEN_MARK.length) : label).trim());
    if (position === 1) {
      li.setAttribute('role', 'menuitem');
    } else {
      li.setAttribute('role', 'menuitemradio');
      li.setAttribute('aria-checked', String(chosen));
    }
  }

  clear() {
    this.close();
    this.#element.textContent = '';
  }

  // Opens the menu with its corner a few pixels right of and below a page
  // position, so that releasing the button where it was pressed chooses
  // nothing, kept inside the viewport. From the keyboard (`focusFirst`), its
  // first entry takes the focus, which goes back to `opener` when it closes.
  openAt(pageX, pageY, { focusFirst = false, opener = null } = {}) {
    const menu = this.#element;
    menu.hidden = false;
    const right = window.scrollX + document.documentElement.clientWidth - menu.offsetWidth;
    const bottom = window.scrollY + document.documentElement.clientHeight - menu.offsetHeight;
    menu.style.left = `${Math.max(window.scrollX, Math.min(pageX + 4, right))}px`;
    menu.style.top = `${Math.max(window.scrollY, Math.min(pageY + 4, bottom))}px`;
    this.#pressed = null;
    this.#opener = opener;
    if (focusFirst) menu.firstElementChild?.focus();
  }

  close() {
    if (!this.isOpen) return;
    const focusInside = this.contains(document.activeElement);
    this.#element.hidden = true;
    this.#pressed = null;
    if (focusInside) this.#opener?.focus();
    this.#opener = null;
  }

  // A press on an entry, then its release: the release chooses the entry the
  // press went down on. The button the menu is attached to chooses on its
  // release alone, as it does when dragged from where it opened the menu.
  press(entry) { this.#pressed = entry; }

  release(entry, byMenuButton) {
    if (entry && (byMenuButton || entry === this.#pressed)) this.choose(entry);
    this.#pressed = null;
  }

  choose(entry) {
    const item = Number(entry.dataset.item);
    const name = entry.getAttribute('aria-label');
    this.close();
    this.#toolkit.menu(item);
    this.#announce(`Menu: ${name}`);
  }

  #onKey(e) {
    const entries = Array.from(this.#element.children);
    const at = entries.indexOf(document.activeElement);
    const focus = (i) => entries[(i + entries.length) % entries.length]?.focus();
    switch (e.key) {
      case 'ArrowDown': focus(at + 1); break;
      case 'ArrowUp': focus(at - 1); break;
      case 'Home': focus(0); break;
      case 'End': focus(entries.length - 1); break;
      case 'Enter':
      case ' ':
        if (at >= 0 && !e.repeat) this.choose(entries[at]);
        break;
      case 'Escape':
      case 'Tab':
        this.close();
        break;
      default:
        return;
    }
    e.preventDefault();
    e.stopPropagation();
  }
}
