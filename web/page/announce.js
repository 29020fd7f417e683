// Says what an action made with the keyboard, a touch or an on-screen control
// delivered, in a polite live region of its own: the console, a live region
// too, carries the program's dialogues.
export function announcer(region) {
  let timer = 0;
  return (text) => {
    // Emptied first, so that the same words said twice are heard twice.
    region.textContent = '';
    clearTimeout(timer);
    timer = setTimeout(() => { region.textContent = text; }, 50);
  };
}
