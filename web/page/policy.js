// The one place that decides what input means, and the only one that sends
// the toolkit's events. The devices (mouse, touch and pen, keyboard,
// on-screen controls) hand it actions; it applies the page's rules (an open
// menu sees a press first, the Shift and Move latches, the focus, what is
// announced) and hands the toolkit's events to the queue. An action has:
//   device   'mouse', 'touch', 'pen', 'keyboard', 'control' or 'window'
//   action   'press', 'release', 'click' (a whole left click: a tap, Enter),
//            'move', 'menu' (open it at `page`, with `opener`, `focusFirst`
//            and `toggle` from a control or a key), 'choose' (its `entry`),
//            'key' (its `code`), 'dismiss', 'latch' ('shift' or 'move'),
//            'drop' (let go of the press `id`, or of all the focus holds)
//   at       the window pixel; for a click `from`, where its press went down
//   target   the element a pointer pressed or lifted over; none when the
//            input is the canvas's already (the keyboard's cursor, a drag)
//   button   the toolkit's button; null for a touch, whose lift decides
//   id       which press a release ends; `modifiers` the toolkit's bits
//   event    the DOM event, stopped when the menu takes it
// handle() says whether the policy took the action.
import { Button, Modifier, State } from './toolkit.js';

// What the program's keys do, as said once done (narrate.js).
const KEY_TOLD = { c: 'clear', t: 'dialogue', n: 'dialogue' };

const SAID = {
  shift: ['Shift latched: the next click or tap on the canvas deletes a point', 'Shift released'],
  move: ['Move latched: the next drag on the canvas moves the nearest point', 'Move released'],
};

export class InputPolicy {
  #canvas; #toolkit; #menu; #keys; #say;
  #latched = { shift: false, move: false };
  #held = new Map();  // id of a press the program has -> { button, at, focused }
  #menuPress = null;  // id of the press the menu took: its release is the menu's too
  #clickTaken = false;  // the click a browser makes of that press is the menu's

  // `latchKeys`: the on-screen keys that show each latch ({ shift, move }).
  constructor({ canvas, toolkit, menu, latchKeys, announce }) {
    this.#canvas = canvas;
    this.#toolkit = toolkit;
    this.#menu = menu;
    this.#keys = latchKeys;
    this.#say = announce;
  }

