#include "onboarding/ui/TourOverlay.h"

#include "model/Motion.h"
#include "onboarding/Tour.h"
#include "onboarding/TourLayout.h"
#include "onboarding/ui/TourCard.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/kit/SoftShadow.h"
#include "views/kit/TourAnchors.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <cmath>

namespace {

// The hole takes the clicks meant for the element under it; it draws nothing itself.
class Hole final : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

protected:
    void paintEvent(QPaintEvent*) override {}
};

double mix(double a, double b, double t) { return a + (b - a) * t; }

QRectF mix(const QRectF& a, const QRectF& b, double t) {
    return QRectF(mix(a.x(), b.x(), t), mix(a.y(), b.y(), t), mix(a.width(), b.width(), t),
                  mix(a.height(), b.height(), t));
}

constexpr int glowReach = 14; // the ring's glow beyond the hole, at its widest

} // namespace

TourOverlay::TourOverlay(Store& store, Prefs& prefs, TourAnchors& anchors, QWidget* parent)
    : QWidget(parent), store_(store), prefs_(prefs), anchors_(anchors) {
    setFocusPolicy(Qt::StrongFocus);
    hide();
    hole_ = new Hole(this);
    hole_->setFocusPolicy(Qt::NoFocus);
    hole_->setCursor(Qt::PointingHandCursor);
    connect(hole_, &QAbstractButton::clicked, this, [this] {
        if (step_)
            go(*step_ + 1);
    });
    card_ = new TourCard(store, prefs, this);
    connect(card_, &TourCard::skip, this, [this] { end(); });
    connect(card_, &TourCard::back, this, [this] {
        if (step_)
            go(*step_ - 1);
    });
    connect(card_, &TourCard::next, this, [this] {
        if (step_)
            go(*step_ + 1);
    });
    // Under reduced motion nothing ticks: the marked elements are looked at ten times a second.
    following_ = new QTimer(this);
    following_->setInterval(100);
    connect(following_, &QTimer::timeout, this, [this] { follow(); });
    new Observer(
        this, [this] { (void)store_.tourStep(); }, [this] { refresh(); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { holdFocus(now); });
    refresh();
}

bool TourOverlay::above(const QWidget* widget) const {
    const QWidget* parent = parentWidget();
    while (widget && widget->parentWidget() != parent)
        widget = widget->parentWidget();
    if (!widget || widget == this || !parent)
        return false;
    const QObjectList& layers = parent->children();
    return layers.indexOf(const_cast<QWidget*>(widget)) > layers.indexOf(const_cast<TourOverlay*>(this));
}

void TourOverlay::holdFocus(QWidget* now) {
    if (!step_ || !isVisible())
        return;
    if (!now) {
        // A prompt above closed with the keyboard: it comes back here, once the change settles.
        QTimer::singleShot(0, this, [this] {
            if (step_ && isVisible() && window()->isActiveWindow() && !QApplication::focusWidget())
                setFocus(Qt::OtherFocusReason);
        });
        return;
    }
    // Ctrl+F, say, would put the keyboard under the dim; a prompt above keeps its own.
    if (now != this && !isAncestorOf(now) && now->window() == window() && !above(now))
        setFocus(Qt::OtherFocusReason);
}

bool TourOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window() || !step_)
        return QWidget::eventFilter(watched, event);
    // A window closed or folded away mid-tour ends it: unseen, it would keep the notch silent.
    if (event->type() == QEvent::Hide && !event->spontaneous())
        end();
    // Every key of the window passes here on its way up from the focus: claimed, no shortcut of
    // the window fires but Quit, unless a prompt above holds the keyboard.
    if (event->type() == QEvent::ShortcutOverride && !above(QApplication::focusWidget())) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->matches(QKeySequence::Quit) && key->keyCombination() != QKeyCombination(Qt::CTRL, Qt::Key_Q)) {
            key->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TourOverlay::go(int n) { Tour::go(store_, prefs_, n); }

void TourOverlay::end() { Tour::end(store_, prefs_); }

void TourOverlay::refresh() {
    const std::optional<int> step = store_.tourStep();
    const bool valid = step && *step >= 0 && *step < Tour::steps().size();
    if (!valid) {
        hideTour();
        return;
    }
    const bool arriving = !step_;
    if (step_ == step)
        return;
    // A step change moves the hole and the card from where they are drawn now.
    from_ = arriving ? target() : drawn_;
    cardFrom_ = card_->pos();
    step_ = step;
    card_->setStep(*step);
    hole_->setAccessibleName(Tour::steps().at(*step).title);
    if (arriving) {
        showTour();
        move_ = 1;
        follow();
        // The card comes with the dim.
        Animator::fade(card_, true, [this] { return step_.has_value(); });
    } else {
        move_ = 0;
        const Motion::Animation motion = Tour::stepAnimation(Motion::reduced());
        auto apply = [this](double value) {
            move_ = value;
            follow();
        };
        if (moving_)
            moving_->stop();
        moving_ = motion.kind == Motion::Animation::Kind::spring
                      ? Animator::spring(this, motion.response, motion.dampingFraction, 0, 1, apply)
                      : Animator::timed(this, motion.duration, QEasingCurve::InOutQuad, 0, 1, apply);
    }
    follow();
}

void TourOverlay::showTour() {
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    if (!isVisible()) {
        QWidget* focused = window() ? window()->focusWidget() : nullptr;
        focusBefore_ = focused != this ? focused : nullptr;
    }
    // The content goes into its window after it is made: the window is watched from here.
    if (window() != this)
        window()->installEventFilter(this);
    // Where the dashboard put it: over the content, under the prompts and the toast.
    show();
    setFocus(Qt::OtherFocusReason);
    if (fading_)
        fading_->stop();
    fading_ = Animator::standard(this, opacity_, 1, [this](double value) {
        opacity_ = value;
        update();
    });
    pulse_ = 0;
    if (!Motion::reduced() && !pulsing_)
        pulsing_ =
            Animator::loop(this, 1.2, QEasingCurve::InOutQuad, 0, 1, true, [this](double value) { setPulse(value); });
    else if (Motion::reduced())
        following_->start();
}

void TourOverlay::hideTour() {
    if (!step_)
        return;
    step_.reset();
    if (pulsing_)
        pulsing_->stop();
    following_->stop();
    Animator::fade(card_, false, [this] { return step_.has_value(); });
    hole_->hide();
    const bool hadFocus = hasFocus();
    if (hadFocus && focusBefore_)
        focusBefore_->setFocus(Qt::OtherFocusReason);
    else if (hadFocus)
        clearFocus();
    if (fading_)
        fading_->stop();
    fading_ = Animator::standard(this, opacity_, 0, [this](double value) {
        opacity_ = value;
        update();
        if (value <= 0 && !step_)
            hide();
    });
    if (Motion::instant())
        hide();
}

QRectF TourOverlay::target() const {
    if (!step_)
        return {};
    return TourLayout::spotlight(anchors_.collect(this), Tour::steps().at(*step_).anchor, QSizeF(size()));
}

QRegion TourOverlay::ringRegion(const QRectF& rect) const {
    // The ring's band: what lies inside it, clear of the stroke and its corners, never changes
    // with the pulse, and under a large element it is most of the frame's cost.
    const QRect outer = rect.adjusted(-glowReach - 2, -glowReach - 2, glowReach + 2, glowReach + 2).toAlignedRect();
    const int stroke = 5, corner = int(TourLayout::radius) + stroke;
    QRegion inner = QRegion(rect.adjusted(corner, stroke, -corner, -stroke).toRect()) +
                    QRegion(rect.adjusted(stroke, corner, -stroke, -corner).toRect());
    return QRegion(outer) - inner;
}

void TourOverlay::follow() {
    if (!step_)
        return;
    const Tour::Step& step = Tour::steps().at(*step_);
    const QRectF to = target();
    const QRectF now = move_ >= 1 ? to : mix(from_, to, move_);
    const QPointF cardTo = TourLayout::cardOffset(to, QSizeF(size()), step.menuBar);
    const QPointF cardNow =
        move_ >= 1 ? cardTo : QPointF(mix(cardFrom_.x(), cardTo.x(), move_), mix(cardFrom_.y(), cardTo.y(), move_));
    if (now != drawn_) {
        // Only what the hole and its ring cover, before and after, is drawn again.
        const QRect old = drawn_.width() > 0 ? ringRegion(drawn_).boundingRect() : QRect();
        const bool wasEmpty = drawn_.width() == 0;
        drawn_ = now;
        if (wasEmpty || now.width() == 0)
            update();
        else
            update(QRegion(old) + ringRegion(now).boundingRect());
    }
    hole_->setGeometry(drawn_.toAlignedRect());
    hole_->setVisible(drawn_.width() > 0);
    const QPoint corner = cardNow.toPoint();
    if (card_->pos() != corner) {
        // The card's shadow moves with it.
        update(card_->geometry().adjusted(-24, -16, 24, 32));
        card_->move(corner);
        update(card_->geometry().adjusted(-24, -16, 24, 32));
    }
    if (!card_->isVisible()) {
        card_->show();
        card_->raise();
    }
}

void TourOverlay::setPulse(double pulse) {
    pulse_ = pulse;
    follow();
    if (drawn_.width() > 0)
        update(ringRegion(drawn_));
}

void TourOverlay::paintEvent(QPaintEvent* event) {
    if (opacity_ <= 0)
        return;
    QPainter p(this);
    p.setClipRegion(event->region());
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(opacity_);
    const QRectF hole = drawn_;
    const bool ring = hole.width() > 0;

    QPainterPath dim;
    dim.setFillRule(Qt::OddEvenFill);
    dim.addRect(QRectF(rect()));
    if (ring)
        dim.addRoundedRect(hole, TourLayout::radius, TourLayout::radius);
    p.fillPath(dim, QColor::fromRgbF(0, 0, 0, float(TourLayout::dimOpacity)));

    if (ring) {
        const QColor accent = Palette::current().accent();
        // The glow: the accent fading out beyond the ring, wider and brighter as it pulses.
        const double reach = 5 + 7 * pulse_;
        const int layers = 6;
        p.save();
        // The dimmed shape is the window less the hole already: no path subtraction per frame.
        p.setClipPath(dim, Qt::IntersectClip);
        p.setBrush(Qt::NoBrush);
        for (int i = layers; i >= 1; --i) {
            const double spread = reach * i / layers;
            QColor glow = accent;
            const double fall = 1.0 - double(i) / (layers + 1);
            glow.setAlphaF(float(0.6 * fall * fall * 0.5));
            p.setPen(QPen(glow, spread * 2 / layers + 1));
            p.drawRoundedRect(hole.adjusted(-spread + reach / layers, -spread + reach / layers, spread - reach / layers,
                                            spread - reach / layers),
                              TourLayout::radius + spread, TourLayout::radius + spread);
        }
        p.restore();
        const double width = 2 + 1.2 * pulse_;
        p.setPen(QPen(accent, width));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(hole.adjusted(width / 2, width / 2, -width / 2, -width / 2), TourLayout::radius - width / 2,
                          TourLayout::radius - width / 2);
    }

    if (card_->isVisible())
        SoftShadow::paint(p, QRectF(card_->geometry()), 18, QColor(0, 0, 0, 77), 20, QPointF(0, 8));
}

void TourOverlay::keyPressEvent(QKeyEvent* event) {
    if (!step_) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int n = *step_;
    switch (event->key()) {
    case Qt::Key_Escape:
        end();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        go(n + 1);
        break;
    case Qt::Key_Left:
        // Step 0 has no "Back": the key is not taken.
        if (n > 0 && event->modifiers() == Qt::NoModifier)
            go(n - 1);
        break;
    default:
        break;
    }
    // Whatever the key, it stays here: nothing beneath the tour hears it.
    event->accept();
}

void TourOverlay::mousePressEvent(QMouseEvent* event) { event->accept(); }

void TourOverlay::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void TourOverlay::wheelEvent(QWheelEvent* event) { event->accept(); }

void TourOverlay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    follow();
}

bool TourOverlay::focusNextPrevChild(bool next) {
    // Tab does not lead out of the tour.
    return step_ ? true : QWidget::focusNextPrevChild(next);
}
