// The one way into the program. It is one thread of control that must never
// be entered twice: a key handler may stop in the middle of a console
// dialogue until a line is typed. So every call goes through this queue, and
// whatever the user does meanwhile waits here and is delivered in order once
// the dialogue has its line, as the desktop program handles the window events
// queued behind its blocking read. Input made before the program has started
// waits here too.
//
// Each job is plain data ({ kind, ... }); the runner given to start() carries
// it out and may return a promise (a dialogue) that the queue waits for.

// Below this many spent jobs the array is left alone; above it, once they are
// half of it, they are dropped, so each job costs O(1) however long the wait.
const COMPACT_AT = 1024;

export class InputQueue {
  #jobs = [];
  #head = 0;  // the next job to run
  #runner = null;
  #running = false;
  #ended = false;
  #onError;
  #onBusy;
  #onIdle;

  // onError(error): a job threw (the program exited or failed); the queue has
  // stopped. onBusy(): jobs run, a dialogue's wait included, until onIdle():
  // the queue has nothing left to run.
  constructor({ onError, onBusy, onIdle }) {
    this.#onError = onError;
    this.#onBusy = onBusy;
    this.#onIdle = onIdle;
  }

  // The program is ready: run what waited and everything after it.
  start(runner) {
    this.#runner = runner;
    this.#pump();
  }

  // Nothing more is run or kept.
  end() {
    this.#ended = true;
    this.#jobs = [];
    this.#head = 0;
  }

  get ended() { return this.#ended; }
  get started() { return this.#runner !== null; }
  // True while a job runs, a dialogue's wait included.
  get busy() { return this.#running; }
  get length() { return this.#jobs.length - this.#head; }

  push(job) {
    if (this.#ended) return;
    const last = this.#jobs.length - 1;
    // A motion only moves a held point to the cursor and redraws, so of a run
    // of motions waiting together only the last counts.
    if (job.kind === 'motion' && last >= this.#head && this.#jobs[last].kind === 'motion') {
      this.#jobs[last] = job;
    } else {
      this.#jobs.push(job);
    }
    if (this.#runner && !this.#running) this.#pump();
  }

  #take() {
    const job = this.#jobs[this.#head];
    this.#jobs[this.#head++] = undefined;
    if (this.#head === this.#jobs.length) {
      this.#jobs = [];
      this.#head = 0;
    } else if (this.#head >= COMPACT_AT && this.#head * 2 >= this.#jobs.length) {
      this.#jobs = this.#jobs.slice(this.#head);
      this.#head = 0;
    }
    return job;
  }

  async #pump() {
    this.#running = true;
    this.#onBusy();
    try {
      while (!this.#ended && this.#head < this.#jobs.length) {
        const job = this.#take();
        try {
          const wait = this.#runner(job);
          if (wait) await wait;
        } catch (error) {
          this.end();
          this.#onError(error);
        }
      }
    } finally {
      this.#running = false;
    }
    if (!this.#ended) this.#onIdle();
  }
}
