// The leftover search over a Library of 50,000 files: 300 other applications' folders, crowded
// by-host preferences and launch agents, and the searched application's own folders holding
// `own` of the files.
#include "install/Leftovers.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int totalFiles = 50000;

void write(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write("0123456789abcdef");
}

// Spreads `count` files over nested folders below `root`, 50 to a folder.
void fill(const QString& root, int count) {
    for (int i = 0; i < count; ++i) {
        const QString dir = root + QStringLiteral("/d%1/e%2").arg(i / 500).arg((i / 50) % 10);
        if (i % 50 == 0)
            QDir().mkpath(dir);
        write(dir + QStringLiteral("/f%1").arg(i));
    }
}

struct Library {
    QTemporaryDir home;
    QString path;
};

std::unique_ptr<Library> build(int own) {
    auto lib = std::make_unique<Library>();
    lib->path = lib->home.filePath(QStringLiteral("Library"));
    const QString id = QStringLiteral("com.bench.app");
    const QStringList folders = {QStringLiteral("Application Support"), QStringLiteral("Caches"),
                                 QStringLiteral("Logs")};
    int made = 0;
    QDir().mkpath(lib->path + QStringLiteral("/Preferences/ByHost"));
    QDir().mkpath(lib->path + QStringLiteral("/LaunchAgents"));
    for (int i = 0; i < 300; ++i) {
        const QString other = QStringLiteral("com.vendor%1.app").arg(i);
        write(lib->path +
              QStringLiteral("/Preferences/ByHost/%1.0A1B2C3D-4E5F-6789-ABCD-EF0123456789.plist").arg(other));
        write(lib->path + QStringLiteral("/LaunchAgents/%1.helper.plist").arg(other));
        write(lib->path + QStringLiteral("/Preferences/%1.plist").arg(other));
        QDir().mkpath(lib->path + QStringLiteral("/Group Containers/TEAM.%1").arg(other));
        made += 3;
    }
    write(lib->path + QStringLiteral("/Preferences/ByHost/%1.0A1B2C3D-4E5F-6789-ABCD-EF0123456789.plist").arg(id));
    write(lib->path + QStringLiteral("/LaunchAgents/%1.helper.plist").arg(id));
    write(lib->path + QStringLiteral("/Preferences/%1.plist").arg(id));
    QDir().mkpath(lib->path + QStringLiteral("/Containers/%1/Data").arg(id));
    made += 3;

    // The application's own folders, then the others' share of what is left.
    fill(lib->path + QStringLiteral("/Application Support/") + id, own * 8 / 10);
    fill(lib->path + QStringLiteral("/Caches/") + id, own - own * 8 / 10);
    made += own;
    const int perOther = (totalFiles - made) / 300;
    for (int i = 0; i < 300; ++i) {
        const int count = i == 299 ? totalFiles - made : perOther;
        fill(lib->path + QLatin1Char('/') + folders[i % 3] + QStringLiteral("/com.vendor%1.app").arg(i), count);
        made += count;
    }
    return lib;
}

void BM_LeftoversSearch(benchmark::State& state) {
    static std::unique_ptr<Library> libraries[2];
    const int which = state.range(0) == 2000 ? 0 : 1;
    if (!libraries[which])
        libraries[which] = build(int(state.range(0)));
    InstalledApp app;
    app.name = QStringLiteral("Bench");
    app.bundleID = QStringLiteral("com.bench.app");
    const QSet<QString> installed = {app.bundleID};
    for (auto _ : state) {
        const auto found = Leftovers::find(app, libraries[which]->path, {}, installed);
        benchmark::DoNotOptimize(found);
        if (found.size() != 6)
            state.SkipWithError("unexpected leftovers");
    }
}

} // namespace

// Own files: a typical application (2,000) and one whose folders hold most of the Library.
BENCHMARK(BM_LeftoversSearch)->Arg(2000)->Arg(40000)->Unit(benchmark::kMillisecond);
