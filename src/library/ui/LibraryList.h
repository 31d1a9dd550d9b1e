#pragma once

#include "store/Device.h"
#include "store/Store.h"

#include <QHash>
#include <QPointer>
#include <QScrollArea>
#include <QSet>

class LibraryRow;
class QSpacerItem;
class QTimer;
class QVariantAnimation;
class QVBoxLayout;

// The scrolling column of library rows, one per entry id, reused across changes. Only the rows
// scrolled past and in view are listed at once, one view ahead a frame later; a spacer stands for the rest, so a new
// tab or search over thousands of entries lays out a screenful.
class LibraryList : public QScrollArea {
    Q_OBJECT
public:
    LibraryList(Store& store, QWidget* parent = nullptr);

    void setRows(Store::LibraryRows rows, QList<Device> devices, QString here);

    // The built, listed row of an entry, or null.
    LibraryRow* row(const QString& id) const;
    int built() const { return static_cast<int>(rows_.size()); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // `changed`: the rows themselves changed (not only how far they are listed), so the rows
    // that come and go show it.
    void apply(bool changed);
    // Fades a row in from 10 below its place, or out moving 10 down, by the standard animation;
    // a later slide of the same row takes over.
    void slide(LibraryRow* row, bool in);
    // Springs a row that stays from `fromY` to the place the layout gives it; a later move of the
    // same row takes over, and a layout pass under way becomes the new end.
    void glide(QWidget* row, int fromY);
    // How long after the first queued row above it `row` shows it is queued.
    double queueDelay(const QWidget* row) const;
    // Deletes the rows of entries that left the library, once they are out of sight.
    void sweep();

    Store& store_;
    Store::LibraryRows items_;
    QList<Device> devices_;
    QString here_;
    QWidget* content_;
    QVBoxLayout* column_;
    QSpacerItem* tail_;
    QHash<QString, LibraryRow*> rows_;
    QHash<QString, std::weak_ptr<LibraryItem>> entries_;
    QList<QWidget*> order_;
    QSet<QWidget*> leaving_;
    QHash<QWidget*, QPointer<QVariantAnimation>> gliding_;
    QTimer* more_;
    bool ahead_ = false; // this pass also builds the view below
    int rowHeight_ = 66;
    bool measured_ = false;
    bool settled_ = false; // what it first showed was on the screen
};
