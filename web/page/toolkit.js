// The page plays the window system: every way a person gives input ends here
// as the toolkit's own mouse, motion, key and menu events, in the toolkit's
// own values, and goes through the one queue into the program. Nothing past
// this point knows which device an event came from.

// The toolkit's values, as its header defines them.
export const Button = Object.freeze({ left: 0, middle: 1, right: 2 });
export const State = Object.freeze({ down: 0, up: 1 });
export const Modifier = Object.freeze({ shift: 1, ctrl: 2, alt: 4 });

// The modifier bits of a DOM mouse, pointer or keyboard event.
export function modifiersOf(event) {
  return (event.shiftKey ? Modifier.shift : 0) | (event.ctrlKey ? Modifier.ctrl : 0) |
         (event.altKey ? Modifier.alt : 0);
}

// The byte the key handler receives for a DOM key event, or null: the
// toolkit's keyboard callback takes one Latin-1 character.
export function characterOf(event) {
  if (event.key.length !== 1) return null;
  const code = event.key.charCodeAt(0);
  return code <= 255 ? code : null;
}

export class Toolkit {
  #queue;
  #canvas;
  #held = new Set();  // the buttons delivered down and not yet up
  #grab = null;  // the canvas's place on the page while a button is held
  // Jobs made before the window had a size, with positions in fractions.
  #unsized = [];

  constructor(canvas, queue) {
    this.#canvas = canvas;
    this.#queue = queue;
    // The window's size, once the program has made its window (setSize);
    // the canvas buffer has it, whatever size the canvas is shown at.
    this.size = 0;
    // Where the pointer was last seen, in window pixels from the top-left
    // corner; keys are delivered with it, as the toolkit does.
    this.pointer = { x: 0.5, y: 0.5, unsized: true };
  }

  // The program has made its window. Input made while it loaded was mapped
  // onto a canvas of unknown size, in fractions of it; none of it has run
  // yet (the queue starts after the program's start-up), so it becomes
  // pixels now.
  setSize(size) {
    this.size = size;
    const pixels = (job) => {
      if (!job.unsized) return;
      job.x = Math.floor(job.x * size);
      job.y = Math.floor(job.y * size);
      delete job.unsized;
    };
    this.#unsized.forEach(pixels);
    this.#unsized = [];
    pixels(this.pointer);
  }

  // The window pixel under a position in client (CSS) pixels, wherever and
  // at whatever size the canvas is shown: floor of the offset times the
  // window's size over the shown size. While a button is held the canvas's
  // place and size at the press stay the mapping (a page scrolled meanwhile
  // is followed), so that a drag means the same pixels from start to end even
  // if the layout changes under it.
  at(clientX, clientY) {
    const box = this.#grab ?? this.#place();
    const dx = clientX + window.scrollX - box.left;
    const dy = clientY + window.scrollY - box.top;
    if (!this.size) return { x: dx / box.width, y: dy / box.height, unsized: true };
    return { x: Math.floor(dx * this.size / box.width), y: Math.floor(dy * this.size / box.height) };
  }

  // Where the pointer is after a step of `dx`, `dy` window pixels (the
  // keyboard's cursor), kept inside the window. Before the window has a size
  // a step is one CSS pixel of the canvas as shown, in fractions of it, as a
  // mouse moved that far would be: the pointer stays finite and where the
  // cursor shows it.
  step(dx, dy) {
    const { x, y } = this.pointer;
    const clamp = (v, last) => Math.max(0, Math.min(last, v));
    if (this.size) return { x: clamp(x + dx, this.size - 1), y: clamp(y + dy, this.size - 1) };
    const box = this.#place();
    const w = Math.max(box.width, 1);
    const h = Math.max(box.height, 1);
    return { x: clamp(x + dx / w, 1 - 1 / w), y: clamp(y + dy / h, 1 - 1 / h), unsized: true };
  }

  #place() {
    const box = this.#canvas.getBoundingClientRect();
    return { left: box.left + window.scrollX, top: box.top + window.scrollY, width: box.width, height: box.height };
  }

  // The client position of the centre of the window pixel `at`: the inverse
  // of `at`, measured from the same box.
  clientAt(at) {
    const box = this.#grab ?? this.#place();
    return {
      x: box.left - window.scrollX + (at.x + 0.5) * box.width / this.size,
      y: box.top - window.scrollY + (at.y + 0.5) * box.height / this.size,
    };
  }

  // `tell`, on the events below: what the action was, said once the program
  // has carried it out (narrate.js).
  mouse(button, state, at, modifiers, tell) {
    if (state === State.down) {
      if (this.#held.size === 0) this.#grab = this.#place();
      this.#held.add(button);
    } else {
      this.#held.delete(button);
      if (this.#held.size === 0) this.#grab = null;
    }
    this.pointer = at;
    this.#push({ kind: 'mouse', button, state, x: at.x, y: at.y, modifiers, tell }, at);
  }

  // `held`: a button is down (the toolkit's motion callback, else the
  // passive-motion one).
  motion(at, held) {
    this.pointer = at;
    this.#push({ kind: 'motion', x: at.x, y: at.y, held }, at);
  }

  key(code, modifiers, tell) {
    this.#push({ kind: 'key', code, x: this.pointer.x, y: this.pointer.y, modifiers, tell }, this.pointer);
  }

  // `item` counts from 1, as the toolkit's menu entries do.
  menu(item, tell) {
    this.#queue.push({ kind: 'menu', item, tell });
  }

  #push(job, at) {
    if (at.unsized) {
      job.unsized = true;
      this.#unsized.push(job);
    }
    this.#queue.push(job);
  }
}

// Carries a queued job out in `program`, the running editor. A key may open
// a dialogue: then the call returns a promise that settles once the dialogue
// has its line.
export function runJob(program, job) {
  switch (job.kind) {
    case 'mouse':
      return program._WebMouse(job.button, job.state, job.x, job.y, job.modifiers);
    case 'motion':
      return program._WebMotion(job.x, job.y, job.held ? 1 : 0);
    case 'menu':
      return program._WebMenu(job.item);
    case 'key':
      return program.ccall('WebKeyboard', null, ['number', 'number', 'number', 'number'],
                           [job.code, job.x, job.y, job.modifiers], { async: true });
    case 'exit':
      return program._exit(job.status);
    default:
      throw new Error(`unknown job ${job.kind}`);
  }
}
