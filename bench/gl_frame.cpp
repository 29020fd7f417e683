// A complete frame on real OpenGL (Mesa's software rasteriser on a virtual
// X display): OnDisplay through glFinish, against the floor of sending the
// same calls with every vertex precomputed. Starts its own Xvfb, opens the
// editor's window with the editor's own set-up, and prints one line per
// scene and curve kind. Any failure to get a display or a window is fatal.
//
// Usage: gl_frame [--quick] [--reps=N] [--frames=N] [--json=FILE]
#include <GL/gl.h>
#include <GL/freeglut.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/window.h"
#include "bench/scenes.h"
#include "points/editor_state.h"
#include "render/curve_matrices.h"
#include "render/frame.h"

// The link wraps glVertex2i (-Wl,--wrap=glVertex2i): every call the editor
// makes lands here first, so one frame's vertices can be captured; the
// replay calls the real entry point directly.
extern "C" void __real_glVertex2i(GLint x, GLint y);

namespace {

std::vector<GLint>* capture = nullptr;

pid_t xvfb = 0;

std::string xvfbLog;

void StopXvfb() {
  if (xvfb > 0) {
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    xvfb = 0;
  }
  if (!xvfbLog.empty()) {
    unlink(xvfbLog.c_str());
    xvfbLog.clear();
  }
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "gl_frame: %s\n", what.c_str());
  StopXvfb();
  std::exit(1);
}

// Xvfb's own chatter (it tries display numbers that are taken) goes to a
// file (xvfbLog) that is shown only when the server cannot be started.

[[noreturn]] void FailStartingXvfb(const std::string& what) {
  if (FILE* f = std::fopen(xvfbLog.c_str(), "r")) {
    char line[512];
    while (std::fgets(line, sizeof line, f)) std::fputs(line, stderr);
    std::fclose(f);
  }
  Fail(what);
}

// Starts Xvfb on a display number it picks itself and returns ":N".
std::string StartXvfb() {
  char logName[] = "/tmp/gl_frame-xvfb-XXXXXX";
  const int logFd = mkstemp(logName);
  if (logFd < 0) Fail("cannot create a log file for Xvfb");
  xvfbLog = logName;
  int fds[2];
  if (pipe(fds) != 0) Fail("pipe failed");
  xvfb = fork();
  if (xvfb < 0) Fail("fork failed");
  if (xvfb == 0) {
    close(fds[0]);
    dup2(logFd, STDOUT_FILENO);
    dup2(logFd, STDERR_FILENO);
    // The server must not outlive this program, whatever ends it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    std::fprintf(stderr, "cannot run Xvfb: %s\n", std::strerror(errno));
    _exit(127);
  }
  close(fds[1]);
  close(logFd);
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (number.empty() || number.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) FailStartingXvfb("Xvfb did not report a display within 20 s");
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char c;
    if (read(fds[0], &c, 1) != 1) FailStartingXvfb("Xvfb exited before reporting a display");
    number += c;
  }
  close(fds[0]);
  number.pop_back();
  return ":" + number;
}

using Clock = std::chrono::steady_clock;

struct Options {
  int reps = 15;           // timed batches per measurement; the median is kept
  double batchSeconds = 0.2;  // wall time one batch aims at
  int frames = 0;          // frames per batch; 0 = sized to batchSeconds
  std::string json;
};

// The floor: exactly the calls a frame makes (clear, markers at size 2, the
// curve batch at size 1, flush, swap), every vertex already known.
void ReplayFrame(const std::vector<GLint>& markers, const std::vector<GLint>& curve) {
  glClear(GL_COLOR_BUFFER_BIT);
  glPointSize(2.0);
  glBegin(GL_POINTS);
  for (std::size_t i = 0; i < markers.size(); i += 2) {
    glColor3ubv(PointColor);
    __real_glVertex2i(markers[i], markers[i + 1]);
  }
  glEnd();
  glPointSize(1.0);
  glBegin(GL_POINTS);
  for (std::size_t i = 0; i < curve.size(); i += 2) __real_glVertex2i(curve[i], curve[i + 1]);
  glEnd();
  glFlush();
  glutSwapBuffers();
}

template <typename F>
double SecondsPerFrame(int frames, F draw) {
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    draw();
    glFinish();
  }
  return std::chrono::duration<double>(Clock::now() - start).count() / frames;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

struct Result {
  std::string scene, kind;
  std::size_t vertices;
  int frames, reps;
  double frameSeconds, floorSeconds;
};

