#include "app/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/input.h"
#include "app/options.h"
#include "console_texts.h"
#include "editor_fixture.h"
#include "gl_fake.h"
#include "render/frame.h"

namespace {

using glfake::ShownLog;

class Window : public EditorTest {};

TEST_F(Window, HelpTextIsTheThirteenLinesByteForByte) {
  testing::internal::CaptureStdout();
  PrintHelp();
  const std::string text = testing::internal::GetCapturedStdout();
  EXPECT_EQ(text, texts::Help);
}

// Where the first call of `name` stands in the log; past its end if nowhere.
std::size_t PositionOf(const std::string& name) {
  const std::vector<std::string> names = glfake::Names();
  return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

TEST_F(Window, InitWindowPreparesTheToolkitInTheOrderItNeeds) {
  char prog[] = "bezier";
  char opt[] = "-display";
  char val[] = ":9";
  char* argv[] = {prog, opt, val, nullptr};
  InitWindow(3, argv);

  // The error hook must be in place before glutInit looks for the display,
  // and the size before the window exists; callbacks and the menu belong to
  // the current window, so they can only follow it.
  EXPECT_LT(PositionOf("glutInitErrorFunc"), PositionOf("glutInit"));
  EXPECT_LT(PositionOf("glutInitWindowSize"), PositionOf("glutCreateWindow"));
  EXPECT_LT(PositionOf("glutInit"), PositionOf("glutCreateWindow"));
  for (const char* call : {"glutDisplayFunc", "glutReshapeFunc", "glutMouseFunc", "glutPassiveMotionFunc",
                           "glutMotionFunc", "glutKeyboardFunc", "glutCreateMenu", "glutAttachMenu"}) {
    EXPECT_LT(PositionOf("glutCreateWindow"), PositionOf(call)) << call;
  }
  EXPECT_LT(PositionOf("glutAddMenuEntry"), PositionOf("glutAttachMenu"));

  // The menu lists its entries top down, Bezier selected, on the right button.
  std::vector<std::string> menu;
  for (const std::string& call : ShownLog()) {
    if (call.rfind("glutAddMenuEntry", 0) == 0 || call.rfind("glutAttachMenu", 0) == 0) menu.push_back(call);
  }
  EXPECT_EQ(menu, (std::vector<std::string>{"glutAddMenuEntry(0)\"   Clear All\"", "glutAddMenuEntry(1)\"o Bezier\"",
                                            "glutAddMenuEntry(2)\"   Cubic B-Spline\"", "glutAttachMenu(2)"}));

  const glfake::Callbacks& cb = glfake::Registered();
  EXPECT_EQ(cb.display, &OnDisplay);
  EXPECT_EQ(cb.reshape, &OnReshape);
  EXPECT_EQ(cb.mouse, &OnMouse);
  EXPECT_EQ(cb.motion, &OnMotion);
  EXPECT_EQ(cb.passiveMotion, &OnMotion);
  EXPECT_EQ(cb.keyboard, &OnKeyboard);
  EXPECT_EQ(cb.menu, &OnMenu);
  EXPECT_EQ(cb.error, &OnToolkitError);
}

// Hands a format and its arguments to the error handler as the toolkit does.
void RaiseToolkitError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  OnToolkitError(format, args);
}

TEST_F(Window, ToolkitErrorsAreOneLineNamingTheProgramThenStatus1) {
  struct Case {
    const char* what;
    void (*raise)();
    const char* line;  // a regular expression for the whole of standard error
  };
  const Case cases[] = {
      {"display named", [] { RaiseToolkitError("failed to open display '%s'", ":7"); },
       "^bezier: cannot open display ':7' \\(set DISPLAY or use -display NAME\\)\n$"},
      {"no display set", [] { RaiseToolkitError("failed to open display '%s'", ""); },
       "^bezier: cannot open display '' \\(set DISPLAY or use -display NAME\\)\n$"},
      {"other error", [] { RaiseToolkitError("Unable to create OpenGL %d.%d context", 3, 2); },
       "^bezier: Unable to create OpenGL 3.2 context\n$"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(c.raise(), testing::ExitedWithCode(1), c.line) << c.what;
  }
}

// Runs the option check on `args` (after the program name) and returns
// whether it answered, with what it wrote.
std::pair<bool, std::string> Answer(std::vector<std::string> args) {
  std::vector<char*> argv{const_cast<char*>("bezier")};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  const bool answered = AnswerOwnOptions(static_cast<int>(argv.size()) - 1, argv.data(), out);
  std::string text;
  std::rewind(out);
  for (int c = std::getc(out); c != EOF; c = std::getc(out)) text.push_back(static_cast<char>(c));
  std::fclose(out);
  return {answered, text};
}

TEST(Options, HelpAndVersionAreAnsweredAndEverythingElseGoesToTheToolkit) {
  const std::string version = std::string("bezier ") + BEZIER_EXPECTED_VERSION + "\n";
  struct Case {
    std::vector<std::string> args;
    const char* answer;  // "version", "usage" or "" (not answered)
  };
  const Case cases[] = {
      {{"--version"}, "version"},
      {{"-display", ":1", "--version"}, "version"},
      {{"--help"}, "usage"},
      {{"-h"}, "usage"},
      {{"--version", "--help"}, "usage"},
      {{}, ""},
      {{"-display", ":1", "-geometry", "+10+10"}, ""},
      {{"--helpme", "-version", "-H"}, ""},
  };
  for (const Case& c : cases) {
    const auto [answered, text] = Answer(c.args);
    const std::string want = c.answer;
    EXPECT_EQ(answered, !want.empty()) << testing::PrintToString(c.args);
    if (want == "version") {
      EXPECT_EQ(text, version);
    } else if (want == "usage") {
      EXPECT_EQ(text.rfind("Usage: bezier", 0), 0u) << text;
      // The numbers come from the program's constants, each in its place.
      for (const char* part : {"-display NAME", "-geometry", "Shift + left", "middle drag", "console",
                               "stays 500 x 500 pixels", "(within 50 pixels)", "(1 to 499; default 5)",
                               "(1 to 499; default 25)", "Closing the window quits."}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
      }
    } else {
      EXPECT_EQ(text, "");
    }
  }
}

TEST_F(Window, ReshapeUndoesTheResizeAndPinsOneUnitToOnePixel) {
  OnReshape(800, 300);
  EXPECT_EQ(ShownLog(), (std::vector<std::string>{
                            "glutReshapeWindow(500,500)",
                            "glViewport(0,0,500,500)",
                            "glMatrixMode(5889)",  // GL_PROJECTION
                            "glLoadIdentity()",
                            "glOrtho(0,500,0,500,1,-1)",
                            "glMatrixMode(5888)",  // GL_MODELVIEW
                            "glLoadIdentity()",
                            "glFlush()",
                        }));
}

}  // namespace
