#include "views/kit/ModalPrompt.h"

#include "views/kit/Animator.h"
#include "views/kit/PromptEffect.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

#include <algorithm>

namespace {
const QColor backdrop(0, 0, 0, 71); // black at 0.28
constexpr double cornerRadius = 20, smallest = 0.94;
} // namespace

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

void ModalPrompt::takeFocus() { (home_ && home_->isEnabled() ? home_ : this)->setFocus(Qt::OtherFocusReason); }

void ModalPrompt::placeCard() { card_->centreIn(rect()); }

double ModalPrompt::cardScale() const {
    const auto* effect = qobject_cast<const PromptEffect*>(graphicsEffect());
    return effect ? effect->scale() : 1;
}

void ModalPrompt::appear() { animate(true); }

void ModalPrompt::vanish() { animate(false); }

void ModalPrompt::animate(bool in) {
    const auto* before = qobject_cast<const PromptEffect*>(graphicsEffect());
    const double from = before ? before->opacity() : (in ? 0 : 1);
    const double to = in ? 1 : 0;
    QPointer<PromptEffect> effect = new PromptEffect(card_, backdrop, cornerRadius);
    effect->set(from, smallest + (1 - smallest) * from);
    setGraphicsEffect(effect); // a fade under way goes with its effect
    const QPointer<ModalPrompt> self(this);
    Animator::standard(this, from, to, [self, effect, to](double v) {
        if (!self || !effect)
            return;
        effect->set(std::clamp(v, 0.0, 1.0), smallest + (1 - smallest) * v);
        self->update(); // its shadow follows the card
        if (v != to)
            return;
        if (to == 1)
            self->setGraphicsEffect(nullptr);
        else
            self->deleteLater();
    });
}

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
    painter.fillRect(rect(), backdrop);
    if (const double scale = cardScale(); scale != 1) {
        const QPointF centre = QRectF(card_->geometry()).center();
        painter.translate(centre);
        painter.scale(scale, scale);
        painter.translate(-centre);
    }
    card_->paintShadow(painter);
}

void ModalPrompt::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!card_->geometry().contains(event->position().toPoint()))
        Q_EMIT backdropPressed();
}
