#include "views/detail/DetailPaneModel.h"

#include "install/Uninstall.h"
#include "runtime/OutsideText.h"
#include "views/kit/Shown.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>

namespace DetailPaneModel {

namespace {
constexpr QChar dash(0x2014);
}

std::optional<Button> updateButton(const RowFacts& row) {
    const auto& release = row.release;
    if (row.status.kind() != Status::Kind::update || !release)
        return std::nullopt;
    if (release->kind.traits().opensStore)
        return Button{QStringLiteral("Open in App Store"), {RowAction::Kind::openStore, {}}, true, {}};
    if (row.app.canInstall(release))
        return Button{QStringLiteral("Update to ") + Shown::offered(release, Shown::Place::sentence),
                      {RowAction::Kind::update, {}},
                      !row.busy(),
                      {}};
    if (release->notesURL) {
        QString help;
        if (row.app.isQuenlark())
            help = Shown::selfReplacementHelp();
        else if (!release->download)
            help = QStringLiteral("Opens the app's page");
        else
            help = Shown::unsignedDownloadHelp(row.app);
        return Button{QStringLiteral("Download…"), {RowAction::Kind::openURL, release->notesURL}, true, help};
    }
    return std::nullopt;
}

QList<Button> ignoreMenu(const RowFacts& row) {
    QList<Button> entries;
    if (row.status.kind() == Status::Kind::update && row.release)
        entries.append({QStringLiteral("Skip Version ") + Shown::offered(row.release, Shown::Place::sentence),
                        {RowAction::Kind::ignoreVersion, {}},
                        true,
                        {}});
    if (row.status.kind() == Status::Kind::ignored)
        entries.append({QStringLiteral("Stop Ignoring"), {RowAction::Kind::unignore, {}}, true, {}});
    else
        entries.append(
            {QStringLiteral("Ignore ") + OutsideText::isolated(row.app.name), {RowAction::Kind::ignore, {}}, true, {}});
    return entries;
}

Button uninstallButton(const RowFacts& row) {
    const auto reason = Uninstall::protectedReason(row.app);
    const QString help = reason ? *reason
                                : QStringLiteral("Move ") + OutsideText::isolated(row.app.name) +
                                      QStringLiteral(" to the Trash, and its data too if you choose (Ctrl+Backspace)");
    return Button{QStringLiteral("Uninstall…"), {RowAction::Kind::remove, {}}, row.removable(), help};
}

QString revealHelp() { return QObject::tr("Show in Finder"); }

QList<QPair<QString, QString>> details(const RowFacts& row) {
    QList<QPair<QString, QString>> rows;
    rows.append({QStringLiteral("Version"), OutsideText::clean(row.app.version.value_or(QString(dash)))});
    rows.append({QStringLiteral("Build"), OutsideText::clean(row.app.build.value_or(QString(dash)))});
    rows.append({QStringLiteral("Team ID"),
                 OutsideText::clean(Shown::team(row.app, QStringLiteral("No Team ID (ad-hoc or unsigned)")))});
    rows.append({QStringLiteral("Source"), row.release ? Shown::source(row.release) : QString(dash)});
    if (row.release) {
        const auto& release = *row.release;
        const QString latest = release.build
                                   ? OutsideText::isolated(release.version.value_or(*release.build)) +
                                         QStringLiteral(" (") + OutsideText::isolated(*release.build) + QLatin1Char(')')
                                   : OutsideText::clean(release.version.value_or(QStringLiteral("?")));
        rows.append({QStringLiteral("Latest"), latest});
    }
    rows.append({QStringLiteral("Location"), OutsideText::clean(QFileInfo(row.app.url).path())});
    return rows;
}

QList<LogLine> installLog(const RowFacts& row) {
    QList<LogLine> lines;
    for (qsizetype i = 0; i < row.installLog.size(); ++i) {
        if (i == 0 && row.phase.kind() == InstallPhase::Kind::failed)
            lines.append({row.installLog[i], QStringLiteral("xmark.circle.fill"), Palette::Tint::red});
        else
            lines.append({row.installLog[i], QStringLiteral("checkmark.circle"), Palette::Tint::secondary});
    }
    return lines;
}

QString noAttempts(const RowFacts& row) {
    return row.status.kind() == Status::Kind::ignored ? QStringLiteral("Ignored apps aren't checked.")
                                                      : QStringLiteral("Not checked yet.");
}

Notes releaseNotes(const RowFacts& row) {
    Notes notes;
    if (!row.release)
        return notes;
    const auto& release = *row.release;
    if (release.notes && !release.notes->isEmpty()) {
        notes.kind = Notes::Kind::box;
        notes.text = OutsideText::clean(*release.notes, OutsideText::Lines::many, OutsideText::notesBound);
        notes.markdown = release.kind.traits().markdownNotes;
        notes.url = release.notesURL;
        if (notes.url)
            notes.linkTitle = QStringLiteral("Full release notes");
    } else if (release.notesURL) {
        notes.kind = Notes::Kind::link;
        notes.url = release.notesURL;
        notes.linkTitle = QStringLiteral("Open release notes");
    }
    return notes;
}

} // namespace DetailPaneModel
