// The pop-up menu: what its entries mean and how they are labelled. The
// window builds it and the menu handler relabels it; both take the entries
// from here, so the two cannot disagree about which entry is which.
#pragma once

#include <array>

#include "points/editor_state.h"

// The value each entry hands to the menu callback. Entries are added in
// this order, so an entry's value is also its index from the top.
enum class MenuItem : int { ClearAll = 0, Bezier = 1, BSpline = 2 };

inline constexpr int MenuItemCount = 3;

// The toolkit counts entries from 1.
constexpr int MenuPosition(MenuItem item) { return static_cast<int>(item) + 1; }

// The labels from the top when `selected` is the current curve kind: "o "
// marks the selected kind, and three spaces keep the others in line with it.
constexpr std::array<const char*, MenuItemCount> MenuLabels(CurveKind selected) {
  const bool bezier = selected == CurveKind::Bezier;
  return {"   Clear All", bezier ? "o Bezier" : "   Bezier", bezier ? "   Cubic B-Spline" : "o Cubic B-Spline"};
}
