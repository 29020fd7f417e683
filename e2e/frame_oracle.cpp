// Prints what one frame of the editor emits for a given scene, so the
// real-window suite can predict the exact pixels on screen. It runs the
// project's own frame composition against the recording fake of GL and GLUT
// and writes one line per vertex: "<point size in force> <x> <y>".
//
// Usage: frame_oracle <bezier|bspline> <tolerance> <steps> [x y]...
// The tolerance is the value typed into the 't' dialogue (the frame uses its
// square), the steps the value typed into the 'n' dialogue; the points are in
// window pixels with the origin at the bottom-left, in placement order.
// Exits 2 with a usage line on any malformed argument.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "gl_fake.h"
#include "points/editor_state.h"
#include "points/point_list.h"
#include "render/curve_matrices.h"
#include "render/frame.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: frame_oracle <bezier|bspline> <tolerance 1..499> <steps 1..499> [x y]...\n");
  return 2;
}

// Whole-string decimal parse; false on anything else (empty, trailing text,
// out of 32-bit range).
bool ParseInt(const char* text, std::int32_t& value) {
  std::string_view s(text);
  auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), value);
  return err == std::errc() && end == s.data() + s.size() && !s.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 4) % 2 != 0) return Usage();

  std::string_view kind(argv[1]);
  if (kind == "bezier") {
    editorState.curveKind = CurveKind::Bezier;
  } else if (kind == "bspline") {
    editorState.curveKind = CurveKind::BSpline;
  } else {
    return Usage();
  }

  std::int32_t tolerance = 0;
  std::int32_t steps = 0;
  // The dialogues accept only 1..499, so a scene outside that cannot exist.
  if (!ParseInt(argv[2], tolerance) || tolerance < 1 || tolerance > 499) return Usage();
  if (!ParseInt(argv[3], steps) || steps < 1 || steps > 499) return Usage();
  editorState.toleranceSquared = tolerance * tolerance;
  editorState.bsplineSteps = steps;

  for (int i = 4; i < argc; i += 2) {
    std::int32_t x = 0;
    std::int32_t y = 0;
    if (!ParseInt(argv[i], x) || !ParseInt(argv[i + 1], y)) return Usage();
    AddPoint(x, y);
  }

  InitCurveMatrices();
  OnDisplay();

  // Replay the log: the point size is GL state that holds until changed, and
  // a vertex outside a glBegin/glEnd pair would be a fault worth seeing.
  double size = 1.0;  // GL's initial point size
  bool open = false;
  for (const glfake::Call& call : glfake::Log()) {
    if (call.name == "glPointSize") {
      size = call.args.at(0);
    } else if (call.name == "glBegin") {
      open = true;
    } else if (call.name == "glEnd") {
      open = false;
    } else if (call.name == "glVertex2i") {
      if (!open) {
        std::fprintf(stderr, "frame_oracle: vertex outside a batch\n");
        return 1;
      }
      std::printf("%g %d %d\n", size, static_cast<int>(call.args.at(0)), static_cast<int>(call.args.at(1)));
    }
  }
  return 0;
}
