// Randomized soak of the whole editor: seeded random mouse, motion, key and
// menu events and frames go through the real handlers and the real frame
// against the recording fake, with the dialogues reading standard input from
// a file this test writes. A plain model of the editor (its own point list,
// settings, drag state and console output) runs beside it, and after every
// event the program's state must match the model and keep the point list's
// invariants. Frames are checked for their shape only: which pixels a curve
// lights is for the curve tests and their independent references.
//
// BEZIER_SOAK_EVENTS sets the number of events (a short run by default; the
// long one comes from scripts/soak.sh), BEZIER_SOAK_SEED the seed.
#include <GL/freeglut_std.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/window.h"
#include "editor_fixture.h"
#include "entry_model.h"
#include "gl_fake.h"
#include "points/editor_state.h"
#include "points/point_list.h"
#include "render/frame.h"

namespace {

constexpr int kEventsPerEpoch = 4000;

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::strtoull(v, nullptr, 10) : fallback;
}

// ---- The model ---------------------------------------------------------------

struct Model {
  std::vector<Point> points;
  CurveKind kind = CurveKind::Bezier;
  std::int32_t toleranceSquared = 25;
  std::int32_t steps = 25;
  std::int32_t dragIndex = 0;
  bool dragging = false;
  bool leftPressed = false;

  std::int32_t Nearest(std::int32_t x, std::int32_t y) const {
    std::int32_t best = -1;
    std::int64_t bestD = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const std::int64_t dx = std::int64_t(points[i].x) - x, dy = std::int64_t(points[i].y) - y;
      const std::int64_t d = dx * dx + dy * dy;
      if (d < 2500 && (best == -1 || d < bestD)) {
        best = std::int32_t(i);
        bestD = d;
      }
    }
    return best;
  }
};

// ---- Dialogue input and output ---------------------------------------------

// One entry of the kinds a person (or a cat on the keyboard) might type.
std::string RandomEntry(std::mt19937_64& rng) {
  auto pick = [&](int n) { return int(rng() % std::uint64_t(n)); };
  switch (pick(16)) {
    case 0: case 1: case 2: case 3: return std::to_string(1 + pick(499)) + "\n";
    case 4: return "0\n";
    case 5: return "500\n";
    case 6: return std::to_string(-1 - pick(1000)) + "\n";
    case 7: {
      static const char* const big[] = {"2147483647", "2147483648", "-2147483648", "-2147483649",
                                        "99999999999999999999999", "4294967297", "00000000000000000042"};
      return std::string(big[pick(7)]) + "\n";
    }
    case 8: return "abc\n";
    case 9: return "\n";
    case 10: return std::string(std::size_t(1000 + pick(20000)), "x7 \t"[pick(4)]) + "\n";
    case 11: return std::to_string(1 + pick(499)) + "junk " + std::to_string(pick(600)) + "\n";
    case 12: return std::string(" \t+").append(std::to_string(pick(600))).append(" \r\n");
    case 13: return "+\n";
    case 14: return "- 5\n";
    default: {  // arbitrary bytes, NULs and high bytes included
      std::string s(std::size_t(1 + pick(12)), '\0');
      for (char& c : s) c = char(rng() & 0xff);
      return s;
    }
  }
}

struct Console {
  std::string stdinPath;
  std::string input;  // this epoch's standard input
  std::size_t pos = 0;
  std::string expectedOut;  // what the current handler must print
  std::uint64_t readsAtEnd = 0;  // dialogues that met the end of input

  Console() {
    const char* dir = std::getenv("TMPDIR");
    stdinPath = std::string(dir && *dir ? dir : "/tmp") + "/bezier-soak-" + std::to_string(getpid()) + ".in";
  }

  // Starts an epoch: fresh standard input, ending without a final line end
  // now and then.
  void Begin(std::mt19937_64& rng) {
    input.clear();
    const int entries = int(rng() % 120);
    for (int i = 0; i < entries; ++i) input += RandomEntry(rng);
    if (!input.empty() && rng() % 4 == 0) input.pop_back();
    std::ofstream(stdinPath, std::ios::binary) << input;
    ASSERT_NE(std::freopen(stdinPath.c_str(), "rb", stdin), nullptr);
    pos = 0;
  }

