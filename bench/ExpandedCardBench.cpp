// Opening one card with 40 sources tried and 200 lines of release notes: building the card and
// its detail pane and laying it out at the main window's width, then each turn after it until
// every source is listed and the notes are in (a long list and long notes go in over those turns).
// Reported: the GUI thread's CPU time in the longest of those turns.
// Aim: under 8 ms (half a frame), on a busy machine too.
#include "model/AppItem.h"
#include "model/Launch.h"
#include "model/Motion.h"
#include "runtime/MakeShared.h"
#include "support/ThreadCpu.h"
#include "views/cards/AppCard.h"
#include "views/detail/AttemptRow.h"
#include "views/detail/NotesLabel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QVBoxLayout>

#include <algorithm>
#include <clocale>
#include <cstdlib>

namespace {
constexpr int sources = 40;

std::shared_ptr<AppItem> heavyRow() {
    InstalledApp app;
    app.url = QStringLiteral("/Applications/Heavy.app");
    app.folder = QStringLiteral("/Applications");
    app.name = QStringLiteral("Heavy");
    app.bundleID = QStringLiteral("org.example.heavy");
    app.version = QStringLiteral("1.0");
    app.team = QStringLiteral("ABCDE12345");
    auto item = makeShared<AppItem>(app);
    QList<Attempt> attempts;
    for (int i = 0; i < sources; ++i)
        attempts.append(Attempt(
            SourceKind::sparkle, QStringLiteral("https://example.org/feeds/%1/a/rather/long/path/appcast.xml").arg(i),
            QStringLiteral("2.%1").arg(i),
            i % 3 ? Attempt::Outcome::fail(QStringLiteral("The feed answered 404")) : Attempt::Outcome::pass()));
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral(
                     "- **Fixed** issue %1 where the _sidebar_ lost its place, see [#%1](https://example.org/%1)")
                     .arg(i);
    Release release;
    release.kind = SourceKind::github;
    release.version = QStringLiteral("2.0");
    release.notes = lines.join(QLatin1Char('\n'));
    release.notesURL = QUrl(QStringLiteral("https://example.org/releases"));
    release.download =
        Download{QUrl(QStringLiteral("https://example.org/a.zip")), 1000, std::nullopt, std::nullopt, std::nullopt};
    item->setRelease(release);
    item->setAttempts(attempts);
    item->setStatus(Status::update());
    return item;
}

void BuildAndLayOutExpandedCard(benchmark::State& state) {
    const auto item = heavyRow();
    for (auto _ : state) {
        QWidget host;
        auto* column = new QVBoxLayout(&host);
        const double started = threadCpuMs();
        auto* card = new AppCard(item, nullptr, {}, &host);
        card->setExpanded(true);
        column->addWidget(card);
        host.resize(880, 600);
        host.layout()->activate();
        benchmark::DoNotOptimize(card->sizeHint());
        // The list asks an open card its height for the width the card has.
        benchmark::DoNotOptimize(card->heightForWidth(card->width()));
        double longest = threadCpuMs() - started;
        const NotesLabel* notes = card->findChild<NotesLabel*>();
        const auto opening = [&] { return notes->filling() || card->findChildren<AttemptRow*>().size() < sources; };
        while (opening()) {
            const double turn = threadCpuMs();
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            host.layout()->activate();
            benchmark::DoNotOptimize(card->heightForWidth(card->width()));
            longest = std::max(longest, threadCpuMs() - turn);
        }
        state.SetIterationTime(longest / 1000);
    }
}
BENCHMARK(BuildAndLayOutExpandedCard)->Unit(benchmark::kMillisecond)->UseManualTime();
} // namespace
