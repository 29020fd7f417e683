// Randomized soak of the editor's point handling: seeded random clicks,
// Shift-deletes, middle-button drags, clears, kind switches and frames go
// through the real handlers against the recording fake, beside a plain model
// of the point list, the curve kind and the drag. After every event the
// program's state must match the model and keep the point list's invariants.
// What each handler prints, redraws or relabels, and what a frame emits, is
// for the input, dialogue and frame tests; under the sanitizers
// (scripts/soak.sh) the frames here are checked for memory errors.
//
// BEZIER_SOAK_EVENTS sets the number of events (a short run by default; the
// long one comes from scripts/soak.sh), BEZIER_SOAK_SEED the seed.
#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/window.h"
#include "editor_fixture.h"
#include "gl_fake.h"
#include "points/editor_state.h"
#include "points/point_list.h"
#include "render/frame.h"

namespace {

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::strtoull(v, nullptr, 10) : fallback;
}

struct Model {
  std::vector<Point> points;
  CurveKind kind = CurveKind::Bezier;
  std::int32_t dragIndex = 0;
  bool dragging = false;
  bool leftPressed = false;

  // The point within 50 pixels of (x, y) nearest to it, the first on a tie.
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

class SoakRun {
 public:
  explicit SoakRun(std::uint64_t seed) : rng_(seed) {}

  void Run(std::uint64_t events) {
    for (; events_ < events && !::testing::Test::HasFailure(); ++events_) OneEvent();
  }

  std::string Summary() const {
    return std::to_string(events_) + " events, " + std::to_string(frames_) + " frames, up to " +
           std::to_string(maxPoints_) + " points, " + std::to_string(dragMoves_) + " drag moves, " +
           std::to_string(staleDrags_) + " motions after the dragged point was gone";
  }
  std::uint64_t events() const { return events_; }

 private:
  int Pick(int n) { return int(rng_() % std::uint64_t(n)); }

  // Mostly inside the window, sometimes well outside it (a drag leaving the
  // window reports such positions); near an existing point half of the time,
  // so deletes and drags find one.
  void Position(int* x, int* y) {
    if (!model_.points.empty() && Pick(2) == 0) {
      const Point& p = model_.points[std::size_t(Pick(int(model_.points.size())))];
      *x = p.x + Pick(101) - 50;
      *y = WindowSize - (p.y + Pick(101) - 50);
      return;
    }
    const auto coord = [&] { return Pick(5) == 0 ? Pick(1100) - 300 : Pick(WindowSize + 1); };
    *x = coord();
    *y = coord();
  }

  void OneEvent() {
    glfake::Reset();
    const int kind = Pick(100);
    int x, y;
    Position(&x, &y);
    std::string what;
    if (kind < 40) {  // left button; Shift on a third of them, Ctrl and Alt at random
      const int state = Pick(2);
      const bool shift = Pick(3) == 0;
      glfake::SetModifiers((Pick(8) & ~GLUT_ACTIVE_SHIFT) | (shift ? GLUT_ACTIVE_SHIFT : 0));
      what = "left " + std::to_string(state) + (shift ? " with Shift" : "");
      Left(state, shift, x, y);
    } else if (kind < 50) {
      const int state = Pick(2);
      what = "middle " + std::to_string(state);
      Middle(state, x, y);
    } else if (kind < 80) {
      what = "motion";
      Motion(x, y);
    } else if (kind < 90) {  // kind switches; clearing, by key or menu, is rare so the list can grow
      const int value = Pick(30) == 0 ? 0 : 1 + Pick(2);
      what = value == 0 && Pick(2) == 0 ? "key c" : "menu " + std::to_string(value);
      what == "key c" ? OnKeyboard('c', x, y) : OnMenu(value);
      if (value == 0) model_.points.clear();
      else model_.kind = value == 1 ? CurveKind::Bezier : CurveKind::BSpline;
    } else {
      what = "frame";
      glfake::SetRecording(false);
      OnDisplay();
      ++frames_;
      EXPECT_GE(glfake::VertexCount(), model_.points.size()) << "a marker for every point";
    }
    Check(what + " at " + std::to_string(x) + "," + std::to_string(y));
  }

  void Left(int state, bool shift, int x, int y) {
    OnMouse(GLUT_LEFT_BUTTON, state, x, y);
    if (state == GLUT_DOWN) {
      model_.leftPressed = true;
    } else if (model_.leftPressed) {
      model_.leftPressed = false;
      if (!shift) {
        model_.points.push_back(Point{x, WindowSize - y});
      } else if (const std::int32_t i = model_.Nearest(x, WindowSize - y); i >= 0) {
        model_.points.erase(model_.points.begin() + i);
      }
    }
  }

  void Middle(int state, int x, int y) {
    OnMouse(GLUT_MIDDLE_BUTTON, state, x, y);
    if (state == GLUT_DOWN) {
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
    if (!model_.dragging) return;
    if (model_.dragIndex >= 0 && model_.dragIndex < std::int32_t(model_.points.size())) {
      model_.points[std::size_t(model_.dragIndex)] = Point{x, WindowSize - y};
      ++dragMoves_;
    } else {
      // The dragged point was deleted or cleared while the button is held:
      // the drag ends, so no point that later comes to hold the index moves.
      model_.dragging = false;
      ++staleDrags_;
    }
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
    ASSERT_EQ(editorState.curveKind, model_.kind) << what;
    ASSERT_EQ(editorState.dragging, model_.dragging) << what;
    ASSERT_EQ(editorState.dragIndex, model_.dragIndex) << what;
    maxPoints_ = std::max<std::uint64_t>(maxPoints_, std::uint64_t(list.count));
  }

  std::mt19937_64 rng_;
  Model model_;
  std::uint64_t events_ = 0, frames_ = 0, maxPoints_ = 0, dragMoves_ = 0, staleDrags_ = 0;
};

using Soak = EditorTest;

TEST_F(Soak, RandomEventsKeepPointsAndDragConsistent) {
  const std::uint64_t events = EnvNumber("BEZIER_SOAK_EVENTS", 100000);
  const std::uint64_t seed = EnvNumber("BEZIER_SOAK_SEED", 20261208);
  SoakRun soak(seed);
  soak.Run(events);
  std::cout << "soak: seed " << seed << ", " << soak.Summary() << "\n";
  EXPECT_EQ(soak.events(), events);
}

}  // namespace
