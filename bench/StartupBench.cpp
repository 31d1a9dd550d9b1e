// From process start to the main window on the screen and to the first check finished, for the
// real application bundle against the demo sandbox and its update server. The window waits a
// deliberate 0.3 s before it opens; the window figure leaves that out. Needs an X server (or
// runs offscreen) and the bundle built beside this program.
#include "DemoSandbox.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <optional>

namespace {

constexpr double deliberateWindowDelayMs = 300;

const DemoSandbox& demo() {
    static DemoSandbox* sandbox = [] {
        auto* made = new DemoSandbox(QDir::tempPath() + QStringLiteral("/quenlark-startup-bench"));
        made->make(QStringLiteral(QUENLARK_BUNDLE_DIR));
        return made;
    }();
    return *sandbox;
}

void Startup(benchmark::State& state) {
    double window = 0, check = 0;
    for (auto _ : state) {
        QProcess quenlark;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUENLARK_ANCHORS"), demo().anchors());
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("quenlark.app.debug=true"));
        if (!environment.contains(QStringLiteral("DISPLAY")))
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        quenlark.setProcessEnvironment(environment);
        quenlark.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer timer;
        timer.start();
        quenlark.start(demo().applications() + QStringLiteral("/Quenlark.app/Contents/MacOS/quenlark"),
                       demo().arguments() + QStringList{QStringLiteral("--skip-onboarding")});
        std::optional<double> shown, checked;
        QByteArray log;
        while ((!shown || !checked) && timer.elapsed() < 30000 && quenlark.state() != QProcess::NotRunning) {
            quenlark.waitForReadyRead(50);
            log += quenlark.readAll();
            if (!shown && log.contains("main window shown"))
                shown = double(timer.nsecsElapsed()) / 1e6;
            if (!checked && log.contains("first check finished"))
                checked = double(timer.nsecsElapsed()) / 1e6;
        }
        quenlark.terminate();
        quenlark.waitForFinished(5000);
        if (!shown || !checked) {
            state.SkipWithError("Quenlark did not report its window and its first check");
            break;
        }
        window += *shown - deliberateWindowDelayMs;
        check += *checked;
        state.SetIterationTime((*shown - deliberateWindowDelayMs) / 1000);
    }
    const double n = double(state.iterations());
    state.counters["window_ms"] = n ? window / n : 0;
    state.counters["first_check_ms"] = n ? check / n : 0;
}
BENCHMARK(Startup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
