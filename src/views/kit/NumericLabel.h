#pragma once

#include "platform/gui/Palette.h"
#include "views/kit/NumericTransition.h"

#include <QFont>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;

// One line of plain text whose changes roll into place: the digits that changed go up and out
// as the new ones rise from below, by the standard animation (its reduced variant included),
// while the unchanged text slides to where it now stands.
class NumericLabel : public QWidget {
    Q_OBJECT
public:
    NumericLabel(const QFont& font, const Palette::Ink& ink, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    // A first text, or one set while hidden, shows at once.
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Palette::Ink ink_;
    QString text_, old_;
    QList<NumericTransition::Piece> pieces_;
    double progress_ = 1;
    QPointer<QVariantAnimation> rolling_;
};
