#pragma once

#include "store/Device.h"
#include "store/Store.h"

#include <QHash>
#include <QScrollArea>

class LibraryRow;
class QSpacerItem;
class QTimer;
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
    void apply();

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
    QTimer* more_;
    bool ahead_ = false; // this pass also builds the view below
    int rowHeight_ = 66;
    bool measured_ = false;
};
