#include "views/cards/RowAccessoryModel.h"

#include "views/kit/Shown.h"

namespace RowAccessoryModel {

namespace {
using Kind = Content::Kind;
using Tint = Palette::Tint;

Content tag(QString title, QString symbol, Tint tint, QString help = {}) {
    Content c;
    c.kind = Kind::tag;
    c.title = std::move(title);
    c.symbol = std::move(symbol);
    c.tint = tint;
    c.help = std::move(help);
    return c;
}

Content button(QString title, bool prominent, RowAction action, QString help = {}) {
    Content c;
    c.kind = Kind::button;
    c.title = std::move(title);
    c.prominent = prominent;
    c.action = std::move(action);
    c.help = std::move(help);
    return c;
}

Content progress(std::optional<double> value, QString label) {
    Content c;
    c.kind = Kind::progress;
    c.value = value;
    c.title = std::move(label);
    return c;
}

Content updateAction(const RowFacts& row) {
    const auto& release = row.release;
    const auto& app = row.app;
    if (release && release->kind.traits().opensStore)
        return button(QStringLiteral("App Store"), false, {RowAction::Kind::openStore, {}},
                      QStringLiteral("Mac App Store updates install through the App Store"));
    if (release && release->kind.traits().updatesItself)
        return tag(QStringLiteral("In-app update"), QStringLiteral("arrow.down.app"), Tint::accent,
                   QStringLiteral("This Electron app installs its own updates. Open it to update."));
    if (app.canInstall(release))
        return button(QStringLiteral("Update"), true, {RowAction::Kind::update, {}});
    if (release && release->notesURL) {
        QString help;
        if (app.isQuenlark())
            help = Shown::selfReplacementHelp();
        else if (!release->download)
            help = QStringLiteral("The source has no Mac download Quenlark can install; this opens its page");
        else
            help = Shown::unsignedDownloadHelp(app);
        return button(QStringLiteral("Download…"), false, {RowAction::Kind::openURL, release->notesURL}, help);
    }
    if (release && release->download) {
        // For this app itself the unsigned-download sentence would be untrue; the tag then
        // says what it needs to without a help text.
        return tag(QStringLiteral("Get it yourself"), QStringLiteral("arrow.down.app"), Tint::secondary,
                   app.isQuenlark() ? QString() : Shown::unsignedDownloadHelp(app));
    }
    return {};
}

Content idle(const RowFacts& row) {
    if (row.checking || row.status.kind() == Status::Kind::checking) {
        Content c;
        c.kind = Kind::ring;
        return c;
    }
    switch (row.status.kind()) {
    case Status::Kind::cantVerify:
        return tag(QStringLiteral("Can't verify"), QStringLiteral("exclamationmark.triangle.fill"), Tint::orange,
                   row.status.reason());
    case Status::Kind::ignored:
        return tag(QStringLiteral("Ignored"), QStringLiteral("eye.slash"), Tint::secondary, row.status.reason());
    case Status::Kind::update:
        return updateAction(row);
    case Status::Kind::upToDate:
        return tag(QStringLiteral("Up to date"), QStringLiteral("checkmark"), Tint::secondary);
    case Status::Kind::checking:
        break;
    }
    return {};
}
} // namespace

QUrl appManagementPane() {
    return QUrl(QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AppBundles"));
}

QString stateKey(const RowFacts& row) {
    switch (row.phase.kind()) {
    case InstallPhase::Kind::downloading:
        return QStringLiteral("downloading");
    case InstallPhase::Kind::queued:
        return QStringLiteral("queued");
    case InstallPhase::Kind::verifying:
        return QStringLiteral("verifying");
    case InstallPhase::Kind::installing:
        return QStringLiteral("installing");
    case InstallPhase::Kind::done:
        return QStringLiteral("done");
    case InstallPhase::Kind::blocked:
        return QStringLiteral("blocked");
    case InstallPhase::Kind::failed:
        return QStringLiteral("failed(") + row.phase.message() + QLatin1Char(')');
    case InstallPhase::Kind::idle:
        break;
    }
    if (row.checking)
        return QStringLiteral("checking");
    switch (row.status.kind()) {
    case Status::Kind::checking:
        return QStringLiteral("checking");
    case Status::Kind::cantVerify:
        return QStringLiteral("Can't verify");
    case Status::Kind::ignored:
        return QStringLiteral("Ignored");
    case Status::Kind::upToDate:
        return QStringLiteral("Up to date");
    case Status::Kind::update:
        return QStringLiteral("Update available");
    }
    return {};
}

Content content(const RowFacts& row) {
    switch (row.phase.kind()) {
    case InstallPhase::Kind::queued:
        return tag(QStringLiteral("Queued"), QStringLiteral("clock"), Tint::secondary);
    case InstallPhase::Kind::downloading:
        return progress(row.phase.fraction(),
                        QString::number(Shown::percentTruncated(row.phase.fraction())) + QLatin1Char('%'));
    case InstallPhase::Kind::verifying:
        return progress(std::nullopt, QStringLiteral("Verifying"));
    case InstallPhase::Kind::installing:
        return progress(std::nullopt, QStringLiteral("Installing"));
    case InstallPhase::Kind::done: {
        Content c;
        c.kind = Kind::doneMark;
        c.title = QStringLiteral("Updated");
        return c;
    }
    case InstallPhase::Kind::failed:
        return tag(QStringLiteral("Failed"), QStringLiteral("xmark.octagon.fill"), Tint::red, row.phase.message());
    case InstallPhase::Kind::blocked:
        return button(QStringLiteral("Allow…"), false, {RowAction::Kind::openURL, appManagementPane()},
                      QStringLiteral("macOS needs App Management permission for Quenlark before it can change this "
                                     "app. Opens System Settings."));
    case InstallPhase::Kind::idle:
        break;
    }
    return idle(row);
}

} // namespace RowAccessoryModel
