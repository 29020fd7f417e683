// On-screen keys, for touch screens and anyone without a keyboard, a right
// or a middle button: latching Shift (for the next click or tap on the
// canvas) and Move (the middle button, for the next drag there), the
// program's three keys delivered exactly as the keyboard delivers them, and
// a button that opens the menu beside it (and closes it again).
import { characterOf } from './toolkit.js';

export function connectControls({ keys, latchKeys, menuKey, policy, canvas, say }) {
  const input = (action, fields) => policy.handle({ device: 'control', action, modifiers: 0, ...fields });
  // A screen reader that takes the canvas for a document of its own says
  // nothing when the focus leaves it for a key: the page says the key.
  for (const button of [...Object.values(latchKeys), ...keys, menuKey]) {
    button.addEventListener('focus', (e) => {
      if (e.relatedTarget !== canvas) return;
      const pressed = button.getAttribute('aria-pressed');
      say(`${button.textContent} button${pressed ? (pressed === 'true' ? ', latched' : ', not latched') : ''}` +
          (button.title ? `: ${button.title}` : ''));
    });
  }
  for (const [latch, button] of Object.entries(latchKeys)) {
    button.addEventListener('click', () => input('latch', { latch }));
  }
  for (const button of keys) {
    const code = characterOf({ key: button.dataset.key });
    button.addEventListener('click', () => input('key', { code }));
  }
  menuKey.addEventListener('click', (e) => {
    const box = menuKey.getBoundingClientRect();
    // From the keyboard (no pointer position: detail 0) the first entry takes
    // the focus, as for Shift+F10 on the canvas.
    input('menu', {
      page: { x: window.scrollX + box.left - 4, y: window.scrollY + box.bottom - 2 },
      toggle: true, focusFirst: e.detail === 0, opener: menuKey,
    });
  });
}
