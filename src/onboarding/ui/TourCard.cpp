#include "onboarding/ui/TourCard.h"

#include "model/Motion.h"
#include "model/Prefs.h"
#include "onboarding/Tour.h"
#include "onboarding/TourLayout.h"
#include "onboarding/ui/MenuBarDemo.h"
#include "onboarding/ui/NotchDemo.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/PillButton.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {
constexpr double margin = 16;
constexpr double spacing = 10;
constexpr double headerHeight = 22;
constexpr double footerHeight = 28;
constexpr double textSpacing = 5;

QFont titleFont() { return Fonts::system(16, QFont::DemiBold); }
QFont bodyFont() { return Fonts::system(13); }

double wrappedHeight(const QFont& font, const QString& text, double width) {
    return QFontMetricsF(font).boundingRect(QRectF(0, 0, width, 10000), Qt::TextWordWrap, text).height();
}
} // namespace

TourCard::TourCard(Store& store, Prefs& prefs, QWidget* parent) : QWidget(parent), store_(store), prefs_(prefs) {
    skip_ = new QPushButton(tr("Skip Tour"), this);
    skip_->setFlat(true);
    skip_->setFont(Fonts::system(12, QFont::Medium));
    skip_->setCursor(Qt::PointingHandCursor);
    OnAppearance::follow(skip_, [this] {
        QPalette quiet = skip_->palette();
        quiet.setColor(QPalette::ButtonText, Palette::current().secondary());
        skip_->setPalette(quiet);
    });
    back_ = new PillButton(tr("Back"), false, this);
    next_ = new PillButton(TourLayout::forward(0), true, this);
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(skip_), static_cast<QAbstractButton*>(back_), next_})
        button->setFocusPolicy(Qt::NoFocus);
    connect(skip_, &QAbstractButton::clicked, this, &TourCard::skip);
    connect(back_, &QAbstractButton::clicked, this, &TourCard::back);
    connect(next_, &QAbstractButton::clicked, this, &TourCard::next);
    // The menu-bar step's reminder and badge follow the setting and the count while it shows.
    // The count is read only while the badge shows: counting every row at each result costs the
    // dashboard the most of its time while thousands of results arrive.
    follower_ = new Observer(
        this,
        [this] {
            (void)prefs_.showMenuBar();
            if (menuBar_)
                (void)store_.count(Filter::updates);
        },
        [this] {
            if (step_ < 0)
                return;
            const Tour::Step& step = Tour::steps().at(step_);
            body_ = TourLayout::body(step, prefs_.showMenuBar());
            if (menuBar_)
                menuBar_->setCount(store_.count(Filter::updates));
            place();
        });
}

QAbstractButton* TourCard::skipButton() const { return skip_; }
QAbstractButton* TourCard::backButton() const { return back_; }

void TourCard::setStep(int n) {
    if (n == step_)
        return;
    step_ = n;
    const Tour::Step& step = Tour::steps().at(n);
    title_ = step.title;
    body_ = TourLayout::body(step, prefs_.showMenuBar());
    setAccessibleName(TourLayout::cardName(step, n));
    delete notch_;
    delete menuBar_;
    if (step.notch) {
        notch_ = new NotchDemo(this);
        notch_->setFixedSize(388, 170);
        notch_->show();
    }
    if (step.menuBar) {
        menuBar_ = new MenuBarDemo(store_.count(Filter::updates), QGuiApplication::windowIcon(), this);
        menuBar_->show();
        follower_->update(); // now with the count
    }
    back_->setVisible(n > 0);
    next_->setText(TourLayout::forward(n));
    next_->adjustSize();
    place();
    textIn_ = 0;
    const Motion::Animation motion = Tour::stepAnimation(Motion::reduced());
    auto apply = [this](double value) {
        textIn_ = value;
        update(textBox().adjusted(-2, -8, 2, 2).toAlignedRect());
    };
    if (motion.kind == Motion::Animation::Kind::spring)
        Animator::spring(this, motion.response, motion.dampingFraction, 0, 1, apply);
    else
        Animator::timed(this, motion.duration, QEasingCurve::InOutQuad, 0, 1, apply);
}

