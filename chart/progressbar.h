// The progress bar in the status bar: a done part from the left and the
// rest, split by the reported percentage.
#pragma once

namespace progressbar {

constexpr int kMin = 0;
constexpr int kMax = 100;

// Reports come from the computing stages and from outside the program
// (window messages); anything beyond 0 .. 100 is taken as the nearest end,
// so the bar never leaves its panel.
inline int clampPercent(long long pro) { return int(pro < kMin ? kMin : pro > kMax ? kMax : pro); }

// First x of the remaining part for a panel from left to right (exclusive).
inline int split(int left, int right, int percent) { return (right - left) * percent / 100 + left; }

}  // namespace progressbar
