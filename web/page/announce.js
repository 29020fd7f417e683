// Says what an action made with the keyboard, a touch or an on-screen control
// delivered, in a polite live region of its own: the console, a live region
// too, carries the program's dialogues. Anything said makes what waits to be
// said stale.
export function announcer(region) {
  let timer = 0;
  // `after`: said only once that many milliseconds pass with nothing else
  // said (where the cursor rests, not every step of a held arrow).
  return (text, after = 0) => {
    clearTimeout(timer);
    timer = setTimeout(() => {
      // Emptied first, so that the same words said twice are heard twice.
      region.textContent = '';
      timer = setTimeout(() => { region.textContent = text; }, 50);
    }, after);
  };
}