Result Measure(const bench::Scene& scene, CurveKind kind, const Options& opt) {
  bench::LoadScene(scene, kind);

  std::vector<GLint> all;
  capture = &all;
  OnDisplay();
  glFinish();
  capture = nullptr;
  const std::size_t markerValues = 2 * scene.points.size();
  if (all.size() < markerValues) Fail("a frame emitted fewer vertices than there are points");
  const std::vector<GLint> markers(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(markerValues));
  const std::vector<GLint> curve(all.begin() + static_cast<std::ptrdiff_t>(markerValues), all.end());

  auto frame = [] { OnDisplay(); };
  auto floor = [&] { ReplayFrame(markers, curve); };

  // Warm up both paths, then size the batches from a first estimate.
  SecondsPerFrame(3, frame);
  SecondsPerFrame(3, floor);
  int frames = opt.frames;
  if (frames == 0) {
    const double estimate = SecondsPerFrame(5, frame);
    frames = std::clamp(static_cast<int>(opt.batchSeconds / std::max(estimate, 1e-7)), 2, 20000);
  }

  // Alternate the two so that drift in the machine's speed hits both alike.
  std::vector<double> frameTimes, floorTimes;
  for (int r = 0; r < opt.reps; ++r) {
    frameTimes.push_back(SecondsPerFrame(frames, frame));
    floorTimes.push_back(SecondsPerFrame(frames, floor));
  }
  return Result{scene.name, bench::KindName(kind), all.size() / 2, frames, opt.reps, Median(frameTimes),
                Median(floorTimes)};
}

}  // namespace

extern "C" void __wrap_glVertex2i(GLint x, GLint y) {
  if (capture) {
    capture->push_back(x);
    capture->push_back(y);
  }
  __real_glVertex2i(x, y);
}

int main(int argc, char** argv) {
  Options opt;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--quick") {
      opt.reps = 3;
      opt.frames = 3;
    } else if (a.rfind("--reps=", 0) == 0) {
      opt.reps = std::max(1, std::atoi(a.c_str() + 7));
    } else if (a.rfind("--frames=", 0) == 0) {
      opt.frames = std::max(1, std::atoi(a.c_str() + 9));
    } else if (a.rfind("--json=", 0) == 0) {
      opt.json = a.substr(7);
    } else {
      std::fprintf(stderr, "usage: gl_frame [--quick] [--reps=N] [--frames=N] [--json=FILE]\n");
      return 2;
    }
  }

  const std::string display = StartXvfb();
  setenv("DISPLAY", display.c_str(), 1);
  std::atexit(StopXvfb);

  InitCurveMatrices();
  // The editor's own start-up: window, callbacks, colours, projection.
  char name[] = "gl_frame";
  char* args[] = {name, nullptr};
  InitWindow(1, args);
  InitGraphicsState();
  OnReshape(WindowSize, WindowSize);
  // Let the window be mapped and exposed before anything is timed.
  for (int i = 0; i < 20; ++i) glutMainLoopEvent();

  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (!renderer) Fail("no OpenGL context");
  std::printf("display %s, renderer: %s\n", display.c_str(), renderer);

  std::vector<Result> results;
  for (const bench::Scene& scene : {bench::TypicalScene(), bench::DenseScene()}) {
    for (CurveKind kind : {CurveKind::Bezier, CurveKind::BSpline}) {
      const Result r = Measure(scene, kind, opt);
      std::printf("%-8s %-8s vertices %8zu  frame %9.3f ms  floor %9.3f ms  ratio %5.2f  %8.1f fps  (%d reps x %d frames)\n",
                  r.scene.c_str(), r.kind.c_str(), r.vertices, r.frameSeconds * 1e3, r.floorSeconds * 1e3,
                  r.frameSeconds / r.floorSeconds, 1.0 / r.frameSeconds, r.reps, r.frames);
      results.push_back(r);
    }
  }
  std::fflush(stdout);

  if (!opt.json.empty()) {
    FILE* f = std::fopen(opt.json.c_str(), "w");
    if (!f) Fail("cannot write " + opt.json);
    std::fprintf(f, "{\n  \"renderer\": \"%s\",\n  \"results\": [\n", renderer);
    for (std::size_t i = 0; i < results.size(); ++i) {
      const Result& r = results[i];
      std::fprintf(f,
                   "    {\"scene\": \"%s\", \"kind\": \"%s\", \"vertices\": %zu, \"frames\": %d, \"reps\": %d, "
                   "\"frame_seconds\": %.9g, \"floor_seconds\": %.9g}%s\n",
                   r.scene.c_str(), r.kind.c_str(), r.vertices, r.frames, r.reps, r.frameSeconds, r.floorSeconds,
                   i + 1 < results.size() ? "," : "");
    }
    std::fprintf(f, "  ]\n}\n");
    if (std::fclose(f) != 0) Fail("cannot write " + opt.json);
  }
  ClearPoints();
  return 0;
}
