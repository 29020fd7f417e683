// The one place that decides what input means. The device modules (mouse,
// touch and pen, keyboard, on-screen controls) only turn their DOM events
// into input records; this module applies the page's rules to them (an open
// menu sees a press first, the on-screen Shift latch, the focus, what is
// announced) and hands the toolkit's events to the queue.
//
// An input record:
//   device     'mouse', 'touch', 'pen', 'keyboard' or 'control'
//   action     'press' or 'release' (a button), 'click' (a whole left click:
//              a tap, Enter), 'move', 'menu' (open it here), 'key' (a
//              character), 'dismiss' (Escape), 'latch' (the on-screen Shift)
//   at         the window pixel it happened at, { x, y }; for a click, `from`
//              is where its press went down
//   target     the element a pointer pressed, lifted or moved over; none when
//              the input is the canvas's already (the keyboard's cursor, a
//              drag the canvas holds)
//   button     the toolkit's button; null for a touch, whose meaning its
//              lift decides
//   id         which press a release ends (a mouse button, a finger)
//   modifiers  the toolkit's modifier bits
//   code       for a key, the byte the program's key handler receives
//   page       where a menu opened by it goes, in page (CSS) pixels, with
//              `opener` and `focusFirst` for a menu opened from a control
//              or a key, and `toggle` for one that closes it again
//   event      the DOM event it came from: stopped when the menu takes it
// handle() says whether the policy took the input, so that the device does
// nothing more with it.
import { Button, Modifier, State } from './toolkit.js';

export class InputPolicy {
  #canvas;
  #toolkit;
  #menu;
  #shiftKey;
  #say;
  #held = new Map();  // id of a press the program has -> { button, at }
  #menuPress = null;  // id of the press the menu took: its release is the menu's too
  #clickTaken = false;  // the click a browser makes of that press is the menu's
  #cursorTimer = 0;

