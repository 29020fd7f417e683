// Standard input for the page's console dialogue. The page keeps what is
// typed in its entry field, each line with its newline, like a terminal's
// type-ahead; a read takes what is there, and when nothing is, it waits for
// the next line without freezing the browser: the call stack is unwound to
// the page and resumed once a line arrives (Asyncify).
#ifndef _GNU_SOURCE
#define _GNU_SOURCE 1  // fopencookie
#endif
#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>
#include <sys/types.h>

#include <cstdio>

#include "web/page.h"

// Copies up to `size` waiting bytes into `buffer`; 0 when none wait.
EM_JS(int, PageTakeInput, (char* buffer, int size), { return Module.page.takeInput(buffer, size); });

// Returns once the page has input for the dialogue, showing meanwhile that
// the program waits for a line.
EM_ASYNC_JS(void, PageWaitForInput, (), { await Module.page.waitForInput(); });

namespace {

ssize_t ReadTyped(void* /*cookie*/, char* buffer, size_t size) {
  const int room = size > 65536 ? 65536 : static_cast<int>(size);
  for (;;) {
    const int got = PageTakeInput(buffer, room);
    if (got > 0) return got;
    PageWaitForInput();
  }
}

}  // namespace

std::FILE* PageInput() {
  static std::FILE* const input = [] {
    cookie_io_functions_t functions{};
    functions.read = ReadTyped;
    return fopencookie(nullptr, "r", functions);
  }();
  return input;
}
