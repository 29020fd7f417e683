#include "app/input.h"

#include <GL/freeglut_std.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/dialogue.h"
#include "console_texts.h"
#include "editor_fixture.h"
#include "gl_fake.h"
#include "points/editor_state.h"
#include "points/point_list.h"

// Found by argument lookup, so they live beside Point in the global namespace.
static bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
[[maybe_unused]] static void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x << "," << p.y << ")"; }

namespace {

using glfake::ShownLog;

constexpr int Left = GLUT_LEFT_BUTTON, Middle = GLUT_MIDDLE_BUTTON, Right = GLUT_RIGHT_BUTTON;
constexpr int Down = GLUT_DOWN, Up = GLUT_UP;

// Makes `text` the whole of standard input, with a fresh stream buffer.
void FeedStdin(const std::string& text) {
  char path[] = "/tmp/input_test_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_NE(fd, -1);
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  ASSERT_NE(std::freopen(path, "r", stdin), nullptr);
  unlink(path);
}

std::vector<Point> Points() {
  return {editorState.points.items.get(), editorState.points.items.get() + editorState.points.count};
}


void Click(int x, int y, bool shift = false) {
  glfake::SetModifiers(shift ? GLUT_ACTIVE_SHIFT : 0);
  OnMouse(Left, Down, x, y);
  OnMouse(Left, Up, x, y);
  glfake::SetModifiers(0);
}

class Input : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    FeedStdin("");
  }

  // Runs one key; returns what it printed.
  static std::string Key(unsigned char key) {
    testing::internal::CaptureStdout();
    OnKeyboard(key, 0, 0);
    return testing::internal::GetCapturedStdout();
  }
};

TEST_F(Input, EveryHandlerEndsWithExactlyOneRedisplay) {
  const std::vector<std::pair<const char*, std::function<void()>>> actions = {
      {"left press", [] { OnMouse(Left, Down, 10, 10); }},
      {"left release", [] { OnMouse(Left, Up, 10, 10); }},
      {"middle press", [] { OnMouse(Middle, Down, 10, 10); }},
      {"middle release", [] { OnMouse(Middle, Up, 10, 10); }},
      {"right press", [] { OnMouse(Right, Down, 10, 10); }},
      {"wheel", [] { OnMouse(3, Down, 10, 10); }},
      {"motion", [] { OnMotion(20, 20); }},
      {"key c", [] { Key('c'); }},
      {"key n", [] { Key('n'); }},
      {"key t", [] { Key('t'); }},
      {"key C", [] { Key('C'); }},
      {"menu 0", [] { OnMenu(0); }},
      {"menu 1", [] { OnMenu(1); }},
      {"menu 2", [] { OnMenu(2); }},
  };
  for (const auto& [name, action] : actions) {
    AddPoint(10, 490);
    glfake::Reset();
    action();
    ASSERT_FALSE(glfake::Names().empty()) << name;
    EXPECT_EQ(glfake::Names().back(), "glutPostRedisplay") << name;
    EXPECT_EQ(glfake::Count("glutPostRedisplay"), 1u) << name;
  }
}

TEST_F(Input, LeftReleasePlacesOrDeletesOnlyAfterAPressInTheWindow) {
  // A left click that chose a menu entry reaches the window as a release alone.
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> events;  // (button, state)
    std::size_t points;
    bool shift = false;
    int height = 500;  // a window manager may impose another height
    int above = 0;     // pixels the events are above the point
  };
  const Case cases[] = {
      {"release only", {{Left, Up}}, 1},
      {"press, release", {{Left, Down}, {Left, Up}}, 2},
      {"second release", {{Left, Down}, {Left, Up}, {Left, Up}}, 2},
      {"right press, left release", {{Right, Down}, {Left, Up}}, 1},
      {"middle press, left release", {{Middle, Down}, {Middle, Up}, {Left, Up}}, 1},
      {"two clicks", {{Left, Down}, {Left, Up}, {Left, Down}, {Left, Up}}, 3},
      {"shift release only deletes nothing", {{Left, Up}}, 1, true},
      // The pick radius (exclusive) counted from the pointer in a taller window too.
      {"shift click 49 above", {{Left, Down}, {Left, Up}}, 0, true, 980, 49},
      {"shift click 50 above", {{Left, Down}, {Left, Up}}, 1, true, 980, 50},
      {"shift click 50 above in a window one taller", {{Left, Down}, {Left, Up}}, 1, true, 501, 50},
  };
  for (const Case& c : cases) {
    ResetEditor();
    // Under the events: window (400, height - 100) is point (400, 100).
    AddPoint(400, 100);
    glfake::SetWindowHeight(c.height);
    glfake::SetModifiers(c.shift ? GLUT_ACTIVE_SHIFT : 0);
    for (const auto& [button, state] : c.events) OnMouse(button, state, 400, c.height - 100 - c.above);
    EXPECT_EQ(Points().size(), c.points) << c.name;
  }
}

