#include "model/Launch.h"
#include "model/Motion.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>

// The views' benchmarks run with a widget application on the offscreen platform, animations
// finished at once.
int main(int argc, char** argv) {
    Launch::init(argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    Motion::setInstantForTests(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
