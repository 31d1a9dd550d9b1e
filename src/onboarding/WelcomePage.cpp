#include "onboarding/WelcomePage.h"

#include "model/SourceKind.h"

#include <QCoreApplication>

#include <cmath>

namespace WelcomePage {
namespace {

QString tr(const char* text) { return QCoreApplication::translate("WelcomePage", text); }

constexpr double tick = 0.5;
constexpr double rest = 2.2;

} // namespace

Text text(Page page) {
    switch (page) {
    case Page::hero:
        return {tr("EVERY APP.\nALWAYS CURRENT."),
                tr("Quenlark checks every app on your Mac, tells you honestly what's new, and installs updates only "
                   "after verifying them.")};
    case Page::sources:
        return {tr("Every source,\none place"),
                tr("App Store, Sparkle, Homebrew, GitHub and Electron, checked side by side. If Quenlark can't be "
                   "sure, it says so instead of guessing.")};
    case Page::safety:
        return {tr("Nothing changes\nuntil it's verified"),
                tr("If any check fails, your app is left exactly as it was. And the old version waits in the Trash, "
                   "just in case.")};
    case Page::notch:
    case Page::setup:
        break;
    }
    return {tr("Updates find you,\nright from the notch"),
            tr("New updates drop from the notch at a quiet moment. Install them there, snooze them, or open "
               "Quenlark. It never covers other apps' notch panels.")};
}

QStringList sourceChips() {
    QStringList chips;
    for (const SourceKind kind : SourceKinds::all())
        chips << SourceKinds::rawValue(kind);
    return chips;
}

QStringList featureChips() {
    return {tr("Checks every app"), tr("Honest status"), tr("Never a downgrade"), tr("Release notes"), tr("One click")};
}

QStringList safetySteps() {
    return {tr("Download size matches"), tr("Checksum matches the source"), tr("Signature valid (Sparkle EdDSA)"),
            tr("Same developer as your installed copy"), tr("Old version kept in the Trash")};
}

QString safetySummary(const QStringList& steps) {
    return tr("Every update is checked: ") + steps.join(QStringLiteral(", "));
}

double safetyRound(int steps) { return tick * steps + rest; }

double safetySince(double seconds, int step, int steps) {
    return std::fmod(std::max(0.0, seconds), safetyRound(steps)) - tick * (step + 1);
}

int safetyDone(double seconds, int steps) {
    const double into = std::fmod(std::max(0.0, seconds), safetyRound(steps));
    return std::min(steps, int(std::floor(into / tick + 1e-9)));
}

} // namespace WelcomePage
