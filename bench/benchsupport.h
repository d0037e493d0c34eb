// Pieces the pattern benchmarks share: a photo-like test motif and a
// console reporter that keeps each benchmark's time for a closing summary.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "raster/PixKit3.h"

namespace benchsupport {

constexpr int kMotifW = 4000, kMotifH = 3000;

// A 12 MP 24-bit motif of smooth gradients and waves plus noise, so that
// neighbouring stitches differ and the colours cover much of the cube.
// Made once, kept for the run.
inline const dib& motif24() {
    static dib d = [] {
        dib m{};
        newdib(&m, kMotifW, kMotifH, 24, nullptr, 0);
        std::mt19937 rng(1234);
        std::uniform_int_distribution<int> noise(-28, 28);
        for (int y = 0; y < kMotifH; ++y) {
            uint8_t* row = m.poi + int64_t(y) * m.bytew;
            for (int x = 0; x < kMotifW; ++x) {
                double fx = double(x) / kMotifW, fy = double(y) / kMotifH;
                int r = int(255 * fx) + noise(rng);
                int g = int(127.5 + 127.5 * std::sin(6.0 * fy + 3.0 * fx)) + noise(rng);
                int b = int(255 * (1 - fy) * (0.5 + 0.5 * std::cos(9.0 * fx))) + noise(rng);
                row[3 * x] = uint8_t(std::clamp(b, 0, 255));
                row[3 * x + 1] = uint8_t(std::clamp(g, 0, 255));
                row[3 * x + 2] = uint8_t(std::clamp(r, 0, 255));
            }
        }
        return m;
    }();
    return d;
}

// Collects the CPU and the wall time per iteration in nanoseconds, the
// median where there are repetitions (the machine is shared, single runs
// can be unlucky), so a summary can compare against the baseline of the
// same run.
class Summary : public benchmark::ConsoleReporter {
public:
    Summary() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const double unit = benchmark::GetTimeUnitMultiplier(r.time_unit);
            keep(ns, r, r.GetAdjustedCPUTime() * 1e9 / unit);
            keep(wallNs, r, r.GetAdjustedRealTime() * 1e9 / unit);
        }
    }
    std::map<std::string, double> ns;      // CPU time
    std::map<std::string, double> wallNs;  // wall time

private:
    static void keep(std::map<std::string, double>& to, const Run& r, double t) {
        if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") to[r.run_name.str()] = t;
        else if (r.run_type == Run::RT_Iteration && !to.count(r.run_name.str())) to[r.run_name.str()] = t;
    }
};

}  // namespace benchsupport
