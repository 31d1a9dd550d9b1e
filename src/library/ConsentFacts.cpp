#include "library/ConsentFacts.h"

#include "runtime/OutsideText.h"

// The name, signer and team come from the download and the library: cleaned and bounded like
// every other outside text, so none can reorder, split or swamp the question around it.
ConsentFacts ConsentFacts::of(const PackageConsent& consent) {
    ConsentFacts sheet;
    sheet.title = OutsideText::isolated(consent.app) +
                  QStringLiteral(" installs with a package and needs your administrator password");
    sheet.warning =
        QStringLiteral("Its installer runs with administrator rights and can put files anywhere on this Mac, "
                       "not only in Applications. macOS asks for your password next; Quenlark never sees it.");
    if (consent.checksum)
        sheet.facts << QStringLiteral("Checksum matches the Homebrew cask");
    sheet.facts << QStringLiteral("Signed by ") + OutsideText::isolated(consent.signer);
    if (consent.sameTeam)
        sheet.facts << QStringLiteral("Same developer team (") + OutsideText::isolated(consent.team) +
                           QStringLiteral(") as on your other Mac");
    if (consent.notarized)
        sheet.facts << QStringLiteral("Notarized by Apple");
    return sheet;
}
