// Scans generated application folders: 40 folders holding the bundles evenly, a fifth of each
// folder's bundles one level down in a sub-folder, as the Applications folders usually are. Each
// bundle carries a universal executable signed for a team, as a user's applications do. The
// peer reads the same Info.plist files with `find ... -exec cat {} +`.
#include "model/Scanner.h"

#include "CodeSigner.h"
#include "MachOBuilder.h"
#include "TestPki.h"

#include "support/PeerRuns.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int folderCount = 40;

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray infoPlist(int index) {
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>CFBundleDevelopmentRegion</key><string>en</string>
	<key>CFBundleExecutable</key><string>App</string>
	<key>CFBundleIdentifier</key><string>com.example.app%1</string>
	<key>CFBundleInfoDictionaryVersion</key><string>6.0</string>
	<key>CFBundleName</key><string>App %1</string>
	<key>CFBundlePackageType</key><string>APPL</string>
	<key>CFBundleShortVersionString</key><string>2.%1.0</string>
	<key>CFBundleVersion</key><string>%1</string>
	<key>LSMinimumSystemVersion</key><string>12.0</string>
	<key>NSHighResolutionCapable</key><true/>
	<key>NSPrincipalClass</key><string>NSApplication</string>
	<key>SUFeedURL</key><string>https://example.com/app%1/appcast.xml</string>
	<key>SUPublicEDKey</key><string>lqnO6tg2A9evTIFo2SC9ArZ6NS84gtBshcAWdwh12xQ=</string>
</dict>
</plist>
)")
        .arg(index)
        .toUtf8();
}

// Two slices of 200 KiB of code each, signed for one team with the Info.plist sealed.
QByteArray executable() {
    CodeSigner::Options options;
    options.identifier = QStringLiteral("com.example.app");
    options.identity = &TestPki::shared().teamA;
    options.infoPlist = infoPlist(0);
    QList<QByteArray> slices;
    for (const uint32_t cpu : {MachOBuilder::x86_64, MachOBuilder::arm64})
        slices.append(CodeSigner::sign(MachOBuilder::image(cpu, 200 * 1024, cpu), options).image);
    return MachOBuilder::universal(slices);
}

struct Tree {
    QTemporaryDir root;
    QStringList folders;
};

const Tree& tree(int bundles) {
    static std::map<int, std::unique_ptr<Tree>> made;
    auto& slot = made[bundles];
    if (slot)
        return *slot;
    slot = std::make_unique<Tree>();
    const auto exe = executable();
    int index = 0;
    for (int f = 0; f < folderCount; ++f) {
        const auto folder = slot->root.filePath(QStringLiteral("Folder %1").arg(f));
        slot->folders.append(folder);
        const int here = bundles / folderCount + (f < bundles % folderCount ? 1 : 0);
        for (int b = 0; b < here; ++b, ++index) {
            const bool below = b % 5 == 4;
            const auto bundle = QStringLiteral("%1/%2App %3.app")
                                    .arg(folder, below ? QStringLiteral("Utilities/") : QString())
                                    .arg(index);
            QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS"));
            QDir().mkpath(bundle + QStringLiteral("/Contents/Resources"));
            write(bundle + QStringLiteral("/Contents/Info.plist"), infoPlist(index));
            write(bundle + QStringLiteral("/Contents/MacOS/App"), exe);
            if (index % 10 == 0)
                write(bundle + QStringLiteral("/Contents/Resources/app-update.yml"),
                      "owner: example\nrepo: app\nprovider: github\n");
        }
    }
    return *slot;
}

// Ours and the peer alternate within each repetition.
void scanVersusFindCat(benchmark::State& state) {
    const auto bundles = int(state.range(0));
    const auto& made = tree(bundles);
    alternatingWithPeer(state,
                        [&] {
                            const auto apps = Scanner::scan(made.folders);
                            return apps.size() == bundles && apps.first().team == QLatin1String("AAAAAAAAAA");
                        },
                        QStringLiteral("find"),
                        {made.root.path(), QStringLiteral("-name"), QStringLiteral("Info.plist"),
                         QStringLiteral("-exec"), QStringLiteral("cat"), QStringLiteral("{}"), QStringLiteral("+")});
    state.SetItemsProcessed(state.iterations() * bundles);
}

BENCHMARK(scanVersusFindCat)
    ->Arg(1000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5)
    ->Repetitions(7)
    ->Apply(withRange);

} // namespace
