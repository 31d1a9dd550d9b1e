#pragma once

#include <QWidget>

// A plain container whose preferred size is its layout's own. A widget with a layout otherwise
// takes its preferred height from laying its contents out at its preferred width, which it may
// never be given: long wrapped text inside would be laid out once more at each enclosing level.
// The height a layout gives it still comes from heightForWidth at the width it really has.
class HintBox : public QWidget {
public:
    explicit HintBox(QWidget* parent = nullptr) : QWidget(parent) {}

    QSize sizeHint() const override { return of(*this); }

    // The preferred size of any widget's layout, its own margins around it, with no text laid out.
    static QSize of(const QWidget& widget);
};
