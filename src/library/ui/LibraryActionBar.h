#pragma once

#include "library/LibraryScreenModel.h"

#include <QWidget>

class PlainLabel;
class QPushButton;
class Store;

// The floating capsule under the library's list: select all or none, what an install would do,
// "Remove from Library…" while rows are ticked, and the install button.
class LibraryActionBar : public QWidget {
    Q_OBJECT
public:
    LibraryActionBar(Store& store, QWidget* parent = nullptr);

    void setBar(LibraryScreenModel::ActionBar bar);

    QPushButton* removeButton() const { return remove_; }
    QPushButton* installButton() const { return install_; }
    QString status() const;

    // The capsule's shadow reaches this far beyond it.
    static constexpr int shadowMargin = 14;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Store& store_;
    LibraryScreenModel::ActionBar bar_;
    QPushButton* select_;
    PlainLabel* status_;
    QPushButton* remove_;
    QPushButton* install_;
};
