#include "settings/ui/AccountTab.h"

#include "model/Prefs.h"
#include "model/ThisMac.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsRows.h"
#include "settings/ui/SettingsSection.h"
#include "settings/ui/ToneColour.h"
#include "store/Store.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/PlainLabel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QWidget* column(QWidget* parent, QVBoxLayout*& layout) {
    auto* box = new QWidget(parent);
    layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    return box;
}

// A button whose action destroys something reads in red.
void destructive(QPushButton* button) {
    OnAppearance::follow(button, [button] {
        QPalette colours = button->palette();
        colours.setColor(QPalette::ButtonText, Palette::current().hue(Palette::Hue::red));
        button->setPalette(colours);
    });
}

} // namespace

AccountTab::AccountTab(SettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(20, 20, 20, 20);
    auto* section = new SettingsSection(tr("Library"), this);

    QVBoxLayout* out = nullptr;
    signedOut_ = column(section, out);
    invitation_ = new PlainLabel(tr("Sign in to back up your app list and set up a new Mac from it."), Fonts::body(),
                                 Palette::Tint::secondary, true, signedOut_);
    out->addWidget(invitation_);
    auto* signIn = new QPushButton(tr("Sign In…"), signedOut_);
    connect(signIn, &QPushButton::clicked, this, [this] { model_.signIn(); });
    out->addWidget(signIn, 0, Qt::AlignLeft);
    section->addRow(signedOut_);

    signedIn_ = new QWidget(section);
    auto* form = new QFormLayout(signedIn_);
    form->setContentsMargins(0, 0, 0, 0);
    form->setVerticalSpacing(10);
    who_ = new PlainLabel(QString(), Fonts::body(), Palette::Tint::primary, false, signedIn_);
    form->addRow(tr("Signed in as"), who_);
    emailRow_ = new QWidget(signedIn_);
    auto* emailLine = new QHBoxLayout(emailRow_);
    emailLine->setContentsMargins(0, 0, 0, 0);
    emailState_ = new PlainLabel(QString(), Fonts::body(), Palette::Tint::secondary, false, emailRow_);
    emailLine->addWidget(emailState_);
    resend_ = new QPushButton(emailRow_);
    // The countdown keeps its width as it ticks: the interface font's figures are all one width.
    connect(resend_, &QPushButton::clicked, this, [this] { spawn(model_.resend(), "resend confirmation"); });
    emailLine->addWidget(resend_);
    emailLine->addStretch(1);
    form->addRow(tr("Email"), emailRow_);
    deviceName_ = new QLineEdit(signedIn_);
    deviceName_->setPlaceholderText(ThisMac::computerName());
    // textEdited: every keystroke of a person, never the refresh below.
    connect(deviceName_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.setDeviceName(text); });
    form->addRow(tr("This Mac's name"), deviceName_);
    signOut_ = new QPushButton(tr("Sign Out"), signedIn_);
    connect(signOut_, &QPushButton::clicked, this, [this] { model_.signOut(); });
    destructive(signOut_);
    form->addRow(signOut_);
    form->setAlignment(signOut_, Qt::AlignLeft);
    delete_ = new QPushButton(tr("Delete My Library and Account…"), signedIn_);
    connect(delete_, &QPushButton::clicked, this, [this] { model_.setConfirmDelete(true); });
    destructive(delete_);
    form->addRow(delete_);
    form->setAlignment(delete_, Qt::AlignLeft);
    deleteError_ = new PlainLabel(QString(), Fonts::caption(), Palette::Tint::red, true, signedIn_);
    form->addRow(deleteError_);
    section->addRow(signedIn_);

    page->addWidget(section);
    page->addStretch(1);
    new Observer(this, [this] { refresh(); }, {});
}

void AccountTab::refresh() {
    const auto& session = model_.store().session();
    signedOut_->setVisible(!session);
    signedIn_->setVisible(session.has_value());
    if (session) {
        who_->setText(SettingsRows::signedInAs(*session));
        const bool emailRow = SettingsRows::showsEmailRow(*session);
        signedIn_->findChild<QFormLayout*>()->setRowVisible(emailRow_, emailRow);
        if (emailRow) {
            const bool confirmed = SettingsRows::emailConfirmed(*session);
            emailState_->setText(confirmed ? tr("Confirmed") : tr("Not confirmed"));
            emailState_->setColor(toneColour(confirmed ? SettingsRows::Tone::secondary : SettingsRows::Tone::orange));
            resend_->setVisible(!confirmed);
            if (!confirmed) {
                const int wait = model_.wait();
                resend_->setText(SettingsRows::resendTitle(wait));
                resend_->setEnabled(wait <= 0);
            }
        }
        const QString& name = model_.prefs().deviceName();
        if (deviceName_->text() != name)
            deviceName_->setText(name);
        delete_->setEnabled(!model_.deleting());
        const auto& error = model_.deleteError();
        deleteError_->setText(error.value_or(QString()));
        deleteError_->setVisible(error.has_value());
    }
    if (model_.confirmDelete() && !confirmation_)
        confirm();
}

void AccountTab::confirm() {
    auto* box = new QMessageBox(window());
    confirmation_ = box;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setText(tr("Delete your library and account?"));
    box->setInformativeText(tr("This removes every app and Mac in your library, your profile, and the account itself. "
                               "Apps on your Macs aren't touched. It can't be undone."));
    QPushButton* remove = box->addButton(tr("Delete Library and Account"), QMessageBox::DestructiveRole);
    destructive(remove);
    QPushButton* cancel = box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, remove] {
        const bool chosen = box->clickedButton() == remove;
        model_.setConfirmDelete(false);
        if (chosen)
            spawn(model_.deleteAccount(), "delete account");
    });
    box->open();
}
