// The pop-up menu, as the toolkit shows it: the labels exactly as the program
// gives them. It only shows and tracks; the policy decides what a press, a
// release or a key on it means and delivers the choice. For screen readers it
// is an ARIA menu: the editor's menu holds one command (Clear All) and then
// the curve kinds, the chosen one marked "o " by the program.
const CHOSEN_MARK = 'o ';

export class Menu {
  #element;
  #opener = null;  // what had the focus when the menu opened from the keyboard
  #pressed = null;  // the entry a press went down on, waiting for its release
  button = -1;  // the mouse button the menu is attached to

  constructor(element) {
    this.#element = element;
    // A press on the menu neither selects its text nor moves the focus.
    element.addEventListener('mousedown', (e) => e.preventDefault());
    element.addEventListener('contextmenu', (e) => e.preventDefault());
  }

  get isOpen() { return !this.#element.hidden; }

  contains(node) { return node instanceof Node && this.#element.contains(node); }

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

  // A press while the menu is open: on an entry it may choose that entry
  // (`choosing`), anywhere else it closes the menu, but for one on the
  // button that opens and closes it, which keeps its own press (false).
  takePress(node, choosing) {
    if (this.contains(node)) this.#pressed = choosing ? this.entryAt(node) : null;
    else if (!(node instanceof Element && node.closest('[data-menu-toggle]'))) this.close();
    else return false;
    return true;
  }

  // The release of that press at `node` chooses the entry the press went
  // down on, which it returns (or null). The button the menu is attached to
  // chooses on its release alone, as it does when dragged from where it
  // opened the menu.
  release(node, byMenuButton) {
    const entry = this.entryAt(node);
    const chosen = entry && (byMenuButton || entry === this.#pressed) ? entry : null;
    this.#pressed = null;
    return chosen;
  }

  // The toolkit's number of `entry` (counting from 1) and its name.
  itemOf(entry) {
    return { item: Number(entry.dataset.item), name: entry.getAttribute('aria-label') };
  }

  // Moves the focus `step` entries on, round the end; or to the first or the
  // last entry.
  focusStep(step) {
    const entries = Array.from(this.#element.children);
    const at = entries.indexOf(document.activeElement);
    entries[(at + step + entries.length) % entries.length]?.focus();
  }

  focusEnd(last) {
    (last ? this.#element.lastElementChild : this.#element.firstElementChild)?.focus();
  }
}
