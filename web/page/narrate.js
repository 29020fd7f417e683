// What an action did, in the editor's words and naming the point it touched,
// for a screen reader: the program prints nothing when a point is placed,
// deleted or moved, so the page reads the program's state (web/state.cpp)
// before and after the one job that made the change and says the difference.
// Positions are the toolkit's window pixels, as the keyboard cursor's.
// The canvas's description (its fallback content) carries the same state, so
// that focusing it says how many points there are and which curve.
const KINDS = ['Bezier', 'Cubic B-Spline'];

const plural = (n, word) => `${n === 0 ? 'no' : n} ${word}${n === 1 ? '' : 's'}`;
const at = (p) => `${p.x}, ${p.y}`;

// Segments drawn for `count` points: a Bezier chain takes points 1-4, 4-7,
// ...; a B-spline one segment per four consecutive points.
function segments(kind, count) {
  if (count < 4) return 0;
  return kind === 0 ? Math.floor((count - 1) / 3) : count - 3;
}

export class Narrator {
  #program = null;
  #say;
  #state;  // the canvas's description's first sentence
  #canvas;
  #from = null;  // where the held point was picked up
  #radius = 0;
  #terminal;

  // `terminal`: the console (its prompt and the answer to a line);
  // `returnsFrom`: where the focus comes back to the canvas from (the menu,
  // the entry field), so that coming back says the state, not the keys again.
  constructor({ say, state, canvas, terminal, returnsFrom }) {
    this.#say = say;
    this.#terminal = terminal;
    this.#state = state;
    this.#canvas = canvas;
    // Leaving the canvas makes the next visit describe the keys again, and
    // the state as it is then: a description changed under the focus would
    // be read again after every action.
    canvas.addEventListener('blur', (e) => {
      const back = returnsFrom.some((element) => element.contains(e.relatedTarget));
      canvas.setAttribute('aria-describedby', back ? 'canvas-state' : 'canvas-keys');
      if (this.#program) this.#describe(this.#read());
    });
  }

  attach(program) {
    this.#program = program;
    this.#radius = program._WebPickRadius();
    this.#describe(this.#read());
  }

  #read() {
    const p = this.#program;
    const points = [];
    for (let i = 0, n = p._WebPointCount(); i < n; i++) points.push({ x: p._WebPointX(i), y: p._WebPointY(i) });
    return { points, kind: p._WebCurveKind(), held: p._WebHeldPoint() };
  }

  #describe(s) {
    if (document.activeElement === this.#canvas) return;
    const n = s.points.length;
    const text = `${plural(n, 'point')}, ${KINDS[s.kind]} curve` + (n ? `, ${plural(segments(s.kind, n), 'segment')} drawn.` : '.');
    this.#state.textContent = text[0].toUpperCase() + text.slice(1);
  }

  // Runs `job` with `run`; a job that carries `tell` (what the action was) is
  // said once it has run, a dialogue's once it has its line.
  run(job, run) {
    if (!job.tell || !this.#program) return run(job);
    const before = this.#read();
    if (job.tell === 'dialogue') this.#terminal.mark();
    const done = () => {
      const after = this.#read();
      this.#describe(after);
      const text = this.#tell(job, before, after);
      if (text) this.#say(text);
    };
    const wait = run(job);
    if (wait) return Promise.resolve(wait).then(done);
    done();
    return wait;
  }

  #tell(job, before, after) {
    const n = after.points.length;
    const where = { x: job.x, y: job.y };
    const gone = () => before.points.findIndex((p, i) => i >= n || p.x !== after.points[i].x || p.y !== after.points[i].y);
    switch (job.tell) {
      case 'click':
        if (n > before.points.length) return `Point ${n} placed at ${at(where)}; ${plural(n, 'point')}`;
        if (n < before.points.length) {
          const i = gone();
          return `Point ${i + 1} deleted from ${at(before.points[i])}; ${plural(n, 'point')} left`;
        }
        return `No point within ${this.#radius} pixels of ${at(where)}: nothing deleted`;
      case 'press':
        if (after.held < 0) {
          this.#from = null;
          return `No point within ${this.#radius} pixels of ${at(where)} to pick up`;
        }
        this.#from = after.points[after.held];
        return `Point ${after.held + 1} picked up at ${at(this.#from)}: arrows move it, Space drops it`;
      case 'release':
      case 'drop': {
        // A drop is the window system letting go for the user (the focus
        // left the canvas, the pointer was taken back).
        const said = job.tell === 'drop' ? 'Point dropped' : '';
        const i = before.held;
        if (i < 0 || !this.#from) return said || 'Nothing was held';
        const to = before.points[i];
        const from = this.#from;
        this.#from = null;
        const text = from.x === to.x && from.y === to.y ? `Point ${i + 1} dropped where it was, at ${at(to)}`
                                                        : `Point ${i + 1} moved from ${at(from)} to ${at(to)}`;
        return said ? `${said}: ${text[0].toLowerCase()}${text.slice(1)}` : text;
      }
      case 'clear':
        return before.points.length ? `Cleared: ${plural(before.points.length, 'point')} deleted` : 'Cleared: there were no points';
      case 'kind':
        return `${KINDS[after.kind]} chosen: ${plural(segments(after.kind, n), 'segment')} from ${plural(n, 'point')}`;
      case 'dialogue': {
        // The program answers only a refused line; an accepted one is said
        // with the setting it now has.
        const { line, reply } = this.#terminal.answer();
        const p = this.#program;
        const value = job.code === 't'.charCodeAt(0) ? `tolerance ${p._WebTolerance()}`
                                                      : `B-spline steps ${p._WebBsplineSteps()}`;
        return `${line || 'empty line'}: ${reply || `accepted, ${value}`}`;
      }
      default:
        return job.tell;
    }
  }
}
