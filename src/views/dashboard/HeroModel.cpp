#include "views/dashboard/HeroModel.h"

#include "runtime/Clock.h"
#include "store/Store.h"
#include "views/dashboard/DashboardTally.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {
QString tr(const char* text) { return QCoreApplication::translate("Hero", text); }

// The locale's short time format with hours and minutes only: some locales (the C locale among
// them) put seconds in it. A seconds or milliseconds field goes with the separator before it;
// quoted text stays.
QString hoursAndMinutes(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    QString kept;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c == u'\'' || (c != u's' && c != u'z')) {
            kept += c;
            continue;
        }
        while (!kept.isEmpty() && !kept.back().isLetter() && kept.back() != u'\'')
            kept.chop(1);
    }
    return kept;
}
} // namespace

namespace HeroModel {

QString headline(const Store& store) {
    if (store.scanning()) {
        if (store.toCheck() == 0)
            return u"Scanning your apps…"_s;
        return u"Checking "_s + QString::number(store.checked()) + u" of "_s + QString::number(store.toCheck()) +
               u"…"_s;
    }
    const auto& tally = DashboardTally::of(store);
    const int updates = tally.updates;
    if (updates == 1)
        return u"1 update ready"_s;
    if (updates >= 2)
        return QString::number(updates) + u" updates ready"_s;
    if (tally.cantVerify >= 1)
        return u"No updates found"_s;
    return u"Everything's up to date"_s;
}

QString summary(const Store& store, const Clock& clock, const QLocale& locale) {
    const auto& tally = DashboardTally::of(store);
    // "1 apps" on purpose: one form whatever the number.
    QStringList parts{QString::number(tally.visible) + u" apps"_s, QString::number(tally.upToDate) + u" up to date"_s};
    if (const int odd = tally.cantVerify; odd > 0)
        parts.append(QString::number(odd) + u" can't be verified"_s);
    if (const int ignored = tally.ignored; ignored > 0)
        parts.append(QString::number(ignored) + u" ignored"_s);
    if (store.lastChecked() && !store.scanning()) {
        const QTime time = store.lastChecked()->toTimeZone(clock.timeZone()).time();
        parts.append(u"checked "_s + locale.toString(time, hoursAndMinutes(locale)));
    }
    return parts.join(u"  ·  "_s);
}

QString updateAllTitle(const Store& store) {
    const int count = DashboardTally::of(store).installable;
    if (count == 0)
        return tr("Update All");
    return tr("Update All  %1").arg(count);
}

bool updateAllEnabled(const Store& store) { return DashboardTally::of(store).installable > 0 && !store.updatingAll(); }

bool checkAgainEnabled(const Store& store) { return !store.scanning(); }

QString checkAgainHelp() { return tr("Check every app again (Ctrl+R)"); }
QString checkAgainLabel() { return tr("Check again"); }
QString settingsHelp() { return tr("Settings (Ctrl+,)"); }
QString settingsLabel() { return tr("Settings"); }
QString updateAllHelp() {
    return tr("Download, verify and install every update Quenlark can install, one at a time (Ctrl+Shift+U)");
}

} // namespace HeroModel
