#pragma once

#include <QString>
#include <QStringList>

// The fixed texts of the welcome window's introductory pages.
namespace WelcomePage {

enum class Page { hero, sources, safety, notch, setup };

struct Text {
    QString title; // may hold a line break
    QString subtitle;
};

// The title and subtitle of the four introductory pages.
Text text(Page page);

// The update sources' names, in their order, and the features, for the two chip rows.
QStringList sourceChips();
QStringList featureChips();

// The verification steps the safety page ticks off.
QStringList safetySteps();
// The safety page's accessible summary.
QString safetySummary(const QStringList& steps);
// How many steps show as passed `seconds` into a round: one more every 0.5 s, the last one
// standing 2.2 s before the next round starts from none.
int safetyDone(double seconds, int steps);
double safetyRound(int steps);
// How long ago step `step` (from 0) passed in the round `seconds` is in; negative before it has.
double safetySince(double seconds, int step, int steps);

} // namespace WelcomePage