  // The model's side of one dialogue: what it prints and the value it
  // accepts, if any.
  std::optional<std::int32_t> Dialogue(const std::string& currentLine) {
    expectedOut += currentLine + "\nNew value :";
    const entrymodel::Prediction p = entrymodel::Predict(input, pos);
    if (input.find_first_not_of(" \t\n\v\f\r", pos) == std::string::npos) ++readsAtEnd;
    pos = p.next;
    if (p.kind == entrymodel::Kind::Accepted) return p.value;
    expectedOut += p.kind == entrymodel::Kind::OutOfRange ? "Invalid entry:  Must fall between 1 and 500\n"
                                                          : "Invalid entry.\n";
    return std::nullopt;
  }

  ~Console() { std::remove(stdinPath.c_str()); }
};

// ---- The run -----------------------------------------------------------------

struct Tally {
  std::uint64_t events = 0, frames = 0, dialogues = 0, vertices = 0, maxPoints = 0;
  std::uint64_t dragMoves = 0, staleDrags = 0;  // motions that moved a point / found it gone
};

class SoakRun {
 public:
  explicit SoakRun(std::uint64_t seed) : rng_(seed) {}

  void Run(std::uint64_t events) {
    while (tally_.events < events && !::testing::Test::HasFailure()) {
      console_.Begin(rng_);
      for (int i = 0; i < kEventsPerEpoch && tally_.events < events && !::testing::Test::HasFailure(); ++i) {
        OneEvent();
        ++tally_.events;
      }
    }
  }

  const Tally& tally() const { return tally_; }
  std::uint64_t readsAtEnd() const { return console_.readsAtEnd; }

 private:
  int Pick(int n) { return int(rng_() % std::uint64_t(n)); }

  // Mostly inside the window, sometimes well outside it (a drag leaving the
  // window reports such positions).
  int Coord() { return Pick(5) == 0 ? Pick(1100) - 300 : Pick(WindowSize + 1); }

  // Near an existing point half of the time, so deletes and drags find one.
  void Position(int* x, int* y) {
    if (!model_.points.empty() && Pick(2) == 0) {
      const Point& p = model_.points[std::size_t(Pick(int(model_.points.size())))];
      *x = p.x + Pick(101) - 50;
      *y = WindowSize - (p.y + Pick(101) - 50);
      return;
    }
    *x = Coord();
    *y = Coord();
  }

  void OneEvent() {
    glfake::Reset();
    const int kind = Pick(100);
    std::ostringstream what;
    if (kind < 35) {  // left button; Shift on a third of them
      int x, y;
      Position(&x, &y);
      const int state = Pick(2);
      int modifiers = Pick(8);  // Shift, Ctrl, Alt bits
      modifiers = Pick(3) == 0 ? (modifiers | 1) : (modifiers & ~1);
      shift_ = (modifiers & 1) != 0;
      glfake::SetModifiers(modifiers);
      what << "left " << state << " at " << x << "," << y;
      Left(state, x, y);
    } else if (kind < 44) {  // middle button
      int x, y;
      Position(&x, &y);
      const int state = Pick(2);
      what << "middle " << state << " at " << x << "," << y;
      Middle(state, x, y);
    } else if (kind < 46) {  // right and wheel buttons do nothing
      const int button = Pick(2) == 0 ? 2 : 3 + Pick(2);
      const int state = Pick(2), x = Coord(), y = Coord();
      what << "button " << button;
      OnMouse(button, state, x, y);
    } else if (kind < 72) {  // motion, with or without a button held
      int x, y;
      Position(&x, &y);
      what << "motion to " << x << "," << y;
      Motion(x, y);
    } else if (kind < 82) {  // keys; clearing is rare so the list can grow
      static const unsigned char keys[] = {'n', 't', 'C', 'N', 'T', 'x', ' ', 0, 255};
      const unsigned char key = Pick(40) == 0  ? 'c'
                                : Pick(4) == 0 ? static_cast<unsigned char>(Pick(256))
                                               : keys[Pick(9)];
      what << "key " << int(key);
      Key(key);
    } else if (kind < 88) {  // menu
      const int value = Pick(15) == 0 ? 0 : 1 + Pick(2);  // clearing less often than switching
      what << "menu " << value;
      Menu(value);
    } else {
      what << "frame";
      Frame();
    }
    // Every handler asks for exactly one redraw; drawing a frame asks for none.
    EXPECT_EQ(glfake::Count("glutPostRedisplay"), kind < 88 ? 1u : 0u) << what.str();
    Check(what.str());
  }

