#include "app/window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/input.h"
#include "call_text.h"
#include "gl_fake.h"
#include "render/frame.h"

namespace {

using glfake::ShownLog;

TEST(Window, HelpTextIsTheThirteenLinesByteForByte) {
  testing::internal::CaptureStdout();
  PrintHelp();
  const std::string text = testing::internal::GetCapturedStdout();
  EXPECT_EQ(text,
            " Controls done by mouse:\n"
            "  left: Place point\n"
            "  shift-left: delete point\n"
            "  middle-drag: move point\n"
            "  right: Popup menu (includes:\n"
            "    clear function\n"
            "    choice of spline types\n"
            "    toggle 3D-rotation)\n"
            " Controsl done by keyboard:\n"
            "  t: Sets tolerance for when deCasteljau's should stop\n"
            "     (Default: 5; Good value for wireframe: 20)\n"
            "  n: Sets the number of steps used in B-spline evaluation\n"
            "     (Default: 25; Good value for wireframe: 10)\n");
}

TEST(Window, InitWindowCreatesWindowCallbacksAndMenuInOrder) {
  glfake::Reset(true);
  char prog[] = "bezier";
  char opt[] = "-display";
  char val[] = ":9";
  char* argv[] = {prog, opt, val, nullptr};
  InitWindow(3, argv);
  const std::vector<std::string> expected = {
      "glutInitDisplayMode(18)",
      "glutInitWindowSize(500,500)",
      "glutInit(3)\"bezier\"",
      "glutCreateWindow()\"Bezier\"",
      "glutDisplayFunc()",
      "glutReshapeFunc()",
      "glutMouseFunc()",
      "glutPassiveMotionFunc()",
      "glutMotionFunc()",
      "glutKeyboardFunc()",
      "glutCreateMenu()",
      "glutAddMenuEntry(0)\"   Clear All\"",
      "glutAddMenuEntry(1)\"o Bezier\"",
      "glutAddMenuEntry(2)\"   Cubic B-Spline\"",
      "glutAttachMenu(2)",
  };
  EXPECT_EQ(ShownLog(), expected);

  const glfake::Callbacks& cb = glfake::Registered();
  EXPECT_EQ(cb.display, &OnDisplay);
  EXPECT_EQ(cb.reshape, &OnReshape);
  EXPECT_EQ(cb.mouse, &OnMouse);
  EXPECT_EQ(cb.motion, &OnMotion);
  EXPECT_EQ(cb.passiveMotion, &OnMotion);
  EXPECT_EQ(cb.keyboard, &OnKeyboard);
  EXPECT_EQ(cb.menu, &OnMenu);
}

TEST(Window, GraphicsStateIsBlackClearAndPointColour) {
  glfake::Reset();
  InitGraphicsState();
  EXPECT_EQ(ShownLog(), (std::vector<std::string>{"glClearColor(0,0,0,0)", "glColor3ubv(128,64,255)"}));
}

TEST(Window, ReshapeToAnySizePinsWindowViewportAndProjection) {
  const std::vector<std::string> expected = {
      "glutReshapeWindow(500,500)",
      "glViewport(0,0,500,500)",
      "glMatrixMode(5889)",  // GL_PROJECTION
      "glLoadIdentity()",
      "glOrtho(0,500,0,500,1,-1)",
      "glMatrixMode(5888)",  // GL_MODELVIEW
      "glLoadIdentity()",
      "glFlush()",
  };
  const int sizes[][2] = {{500, 500}, {800, 300}, {1, 1}, {0, 0}, {499, 501}};
  for (const auto& size : sizes) {
    glfake::Reset();
    OnReshape(size[0], size[1]);
    EXPECT_EQ(ShownLog(), expected) << size[0] << " x " << size[1];
  }
}

}  // namespace
