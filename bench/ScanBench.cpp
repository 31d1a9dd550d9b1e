// Scans generated application folders: 40 folders holding the bundles evenly, a fifth of each
// folder's bundles one level down in a sub-folder, as the Applications folders usually are.
#include "model/Scanner.h"

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

// A thin 64-bit Mach-O header with no load commands: the signature read stops early.
QByteArray executable() {
    QByteArray bytes(4096, '\0');
    const unsigned char header[] = {0xCF, 0xFA, 0xED, 0xFE, 0x0C, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0x02, 0, 0, 0};
    std::copy(std::begin(header), std::end(header), bytes.begin());
    return bytes;
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

void scan(benchmark::State& state) {
    const auto bundles = int(state.range(0));
    const auto& folders = tree(bundles).folders;
    for (auto _ : state) {
        const auto apps = Scanner::scan(folders);
        if (apps.size() != bundles)
            state.SkipWithError("a bundle was missed");
        benchmark::DoNotOptimize(apps);
    }
    state.SetItemsProcessed(state.iterations() * bundles);
}

BENCHMARK(scan)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