QRectF TourCard::textBox() const {
    double y = margin + headerHeight + spacing;
    if (notch_)
        y += 170 + spacing;
    if (menuBar_)
        y += 46 + spacing;
    const double inner = width() - 2 * margin;
    const Wrapped& text = wrapped(inner);
    return QRectF(margin, y, inner, text.titleHeight + textSpacing + text.bodyHeight);
}

const TourCard::Wrapped& TourCard::wrapped(double width) const {
    if (wrapped_.width != width || wrapped_.title != title_ || wrapped_.body != body_)
        wrapped_ = {title_, body_, width, wrappedHeight(titleFont(), title_, width),
                    wrappedHeight(bodyFont(), body_, width)};
    return wrapped_;
}

void TourCard::place() {
    const Tour::Step& step = Tour::steps().at(step_);
    const int w = int(TourLayout::cardWidth(step));
    resize(w, height());
    skip_->adjustSize();
    skip_->move(int(w - margin - skip_->width()), int(margin + (headerHeight - skip_->height()) / 2));
    double y = margin + headerHeight + spacing;
    if (notch_) {
        notch_->move(int(margin), int(y));
        y += 170 + spacing;
    }
    if (menuBar_) {
        menuBar_->move(int(margin), int(y));
        y += 46 + spacing;
    }
    const QRectF text = textBox();
    y = text.bottom() + spacing;
    next_->adjustSize();
    back_->adjustSize();
    const int buttonsY = int(y + (footerHeight - next_->height()) / 2);
    next_->move(int(w - margin - next_->width()), buttonsY);
    back_->move(next_->x() - 8 - back_->width(), int(y + (footerHeight - back_->height()) / 2));
    resize(w, int(std::ceil(y + footerHeight + margin)));
    update();
}

void TourCard::paintEvent(QPaintEvent*) {
    if (step_ < 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Palette& palette = Palette::current();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(box, 18, 18);
    p.fillPath(shape, palette.window());
    p.fillPath(shape, palette.material(Palette::Material::regular));
    QColor outline = palette.accent();
    outline.setAlphaF(0.35f);
    p.setPen(QPen(outline, 1));
    p.drawPath(shape);

    // The counter on its accent capsule.
    const QFont counterFont = Fonts::system(11, QFont::DemiBold);
    const QString counter = TourLayout::counter(step_);
    const QFontMetricsF counterMetrics(counterFont);
    const QRectF capsule(margin, margin + (headerHeight - (counterMetrics.height() + 6)) / 2,
                         counterMetrics.horizontalAdvance(counter) + 16, counterMetrics.height() + 6);
    QColor capsuleFill = palette.accent();
    capsuleFill.setAlphaF(0.18f);
    p.setPen(Qt::NoPen);
    p.setBrush(capsuleFill);
    p.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    p.setFont(counterFont);
    p.setPen(palette.accent());
    p.drawText(capsule, Qt::AlignCenter, counter);

    // The text block, entering from 6 above.
    const QRectF text = textBox();
    p.save();
    p.setOpacity(textIn_);
    p.translate(0, -6 * (1 - textIn_));
    p.setFont(titleFont());
    p.setPen(palette.text());
    const double titleHeight = wrapped(text.width()).titleHeight;
    p.drawText(QRectF(text.left(), text.top(), text.width(), titleHeight), Qt::TextWordWrap, title_);
    p.setFont(bodyFont());
    p.setPen(palette.secondary());
    p.drawText(QRectF(text.left(), text.top() + titleHeight + textSpacing, text.width(), text.height() - titleHeight),
               Qt::TextWordWrap, body_);
    p.restore();

    // The progress dots.
    p.setPen(Qt::NoPen);
    double x = margin;
    const double dotsY = text.bottom() + spacing + (footerHeight - 6) / 2;
    for (int i = 0; i < Tour::steps().size(); ++i) {
        const double w = i == step_ ? 16 : 6;
        QColor fill = i == step_ ? palette.accent() : palette.secondary();
        if (i != step_)
            fill.setAlphaF(fill.alphaF() * 0.3f);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(x, dotsY, w, 6), 3, 3);
        x += w + 5;
    }
}
