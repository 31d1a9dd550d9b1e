#pragma once

#include "model/Attempt.h"
#include "views/detail/AttemptRowModel.h"

#include <QFont>
#include <QHash>
#include <QWidget>

class ElidedLabel;

// One update source tried during the last check: its name, what it found, the address it
// asked and why it failed or was skipped. It draws all but the address itself, which stays a
// label of its own to be selected and copied; its height for a width is worked out once.
class AttemptRow : public QWidget {
    Q_OBJECT
public:
    explicit AttemptRow(const Attempt& attempt, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Places {
        int url = 0;  // the address's top
        int line = 0; // the reason's top
        int height = 0;
    };
    Places places(int width) const;
    int headWidth() const;

    AttemptRowModel::Row model_;
    QFont sourceFont_;
    QFont foundFont_;
    QFont lineFont_;
    QSize source_;
    QSize found_;
    ElidedLabel* url_ = nullptr;
    mutable QHash<int, Places> places_;
    mutable QSize hint_;
    mutable QSize minimum_;
};
