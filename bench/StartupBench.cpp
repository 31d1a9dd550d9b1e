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

#include <algorithm>
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

// Starts `program` and reads its output until every one of `lines` has shown, or 30 s pass;
// the milliseconds from the start to each, none when one never showed.
std::optional<QList<double>> timeLines(const QString& program, const QStringList& arguments,
                                       const QProcessEnvironment& environment, const QList<QByteArray>& lines) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    QList<std::optional<double>> seen(lines.size());
    QByteArray log;
    const auto missing = [&] { return std::any_of(seen.begin(), seen.end(), [](const auto& at) { return !at; }); };
    while (missing() && timer.elapsed() < 30000 && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(50);
        log += process.readAll();
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (!seen[i] && log.contains(lines[i]))
                seen[i] = double(timer.nsecsElapsed()) / 1e6;
    }
    process.terminate();
    process.waitForFinished(5000);
    if (missing())
        return std::nullopt;
    QList<double> at;
    for (const auto& time : seen)
        at.append(*time);
    return at;
}

QProcessEnvironment displayed(QProcessEnvironment environment) {
    if (!environment.contains(QStringLiteral("DISPLAY")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

struct Launched {
    double window = 0; // without the deliberate delay
    double check = 0;
};

// One launch of the bundle until it reports its window and its first check; with `firstRun`,
// the launch housekeeping a sandbox skips (taking over from other copies, the setup steps)
// runs as on an unsandboxed launch.
std::optional<Launched> launch(bool firstRun) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUENLARK_ANCHORS"), demo().anchors());
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("quenlark.app.debug=true"));
    if (firstRun)
        environment.insert(QStringLiteral("QUENLARK_FIRST_RUN_CHECKS"), QStringLiteral("1"));
    const auto at = timeLines(demo().applications() + QStringLiteral("/Quenlark.app/Contents/MacOS/quenlark"),
                              demo().arguments() + QStringList{QStringLiteral("--skip-onboarding")},
                              displayed(environment), {"main window shown", "first check finished"});
    if (!at)
        return std::nullopt;
    return Launched{(*at)[0] - deliberateWindowDelayMs, (*at)[1]};
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

namespace {

// The window's first paint against a bare Qt window's of the same size, each from its process
// start, alternating which goes first; ours leaves out the deliberate wait. The iteration time is
// ours.
void StartupAgainstBareWindow(benchmark::State& state) {
    double ours = 0, bare = 0;
    int rounds = 0;
    for (auto _ : state) {
        std::optional<double> mine, peer;
        for (const bool oursNow : {rounds % 2 == 0, rounds % 2 != 0}) {
            if (oursNow) {
                if (const auto launched = launch(false))
                    mine = launched->window;
            } else if (const auto at = timeLines(QStringLiteral(QUENLARK_BARE_WINDOW), {},
                                                 displayed(QProcessEnvironment::systemEnvironment()), {"painted"})) {
                peer = at->first();
            }
        }
        if (!mine || !peer) {
            state.SkipWithError("a window did not report its first paint");
            return;
        }
        ours += *mine;
        bare += *peer;
        state.SetIterationTime(*mine / 1000);
        ++rounds;
    }
    const double n = rounds ? double(rounds) : 1;
    state.counters["window_ms"] = ours / n;
    state.counters["bare_window_ms"] = bare / n;
    state.counters["ratio"] = bare > 0 ? ours / bare : 0;
}
BENCHMARK(StartupAgainstBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6)->Repetitions(3);

} // namespace
