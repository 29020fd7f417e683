// Recorded GL/GLUT calls as short text, name(args)"label", so a test can
// compare a whole call sequence against a written-out list and a mismatch
// prints readably.
#pragma once

#include <string>
#include <vector>

#include "gl_fake.h"

namespace glfake {

// Arguments print without trailing zeros: glOrtho(0,500,0,500,1,-1).
inline std::string Show(const Call& c) {
  std::string s = c.name + "(";
  for (std::size_t i = 0; i < c.args.size(); ++i) {
    if (i) s += ",";
    std::string a = std::to_string(c.args[i]);
    while (a.back() == '0') a.pop_back();
    if (a.back() == '.') a.pop_back();
    s += a;
  }
  s += ")";
  if (!c.text.empty()) s += "\"" + c.text + "\"";
  return s;
}

// The whole log since the last Reset, one entry per call.
inline std::vector<std::string> ShownLog() {
  std::vector<std::string> out;
  for (const Call& c : Log()) out.push_back(Show(c));
  return out;
}

}  // namespace glfake
