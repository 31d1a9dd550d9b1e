#include "views/dashboard/Hero.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "views/kit/FrameObserver.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittedLabel.h"
#include "views/dashboard/HealthRing.h"
#include "views/dashboard/HeroButton.h"
#include "views/dashboard/HeroModel.h"
#include "views/kit/RoundIconButton.h"
#include "views/kit/WarmGlyphs.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

Hero::Hero(Store& store, const Clock& clock, QWidget* parent)
    : RoundedBox(
          radius, [] { return Palette::current().material(); }, parent,
          [] { return Palette::current().primary(0.07); }),
      store_(store), clock_(clock) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The row lives in a body without a box of its own, so its layout requests stop here.
    body_ = new QWidget(this);
    auto* row = new QHBoxLayout(body_);
    // The Update All button keeps room for its shadow inside its bounds, at the trailing edge.
    row->setContentsMargins(20, 20, 20 - HeroButton::shadowRoom, 20);
    row->setSpacing(22);
    ring_ = new HealthRing(store_, body_);
    row->addWidget(ring_);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    const QFont headline = Fonts::system(28, QFont::Bold);
    headline_ = new FittedLabel(headline, Palette::Tint::primary, 0.7, body_);
    // A refresh's headline counts the checks: their digits are ready before the first one.
    WarmGlyphs::later(this, {headline}, QStringLiteral("0123456789"));
    summary_ = new ElidedLabel(QString(), Qt::ElideRight, 2, body_);
    summary_->setFont(Fonts::system(13));
    summary_->setColor(Palette::Tint::secondary);
    summary_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    texts->addStretch(1);
    texts->addWidget(headline_);
    texts->addWidget(summary_);
    texts->addStretch(1);
    // The texts keep their width before the spacer and the buttons give way.
    row->addLayout(texts, 1);
    row->addSpacing(12);

    auto* buttons = new QHBoxLayout;
    checkAgain_ = new RoundIconButton(QStringLiteral("arrow.clockwise"), 34, 16, body_);
    checkAgain_->setToolTip(HeroModel::checkAgainHelp());
    checkAgain_->setAccessibleName(HeroModel::checkAgainLabel());
    settings_ = new RoundIconButton(QStringLiteral("gearshape"), 34, 17, body_);
    settings_->setToolTip(HeroModel::settingsHelp());
    settings_->setAccessibleName(HeroModel::settingsLabel());
    updateAll_ = new HeroButton(QStringLiteral("arrow.down.circle.fill"), HeroModel::updateAllTitle(store_), body_);
    updateAll_->setToolTip(HeroModel::updateAllHelp());
    buttons->setSpacing(0);
    buttons->addWidget(checkAgain_);
    buttons->addSpacing(10);
    buttons->addWidget(settings_);
    buttons->addSpacing(10 - HeroButton::shadowRoom);
    buttons->addWidget(updateAll_);
    row->addLayout(buttons);

    connect(checkAgain_, &QAbstractButton::clicked, this, [this] { spawn(store_.refresh(), "Check Again"); });
    connect(settings_, &QAbstractButton::clicked, this, [this] {
        if (store_.openSettingsWindow)
            store_.openSettingsWindow();
    });
    connect(updateAll_, &QAbstractButton::clicked, this, [this] { spawn(store_.updateAll(), "Update All"); });

    new FrameObserver(
        this, [this] { refresh(); }, [] {});
    told_ = extent();
}

QSize Hero::sizeHint() const { return body_->sizeHint(); }
QSize Hero::minimumSizeHint() const { return body_->minimumSizeHint(); }
bool Hero::hasHeightForWidth() const { return body_->hasHeightForWidth(); }
int Hero::heightForWidth(int width) const { return body_->heightForWidth(width); }

Hero::Extent Hero::extent() const {
    return {minimumSizeHint(), hasHeightForWidth() ? heightForWidth(width()) : sizeHint().height()};
}

bool Hero::event(QEvent* event) {
    // The body laid itself out again: the column follows only when the hero's place in it moves.
    if (event->type() == QEvent::LayoutRequest) {
        const Extent now = extent();
        if (now != told_) {
            told_ = now;
            updateGeometry();
        }
    }
    return RoundedBox::event(event);
}

void Hero::resizeEvent(QResizeEvent* event) {
    RoundedBox::resizeEvent(event);
    body_->setGeometry(rect());
    told_ = extent();
}

void Hero::refresh() {
    headline_->setText(HeroModel::headline(store_));
    // The summary wraps between its parts only: "checked 21:39" never ends one line and starts
    // the next.
    QStringList parts = HeroModel::summary(store_, clock_).split(u"  ·  "_s);
    for (QString& part : parts)
        part.replace(u' ', QChar(0x00A0));
    summary_->setText(parts.join(u"  ·  "_s));
    checkAgain_->setEnabled(HeroModel::checkAgainEnabled(store_));
    updateAll_->setText(HeroModel::updateAllTitle(store_));
    updateAll_->setAccessibleName(updateAll_->text());
    updateAll_->setEnabled(HeroModel::updateAllEnabled(store_));
}
