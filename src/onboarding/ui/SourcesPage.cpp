#include "onboarding/ui/SourcesPage.h"

#include "onboarding/WelcomePage.h"
#include "onboarding/ui/ChipRow.h"
#include "onboarding/ui/PageText.h"
#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"
#include "views/kit/WhileShown.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

// The sample card, drawn whole: icon, name, versions chip and status capsule.
class SourcesPage::Card : public QWidget {
public:
    explicit Card(const double& flip, QWidget* parent) : QWidget(parent), flip_(flip) {
        setFixedSize(520 + 40, 66 + 24);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF card(20, 4, 520, 66);
        for (int i = 24; i > 0; i -= 4) {
            QColor glow = WelcomeColors::blue();
            glow.setAlphaF(float(0.25 * 0.1 * (1 - i / 25.0)));
            QPainterPath ring;
            ring.addRoundedRect(card.translated(0, 8).adjusted(-i / 2.0, -i / 2.0, i / 2.0, i / 2.0), 16 + i / 2.0,
                                16 + i / 2.0);
            p.fillPath(ring, glow);
        }
        QPainterPath shape;
        shape.addRoundedRect(card, 16, 16);
        p.fillPath(shape, QColor::fromRgbF(0.07f, 0.075f, 0.1f));
        p.fillPath(shape, WelcomeColors::white(0.06));
        p.setPen(QPen(WelcomeColors::white(0.10), 1));
        p.drawPath(shape);

        const QRectF icon(card.left() + 14, card.center().y() - 19, 38, 38);
        QLinearGradient warm(icon.topLeft(), icon.bottomLeft());
        warm.setColorAt(0, QColor(255, 149, 0));
        warm.setColorAt(1, QColor(255, 45, 85));
        QPainterPath rounded;
        rounded.addRoundedRect(icon, 9, 9);
        p.fillPath(rounded, warm);
        Symbols::paint(p, icon.adjusted(9, 9, -9, -9), QStringLiteral("sparkles"), Qt::white);

        p.setPen(Qt::white);
        p.setFont(Fonts::system(14, QFont::DemiBold));
        p.drawText(QRectF(icon.right() + 12, icon.top(), 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   QObject::tr("Your favourite app"));
        p.setPen(WelcomeColors::white(0.5));
        p.setFont(Fonts::system(11));
        p.drawText(QRectF(icon.right() + 12, icon.top() + 20, 200, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QObject::tr("Sparkle · verified"));

        // The spring overshoots; colours and fades stay within their range.
        const double f = std::clamp(flip_, 0.0, 1.0);
        const QRectF status(card.right() - 14 - 92, card.center().y() - 13, 92, 26);
        const QRectF versions(status.left() - 12 - 140, card.center().y() - 11, 140, 22);
        QPainterPath chip;
        chip.addRoundedRect(versions, 11, 11);
        p.fillPath(chip, WelcomeColors::white(0.08));
        QFont digits = Fonts::system(12);
        digits.setStyleHint(QFont::Monospace);
        p.setFont(digits);
        p.setPen(WelcomeColors::white(1 - 0.5 * f));
        p.drawText(versions.adjusted(10, 0, -10, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("1.2.9"));
        if (f > 0) {
            Symbols::paint(p, QRectF(versions.center().x() - 12, versions.center().y() - 4.5, 9, 9),
                           QStringLiteral("arrow.right"), WelcomeColors::white(0.4 * f));
            QFont bold = digits;
            bold.setWeight(QFont::DemiBold);
            p.setFont(bold);
            QColor blue = WelcomeColors::blue();
            blue.setAlphaF(float(f));
            p.setPen(blue);
            p.drawText(versions.adjusted(10, 0, -10, 0), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("1.2.10"));
        }
        QPainterPath capsule;
        capsule.addRoundedRect(status, 13, 13);
        p.fillPath(capsule, WelcomeColors::white(0.08 * (1 - f)));
        if (f > 0) {
            QLinearGradient fill(status.topLeft(), status.bottomLeft());
            QColor top = WelcomeColors::blue().lighter(115), bottom = WelcomeColors::blue();
            top.setAlphaF(float(f));
            bottom.setAlphaF(float(f));
            fill.setColorAt(0, top);
            fill.setColorAt(1, bottom);
            p.fillPath(capsule, fill);
        }
        // The two words cross-fade as the capsule changes.
        p.setFont(Fonts::system(11.5, QFont::DemiBold));
        p.setPen(WelcomeColors::white(1 - f));
        p.drawText(status, Qt::AlignCenter, QObject::tr("Up to date"));
        p.setPen(WelcomeColors::white(f));
        p.drawText(status, Qt::AlignCenter, QObject::tr("Update"));
    }

private:
    const double& flip_;
};

SourcesPage::SourcesPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(26);
    layout->addSpacing(50);
    auto* chips = new QWidget(this);
    chips->setFixedHeight(80);
    auto* rows = new QVBoxLayout(chips);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(10);
    rows->addWidget(new ChipRow(WelcomePage::sourceChips(), 18, false, chips));
    rows->addWidget(new ChipRow(WelcomePage::featureChips(), 22, true, chips));
    layout->addWidget(chips);
    card_ = new Card(flip_, this);
    layout->addWidget(card_, 0, Qt::AlignHCenter);
    const WelcomePage::Text text = WelcomePage::text(WelcomePage::Page::sources);
    layout->addWidget(new PageText(text.title, text.subtitle, this));
    layout->addStretch(1);
    // The card flips with reduced motion too.
    auto* flip = new QTimer(this);
    flip->setInterval(2400);
    auto* motion = new SpringValue(
        this, 0,
        [this](double value) {
            flip_ = value;
            card_->update();
        },
        0.45, 0.75);
    connect(flip, &QTimer::timeout, this, [this, motion] {
        newer_ = !newer_;
        motion->setTarget(newer_ ? 1 : 0);
    });
    flip->start();
    new WhileShown(flip, this);
}
