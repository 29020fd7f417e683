#include "app/input.h"

#include <GL/freeglut_std.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "call_text.h"
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

  // Runs one key with `input` on standard input; returns what it printed.
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
      {"key q", [] { Key('q'); }},
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

TEST_F(Input, LeftReleasePlacesPointWithYFlipped) {
  const int cases[][4] = {{100, 100, 100, 400}, {0, 0, 0, 500}, {0, 500, 0, 0}, {499, 1, 499, 499}, {250, 250, 250, 250}};
  std::vector<Point> expected;
  for (const auto& c : cases) {
    Click(c[0], c[1]);
    expected.push_back(Point{c[2], c[3]});
  }
  EXPECT_EQ(Points(), expected);
}

TEST_F(Input, ShiftReleaseDeletesOnlyStrictlyWithinFiftyPixels) {
  struct Case {
    int dx, dy;
    bool deleted;
  };
  const Case cases[] = {{0, 0, true},   {49, 0, true},   {50, 0, false}, {0, 49, true},  {0, -50, false},
                        {-49, 0, true}, {30, 40, false}, {29, 40, true}, {35, 35, true}, {36, 36, false}};
  for (const Case& c : cases) {
    ResetEditor();
    Click(200, 300);  // the point (200, 200)
    Click(200 + c.dx, 300 + c.dy, true);
    EXPECT_EQ(Points().empty(), c.deleted) << c.dx << "," << c.dy;
  }
}

TEST_F(Input, ReleaseWithoutPressInTheWindowPlacesNothing) {
  // A left click that chose a menu entry reaches the window as a release alone.
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> events;  // (button, state)
    std::size_t points;
  };
  const Case cases[] = {
      {"release only", {{Left, Up}}, 0},
      {"press, release", {{Left, Down}, {Left, Up}}, 1},
      {"second release", {{Left, Down}, {Left, Up}, {Left, Up}}, 1},
      {"right press, left release", {{Right, Down}, {Left, Up}}, 0},
      {"middle press, left release", {{Middle, Down}, {Middle, Up}, {Left, Up}}, 0},
      {"two clicks", {{Left, Down}, {Left, Up}, {Left, Down}, {Left, Up}}, 2},
  };
  for (const Case& c : cases) {
    ResetEditor();
    for (const auto& [button, state] : c.events) OnMouse(button, state, 400, 400);
    EXPECT_EQ(Points().size(), c.points) << c.name;
  }
}

TEST_F(Input, ShiftReleaseWithoutPressDeletesNothing) {
  Click(100, 100);
  glfake::SetModifiers(GLUT_ACTIVE_SHIFT);
  OnMouse(Left, Up, 100, 100);
  EXPECT_EQ(Points().size(), 1u);
}

TEST_F(Input, MiddleDragMovesThePointUntilRelease) {
  Click(100, 100);  // (100, 400)
  // A press on empty space drags nothing.
  OnMouse(Middle, Down, 300, 300);
  EXPECT_FALSE(editorState.dragging);
  EXPECT_EQ(editorState.dragIndex, -1);
  OnMotion(120, 120);
  OnMouse(Middle, Up, 120, 120);
  EXPECT_EQ(Points(), (std::vector<Point>{{100, 400}}));
  Click(300, 300);  // (300, 200)
  OnMouse(Middle, Down, 310, 290);
  EXPECT_TRUE(editorState.dragging);
  EXPECT_EQ(editorState.dragIndex, 1);
  OnMotion(200, 150);
  OnMotion(250, 50);
  EXPECT_EQ(Points(), (std::vector<Point>{{100, 400}, {250, 450}}));
  OnMouse(Middle, Up, 250, 50);
  EXPECT_FALSE(editorState.dragging);
  OnMotion(10, 10);
  EXPECT_EQ(Points(), (std::vector<Point>{{100, 400}, {250, 450}}));
}

TEST_F(Input, DragFollowsItsIndexWhenAnEarlierPointIsDeleted) {
  Click(50, 50);    // (50, 450)
  Click(200, 200);  // (200, 300), dragged
  Click(400, 400);  // (400, 100)
  OnMouse(Middle, Down, 200, 200);
  Click(50, 50, true);
  OnMotion(10, 490);
  EXPECT_EQ(Points(), (std::vector<Point>{{200, 300}, {10, 10}}));
}

