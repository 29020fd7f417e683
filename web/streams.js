// Standard output and standard error of the browser edition: every byte the
// program writes goes to the page as it is written (the runtime's default
// would hold text back until a newline, and the dialogue's prompt has none).
// Standard input is never read through the runtime: the console dialogue has
// a stream of its own that waits for lines typed on the page. The site is
// built without a file system, so the runtime writes through
// SYSCALLS.printChar, which is redirected here.
Module['preRun'] = [].concat(Module['preRun'] || [], function () {
  var printChar = SYSCALLS.printChar;
  SYSCALLS.printChar = function (stream, value) {
    if (stream === 1 || stream === 2) Module.page.output(stream, value);
    else printChar(stream, value);
  };
});
