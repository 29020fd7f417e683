// The page around the editor: it plays the part of the window system and the
// terminal. Each concern has a module of its own; this one connects them and
// starts the program. Input made while the program loads waits in the queue.
import { announcer } from './announce.js';
import { connectControls } from './controls.js';
import { Frames } from './frames.js';
import { TouchInput } from './gestures.js';
import { Input } from './input.js';
import { KeyboardInput } from './keyboard.js';
import { Layout } from './layout.js';
import { Menu } from './menu.js';
import { Narrator } from './narrate.js';
import { keepForOffline } from './offline.js';
import { MouseInput } from './pointer.js';
import { InputPolicy } from './policy.js';
import { loadMessage, loadProgram, showFailure, stopMessage } from './program.js';
import { InputQueue } from './queue.js';
import { Terminal } from './terminal.js';
import { Toolkit, runJob } from './toolkit.js';

const byId = (id) => document.getElementById(id);
const canvas = byId('view');
const announce = announcer(byId('status'));

const frames = new Frames(canvas);
const layout = new Layout(canvas, document.body, [byId('console')]);
const terminal = new Terminal({
  view: byId('console'), entry: byId('entry'), state: byId('entry-state'), say: announce,
  returnFocus: () => canvas.focus(),
});
const narrator = new Narrator({
  say: announce, state: byId('canvas-state'), canvas, terminal, returnsFrom: [byId('menu'), byId('entry')],
});
const queue = new InputQueue({
  onError: stop,
  onBusy: () => frames.hold(),
  // Nothing left to run: a frame held back meanwhile is drawn, and after a
  // dialogue the keys go back to the window.
  onIdle: () => {
    frames.resume();
    terminal.dialogueDone();
  },
});
const toolkit = new Toolkit(canvas, queue);
const menu = new Menu(byId('menu'));
const latchKeys = { shift: byId('key-shift'), move: byId('key-move') };
const policy = new InputPolicy({ canvas, toolkit, menu, latchKeys, announce });
const device = { canvas, toolkit, policy };
new Input({
  canvas, policy, devices: {
    mouse: new MouseInput(device), touch: new TouchInput(device),
    keyboard: new KeyboardInput({ ...device, menu, entry: byId('entry'), cursor: byId('cursor') }),
  },
});
connectControls({
  policy, latchKeys, keys: document.querySelectorAll('[data-key]'), menuKey: byId('key-menu'), canvas, say: announce,
});

// The program's calls to the page (web/glut.cpp, web/console.cpp, streams.js).
let program = null;
const page = {
  output: (fd, byte) => terminal.output(fd, byte),
  takeInput: (address, size) => terminal.takeInput(program.HEAPU8, address, size),
  waitForInput: () => terminal.waitForInput(),
  postRedisplay: () => frames.request(),
  present: (pixels, width, height) => frames.present(program.HEAPU8, pixels, width, height),
  setWindowSize: (width, height) => {
    layout.setSize(width, height);
    toolkit.setSize(width);
  },
  setTitle: (title) => { document.title = title; },
  setMenuEntry: (position, label) => menu.setEntry(position, label),
  clearMenu: () => menu.clear(),
  attachMenu: (button) => { menu.button = button; },
};

// The program has ended (exit() or a fatal error in a call): nothing more is
// delivered, and the page says so.
function stop(error) {
  queue.end();
  frames.end();
  terminal.end();
  menu.close();
  showFailure(stopMessage(error));
}

function display() {
  try {
    program._WebDisplay();
  } catch (error) {
    stop(error);
  }
}

// A first visit opens the help; after that it stays as the visitor left it.
function showHelpOnFirstVisit() {
  const help = byId('help');
  try {
    help.open = localStorage.getItem('bezier.help') !== 'closed';
    help.addEventListener('toggle', () => localStorage.setItem('bezier.help', help.open ? 'open' : 'closed'));
  } catch {
    help.open = true;  // no storage (a private window): open every time
  }
}

async function start() {
  showHelpOnFirstVisit();
  try {
    program = await loadProgram(page);
  } catch (error) {
    queue.end();
    terminal.end();
    showFailure(loadMessage(error));
    return;
  }
  document.body.classList.remove('loading');
  narrator.attach(program);
  frames.start(display);
  queue.start((job) => narrator.run(job, (j) => runJob(program, j)));
  announce('Bezier curve editor ready. Press Tab to reach the drawing area.');
  keepForOffline();
}

start();

// For the browser suite and the benchmarks only: what the page is doing, and
// a way to end the program as a fatal error would.
export const debug = Object.freeze({
  stats: frames.stats,
  layout: () => layout.current,
  idle: () => queue.started && !queue.ended && !queue.busy && queue.length === 0 && !frames.pending,
  queued: () => queue.length,
  exit: (status) => queue.push({ kind: 'exit', status }),
});
