#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <optional>

class LibraryItem;

// What the card asking to remove entries from the library says: the title naming them, what
// removing means, and, while some entry is still on a Mac, that the Mac adds it back.
struct RemovalWording {
    QString title;
    QString explanation;
    std::optional<QString> warning;

    static RemovalWording of(const QList<std::shared_ptr<LibraryItem>>& items);
};
