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

  constructor(canvas, queue) {
    this.#canvas = canvas;
    this.#queue = queue;
    // The window's size is the canvas buffer's, whatever size it is shown at.
    this.size = canvas.width;
    // Where the pointer was last seen, in window pixels from the top-left
    // corner; keys are delivered with it, as the toolkit does.
    this.pointer = { x: this.size / 2, y: this.size / 2 };
  }

  // The box the window's pixels fill on the screen, in client (CSS) pixels:
  // the canvas may be shown smaller than its buffer on a narrow screen. Both
  // ways between client positions and window pixels are measured from it.
  #shown() { return this.#canvas.getBoundingClientRect(); }

  // The window pixel under a position in client pixels.
  at(clientX, clientY) {
    const box = this.#shown();
    return {
      x: Math.floor((clientX - box.left) * this.size / box.width),
      y: Math.floor((clientY - box.top) * this.size / box.height),
    };
  }

  // The client position of the centre of the window pixel `at`.
  clientAt(at) {
    const box = this.#shown();
    return {
      x: box.left + (at.x + 0.5) * box.width / this.size,
      y: box.top + (at.y + 0.5) * box.height / this.size,
    };
  }

  mouse(button, state, at, modifiers) {
    this.pointer = at;
    this.#queue.push({ kind: 'mouse', button, state, x: at.x, y: at.y, modifiers });
  }

  // `held`: a button is down (the toolkit's motion callback, else the
  // passive-motion one).
  motion(at, held) {
    this.pointer = at;
    this.#queue.push({ kind: 'motion', x: at.x, y: at.y, held });
  }

  key(code, modifiers) {
    this.#queue.push({ kind: 'key', code, x: this.pointer.x, y: this.pointer.y, modifiers });
  }

  // `item` counts from 1, as the toolkit's menu entries do.
  menu(item) {
    this.#queue.push({ kind: 'menu', item });
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