  latched(name) { return this.#latched[name]; }
  holds(id) { return this.#held.has(id); }

  handle(a) {
    switch (a.action) {
      case 'press': return this.#press(a);
      case 'release': return this.#release(a);
      case 'click': return this.#click(a);
      case 'move': return this.#move(a);
      case 'menu': return this.#openMenu(a);
      case 'choose': return this.#choose(a.entry);
      case 'drop': return this.#drop(a.id);
      case 'key':
        this.#toolkit.key(a.code, a.modifiers, KEY_TOLD[String.fromCharCode(a.code)]);
        return true;
      case 'dismiss':
        if (!this.#menu.isOpen) return false;
        this.#menu.close();
        return true;
      case 'latch':
        this.#setLatch(a.latch, !this.#latched[a.latch]);
        return true;
      default:
        throw new Error(`unknown input ${a.action}`);
    }
  }

  // A browser makes a click of a touch or pen press where it is lifted, on
  // whatever lies there once the menu has closed. A click from the keyboard
  // (detail 0) never followed a press.
  takeClick(e) {
    if (!this.#clickTaken || e.detail === 0) return;
    this.#clickTaken = false;
    e.preventDefault();
    e.stopPropagation();
  }

  #press(a) {
    const menu = this.#menu;
    if (a.target) {
      this.#clickTaken = false;
      // While the menu is open a press it takes goes no further: neither
      // the press nor its release, click or focus.
      if (menu.isOpen) {
        // The left button, a finger or a pen may choose an entry.
        if (!menu.takePress(a.target, a.button === Button.left || a.button === null)) return false;
        this.#menuPress = a.id;
        a.event?.preventDefault();
        a.event?.stopPropagation();
        this.#clickTaken = true;
        return true;
      }
      if (a.target !== this.#canvas) return false;
      this.#canvas.focus({ preventScroll: true });
    }
    if (a.button === null) return false;
    if (a.button === menu.button) {
      this.#menuPress = a.id;
      return this.#openMenu(a);
    }
    const button = this.#standIn(a);
    // Held by the keyboard or by the Move latch, not by a hand on a pointer:
    // it is the focus's, and goes with it.
    this.#held.set(a.id, { button, at: a.at, focused: a.device === 'keyboard' || this.#latched.move });
    // What a press from the keys or a touch picked up is said.
    const tell = a.device !== 'mouse' && button === Button.middle ? 'press' : undefined;
    this.#toolkit.mouse(button, State.down, a.at, this.#modifiers(a, button), tell);
    return true;
  }

  #release(a) {
    if (a.id === this.#menuPress) {
      this.#menuPress = null;
      // A touch keeps reporting to where it went down: its device gives the
      // element where it is lifted.
      const chosen = this.#menu.isOpen && this.#menu.release(a.target, a.button === this.#menu.button);
      if (chosen) this.#choose(chosen);
      return true;
    }
    const press = this.#held.get(a.id);
    if (!press) return false;
    this.#held.delete(a.id);
    const { button } = press;
    const tell = a.tell ?? (a.device !== 'mouse' && button === Button.middle ? 'release' : undefined);
    this.#toolkit.mouse(button, State.up, a.at, this.#modifiers(a, button), tell);
    // A latch lets go once the press it was for is over.
    if (button === Button.left) this.#setLatch('shift', false, true);
    if (button === Button.middle) this.#setLatch('move', false, true);
    return true;
  }

  // The window system lets go of a button nobody can release any more: the
  // press `id`, whose pointer the browser took back (a system gesture, a
  // call), or without one every press the focus holds, once the canvas loses
  // the focus or the page is hidden. The program sees the release where it
  // last saw the pointer, so a drag ends where it was.
  #drop(id) {
    const ids = [...this.#held].filter(([i, press]) => (id === undefined ? press.focused : i === id));
    // Said once the program has let go: which point, and where it stays.
    for (const [i] of ids) {
      this.#release({ device: 'window', id: i, at: this.#toolkit.pointer, modifiers: 0, tell: 'drop' });
    }
    return ids.length > 0;
  }

  // A whole left click: a tap, or Enter at the keyboard's cursor. It takes
  // Shift from the on-screen latch too, which lets go once it is made.
  #click(a) {
    const modifiers = this.#modifiers(a, Button.left);
    this.#toolkit.mouse(Button.left, State.down, a.from ?? a.at, modifiers);
    this.#toolkit.mouse(Button.left, State.up, a.at, modifiers, 'click');
    this.#setLatch('shift', false, true);
    return true;
  }

  // While a button is held the window has the motion wherever the pointer
  // goes; otherwise only over the canvas with no menu open. The keyboard's
  // cursor is always over the canvas.
  #move(a) {
    const held = this.#held.size > 0;
    if (!held && a.target !== undefined && (a.target !== this.#canvas || this.#menu.isOpen)) return false;
    this.#toolkit.motion(a.at, held);
    if (a.device === 'keyboard') this.#say(`Cursor at ${a.at.x}, ${a.at.y}`, 300);
    return true;
  }

  // Opens the menu once the program has attached one (before, it is empty).
  #openMenu(a) {
    const menu = this.#menu;
    if (a.toggle && menu.isOpen) {
      menu.close();
      return true;
    }
    if (menu.button < 0) return false;
    menu.openAt(a.page.x, a.page.y, { focusFirst: a.focusFirst, opener: a.opener });
    if (a.device === 'touch' || a.device === 'pen') this.#say('Menu open: tap an entry to choose it');
    return true;
  }

  #choose(entry) {
    // The first entry is the menu's one command (Clear All), the others
    // choose the curve.
    const { item } = this.#menu.itemOf(entry);
    this.#toolkit.menu(item, item === 1 ? 'clear' : 'kind');
    this.#menu.close();
    return true;
  }

  // The middle button, for mice and trackpads without one: Alt + left, or
  // the left button while Move is latched.
  #standIn(a) {
    const middle = this.#latched.move || (a.device === 'mouse' && a.modifiers & Modifier.alt);
    return a.button === Button.left && middle ? Button.middle : a.button;
  }

  // A left click takes Shift from the on-screen latch too.
  #modifiers(a, button) {
    return a.modifiers | (button === Button.left && this.#latched.shift ? Modifier.shift : 0);
  }

  // `quiet`: a latch let go by the press it was for says nothing more.
  #setLatch(name, on, quiet = false) {
    if (this.#latched[name] === on) return;
    this.#latched[name] = on;
    this.#keys[name].setAttribute('aria-pressed', String(on));
    if (!quiet) this.#say(SAID[name][on ? 0 : 1]);
  }
}
