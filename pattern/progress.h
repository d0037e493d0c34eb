// Progress reports of the computing stages, in percent.
//
// Every stage reports 0 first, then y * 100 / (n - 1) at the start of row y
// of its n rows, and 0 again when it is done. A stage of one row reports
// 100 for that row (the formula would divide by zero).
#pragma once

#include <cstdint>
#include <functional>

namespace pattern {

using Progress = std::function<void(int percent)>;

inline void report(const Progress& progress, int percent) {
    if (progress) progress(percent);
}

// A report that may stop the work: the callback returns false to cancel.
// Work that takes it changes nothing when cancelled.
using CancellableProgress = std::function<bool(int percent)>;

// True to go on.
inline bool proceed(const CancellableProgress& progress, int percent) { return !progress || progress(percent); }

inline int rowPercent(int y, int rows) {
    return rows > 1 ? int(int64_t(y) * 100 / (rows - 1)) : 100;
}

}  // namespace pattern
