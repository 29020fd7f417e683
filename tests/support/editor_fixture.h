// The one way a test starts from the program as it starts: the editor state
// at its initial values with no points, the curve matrices filled, and the
// recording fake with no calls, callbacks or modifiers. The program's globals
// outlive every test, so a test that changes them must not leave its changes
// to the next.
#pragma once

#include <gtest/gtest.h>

#include "gl_fake.h"
#include "points/editor_state.h"
#include "render/curve_matrices.h"

class EditorTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { InitCurveMatrices(); }
  void SetUp() override { ResetEditor(); }

  // Also for a table-driven test to give each case a fresh start.
  static void ResetEditor() {
    editorState = EditorState{};
    glfake::Reset(true);
  }
};
