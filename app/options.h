// The program's own command-line options, answered before the toolkit starts
// so that they work without a display. Every other argument belongs to the
// toolkit and is handed to it unchanged.
#pragma once

#include <cstdio>

// When `argv` holds --help (or -h) or --version, writes the usage text or the
// version line ("bezier 1.1.0") to `out` and returns true: the program then
// exits with status 0. Otherwise writes nothing and returns false. --help
// wins when both are given.
bool AnswerOwnOptions(int argc, char** argv, std::FILE* out);
