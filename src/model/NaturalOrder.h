#pragma once

#include <QCollatorSortKey>
#include <QString>

// The localized standard comparison of names shown in lists, as a file manager sorts them:
// numbers inside names compare by value, case and width differences are ignored, in the
// user's locale. One collator serves the whole program; every function here is thread-safe.
namespace NaturalOrder {

// Negative, zero or positive as `a` sorts before, with or after `b`.
int compare(const QString& a, const QString& b);

// A key that compares as `text` does; sorting many names through keys is much faster.
QCollatorSortKey sortKey(const QString& text);

} // namespace NaturalOrder
