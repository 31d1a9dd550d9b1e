#include "views/kit/ModalPrompt.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

ModalPrompt::ModalPrompt(int cardWidth, Palette::Material material, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::StrongFocus);
    card_ = new ModalCard(cardWidth, material, this);
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
    placeCard();
    // The keyboard never reaches the window beneath.
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { holdFocus(now); });
}

// Cut here, not by QObject's destructor: QWidget's, which runs first, takes the focus from a
// child and so reports a change to a prompt that is no longer one.
ModalPrompt::~ModalPrompt() { disconnect(focusWatch_); }

void ModalPrompt::leave() {
    leaving_ = true;
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ModalPrompt::takeFocus() {
    (home_ && home_->isEnabled() ? home_ : this)->setFocus(Qt::OtherFocusReason);
}

void ModalPrompt::placeCard() { card_->centreIn(rect()); }

void ModalPrompt::onKeys(std::initializer_list<Qt::Key> keys, const std::function<void()>& action) {
    for (const Qt::Key key : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    }
}

void ModalPrompt::holdFocus(QWidget* now) {
    if (leaving_ || !now || !isVisible() || now == this || isAncestorOf(now) || now->window() != window())
        return;
    takeFocus();
}

bool ModalPrompt::focusNextPrevChild(bool next) { return ModalCard::cycleFocus(this, next); }

bool ModalPrompt::event(QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) {
        const bool handled = QWidget::event(event);
        placeCard();
        return handled;
    }
    return QWidget::event(event);
}

bool ModalPrompt::eventFilter(QObject* watched, QEvent* event) {
    // The backdrop covers the whole window as it is resized.
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void ModalPrompt::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 71)); // black at 0.28
    card_->paintShadow(painter);
}

void ModalPrompt::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!card_->geometry().contains(event->position().toPoint()))
        Q_EMIT backdropPressed();
}