TEST_F(Input, DragEndsWhenItsPointNoLongerExists) {
  const std::vector<std::pair<const char*, std::function<void()>>> removals = {
      {"shift delete of the dragged last point", [] { Click(400, 400, true); }},
      {"key c", [] { Key('c'); }},
      {"menu clear", [] { OnMenu(0); }},
  };
  for (const auto& [name, remove] : removals) {
    ResetEditor();
    Click(50, 50);
    Click(200, 200);
    Click(400, 400);
    OnMouse(Middle, Down, 400, 400);
    ASSERT_TRUE(editorState.dragging) << name;
    remove();
    const std::vector<Point> before = Points();
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

TEST_F(Input, KeyAndMenuClearLeaveTheSameEmptyList) {
  for (const std::function<void()>& clear : std::vector<std::function<void()>>{[] { Key('c'); }, [] { OnMenu(0); }}) {
    for (int i = 0; i < 5; ++i) Click(10 * i, 20 * i);
    clear();
    EXPECT_EQ(editorState.points.count, 0);
    EXPECT_EQ(editorState.points.capacity, 0);
    EXPECT_EQ(editorState.points.items, nullptr);
  }
}

TEST_F(Input, OtherKeysOnlyRedraw) {
  FeedStdin("9\n");
  Click(100, 100);
  for (int key : std::vector<int>{'C', 'N', 'T', 'x', ' ', '\r', 0xE9}) {
    glfake::Reset();
    EXPECT_EQ(Key(static_cast<unsigned char>(key)), "") << key;
    EXPECT_EQ(glfake::Names(), std::vector<std::string>{"glutPostRedisplay"}) << key;
  }
  EXPECT_EQ(Points().size(), 1u);
  EXPECT_EQ(editorState.bsplineSteps, 25);
  EXPECT_EQ(editorState.toleranceSquared, 25);
  // Nothing was read: the entry is still there for the real dialogue.
  Key('n');
  EXPECT_EQ(editorState.bsplineSteps, 9);
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

const char* const StepsLine = "Current value for number of steps for B-spline: 25\nNew value :";
const char* const ToleranceLine = "Current value for deCasteljau Tolerance : 5\nNew value :";
const char* const Range = "Invalid entry:  Must fall between 1 and 500\n";
const char* const Invalid = "Invalid entry.\n";

TEST_F(Input, DialoguesPrintAndStoreAsEntered) {
  struct Case {
    unsigned char key;
    const char* input;
    std::string printed;
    int steps, toleranceSquared;
  };
  const std::string S = StepsLine, T = ToleranceLine;
  const Case cases[] = {
      {'n', "30\n", S, 30, 25},
      {'n', "1\n", S, 1, 25},
      {'n', "499\n", S, 499, 25},
      {'n', "0\n", S + Range, 25, 25},
      {'n', "500\n", S + Range, 25, 25},
      {'n', "-7\n", S + Range, 25, 25},
      {'n', "abc\n", S + Invalid, 25, 25},
      {'n', "99999999999\n", S + Range, 25, 25},
      {'n', "-99999999999\n", S + Range, 25, 25},
      {'n', "", S + Invalid, 25, 25},
      {'t', "20\n", T, 25, 400},
      {'t', "1\n", T, 25, 1},
      {'t', "499\n", T, 25, 249001},
      {'t', "0\n", T + Range, 25, 25},
      {'t', "500\n", T + Range, 25, 25},
      {'t', "x\n", T + Invalid, 25, 25},
      {'t', "4294967296\n", T + Range, 25, 25},
      {'t', "", T + Invalid, 25, 25},
  };
  for (const Case& c : cases) {
    ResetEditor();
    FeedStdin(c.input);
    EXPECT_EQ(Key(c.key), c.printed) << c.key << " " << c.input;
    EXPECT_EQ(editorState.bsplineSteps, c.steps) << c.key << " " << c.input;
    EXPECT_EQ(editorState.toleranceSquared, c.toleranceSquared) << c.key << " " << c.input;
  }
}

TEST_F(Input, ToleranceIsShownAsTruncatedSquareRoot) {
  const int cases[][2] = {{25, 5}, {400, 20}, {24, 4}, {35, 5}, {36, 6}, {1, 1}, {249001, 499}, {249000, 498}};
  for (const auto& c : cases) {
    editorState.toleranceSquared = c[0];
    FeedStdin("");
    EXPECT_EQ(Key('t'), "Current value for deCasteljau Tolerance : " + std::to_string(c[1]) + "\nNew value :" + Invalid);
    EXPECT_EQ(editorState.toleranceSquared, c[0]);
  }
}

TEST_F(Input, DialogueSequencesShareOneInput) {
  struct Step {
    unsigned char key;
    std::string printed;
  };
  struct Case {
    const char* name;
    const char* input;
    std::vector<Step> steps;
    int bsplineSteps, toleranceSquared;
  };
  const std::string S = StepsLine, T = ToleranceLine;
  const std::string S30 = "Current value for number of steps for B-spline: 30\nNew value :";
  const std::string S7 = "Current value for number of steps for B-spline: 7\nNew value :";
  const Case cases[] = {
      {"tolerance then shown", "20\n", {{'t', T}, {'t', "Current value for deCasteljau Tolerance : 20\nNew value :" + std::string(Invalid)}}, 25, 400},
      {"bad entry then fresh line", "abc\n42\n", {{'n', S + Invalid}, {'n', S}}, 42, 25},
      {"bad tail of a line dropped", "abc 17\n8\n", {{'t', T + Invalid}, {'t', T}}, 25, 64},
      {"huge then valid", "99999999999\n12\n", {{'n', S + Range}, {'n', S}}, 12, 25},
      {"rest after a number kept", "12 34\n", {{'n', S}, {'n', "Current value for number of steps for B-spline: 12\nNew value :"}}, 34, 25},
      {"end of input stays ended", "", {{'n', S + Invalid}, {'t', T + Invalid}, {'n', S + Invalid}}, 25, 25},
      {"last value then end", "7", {{'n', S}, {'t', T + Invalid}}, 7, 25},
      {"text after a number fails the next dialogue",
       "30 abc def\n0\n7",
       {{'n', S}, {'n', S30 + Invalid}, {'n', S30 + Range}, {'n', S30}, {'n', S7 + Invalid}},
       7,
       25},
  };
  for (const Case& c : cases) {
    ResetEditor();
    FeedStdin(c.input);
    for (const Step& s : c.steps) EXPECT_EQ(Key(s.key), s.printed) << c.name;
    EXPECT_EQ(editorState.bsplineSteps, c.bsplineSteps) << c.name;
    EXPECT_EQ(editorState.toleranceSquared, c.toleranceSquared) << c.name;
  }
}

TEST_F(Input, PromptIsOnTheConsoleBeforeTheReadWaits) {
  int out[2], in[2];
  ASSERT_EQ(pipe(out), 0);
  ASSERT_EQ(pipe(in), 0);
  ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);  // empty stream buffer
  dup2(in[0], STDIN_FILENO);
  close(in[0]);
  clearerr(stdin);
  std::fflush(stdout);
  const int savedOut = dup(STDOUT_FILENO);
  dup2(out[1], STDOUT_FILENO);
  close(out[1]);

  std::thread dialogue([] { OnKeyboard('n', 0, 0); });
  // The reader is blocked on standard input now; the prompt must already be
  // readable on the other end of standard output.
  std::string seen;
  pollfd p{out[0], POLLIN, 0};
  while (seen.find("New value :") == std::string::npos && poll(&p, 1, 5000) == 1) {
    char buf[256];
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    seen.append(buf, static_cast<std::size_t>(n));
  }
  const char entry[] = "77\n";
  const bool written = write(in[1], entry, 3) == 3;
  close(in[1]);
  dialogue.join();

  std::fflush(stdout);
  dup2(savedOut, STDOUT_FILENO);
  close(savedOut);
  close(out[0]);
  FeedStdin("");

  EXPECT_TRUE(written);
  EXPECT_EQ(seen, StepsLine);
  EXPECT_EQ(editorState.bsplineSteps, 77);
}

}  // namespace
