// Heap-allocation counting for the benchmarks and their checks. Linking
// alloc_count.cpp into a program replaces the global operator new and delete
// (every form) with versions that count, then use malloc and free.
#pragma once

#include <cstdint>

namespace alloc {

// Calls of any operator new / operator delete (with a non-null pointer)
// since the program started.
std::uint64_t News();
std::uint64_t Deletes();
// Blocks obtained through operator new and not yet returned.
inline std::int64_t Live() { return static_cast<std::int64_t>(News() - Deletes()); }

}  // namespace alloc
