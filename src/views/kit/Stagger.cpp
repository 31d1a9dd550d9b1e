#include "views/kit/Stagger.h"

#include <QTimer>

double Stagger::next(const QObject* group) {
    // The count starts again with the next turn's changes.
    if (asked_.isEmpty())
        QTimer::singleShot(0, [this] { asked_.clear(); });
    return step_ * asked_[group]++;
}
