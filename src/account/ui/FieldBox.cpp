#include "account/ui/FieldBox.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"
#include "views/kit/PlainEdit.h"
#include "views/kit/SymbolView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

FieldBox::FieldBox(const QString& symbol, const QString& prompt, QWidget* parent)
    : QWidget(parent), symbolName_(symbol) {
    setFixedHeight(36);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(10);
    symbol_ = new SymbolView(symbol, 15, Palette::Tint::secondary, 18, this);
    row->addWidget(symbol_, 0, Qt::AlignVCenter);
    edit_ = new QLineEdit(this);
    edit_->setFrame(false);
    edit_->setPlaceholderText(prompt);
    edit_->setAccessibleName(prompt);
    edit_->setFont(Fonts::body());
    edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
    // Plain: the box draws the field, the edit only its text, in the label colours.
    PlainEdit::colour(edit_, Palette::Tint::secondary);
    edit_->setAutoFillBackground(false);
    edit_->installEventFilter(this);
    row->addWidget(edit_, 1);
    setFocusProxy(edit_);
}

void FieldBox::setTrailing(QWidget* widget) {
    static_cast<QHBoxLayout*>(layout())->addWidget(widget, 0, Qt::AlignVCenter);
}

void FieldBox::setText(const QString& text) {
    if (edit_->text() != text)
        edit_->setText(text);
}

bool FieldBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        setFocused(event->type() == QEvent::FocusIn);
    return QWidget::eventFilter(watched, event);
}

void FieldBox::setFocused(bool focused) {
    if (focused == focused_)
        return;
    focused_ = focused;
    symbol_->setSymbol(symbolName_, focused ? Palette::Tint::accent : Palette::Tint::secondary);
    const auto apply = [this](double look) {
        focusLook_ = look;
        update();
    };
    if (focusMotion_)
        focusMotion_->stop(); // the new ease starts from where the old one was
    if (animatesFocus_)
        focusMotion_ = Animator::timed(this, 0.15, QEasingCurve::OutQuad, focusLook_, focused ? 1 : 0, apply);
    else
        apply(focused ? 1 : 0);
}

void FieldBox::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double line = 1 + 0.5 * focusLook_;
    const QRectF box = QRectF(rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2);
    QPainterPath shape;
    shape.addRoundedRect(box, 10, 10);
    painter.fillPath(shape, palette.primary(0.05));
    const QColor rest = palette.primary(0.10);
    const QColor accent = palette.accent();
    const auto mix = [&](double a, double b) { return a + (b - a) * focusLook_; };
    const QColor outline =
        QColor::fromRgbF(float(mix(rest.redF(), accent.redF())), float(mix(rest.greenF(), accent.greenF())),
                         float(mix(rest.blueF(), accent.blueF())), float(mix(rest.alphaF(), accent.alphaF())));
    painter.setPen(QPen(outline, line));
    painter.drawPath(shape);
}
