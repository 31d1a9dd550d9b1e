#include "library/RemovalWording.h"

#include "runtime/OutsideText.h"
#include "store/LibraryItem.h"

#include <algorithm>

RemovalWording RemovalWording::of(const QList<std::shared_ptr<LibraryItem>>& items) {
    const qsizetype n = items.size();
    const bool one = n == 1;
    const QString name =
        one ? OutsideText::isolated(items.front()->app().name) : QString::number(n) + QStringLiteral(" apps");
    RemovalWording wording;
    wording.title = QStringLiteral("Remove ") + name + QStringLiteral(" from your Library?");
    wording.explanation = (one ? QStringLiteral("It") : QStringLiteral("They")) +
                          QStringLiteral(" won't be listed for your other Macs any more, so you can't reinstall ") +
                          (one ? QStringLiteral("it") : QStringLiteral("them")) +
                          QStringLiteral(" from here. Nothing is uninstalled.");
    const auto still =
        std::count_if(items.begin(), items.end(), [](const auto& item) { return item && !item->removedEverywhere(); });
    if (still >= 1)
        wording.warning =
            one ? QStringLiteral("It's still on one of your Macs, so that Mac adds it back the next time it syncs.")
                : QString::number(still) + QStringLiteral(" of them ") +
                      (still == 1 ? QStringLiteral("is") : QStringLiteral("are")) +
                      QStringLiteral(" still on one of your Macs, and come") +
                      (still == 1 ? QStringLiteral("s") : QString()) + QStringLiteral(" back when that Mac syncs.");
    return wording;
}
