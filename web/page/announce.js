// Says what an action made with the keyboard, a touch or an on-screen control
// delivered, in a polite live region of its own. Something said while the
// last words still wait is said with them (a point dropped as the focus
// leaves the canvas, then where the focus lands), except where the cursor
// rests: that is stale once anything else is said.
export function announcer(region) {
  let timer = 0;
  let waiting = null;  // { text, after } not yet in the region
  // `after`: said only once that many milliseconds pass with nothing else
  // said (where the cursor rests, not every step of a held arrow).
  return (text, after = 0) => {
    clearTimeout(timer);
    if (waiting && !waiting.after && !after) text = `${waiting.text}. ${text}`;
    waiting = { text, after };
    timer = setTimeout(() => {
      // Emptied first, so that the same words said twice are heard twice.
      region.textContent = '';
      timer = setTimeout(() => {
        region.textContent = text;
        waiting = null;
      }, 50);
    }, after);
  };
}
