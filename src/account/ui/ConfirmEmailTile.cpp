#include "account/ui/ConfirmEmailTile.h"

#include "account/ConfirmEmailTileModel.h"
#include "account/ui/AccountButton.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

ConfirmEmailTile::ConfirmEmailTile(Store& store, const QString& email, QWidget* parent)
    : TintedCard([] { return Palette::current().hue(Palette::Hue::orange); }, u"envelope.badge"_s,
                 tr("Confirm your email"), parent),
      model_(std::make_unique<ConfirmEmailTileModel>(store, email)) {
    resend_ = new AccountButton(QString(), AccountButton::Look::bordered, this);
    resend_->setWidthFor({tr("Resend in %1s").arg(60)}); // the countdown never jitters
    connect(resend_, &QAbstractButton::clicked, this, [this] { spawn(model_->resend(), "resend confirmation"); });
    row()->addWidget(resend_, 0, Qt::AlignVCenter);
    confirmed_ = new AccountButton(tr("I've Confirmed"), AccountButton::Look::prominent, this);
    connect(confirmed_, &QAbstractButton::clicked, this, [this] { spawn(model_->confirmed(), "I've Confirmed"); });
    row()->addWidget(confirmed_, 0, Qt::AlignVCenter);

    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            spawn(model_->becameActive(), "confirmation on becoming active");
    });
    new Observer(this, [this] { refresh(); }, {});
}

ConfirmEmailTile::~ConfirmEmailTile() = default;

void ConfirmEmailTile::refresh() {
    text()->setText(model_->text());
    const QString title = model_->resendTitle();
    resend_->setText(title);
    resend_->setAccessibleName(title);
    resend_->setEnabled(model_->resendEnabled());
    confirmed_->setEnabled(model_->confirmedEnabled());
}
