#include "notch/ui/IslandRow.h"

#include "notch/ui/DarkPalette.h"
#include "model/AppItem.h"
#include "model/Motion.h"
#include "platform/gui/Fonts.h"
#include "runtime/Clock.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "views/kit/Animator.h"
#include "views/kit/AppIcon.h"
#include "views/kit/FadeEffect.h"
#include "views/kit/PlainLabel.h"
#include "views/cards/RowAccessory.h"
#include "views/cards/RowCommands.h"
#include "views/detail/RowFacts.h"
#include "views/cards/VersionPill.h"
#include "views/cards/VersionPillModel.h"
#include "views/kit/Shown.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int rowHeight = 48, accessoryWidth = 136;

QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity)); }

QCoro::Task<void> after(double seconds, QPointer<QObject> owner, std::function<void()> then) {
    co_await Clock::sleepSeconds(seconds);
    if (owner)
        then();
}
} // namespace

IslandRow::IslandRow(std::shared_ptr<AppItem> item, Store* store, int index, bool reduceMotion, QWidget* parent)
    : QWidget(parent), item_(std::move(item)), store_(store), index_(index), reduceMotion_(reduceMotion) {
    const DarkPalette dark;
    setFixedHeight(rowHeight);
    body_ = new QWidget(this);
    auto* row = new QHBoxLayout(body_);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(11);
    icon_ = new AppIcon(item_->app().url, 30, body_);
    row->addWidget(icon_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    name_ = new PlainLabel(QString(), Fonts::system(13, QFont::DemiBold), white(1), false, body_);
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    source_ = new PlainLabel(QString(), Fonts::system(10.5), white(0.5), false, body_);
    source_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    texts->addStretch();
    texts->addWidget(name_);
    texts->addWidget(source_);
    texts->addStretch();
    row->addLayout(texts, 1);
    row->addSpacing(8 - row->spacing());
    pill_ = new VersionPill(body_);
    row->addWidget(pill_);
    accessory_ = new RowAccessory(body_);
    accessory_->setFixedWidth(accessoryWidth);
    row->addWidget(accessory_);
    connect(accessory_, &RowAccessory::triggered, this, [this](const RowAction& action) {
        if (store_)
            RowCommands::perform(*store_, item_, action);
    });

    auto* fade = new FadeEffect(this);
    fade->setOpacity(0);
    setGraphicsEffect(fade);
    offset_ = reduceMotion_ ? 0 : -10;

    new Observer(
        this, [this] { (void)RowFacts::of(*item_); }, [this] { refresh(); });
    refresh();
}

double IslandRow::entranceDelay(int index) { return 0.12 + 0.05 * std::min(index, 8); }

void IslandRow::refresh() {
    const DarkPalette dark;
    const RowFacts facts = RowFacts::of(*item_);
    icon_->setBundle(facts.app.url);
    name_->setText(Shown::name(facts.app));
    source_->setText(facts.release ? SourceKinds::rawValue(facts.release->kind) : QString());
    pill_->setPill(VersionPillModel::pill(facts));
    accessory_->setRow(facts);
    setAccessibleName(Shown::name(facts.app));
}

void IslandRow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!entered_) {
        entered_ = true;
        enter();
    }
}

void IslandRow::enter() {
    QPointer<QGraphicsOpacityEffect> fade = static_cast<QGraphicsOpacityEffect*>(graphicsEffect());
    const auto apply = [this, fade](double v) {
        if (!fade)
            return;
        fade->setOpacity(std::clamp(v, 0.0, 1.0));
        fade->setEnabled(v < 1);
        offset_ = reduceMotion_ ? 0 : -10 * (1 - v);
        place();
    };
    if (Motion::instant()) {
        apply(1);
        return;
    }
    if (reduceMotion_) {
        Animator::timed(this, 0.2, QEasingCurve::OutQuad, 0, 1, apply);
        return;
    }
    // The stagger delays only the drawing: the row is there at once.
    spawn(after(entranceDelay(index_), this, [this, apply] { Animator::spring(this, 0.45, 0.8, 0, 1, apply); }),
          "island row entrance");
}

void IslandRow::place() { body_->setGeometry(rect().translated(0, static_cast<int>(std::lround(offset_)))); }

void IslandRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

void IslandRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()).translated(0, offset_), 12, 12);
    painter.fillPath(plate, white(0.06));
}
