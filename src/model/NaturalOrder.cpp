#include "model/NaturalOrder.h"

#include <QCollator>
#include <QMutex>

namespace NaturalOrder {
namespace {

struct Shared {
    QMutex lock;
    QCollator collator;

    Shared() : collator(locale()) {
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    // In the C locale Qt compares code points and ignores every option, so a user without a
    // locale gets the English order instead.
    static QLocale locale() {
        const QLocale user;
        return user.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : user;
    }
};

Shared& shared() {
    static Shared s;
    return s;
}

} // namespace

int compare(const QString& a, const QString& b) {
    auto& s = shared();
    QMutexLocker locker(&s.lock);
    return s.collator.compare(a, b);
}

QCollatorSortKey sortKey(const QString& text) {
    auto& s = shared();
    QMutexLocker locker(&s.lock);
    return s.collator.sortKey(text);
}

} // namespace NaturalOrder
