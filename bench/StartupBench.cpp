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

struct Launched {
    double window = 0; // without the deliberate delay
    double check = 0;
};

// One launch of the bundle until it reports its window and its first check; with `firstRun`,
// the launch housekeeping a sandbox skips (taking over from other copies, the setup steps)
// runs as on an unsandboxed launch.
std::optional<Launched> launch(bool firstRun) {
    QProcess quenlark;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUENLARK_ANCHORS"), demo().anchors());
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("quenlark.app.debug=true"));
    if (firstRun)
        environment.insert(QStringLiteral("QUENLARK_FIRST_RUN_CHECKS"), QStringLiteral("1"));
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
    if (!shown || !checked)
        return std::nullopt;
    return Launched{*shown - deliberateWindowDelayMs, *checked};
}

void Startup(benchmark::State& state) {
    double window = 0, check = 0;
    for (auto _ : state) {
        const auto launched = launch(false);
        if (!launched) {
            state.SkipWithError("Quenlark did not report its window and its first check");
            break;
        }
        window += launched->window;
        check += launched->check;
        state.SetIterationTime(launched->window / 1000);
    }
    const double n = double(state.iterations());
    state.counters["window_ms"] = n ? window / n : 0;
    state.counters["first_check_ms"] = n ? check / n : 0;
}
BENCHMARK(Startup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Launches with the first run's checks and without, alternating which goes first, so that the
// difference is what the checks add; the iteration time is the launch with them.
void StartupFirstRunChecks(benchmark::State& state) {
    double windowOn = 0, windowOff = 0, checkOn = 0, checkOff = 0;
    int rounds = 0;
    for (auto _ : state) {
        const bool onFirst = rounds % 2 == 0;
        for (const bool on : {onFirst, !onFirst}) {
            const auto launched = launch(on);
            if (!launched) {
                state.SkipWithError("Quenlark did not report its window and its first check");
                return;
            }
            (on ? windowOn : windowOff) += launched->window;
            (on ? checkOn : checkOff) += launched->check;
            if (on)
                state.SetIterationTime(launched->window / 1000);
        }
        ++rounds;
    }
    const double n = rounds ? double(rounds) : 1;
    state.counters["window_on_ms"] = windowOn / n;
    state.counters["window_off_ms"] = windowOff / n;
    state.counters["window_added_ms"] = (windowOn - windowOff) / n;
    state.counters["first_check_added_ms"] = (checkOn - checkOff) / n;
}
BENCHMARK(StartupFirstRunChecks)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6)->Repetitions(3);

} // namespace
