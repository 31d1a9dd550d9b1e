#pragma once

#include "store/LibraryTab.h"

#include <QHash>
#include <QWidget>

class QPushButton;
class Store;

// The segmented picker of the library's tabs, each segment its title and badge number; choosing
// one sets the store's tab.
class LibraryTabPicker : public QWidget {
    Q_OBJECT
public:
    LibraryTabPicker(Store& store, QWidget* parent = nullptr);

    // The badge numbers and the current tab.
    void show(const QHash<LibraryTab, int>& counts, LibraryTab current);
    QPushButton* segment(LibraryTab tab) const { return segments_.value(tab); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Store& store_;
    QHash<LibraryTab, QPushButton*> segments_;
};