  void Left(int state, int x, int y) {
    OnMouse(GLUT_LEFT_BUTTON, state, x, y);
    if (state == 0) {
      model_.leftPressed = true;
    } else if (model_.leftPressed) {
      model_.leftPressed = false;
      const int fy = WindowSize - y;
      if (shift_) {
        const std::int32_t i = model_.Nearest(x, fy);
        if (i >= 0) model_.points.erase(model_.points.begin() + i);
      } else {
        model_.points.push_back(Point{x, fy});
      }
    }
  }

  void Middle(int state, int x, int y) {
    OnMouse(GLUT_MIDDLE_BUTTON, state, x, y);
    if (state == 0) {
      model_.dragIndex = model_.Nearest(x, WindowSize - y);
      if (model_.dragIndex != -1) model_.dragging = true;
    } else {
      model_.dragging = false;
    }
  }

  void Motion(int x, int y) {
    // Whatever lies in the storage past the last point must not be touched:
    // a drag may only write a point that exists.
    const PointList& list = editorState.points;
    const std::size_t spareBytes = std::size_t(list.capacity - list.count) * sizeof(Point);
    std::vector<unsigned char> spare(spareBytes);
    if (spareBytes) std::memcpy(spare.data(), list.items.get() + list.count, spareBytes);

    OnMotion(x, y);

    if (spareBytes) {
      ASSERT_EQ(std::memcmp(spare.data(), list.items.get() + list.count, spareBytes), 0)
          << "a drag wrote past the last point";
    }
    const bool inRange = model_.dragIndex >= 0 && model_.dragIndex < std::int32_t(model_.points.size());
    if (model_.dragging && inRange) {
      model_.points[std::size_t(model_.dragIndex)] = Point{x, WindowSize - y};
      ++tally_.dragMoves;
    } else if (model_.dragging) {
      // The dragged point was deleted or cleared while the button is held:
      // the editor ends the drag then, so no later point that comes to hold
      // the index is moved by this drag.
      model_.dragging = false;
      ++tally_.staleDrags;
    }
  }

