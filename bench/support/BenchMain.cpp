#include "model/Launch.h"

#include "ChildTask.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <clocale>

// Every benchmark program runs with an application object, as the code it measures expects.
int main(int argc, char** argv) {
    Launch::init(argc, argv);
    QCoreApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    if (const int status = runChildTask(argc, argv); status >= 0)
        return status;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
