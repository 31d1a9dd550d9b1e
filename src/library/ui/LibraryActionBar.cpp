#include "library/ui/LibraryActionBar.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SoftShadow.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {
// Disabled buttons read fainter.
QString bordered() {
    return ButtonStyle::bordered() + QStringLiteral("QPushButton:disabled { color: %1; }")
                                         .arg(Palette::current().tertiary().name(QColor::HexArgb));
}
} // namespace

LibraryActionBar::LibraryActionBar(Store& store, QWidget* parent) : QWidget(parent), store_(store) {
    auto* row = new QHBoxLayout(this);
    const int m = shadowMargin;
    row->setContentsMargins(16 + m, 10 + m, 16 + m, 10 + m);
    row->setSpacing(12);

    select_ = new QPushButton(this);
    OnAppearance::styleSheet(select_, bordered);
    connect(select_, &QPushButton::clicked, this, [this] { LibraryScreenModel::select(bar_); });
    row->addWidget(select_);
    row->addStretch(1);

    status_ = new PlainLabel(QString(), Fonts::font(Fonts::Role::callout), Palette::Tint::secondary, false, this);
    row->addWidget(status_);

    remove_ = new QPushButton(tr("Remove from Library…"), this);
    remove_->setAccessibleName(remove_->text());
    OnAppearance::styleSheet(remove_, bordered);
    connect(remove_, &QPushButton::clicked, this, [this] { store_.setLibraryRemoval(bar_.selected); });
    row->addWidget(remove_);

    install_ = new QPushButton(this);
    OnAppearance::styleSheet(install_, ButtonStyle::prominent);
    // White, its arrow cut in the button's own accent.
    OnAppearance::follow(install_, [this] {
        const Palette& palette = Palette::current();
        QIcon icon(Symbols::pixmap(u"arrow.down.circle.fill"_s, 16, Qt::white, devicePixelRatioF(), palette.accent()));
        // Disabled, in the text's grey, as the button's own fill is.
        icon.addPixmap(
            Symbols::pixmap(u"arrow.down.circle.fill"_s, 16, palette.tertiary(), devicePixelRatioF(), palette.window()),
            QIcon::Disabled);
        install_->setIcon(icon);
    });
    install_->setToolTip(tr("Installs one app at a time. App Store apps open in the App Store instead."));
    connect(install_, &QPushButton::clicked, this,
            [this] { spawn(store_.restore(bar_.toInstall()), "library install"); });
    row->addWidget(install_);
}

void LibraryActionBar::setBar(LibraryScreenModel::ActionBar bar) {
    bar_ = std::move(bar);
    select_->setText(bar_.selectTitle);
    select_->setAccessibleName(bar_.selectTitle);
    select_->setEnabled(bar_.selectEnabled);
    status_->setText(bar_.status);
    status_->setAccessibleName(bar_.status);
    remove_->setVisible(bar_.removeShown);
    remove_->setEnabled(bar_.removeEnabled);
    install_->setText(bar_.installTitle);
    install_->setAccessibleName(bar_.installTitle);
    install_->setEnabled(bar_.installEnabled);
}

QString LibraryActionBar::status() const { return status_->text(); }

void LibraryActionBar::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
    const qreal radius = capsule.height() / 2;
    SoftShadow::paint(painter, capsule, radius, QColor(0, 0, 0, 31), 10, QPointF(0, 3));
    painter.setPen(Qt::NoPen);
    // Without the platform's blur, rows beneath would read through the material: it lies on the
    // window's own colour.
    painter.setBrush(palette.window());
    painter.drawRoundedRect(capsule, radius, radius);
    painter.setBrush(palette.material());
    painter.drawRoundedRect(capsule, radius, radius);
    painter.setPen(QPen(palette.primary(0.08), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(capsule.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}
