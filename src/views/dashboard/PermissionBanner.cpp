#include "views/dashboard/PermissionBanner.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "views/kit/FrameObserver.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/cards/AppManagementHelp.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/OnAppearance.h"
#include "views/dashboard/PermissionModel.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SymbolView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QColor orange(double opacity) {
    QColor colour = Palette::current().hue(Palette::Hue::orange);
    colour.setAlphaF(static_cast<float>(opacity));
    return colour;
}
} // namespace

PermissionBanner::PermissionBanner(Store& store, QWidget* parent)
    : RoundedBox(
          14, [] { return orange(0.1); }, parent, [] { return orange(0.3); }),
      store_(store) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(14);
    row->addWidget(new SymbolView(QStringLiteral("lock.shield.fill"), 26, Palette::Tint::orange, 28, this));

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    title_ = new PlainLabel(QString(), Fonts::system(13.5, QFont::DemiBold), Palette::Tint::primary, false, this);
    message_ =
        new PlainLabel(PermissionModel::bannerMessage(), Fonts::system(12), Palette::Tint::secondary, true, this);
    // Title and message stay together, centred beside the symbol.
    texts->addStretch(1);
    texts->addWidget(title_);
    texts->addWidget(message_);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    row->addSpacing(12);

    openSettings_ = new QPushButton(PermissionModel::openSettingsTitle(), this);
    OnAppearance::styleSheet(openSettings_, ButtonStyle::prominent);
    openSettings_->setCursor(Qt::PointingHandCursor);
    tryAgain_ = new QPushButton(PermissionModel::tryAgainTitle(), this);
    OnAppearance::styleSheet(tryAgain_, ButtonStyle::bordered);
    tryAgain_->setCursor(Qt::PointingHandCursor);
    row->addWidget(openSettings_);
    row->addWidget(tryAgain_);

    connect(openSettings_, &QPushButton::clicked, this, [this] { AppManagementHelp::take(store_, nullptr); });
    connect(tryAgain_, &QPushButton::clicked, this, [this] { spawn(PermissionModel::tryAgain(store_), "Try Again"); });
    new FrameObserver(
        this, [this] { refresh(); }, [] {});
}

void PermissionBanner::refresh() {
    const int blocked = PermissionModel::blocked(store_);
    title_->setText(PermissionModel::bannerTitle(blocked));
    tryAgain_->setVisible(PermissionModel::showsTryAgain(blocked));
}