TEST_F(Input, MiddleDragMovesThePointUntilRelease) {
  // The drawing sits in the bottom-left 500 x 500 of whatever window a window
  // manager imposes: the same drawing positions are `below` lower there.
  for (const int height : {500, 980}) {
    ResetEditor();
    glfake::SetWindowHeight(height);
    const int below = height - 500;
    Click(100, 100 + below);  // (100, 400)
    // A press on empty space drags nothing.
    OnMouse(Middle, Down, 300, 300 + below);
    EXPECT_FALSE(editorState.dragging);
    EXPECT_EQ(editorState.dragIndex, -1);
    OnMotion(120, 120 + below);
    OnMouse(Middle, Up, 120, 120 + below);
    EXPECT_EQ(Points(), (std::vector<Point>{{100, 400}})) << height;
    Click(300, 300 + below);  // (300, 200)
    OnMouse(Middle, Down, 310, 290 + below);
    EXPECT_TRUE(editorState.dragging) << height;
    EXPECT_EQ(editorState.dragIndex, 1);
    OnMotion(200, 150 + below);
    OnMotion(250, 50 + below);
    EXPECT_EQ(Points(), (std::vector<Point>{{100, 400}, {250, 450}})) << height;
    OnMouse(Middle, Up, 250, 50 + below);
    EXPECT_FALSE(editorState.dragging);
    OnMotion(10, 10 + below);
    EXPECT_EQ(Points(), (std::vector<Point>{{100, 400}, {250, 450}})) << height;
    // The first point, at index 0, drags like any other.
    OnMouse(Middle, Down, 100, 100 + below);
    OnMotion(20, 30 + below);
    EXPECT_EQ(Points(), (std::vector<Point>{{20, 470}, {250, 450}})) << height;
  }
}

TEST_F(Input, DragEndsWhenItsPointNoLongerExists) {
  const std::vector<std::tuple<const char*, std::function<void()>, std::size_t>> removals = {
      {"shift delete of the dragged last point", [] { Click(400, 400, true); }, 2},
      {"key c", [] { Key('c'); }, 0},
      {"menu clear", [] { OnMenu(0); }, 0},
  };
  for (const auto& [name, remove, left] : removals) {
    ResetEditor();
    Click(50, 50);
    Click(200, 200);
    Click(400, 400);
    OnMouse(Middle, Down, 400, 400);
    ASSERT_TRUE(editorState.dragging) << name;
    remove();
    const std::vector<Point> before = Points();
    EXPECT_EQ(before.size(), left) << name;
    OnMotion(250, 250);
    EXPECT_FALSE(editorState.dragging) << name;
    EXPECT_EQ(Points(), before) << name;
    // New points at that index are not picked up by the ended drag.
    for (int i = 0; i < 3; ++i) Click(10 * i, 10 * i);
    OnMotion(480, 480);
    const std::vector<Point> after = Points();
    EXPECT_EQ(std::count(after.begin(), after.end(), Point{480, 20}), 0) << name;
  }
}

TEST_F(Input, MenuRelabelsKindEntriesAndSwitchesKind) {
  struct Case {
    CurveKind from;
    int value;
    std::vector<std::string> calls;
    CurveKind to;
  };
  const std::vector<std::string> toBezier = {"glutChangeToMenuEntry(2,1)\"o Bezier\"",
                                             "glutChangeToMenuEntry(3,2)\"   Cubic B-Spline\"", "glutPostRedisplay()"};
  const std::vector<std::string> toBSpline = {"glutChangeToMenuEntry(2,1)\"   Bezier\"",
                                              "glutChangeToMenuEntry(3,2)\"o Cubic B-Spline\"", "glutPostRedisplay()"};
  const Case cases[] = {
      {CurveKind::Bezier, 2, toBSpline, CurveKind::BSpline},
      {CurveKind::BSpline, 1, toBezier, CurveKind::Bezier},
      {CurveKind::Bezier, 1, toBezier, CurveKind::Bezier},
      {CurveKind::BSpline, 2, toBSpline, CurveKind::BSpline},
      {CurveKind::BSpline, 0, {"glutPostRedisplay()"}, CurveKind::BSpline},
  };
  for (const Case& c : cases) {
    ResetEditor();
    editorState.curveKind = c.from;
    Click(100, 100);
    glfake::Reset();
    OnMenu(c.value);
    EXPECT_EQ(ShownLog(), c.calls) << c.value;
    EXPECT_EQ(editorState.curveKind, c.to) << c.value;
    EXPECT_EQ(Points().size(), c.value == 0 ? 0u : 1u) << c.value;
  }
}

