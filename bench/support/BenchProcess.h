#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// What one run of a program cost: wall time, peak resident memory, wait status.
struct MeasuredRun {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// Runs a program (argv[0] a path) with its output thrown away.
MeasuredRun RunMeasured(const std::vector<QByteArray>& args);

// The ledra-cli the benchmarks drive: $LEDRA_CLI, else the one at the top of the build folder,
// one level above the benchmarks.
QString BenchCliPath();