  void Key(unsigned char key) {
    std::int32_t root = 1;  // the tolerance as its dialogue shows it
    while ((root + 1) * (root + 1) <= model_.toleranceSquared) ++root;
    console_.expectedOut.clear();
    if (key == 'c') {
      model_.points.clear();
    } else if (key == 'n') {
      ++tally_.dialogues;
      const std::string shown = std::to_string(model_.steps);
      if (const auto v = console_.Dialogue("Current value for number of steps for B-spline: " + shown)) {
        model_.steps = *v;
      }
    } else if (key == 't') {
      ++tally_.dialogues;
      const std::string shown = std::to_string(root);
      if (const auto v = console_.Dialogue("Current value for deCasteljau Tolerance : " + shown)) {
        model_.toleranceSquared = *v * *v;
      }
    }
    const int x = Coord(), y = Coord();
    // Only while the handler runs, so the test's own messages stay on the console.
    testing::internal::CaptureStdout();
    OnKeyboard(key, x, y);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), console_.expectedOut) << "console output of key " << int(key);
  }

  void Menu(int value) {
    OnMenu(value);
    std::vector<std::string> labels;
    for (const glfake::Call& c : glfake::Log()) {
      if (c.name == "glutChangeToMenuEntry") labels.push_back(std::to_string(int(c.args[0])) + ":" + c.text);
    }
    if (value == 0) {
      model_.points.clear();
      EXPECT_TRUE(labels.empty());
    } else if (value == 1) {
      model_.kind = CurveKind::Bezier;
      EXPECT_EQ(labels, (std::vector<std::string>{"2:o Bezier", "3:   Cubic B-Spline"}));
    } else {
      model_.kind = CurveKind::BSpline;
      EXPECT_EQ(labels, (std::vector<std::string>{"2:   Bezier", "3:o Cubic B-Spline"}));
    }
  }

  // One clear, markers and curve pixels in two batches, one swap; one vertex
  // per marker and at least one pixel per segment, and no curve pixel at all
  // below four points.
  void Frame() {
    glfake::SetRecording(false);
    OnDisplay();
    ++tally_.frames;
    const std::size_t n = model_.points.size();
    const std::size_t segments = n < 4 ? 0 : model_.kind == CurveKind::Bezier ? (n - 1) / 3 : n - 3;
    const std::size_t vertices = glfake::VertexCount();
    tally_.vertices += vertices;
    if (segments == 0) {
      EXPECT_EQ(vertices, n) << "a frame of " << n << " points";
    } else {
      EXPECT_GE(vertices, n + segments) << "a frame of " << n << " points, kind " << int(model_.kind);
    }
    const std::pair<const char*, std::size_t> perFrame[] = {
        {"glClear", 1}, {"glBegin", 2}, {"glEnd", 2}, {"glutSwapBuffers", 1}};
    for (const auto& [call, times] : perFrame) EXPECT_EQ(glfake::Count(call), times) << call;
  }

  void Check(const std::string& what) {
    const PointList& list = editorState.points;
    ASSERT_GE(list.count, 0) << what;
    ASSERT_LE(list.count, list.capacity) << what;
    ASSERT_EQ(list.capacity % 4, 0) << what;
    ASSERT_EQ(list.items == nullptr, list.capacity == 0) << what;
    ASSERT_EQ(std::size_t(list.count), model_.points.size()) << what;
    for (std::int32_t i = 0; i < list.count; ++i) {
      ASSERT_EQ(list.items[i].x, model_.points[std::size_t(i)].x) << what << ", point " << i;
      ASSERT_EQ(list.items[i].y, model_.points[std::size_t(i)].y) << what << ", point " << i;
    }
    ASSERT_GE(editorState.bsplineSteps, 1) << what;
    ASSERT_LE(editorState.bsplineSteps, 499) << what;
    ASSERT_EQ(editorState.bsplineSteps, model_.steps) << what;
    ASSERT_EQ(editorState.toleranceSquared, model_.toleranceSquared) << what;
    const auto root = std::int32_t(std::lround(std::sqrt(double(editorState.toleranceSquared))));
    ASSERT_TRUE(root >= 1 && root <= 499 && root * root == editorState.toleranceSquared) << what;
    ASSERT_EQ(editorState.curveKind, model_.kind) << what;
    ASSERT_EQ(editorState.dragging, model_.dragging) << what;
    ASSERT_EQ(editorState.dragIndex, model_.dragIndex) << what;
    tally_.maxPoints = std::max<std::uint64_t>(tally_.maxPoints, std::uint64_t(list.count));
  }

  std::mt19937_64 rng_;
  Model model_;
  Console console_;
  Tally tally_;
  bool shift_ = false;
};

using Soak = EditorTest;

TEST_F(Soak, RandomEventsKeepStateAndFramesConsistent) {
  const std::uint64_t events = EnvNumber("BEZIER_SOAK_EVENTS", 100000);
  const std::uint64_t seed = EnvNumber("BEZIER_SOAK_SEED", 20261208);
  SoakRun soak(seed);
  soak.Run(events);
  const Tally& t = soak.tally();
  std::cout << "soak: seed " << seed << ", " << t.events << " events, " << t.frames << " frames ("
            << t.vertices << " vertices), " << t.dialogues << " dialogues, up to "
            << t.maxPoints << " points, " << t.dragMoves << " drag moves, " << t.staleDrags
            << " motions after the dragged point was gone, " << soak.readsAtEnd() << " reads at end of input\n";
  EXPECT_EQ(t.events, events);
}

}  // namespace
