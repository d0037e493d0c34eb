// Entry point of the benchmarks that need the toolkit (fonts, painters,
// widgets): an application object on the offscreen platform around the run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>

template <class Application, class Cleanup>
int runBenchmarksInApplication(int argc, char** argv, Cleanup cleanup) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    cleanup();  // what must go before the application does
    return 0;
}

template <class Application>
int runBenchmarksInApplication(int argc, char** argv) {
    return runBenchmarksInApplication<Application>(argc, argv, [] {});
}
