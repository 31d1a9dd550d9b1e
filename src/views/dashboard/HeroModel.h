#pragma once

#include <QLocale>
#include <QString>

class Clock;
class Store;

// The texts and states of the dashboard's overview header. Computed texts are shown verbatim;
// fixed labels go through translation.
namespace HeroModel {

// What is going on now: scanning, check progress, updates ready, or all well.
QString headline(const Store& store);

// Counts of the visible rows and the time of the last check (in the clock's zone, the locale's
// short time format), joined by "  ·  ".
QString summary(const Store& store, const Clock& clock, const QLocale& locale = QLocale());

// "Update All", or "Update All  N" (two spaces) with the installable count.
QString updateAllTitle(const Store& store);
bool updateAllEnabled(const Store& store);
bool checkAgainEnabled(const Store& store);

QString checkAgainHelp();
QString checkAgainLabel();
QString settingsHelp();
QString settingsLabel();
QString updateAllHelp();

} // namespace HeroModel
