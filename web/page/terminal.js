// The terminal around the program: the console shows what it writes, and the
// entry field is its standard input. Lines sent from the field are echoed on
// the console where a terminal would show them (each in an element of class
// "echo", so the program's own output stays verbatim and can be read apart)
// and wait, like a terminal's type-ahead, until a dialogue reads them.
const encoder = new TextEncoder();

export class Terminal {
  #view;
  #entry;
  #state;
  // Bytes are decoded as UTF-8 per stream, so a character split across two
  // writes still comes out whole; the view is updated once per task.
  #decoders = { 1: new TextDecoder('utf-8'), 2: new TextDecoder('utf-8') };
  #pending = [];
  #flushQueued = false;
  #scrollQueued = false;
  #typed = [];  // lines not yet read, as bytes, each with its newline
  #wake = null;  // resolves the dialogue's wait for a line
  #tookFocus = false;  // the dialogue moved the focus to the entry field
  #idleState;
  #idlePlaceholder;
  #returnFocus;
  #say;
  // What the program wrote since the last prompt or line sent, and that
  // line: a screen reader hears the prompt and then the answer to a line
  // once each, never the console's old lines again.
  #since = '';
  #line = '';

  // `returnFocus`: where the keys go again once a dialogue is answered;
  // `say`: speaks to a screen reader.
  constructor({ view, entry, state, returnFocus, say }) {
    this.#say = say;
    this.#view = view;
    this.#entry = entry;
    this.#state = state;
    this.#returnFocus = returnFocus;
    this.#idleState = state.textContent;
    this.#idlePlaceholder = entry.placeholder;
    entry.addEventListener('keydown', (e) => this.#onKey(e));
    entry.addEventListener('paste', (e) => this.#onPaste(e));
  }

  // ---- standard output and error

  output(fd, byte) {
    const last = this.#pending[this.#pending.length - 1];
    if (last && last.fd === fd) last.bytes.push(byte);
    else this.#pending.push({ fd, bytes: [byte] });
    if (!this.#flushQueued) {
      this.#flushQueued = true;
      queueMicrotask(() => this.#flush());
    }
  }

  #flush() {
    this.#flushQueued = false;
    let text = '';
    for (const { fd, bytes } of this.#pending) {
      text += this.#decoders[fd].decode(new Uint8Array(bytes), { stream: true });
    }
    this.#pending = [];
    if (text) this.#append(document.createTextNode(text));
    this.#since += text;
  }

  // The view follows the newest text once per frame, however much arrives.
  #append(node) {
    this.#view.appendChild(node);
    if (this.#scrollQueued) return;
    this.#scrollQueued = true;
    requestAnimationFrame(() => {
      this.#scrollQueued = false;
      this.#view.scrollTop = this.#view.scrollHeight;
    });
  }

  // ---- standard input

  send(line) {
    // What the program wrote so far comes first, as on a terminal.
    this.#flush();
    const echo = document.createElement('span');
    echo.className = 'echo';
    echo.textContent = `${line}\n`;
    this.#line = line;
    this.#since = '';
    this.#append(echo);
    this.#typed.push(encoder.encode(`${line}\n`));
    if (this.#wake) {
      const wake = this.#wake;
      this.#wake = null;
      wake();
    } else {
      this.#entry.placeholder = this.#idlePlaceholder;
    }
  }

  // Copies up to `size` waiting bytes to `address` in `heap`; the count.
  takeInput(heap, address, size) {
    let count = 0;
    while (this.#typed.length && count < size) {
      const chunk = this.#typed[0];
      const n = Math.min(chunk.length, size - count);
      heap.set(chunk.subarray(0, n), address + count);
      count += n;
      if (n === chunk.length) this.#typed.shift();
      else this.#typed[0] = chunk.subarray(n);
    }
    return count;
  }

  // Settles once a line is there for the dialogue, showing meanwhile that
  // the program waits for one.
  waitForInput() {
    if (this.#typed.length) return Promise.resolve();
    this.#flush();
    const prompt = this.#since.replace(/\s+/g, ' ').trim();
    this.#since = '';
    this.#setWaiting(true, prompt);
    return new Promise((resolve) => {
      this.#wake = () => {
        this.#setWaiting(false);
        resolve();
      };
    });
  }

  // A dialogue begins: what the program writes from here is its prompt.
  mark() {
    this.#flush();
    this.#since = '';
  }

  // The line last sent and what the program answered to it since.
  answer() {
    this.#flush();
    return { line: this.#line, reply: this.#since.replace(/\s+/g, ' ').trim() };
  }

  // While waiting, the entry field's name is the program's prompt, so that
  // the focus arriving there says it first and once; it has no description
  // meanwhile, as a screen reader says a description that changes under the
  // focus again. Both come back once the focus has left (dialogueDone).
  #setWaiting(waiting, prompt = '') {
    const entry = this.#entry;
    entry.classList.toggle('waiting', waiting);
    document.body.classList.toggle('waiting', waiting);
    entry.placeholder = waiting ? '' : this.#idlePlaceholder;
    this.#state.textContent = waiting ? 'The program waits for a value.' : this.#idleState;
    if (waiting) {
      entry.setAttribute('aria-label', prompt || 'The program waits for a value');
      entry.removeAttribute('aria-describedby');
    }
    if (waiting && document.activeElement === entry) this.#say(prompt);
    else if (waiting) {
      this.#tookFocus = true;
      entry.focus();
      entry.scrollIntoView({ block: 'nearest' });
    }
  }

  // The program has nothing left to run (a key's handler has returned):
  // after a dialogue the keys belong to the window again, unless the user
  // has gone on typing into the entry field.
  dialogueDone() {
    if (this.#tookFocus && document.activeElement === this.#entry && this.#entry.value === '') {
      this.#returnFocus();
    }
    this.#tookFocus = false;
    if (!this.#wake) {
      this.#entry.setAttribute('aria-label', 'Console input');
      this.#entry.setAttribute('aria-describedby', this.#state.id);
    }
  }

  // The program has ended: nothing more can be typed.
  end() {
    this.#wake = null;
    this.#entry.disabled = true;
    this.#entry.classList.remove('waiting');
    document.body.classList.remove('waiting');
    this.#entry.placeholder = 'The editor has stopped';
    this.#state.textContent = 'The editor has stopped.';
  }

  #onKey(e) {
    if (e.key !== 'Enter' || e.isComposing) return;
    e.preventDefault();
    if (e.repeat) return;
    const line = this.#entry.value;
    this.#entry.value = '';
    this.send(line);
  }

  // Pasted text with line breaks is typed line by line, as into a terminal,
  // and what follows the last break stays in the field. No paste puts more
  // into the field than its length limit allows: an integer never needs more,
  // and a huge paste would freeze the page.
  #onPaste(e) {
    const entry = this.#entry;
    let text = e.clipboardData ? e.clipboardData.getData('text/plain') : '';
    const room = entry.maxLength - entry.value.length + (entry.selectionEnd - entry.selectionStart);
    if (!/[\r\n]/.test(text) && text.length <= room) return;
    e.preventDefault();
    text = text.slice(0, Math.max(room, 0));
    const before = entry.value.slice(0, entry.selectionStart);
    const after = entry.value.slice(entry.selectionEnd);
    const lines = (before + text).split(/\r\n|\r|\n/);
    const rest = lines.pop();
    entry.value = rest + after;
    entry.setSelectionRange(rest.length, rest.length);
    for (const line of lines) this.send(line);
  }
}
