#include "settings/SettingsChoices.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTime>

namespace SettingsChoices {
namespace {

QString tr(const char* text) { return QCoreApplication::translate("SettingsView", text); }

} // namespace

const QList<Tab>& tabs() {
    static const QList<Tab> all{
        {QStringLiteral("general"), tr("General"), QStringLiteral("gearshape")},
        {QStringLiteral("updates"), tr("Updates"), QStringLiteral("arrow.down.circle")},
        {QStringLiteral("account"), tr("Account"), QStringLiteral("person.crop.circle")},
        {QStringLiteral("apps"), tr("Apps"), QStringLiteral("square.grid.2x2")},
        {QStringLiteral("permissions"), tr("Permissions"), QStringLiteral("lock.shield")},
    };
    return all;
}

QSize size(const QString& tag) { return {560, tag == QLatin1String("account") ? 600 : 420}; }

const QList<Interval>& intervals() {
    static const QList<Interval> all{
        {tr("Only when I ask"), 0}, {tr("Every hour"), 1},   {tr("Every 6 hours"), 6},
        {tr("Every day"), 24},      {tr("Every week"), 168},
    };
    return all;
}

int intervalIndex(qint64 hours) {
    const auto& all = intervals();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].hours == hours)
            return int(i);
    }
    return -1;
}

QString label(NotchMode mode) {
    switch (mode) {
    case NotchMode::smart:
        return tr("Smart (recommended)");
    case NotchMode::daily:
        return tr("At most once a day");
    case NotchMode::login:
        return tr("Only at login");
    case NotchMode::never:
        return tr("Never (menu bar count only)");
    }
    return {};
}

QString label(Theme theme) {
    switch (theme) {
    case Theme::system:
        return tr("Match System");
    case Theme::light:
        return tr("Light");
    case Theme::dark:
        return tr("Dark");
    }
    return {};
}

QString notchFooter(NotchMode mode) {
    if (mode == NotchMode::never)
        return tr("Updates show as a count on the menu bar icon, and as a notification if notifications are allowed.");
    return tr("Smart: once after login, after unlocking if it's been 8 hours, and when a check finds something new, "
              "at most once a day. It waits out quiet hours, full-screen apps and other apps' notch panels.");
}

bool showsQuietHours(NotchMode mode) { return mode != NotchMode::never; }

QString hour(int hour, const QLocale& locale) {
    // The shortened style shows no seconds; a few locales (C among them) still have a field.
    static const QRegularExpression seconds(QStringLiteral("[:.]ss?"));
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(seconds);
    return locale.toString(QTime(hour, 0), format);
}

} // namespace SettingsChoices
