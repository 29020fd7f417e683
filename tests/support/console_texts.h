// The program's console texts as every test expects them, written once: the
// C++ tests include this header and the end-to-end suite reads its string
// literals (e2e/scenes.py). In a prompt, %d stands for the value shown.
#pragma once

namespace texts {

inline constexpr char Help[] =
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
    "     (Default: 25; Good value for wireframe: 10)\n";
inline constexpr char StepsPrompt[] = "Current value for number of steps for B-spline: %d\nNew value :";
inline constexpr char TolerancePrompt[] = "Current value for deCasteljau Tolerance : %d\nNew value :";
inline constexpr char OutOfRange[] = "Invalid entry:  Must fall between 1 and 500\n";
inline constexpr char NotANumber[] = "Invalid entry.\n";

}  // namespace texts
