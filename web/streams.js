// Standard output and standard error of the browser edition: every byte the
// program writes goes to the page as it is written (the runtime's default
// would hold text back until a newline, and the dialogue's prompt has none).
// Standard input is never read through the runtime: the console dialogue has
// a stream of its own that waits for lines typed on the page. Without a file
// system the runtime writes through SYSCALLS.printChar; with one, through
// its terminal device. Either is redirected.
Module['preRun'] = [].concat(Module['preRun'] || [], function () {
  function passOn(fd) {
    return {
      put_char: function (tty, value) {
        if (value !== null) Module.page.output(fd, value);
      },
      flush: function () {},
      get_char: function () { return null; },
    };
  }
  if (typeof TTY !== 'undefined') {
    Object.assign(TTY.default_tty_ops, passOn(1));
    Object.assign(TTY.default_tty1_ops, passOn(2));
  }
  if (typeof SYSCALLS !== 'undefined' && SYSCALLS.printChar) {
    var printChar = SYSCALLS.printChar;
    SYSCALLS.printChar = function (stream, value) {
      if (stream === 1 || stream === 2) Module.page.output(stream, value);
      else printChar(stream, value);
    };
  }
});
