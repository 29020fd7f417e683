// Frames: a redisplay request becomes one animation frame, which runs the
// program's display callback; the buffer swap puts the framebuffer on the
// canvas. Requests made before a frame is drawn are answered by that frame.
// The program is never entered for a frame while it is inside another call
// (a dialogue may wait in it): whoever runs those calls says so with hold()
// and resume().
export class Frames {
  #context;
  #display = null;  // the program's display callback, once it runs
  #held = false;  // the program is inside a call
  #requested = false;
  #deferred = false;  // the frame came while the program was busy
  #requestedAt = 0;
  #image = null;
  #ended = false;
  // The last frame's cost and latency, for measurements.
  stats = { frames: 0, displayMs: 0, latencyMs: 0 };

  constructor(canvas) {
    this.#context = canvas.getContext('2d', { alpha: false });
  }

  // The program runs: a frame it asked for while starting is drawn now.
  start(display) {
    this.#display = display;
    this.resume();
  }
  end() { this.#ended = true; }
  get pending() { return this.#requested; }

  request() {
    if (this.#requested) return;
    this.#requested = true;
    this.#requestedAt = performance.now();
    requestAnimationFrame(() => this.#draw());
  }

  hold() { this.#held = true; }

  // The program is free again: a frame held back meanwhile is drawn now.
  resume() {
    this.#held = false;
    if (!this.#deferred) return;
    this.#deferred = false;
    requestAnimationFrame(() => this.#draw());
  }

  #draw() {
    if (this.#ended) return;
    if (!this.#display || this.#held) {
      // The program is still starting, or a dialogue holds it: the frame is
      // drawn once it is free.
      this.#deferred = true;
      return;
    }
    this.#requested = false;
    const start = performance.now();
    this.#display();
    const end = performance.now();
    this.stats.frames += 1;
    this.stats.displayMs = end - start;
    this.stats.latencyMs = end - this.#requestedAt;
  }

  // The framebuffer at `address` in `heap` (R, G, B, A per pixel, top row
  // first, `width` x `height` as the program says) goes onto the canvas as it
  // is. A frame of another size than the canvas would be read from the wrong
  // memory and shown skewed: that is the page's fault, and it stops here.
  present(heap, address, width, height) {
    const canvas = this.#context.canvas;
    if (width !== canvas.width || height !== canvas.height) {
      throw new Error(`a ${width} x ${height} frame for a ${canvas.width} x ${canvas.height} canvas`);
    }
    const bytes = width * height * 4;
    if (!Number.isInteger(address) || address < 0 || address + bytes > heap.byteLength) {
      throw new Error(`a frame at ${address} outside the program's ${heap.byteLength} bytes`);
    }
    const data = this.#image?.data;
    if (!data || data.buffer !== heap.buffer || data.byteOffset !== address || data.length !== bytes) {
      this.#image = new ImageData(new Uint8ClampedArray(heap.buffer, address, bytes), width, height);
    }
    this.#context.putImageData(this.#image, 0, 0);
  }
}