// A prompt with the value it shows in place of its %d.
std::string WithValue(std::string prompt, int shown) {
  return prompt.replace(prompt.find("%d"), 2, std::to_string(shown));
}
std::string StepsPrompt(int shown) { return WithValue(texts::StepsPrompt, shown); }
std::string TolerancePrompt(int shown) { return WithValue(texts::TolerancePrompt, shown); }
const std::string Range = texts::OutOfRange;
const std::string Invalid = texts::NotANumber;

TEST_F(Input, DialoguesPrintAndStoreAsEntered) {
  struct Step {
    unsigned char key;
    std::string printed;
  };
  struct Case {
    const char* input;  // all the dialogues' standard input
    std::vector<Step> steps;
    int bsplineSteps, toleranceSquared;
  };
  const std::string S = StepsPrompt(25), T = TolerancePrompt(5);
  const Case cases[] = {
      {"30\n", {{'n', S}}, 30, 25},
      {"0\n", {{'n', S + Range}}, 25, 25},
      {"abc\n", {{'n', S + Invalid}}, 25, 25},
      {"1\n", {{'t', T}}, 25, 1},
      {"499\n", {{'t', T}}, 25, 249001},
      {"500\n", {{'t', T + Range}}, 25, 25},
      {"x\n", {{'t', T + Invalid}}, 25, 25},
      // Several dialogues read on where the last one stopped.
      {"20\n", {{'t', T}, {'t', TolerancePrompt(20) + Invalid}}, 25, 400},
      {"abc\n42\n", {{'n', S + Invalid}, {'n', S}}, 42, 25},
      {"12 34\n", {{'n', S}, {'n', StepsPrompt(12)}}, 34, 25},
      {"", {{'n', S + Invalid}, {'t', T + Invalid}, {'n', S + Invalid}}, 25, 25},
      {"7", {{'n', S}, {'t', T + Invalid}}, 7, 25},
      // Text after a number fails the next dialogue, not the one that read it.
      {"30 abc def\n0\n7",
       {{'n', S}, {'n', StepsPrompt(30) + Invalid}, {'n', StepsPrompt(30) + Range}, {'n', StepsPrompt(30)},
        {'n', StepsPrompt(7) + Invalid}},
       7, 25},
  };
  for (const Case& c : cases) {
    ResetEditor();
    FeedStdin(c.input);
    for (const Step& s : c.steps) EXPECT_EQ(Key(s.key), s.printed) << s.key << " on " << c.input;
    EXPECT_EQ(editorState.bsplineSteps, c.bsplineSteps) << c.input;
    EXPECT_EQ(editorState.toleranceSquared, c.toleranceSquared) << c.input;
  }
}

TEST_F(Input, PromptIsOnTheConsoleBeforeTheReadWaits) {
  // Standard output goes to a file; the entry comes from a stream that, at
  // the moment it is first read, notes what that file already holds.
  static int console;
  static std::string seen;
  std::fflush(stdout);
  const int savedOut = dup(STDOUT_FILENO);
  std::FILE* file = std::tmpfile();
  console = fileno(file);
  dup2(console, STDOUT_FILENO);
  cookie_io_functions_t io{};
  io.read = [](void*, char* buf, std::size_t) -> ssize_t {
    char text[256];
    seen.assign(text, static_cast<std::size_t>(std::max<ssize_t>(0, pread(console, text, sizeof text, 0))));
    std::memcpy(buf, "77\n", 3);
    return 3;
  };
  std::FILE* entry = fopencookie(nullptr, "r", io);
  SetDialogueInput(entry);
  OnKeyboard('n', 0, 0);
  SetDialogueInput(nullptr);
  std::fclose(entry);
  std::fflush(stdout);
  dup2(savedOut, STDOUT_FILENO);
  close(savedOut);
  std::fclose(file);
  EXPECT_EQ(seen, StepsPrompt(25));
  EXPECT_EQ(editorState.bsplineSteps, 77);
}

}  // namespace
