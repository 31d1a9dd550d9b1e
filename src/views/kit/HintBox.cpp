#include "views/kit/HintBox.h"

#include <QLayout>

QSize HintBox::of(const QWidget& widget) {
    widget.ensurePolished();
    const QLayout* layout = widget.layout();
    if (!layout)
        return widget.QWidget::sizeHint();
    const QMargins margins = widget.contentsMargins();
    return layout->sizeHint() + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}
