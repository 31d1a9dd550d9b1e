#pragma once

#include "model/NotchMode.h"
#include "model/Theme.h"

#include <QList>
#include <QLocale>
#include <QSize>
#include <QString>

// What the settings window's general and updates tabs offer, in display order, and the rules of
// its size and its updates footer.
namespace SettingsChoices {

struct Tab {
    QString tag;
    QString label;
    QString symbol;
};
const QList<Tab>& tabs();
// 560 wide; 600 high on "account", 420 on every other tab.
QSize size(const QString& tag);

struct Interval {
    QString label;
    qint64 hours = 0;
};
const QList<Interval>& intervals();
// The entry holding `hours`, or -1 when the stored value is none of them.
int intervalIndex(qint64 hours);

QString label(NotchMode mode);
QString label(Theme theme);

// The footer under the notch picker.
QString notchFooter(NotchMode mode);
// The quiet-hours section is shown for every mode but never.
bool showsQuietHours(NotchMode mode);

// The label of an hour of the day, from the hour alone in `locale`'s short time format, so that
// a day whose clock change skips or repeats an hour still lists 24 different labels.
QString hour(int hour, const QLocale& locale = QLocale::system());

} // namespace SettingsChoices
