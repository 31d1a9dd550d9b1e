#include "views/detail/StatusCardModel.h"

#include "runtime/OutsideText.h"
#include "views/kit/Shown.h"

#include <optional>

namespace StatusCardModel {

namespace {
using Tint = Palette::Tint;

struct Progress {
    QString title;
    QString message;
};

std::optional<Progress> progress(const RowFacts& row) {
    const QString version =
        row.release ? Shown::offered(row.release, Shown::Place::sentence) : QStringLiteral("the update");
    switch (row.phase.kind()) {
    case InstallPhase::Kind::downloading:
        return Progress{QStringLiteral("Downloading ") + version,
                        QString::number(Shown::percentRounded(row.phase.fraction())) + QStringLiteral("% downloaded.")};
    case InstallPhase::Kind::queued:
        return Progress{QStringLiteral("Queued"), QStringLiteral("Waiting for the updates ahead of it.")};
    case InstallPhase::Kind::verifying:
        return Progress{QStringLiteral("Verifying ") + version,
                        QStringLiteral("Checking size, checksum, signatures and Team ID before anything changes.")};
    case InstallPhase::Kind::installing:
        return Progress{QStringLiteral("Installing ") + version,
                        QStringLiteral("Swapping in the new version; the old one goes to the Trash.")};
    default:
        return std::nullopt;
    }
}

std::optional<QString> failure(const RowFacts& row) {
    if (row.phase.kind() == InstallPhase::Kind::failed)
        return row.phase.message();
    if (row.phase.kind() == InstallPhase::Kind::blocked)
        return QStringLiteral("macOS needs your OK before Quenlark can change ") + OutsideText::isolated(row.app.name) +
               QStringLiteral(": turn on Quenlark under Privacy & Security \u203A App Management. The update retries "
                              "by itself once it's on.");
    return std::nullopt;
}

QString statusMessage(const RowFacts& row) {
    const QString installed = Shown::installed(row.app, Shown::Place::sentence);
    const QString offered = Shown::offered(row.release, Shown::Place::sentence);
    switch (row.status.kind()) {
    case Status::Kind::checking:
        return QStringLiteral("Looking for the newest version…");
    case Status::Kind::update:
        return installed + QStringLiteral(" \u2192 ") + offered + QStringLiteral(" from ") +
               Shown::source(row.release) + QLatin1Char('.');
    case Status::Kind::upToDate:
        return installed + QStringLiteral(" is current. The newest version ") +
               (row.release ? Shown::source(row.release) : QStringLiteral("the source")) +
               QStringLiteral(" lists is ") + offered + QLatin1Char('.');
    case Status::Kind::cantVerify:
        return QStringLiteral("Quenlark couldn't confirm whether this app is current. ") + row.status.reason() +
               QLatin1Char('.');
    case Status::Kind::ignored:
        return row.status.reason() + QLatin1Char('.');
    }
    return {};
}
} // namespace

Card card(const RowFacts& row) {
    Card result;
    const auto running = progress(row);
    const auto failed = failure(row);
    if (running) {
        result = {QStringLiteral("arrow.down.circle.dotted"), Tint::accent, running->title, running->message};
        return result;
    }
    if (row.phase.kind() == InstallPhase::Kind::blocked)
        result = {QStringLiteral("lock.shield.fill"), Tint::orange, QStringLiteral("Permission needed"), {}};
    else if (row.phase.kind() == InstallPhase::Kind::failed)
        result = {QStringLiteral("xmark.octagon.fill"), Tint::red, QStringLiteral("Update failed"), {}};
    else if (row.phase.kind() == InstallPhase::Kind::done)
        result = {QStringLiteral("checkmark.circle.fill"),
                  Tint::green,
                  QStringLiteral("Updated to ") + Shown::installed(row.app, Shown::Place::sentence),
                  {}};
    else {
        switch (row.status.kind()) {
        case Status::Kind::cantVerify:
            result = {
                QStringLiteral("exclamationmark.triangle.fill"), Tint::orange, QStringLiteral("Can't verify"), {}};
            break;
        case Status::Kind::ignored:
            result = {QStringLiteral("eye.slash.fill"), Tint::secondary, QStringLiteral("Ignored"), {}};
            break;
        case Status::Kind::checking:
            result = {QStringLiteral("clock"), Tint::secondary, QStringLiteral("Checking"), {}};
            break;
        case Status::Kind::update:
            result = {QStringLiteral("arrow.down.circle.fill"), Tint::accent, QStringLiteral("Update available"), {}};
            break;
        case Status::Kind::upToDate:
            result = {QStringLiteral("checkmark.seal.fill"), Tint::green, QStringLiteral("Up to date"), {}};
            break;
        }
    }
    result.message = failed ? *failed + QStringLiteral(" The installed app wasn't changed.") : statusMessage(row);
    return result;
}

} // namespace StatusCardModel
