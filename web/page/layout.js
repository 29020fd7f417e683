// How large the window is shown, and where the rest of the page goes.
//
// Students read the frames pixel by pixel, so every canvas pixel is shown as
// the same whole number k of device pixels: the largest k that fits the room
// the layout gives the canvas, as long as that fills at least FILL of the
// room. Only where no whole k fills it that well is the canvas scaled to fit
// the room, still drawn pixelated. With a mouse the room is at most the
// window's own size in CSS pixels (a desktop window at the browser's zoom);
// fingers get all the room there is.
//
// The room keeps the whole canvas inside the viewport. Three arrangements:
// - wide: the canvas with its keys below, the console beside (a desktop);
// - stacked: canvas, keys and console in one column (a phone held upright);
// - beside: in a landscape viewport too low for the canvas and its keys one
//   above the other, the canvas takes the height and the heading, the keys
//   and the console sit beside it, all in view at once (a phone turned).
// The choice is made again on every resize, turn and zoom.

const FILL = 0.6;
// Below this many CSS pixels a landscape viewport always puts things beside
// the canvas: under it, the keys and the entry below a canvas that fills the
// width would be out of view.
const LOW = 600;

// The canvas's shown size in CSS pixels for a room of `room` CSS pixels, a
// window `size` pixels wide and `ratio` device pixels per CSS pixel: { k, css },
// k null where the canvas is scaled to fit instead.
function fit(room, size, ratio) {
  // Browsers report the ratio in single precision (1.0000000298 for 1): a
  // room that fits k exactly must not come out a hair short of it.
  const k = Math.floor((room * ratio) / size + 1e-6);
  const css = (size * k) / ratio;
  if (k >= 1 && css >= FILL * room) return { k, css };
  return { k: null, css: room };
}

// The arrangement and the canvas's size for a viewport of `width` x `height`
// CSS pixels at `ratio` device pixels each. `coarse`: the main pointer is a
// finger. `metrics` are the page's measures in CSS pixels: `pad` around the
// page, `gap` between its parts, `side` the least width of a column beside
// the canvas, `terminal` of the console beside the canvas in the wide
// arrangement, `above` the heading's height, `below` the keys' and `least`
// the console's least and the entry's.
function plan({ width, height, ratio, coarse }, size, metrics) {
  const { pad, gap, side, terminal, above, below, least } = metrics;
  const across = width - 2 * pad;
  const down = height - 2 * pad;
  const cap = (room) => Math.max(1, coarse ? room : Math.min(room, size));
  const beside = () => ({ mode: 'beside', ...fit(cap(Math.min(down, across - gap - side)), size, ratio) });
  const landscape = width > height;
  if (landscape && height < LOW) return beside();
  const shown = fit(cap(Math.min(across, down)), size, ratio);
  const mode = across >= shown.css + gap + terminal ? 'wide' : 'stacked';
  // Where the keys, or in one column the console and the entry, would fall
  // below the fold, a landscape viewport has room for them beside the canvas
  // (a page in a frame of a course page, say): a dialogue is answered with
  // the curve in view.
  const column = above + gap + shown.css + gap + below + (mode === 'stacked' ? gap + least : 0);
  if (landscape && column > down) return beside();
  return { mode, ...shown };
}

// The window size said last, in the browser's storage where there is one (a
// private window may have none).
function remembered(how, value) {
  try {
    return how === 'set' ? localStorage.setItem('bezier.window', value) : localStorage.getItem('bezier.window');
  } catch {
    return null;
  }
}

// Keeps the page laid out for `canvas` (inside `page`, the element that
// carries the arrangement): applies the plan now and whenever the viewport
// changes, once the program has said the window's size. Of the scrolling
// `views` (the console), one that showed its last lines still does after a
// new arrangement changes its height.
export class Layout {
  #canvas;
  #page;
  #atEnd = new Map();  // each scrolling view -> whether it showed its last lines
  #size = 0;
  #ratioQuery = null;  // kept, so that its listener lives as long as the page
  current = null;  // the plan applied last

  constructor(canvas, page, views = []) {
    this.#canvas = canvas;
    this.#page = page;
    // Read as the user or the program scrolls: by the time a resize is
    // reported, the viewport's new height has already cut the view short.
    for (const view of views) {
      this.#atEnd.set(view, true);
      view.addEventListener('scroll', () => {
        this.#atEnd.set(view, view.scrollTop + view.clientHeight >= view.scrollHeight - 1);
      });
    }
    window.addEventListener('resize', () => this.update());
    window.addEventListener('orientationchange', () => this.update());
    this.#watchRatio();
    // Until the program says its window's size, the page is laid out for
    // the size it said on the last visit, so that the page does not change
    // its arrangement once the program has loaded. On a first visit the
    // canvas takes the room there is meanwhile.
    const last = Number(remembered('get'));
    if (Number.isInteger(last) && last > 0) {
      this.#size = last;
      this.update();
    }
  }

  // The window's size, from the program: the canvas buffer takes it.
  setSize(width, height) {
    if (width !== height) throw new Error(`the page shows a square window, not ${width} x ${height}`);
    this.#canvas.width = width;
    this.#canvas.height = height;
    this.#size = width;
    remembered('set', String(width));
    this.update();
  }

  update() {
    if (!this.#size) return;
    const root = document.documentElement;
    const view = {
      width: root.clientWidth, height: root.clientHeight, ratio: window.devicePixelRatio || 1,
      coarse: matchMedia('(pointer: coarse)').matches,
    };
    const next = plan(view, this.#size, this.#metrics());
    this.current = next;
    this.#page.dataset.layout = next.mode;
    this.#page.style.setProperty('--shown', `${next.css}px`);
    for (const [scroller, atEnd] of this.#atEnd) {
      if (atEnd) scroller.scrollTop = scroller.scrollHeight;
    }
  }

  #metrics() {
    const style = getComputedStyle(this.#page);
    const length = (name) => parseFloat(style.getPropertyValue(name)) || 0;
    const height = (selector) => document.querySelector(selector)?.getBoundingClientRect().height ?? 0;
    return {
      pad: length('--pad'), gap: length('--gap'), side: length('--side'), terminal: length('--console'),
      above: height('header'), below: height('.controls'), least: length('--least') + height('#entry'),
    };
  }

  // A zoom, or the window moved to another screen, changes the ratio, and
  // not always the viewport's size: a query for the present ratio says so.
  #watchRatio() {
    this.#ratioQuery = matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
    this.#ratioQuery.addEventListener('change', () => {
      this.#watchRatio();
      this.update();
    }, { once: true });
  }
}
