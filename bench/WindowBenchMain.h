#pragma once
// The main of a benchmark program that times widgets: the offscreen platform unless another is asked for, one
// QApplication for all its benchmarks.

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

inline int RunWindowBenchmarks(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