  constructor({ canvas, toolkit, menu, shiftKey, announce }) {
    this.#canvas = canvas;
    this.#toolkit = toolkit;
    this.#menu = menu;
    this.#shiftKey = shiftKey;
    this.#say = announce;
    // A browser makes a click of a touch or pen press where it is lifted,
    // on whatever lies there once the menu has closed. A click from the
    // keyboard (detail 0) never followed a press.
    window.addEventListener('click', (e) => {
      if (!this.#clickTaken || e.detail === 0) return;
      this.#clickTaken = false;
      e.preventDefault();
      e.stopPropagation();
    }, true);
  }

  handle(record) {
    switch (record.action) {
      case 'press': return this.#press(record);
      case 'release': return this.#release(record);
      case 'click': return this.#click(record);
      case 'move': return this.#move(record);
      case 'menu': return this.#openMenu(record);
      case 'key':
        this.#toolkit.key(record.code, record.modifiers);
        if (record.device === 'control') this.#announce(`Key ${String.fromCharCode(record.code)}`);
        return true;
      case 'dismiss':
        if (!this.#menu.isOpen) return false;
        this.#menu.close();
        return true;
      case 'latch':
        this.#setLatch(!this.#latched);
        this.#announce(this.#latched ? 'Shift latched: the next click or tap on the canvas deletes a point'
                                     : 'Shift released');
        return true;
      default:
        throw new Error(`unknown input ${record.action}`);
    }
  }

  #press(r) {
    const menu = this.#menu;
    if (r.target) {
      this.#clickTaken = false;
      // While the menu is open a press is the menu's: on an entry it may
      // choose it, anywhere else it closes the menu, and neither the press
      // nor its release, click or focus goes any further. Only the button
      // that opens and closes the menu keeps its own press.
      if (menu.isOpen) {
        if (menu.contains(r.target)) {
          // The left button, a finger or a pen may choose an entry.
          const choosing = r.button === Button.left || r.button === null;
          menu.press(choosing ? menu.entryAt(r.target) : null);
        } else if (menu.closesOnPressAt(r.target)) {
          menu.close();
        } else {
          return false;
        }
        this.#menuPress = r.id;
        r.event?.preventDefault();
        r.event?.stopPropagation();
        this.#clickTaken = true;
        return true;
      }
      if (r.target !== this.#canvas) return false;
      this.#canvas.focus({ preventScroll: true });
    }
    if (r.button === null) return false;
    if (r.button === menu.button) {
      this.#menuPress = r.id;
      return this.#openMenu(r);
    }
    const button = this.#standIn(r);
    this.#held.set(r.id, { button, at: r.at });
    this.#toolkit.mouse(button, State.down, r.at, this.#modifiers(r, button));
    if (r.device === 'keyboard') {
      this.#announce(`Middle button down at ${r.at.x}, ${r.at.y}: arrows drag the nearest point, Space releases`);
    }
    return true;
  }

  #release(r) {
    if (r.id === this.#menuPress) {
      this.#menuPress = null;
      // A touch keeps reporting to where it went down: its device gives the
      // element where it is lifted. The menu's own button chooses on its
      // release alone, as when dragged from where it opened the menu.
      if (this.#menu.isOpen) this.#menu.release(this.#menu.entryAt(r.target), r.button === this.#menu.button);
      return true;
    }
    const press = this.#held.get(r.id);
    if (!press) return false;
    this.#held.delete(r.id);
    const { button } = press;
    this.#toolkit.mouse(button, State.up, r.at, this.#modifiers(r, button));
    if (button === Button.left) this.#setLatch(false);
    if (r.device === 'keyboard') {
      this.#announce(`Middle button released at ${r.at.x}, ${r.at.y}`);
    } else if (r.device !== 'mouse') {
      this.#announce(`Dragged from ${press.at.x}, ${press.at.y} to ${r.at.x}, ${r.at.y}`);
    }
    return true;
  }

  // A whole left click: a tap, or Enter at the keyboard's cursor. It takes
  // Shift from the on-screen latch too, which lets go once it is made.
  #click(r) {
    const modifiers = this.#modifiers(r, Button.left);
    this.#toolkit.mouse(Button.left, State.down, r.from ?? r.at, modifiers);
    this.#toolkit.mouse(Button.left, State.up, r.at, modifiers);
    this.#setLatch(false);
    const { x, y } = r.at;
    const made = r.device === 'keyboard' ? 'click' : 'tap';
    this.#announce(modifiers & Modifier.shift ? `Shift ${made} at ${x}, ${y}: the nearest point is deleted`
                                              : `Point placed at ${x}, ${y}`);
    return true;
  }

  // While a button is held the window has the motion wherever the pointer
  // goes; otherwise only over the canvas with no menu open. The keyboard's
  // cursor is always over the canvas.
  #move(r) {
    const held = this.#held.size > 0;
    if (!held && r.target !== undefined && (r.target !== this.#canvas || this.#menu.isOpen)) return false;
    this.#toolkit.motion(r.at, held);
    if (r.device === 'keyboard') {
      // Said once the cursor rests, not at every step of a held arrow.
      clearTimeout(this.#cursorTimer);
      this.#cursorTimer = setTimeout(() => this.#say(`Cursor at ${r.at.x}, ${r.at.y}`), 300);
    }
    return true;
  }

  // Opens the menu once the program has attached one (before, it is empty).
  #openMenu(r) {
    const menu = this.#menu;
    if (r.toggle && menu.isOpen) {
      menu.close();
      return true;
    }
    if (menu.button < 0) return false;
    menu.openAt(r.page.x, r.page.y, { focusFirst: r.focusFirst, opener: r.opener });
    if (r.device === 'touch' || r.device === 'pen') this.#announce('Menu open: tap an entry to choose it');
    return true;
  }

  // Alt + left is the middle button, for mice and trackpads without one.
  #standIn(r) {
    return r.device === 'mouse' && r.button === Button.left && r.modifiers & Modifier.alt ? Button.middle : r.button;
  }

  // A left click takes Shift from the on-screen latch too.
  #modifiers(r, button) {
    return r.modifiers | (button === Button.left && this.#latched ? Modifier.shift : 0);
  }

  // Anything said makes a cursor position still waiting to be said stale:
  // it would replace what was just said (a click made there).
  #announce(text) {
    clearTimeout(this.#cursorTimer);
    this.#say(text);
  }

  get #latched() { return this.#shiftKey.getAttribute('aria-pressed') === 'true'; }

  #setLatch(latched) { this.#shiftKey.setAttribute('aria-pressed', String(latched)); }
}
