// The benchmarks' main: one offscreen application for the view benchmarks,
// whose windows are ended before it.
#include <QApplication>
#include <benchmark/benchmark.h>

namespace jotanor {
void endBenchWorld();
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    jotanor::endBenchWorld();
    return 0;
}
