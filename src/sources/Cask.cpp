#include "sources/Cask.h"

#include "runtime/CheckError.h"
#include "sources/WebLink.h"

#include <QFileInfo>
#include <QRegularExpression>

const QMap<int, QString>& Cask::codenames() {
    static const QMap<int, QString> table{
        {11, QStringLiteral("big_sur")},     {12, QStringLiteral("monterey")}, {13, QStringLiteral("ventura")},
        {14, QStringLiteral("sonoma")},      {15, QStringLiteral("sequoia")},  {26, QStringLiteral("tahoe")},
        {27, QStringLiteral("golden_gate")},
    };
    return table;
}

std::optional<QString> Cask::variationKey(bool arm, int macOS) {
    const auto& table = codenames();
    QString codename = table.value(macOS);
    if (codename.isEmpty()) {
        // A release newer than the table uses the newest codename known.
        if (macOS <= table.lastKey())
            return std::nullopt;
        codename = table.last();
    }
    return arm ? QStringLiteral("arm64_") + codename : codename;
}

std::optional<QString> Cask::repo(const QString& text) {
    // The host must stand on its own (the start, "//", a subdomain dot or "@" before it), so that
    // a host that merely ends in the same letters, such as notgithub.com, is not taken for it.
    const QRegularExpression pattern(QStringLiteral(R"((?<=^|//|\.|@)github\.com/[^/]+/[^/#?]+)"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QStringList pieces = match.captured(0).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString name = pieces.value(2);
    if (name.endsWith(QLatin1String(".git")))
        name.chop(4);
    return pieces.value(1) + QLatin1Char('/') + name;
}

std::optional<QString> Cask::githubRepo() const {
    if (homepage) {
        if (auto found = repo(*homepage))
            return found;
    }
    if (url)
        return repo(url->toString());
    return std::nullopt;
}

Release Cask::release() const {
    if (version == QLatin1String("latest"))
        throw CheckError(QStringLiteral("The cask is unversioned (version :latest), so it can't say what's newest"));
    Release result;
    result.kind = SourceKind::homebrew;
    const QStringList pieces = version.split(QLatin1Char(','), Qt::SkipEmptyParts);
    // A cask without any version text gives no version rather than an empty one, so that no
    // sentence ever shows a blank where the version belongs.
    if (!pieces.isEmpty())
        result.version = pieces.first();
    result.notesURL = WebLink::web(homepage);
    if (url && !pkg && QFileInfo(url->path()).suffix().toLower() != QLatin1String("pkg")) {
        Download download;
        download.url = *url;
        if (sha256 && *sha256 != QLatin1String("no_check"))
            download.sha256 = sha256;
        result.download = download;
    }
    return result;
}
