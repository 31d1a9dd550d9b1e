#include "account/ui/AuthView.h"

#include "account/GoogleSignIn.h"
#include "account/ui/AccountButton.h"
#include "account/ui/BrowserWaitWindow.h"
#include "account/ui/Fade.h"
#include "account/ui/FieldBox.h"
#include "account/ui/GoogleButton.h"
#include "account/ui/ModeSwitch.h"
#include "account/ui/OrDivider.h"
#include "account/ui/PitchPanel.h"
#include "account/ui/SymbolLabel.h"
#include "account/ui/TermsCheckbox.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/kit/OnAppearance.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double radius = 24;
// Room around the card for its shadow (radius 24, 8 down).
constexpr int shadowSide = 24, shadowTop = 16, shadowBottom = 32;

QList<QPointer<AuthView>>& onScreen() {
    static QList<QPointer<AuthView>> views;
    return views;
}

} // namespace

AuthView::AuthView(Store& store, QWidget* parent)
    : QWidget(parent), store_(store), sheet_(std::make_unique<BrowserWaitWindow>()) {
    googleSignIn_ = new GoogleSignIn(sheet_.get(), GoogleSignIn::Endpoints::google(), this);
    QPointer<GoogleSignIn> google(googleSignIn_);
    model_ = std::make_unique<AuthViewModel>(
        store, [google](QString clientID) -> QCoro::Task<QString> { return google->idToken(std::move(clientID)); });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(shadowSide, shadowTop, shadowSide, shadowBottom);
    row->setSpacing(0);
    pitch_ = new PitchPanel(this);
    pitch_->setCornerRadius(radius);
    row->addWidget(pitch_);
    row->addWidget(buildForm(), 0, Qt::AlignTop);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    new Observer(this, [this] { refresh(); }, {});
    new Observer(
        this, [this] { (void)model_->focus(); }, [this] { moveFocus(); });
    onScreen().append(this);
}

AuthView::~AuthView() {
    onScreen().removeAll(this);
    // A sign-in still waiting ends while its sheet is there to be closed.
    delete googleSignIn_;
}

void AuthView::postDemoForgotPassword() {
    for (const QPointer<AuthView>& view : QList(onScreen()))
        if (view)
            spawn(view->model_->reset(), "forgot password");
}

QWidget* AuthView::buildForm() {
    auto* form = new QWidget(this);
    form->setFixedWidth(420);
    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(24, 24 + 8, 24, 24);
    column->setSpacing(12);

    modeSwitch_ = new ModeSwitch(form);
    connect(modeSwitch_, &ModeSwitch::chosen, this, [this](bool creating) { model_->switchMode(creating); });
    column->addWidget(modeSwitch_);

    heading_ = new QLabel(form);
    heading_->setTextFormat(Qt::PlainText);
    heading_->setFont(Fonts::system(19, QFont::Bold));
    heading_->setContentsMargins(0, 2, 0, 0);
    column->addWidget(heading_);

    terms_ = new TermsCheckbox(form);
    connect(terms_, &TermsCheckbox::agreedChanged, this, [this](bool agreed) { model_->setAgreed(agreed); });
    column->addWidget(terms_);

    google_ = new GoogleButton(form);
    connect(google_, &QAbstractButton::clicked, this, [this] { spawn(model_->signInWithGoogle(), "Google sign-in"); });
    column->addWidget(google_);
    divider_ = new OrDivider(form);
    column->addWidget(divider_);

    auto* fields = new QVBoxLayout;
    fields->setSpacing(10);
    name_ = new FieldBox(u"person"_s, tr("Your name"), form);
    email_ = new FieldBox(u"envelope"_s, tr("Email"), form);
    password_ = new FieldBox(u"lock"_s, tr("Password"), form);
    password_->setAnimatesFocus(false);
    name_->edit()->setInputMethodHints(Qt::ImhNoPredictiveText);
    email_->edit()->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase);
    reveal_ = new QToolButton(password_);
    reveal_->setAutoRaise(true);
    reveal_->setFocusPolicy(Qt::NoFocus);
    reveal_->setIconSize(QSize(16, 16));
    reveal_->setCursor(Qt::PointingHandCursor);
    reveal_->setStyleSheet(u"QToolButton { border: none; background: transparent; padding: 0; }"_s);
    password_->setTrailing(reveal_);
    connect(reveal_, &QToolButton::clicked, this, [this] { model_->setReveal(!model_->reveal()); });
    // The eye is drawn again in the new appearance's colour.
    connect(&OnAppearance::changes(), &OnAppearance::changed, this, [this] {
        reveal_->setProperty("symbol", QVariant());
        refresh();
    });
    connect(name_->edit(), &QLineEdit::textEdited, this, [this](const QString& text) { model_->setName(text); });
    connect(email_->edit(), &QLineEdit::textEdited, this, [this](const QString& text) { model_->setEmail(text); });
    connect(password_->edit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { model_->setPassword(text); });
    fields->addWidget(name_);
    fields->addWidget(email_);
    fields->addWidget(password_);
    column->addLayout(fields);

    hint_ = new SymbolLabel(Fonts::caption(), form);
    column->addWidget(hint_);
    message_ = new SymbolLabel(Fonts::font(Fonts::Role::callout), form);
    column->addWidget(message_);

    primary_ = new AccountButton(QString(), AccountButton::Look::prominent, form);
    primary_->setLarge(true);
    connect(primary_, &QAbstractButton::clicked, this, [this] { spawn(model_->submit(), "sign in"); });
    column->addWidget(primary_);
    agreement_ = new SymbolLabel(Fonts::caption(), form);
    column->addWidget(agreement_);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(0, 0, 0, 0);
    forgot_ = new AccountButton(tr("Forgot password?"), AccountButton::Look::link, form);
    connect(forgot_, &QAbstractButton::clicked, this, [this] { spawn(model_->reset(), "forgot password"); });
    footer_ = new AccountButton(QString(), AccountButton::Look::link, form);
    connect(footer_, &QAbstractButton::clicked, this, [this] { model_->switchMode(!store_.creatingAccount()); });
    footer->addWidget(forgot_);
    footer->addStretch(1);
    footer->addWidget(footer_);
    column->addLayout(footer);

    // Tab goes through the fields in their order, then on to the button.
    setTabOrder(terms_->box(), google_);
    setTabOrder(google_, name_->edit());
    setTabOrder(name_->edit(), email_->edit());
    setTabOrder(email_->edit(), password_->edit());
    setTabOrder(password_->edit(), primary_);
    setTabOrder(primary_, forgot_);
    setTabOrder(forgot_, footer_);
    return form;
}

void AuthView::refresh() {
    const Palette& palette = Palette::current();
    AuthViewModel& vm = *model_;
    const bool creating = store_.creatingAccount();
    const AuthViewModel::Mode& mode = vm.mode();

    modeSwitch_->setCreating(creating);
    pitch_->setTitle(mode.pitchTitle);
    heading_->setText(mode.heading);
    terms_->setAgreed(vm.agreed());

    const bool google = vm.showsGoogle();
    google_->setVisible(google);
    divider_->setVisible(google);
    google_->setTitle(mode.googleTitle);
    google_->setEnabled(vm.googleEnabled());
    google_->setFaded(vm.googleOpacity() < 1);

    Fade::setShown(name_, mode.nameField);
    name_->setText(vm.name());
    email_->setText(vm.email());
    password_->setText(vm.password());
    password_->edit()->setEchoMode(vm.reveal() ? QLineEdit::Normal : QLineEdit::Password);
    password_->edit()->setInputMethodHints(
        vm.reveal() ? Qt::ImhNoPredictiveText : Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    const QString revealName = vm.reveal() ? u"eye.slash"_s : u"eye"_s;
    if (reveal_->property("symbol").toString() != revealName) { // drawn anew only when it changes
        reveal_->setIcon(Symbols::icon(revealName, palette.secondary()));
        reveal_->setProperty("symbol", revealName);
    }
    const QString revealHelp = vm.reveal() ? tr("Hide password") : tr("Show password");
    reveal_->setToolTip(revealHelp);
    reveal_->setAccessibleName(revealHelp);

    Fade::setShown(hint_, mode.passwordHint);
    const AuthViewModel::Hint hint = vm.passwordHint();
    hint_->set(hint.symbol, hint.text, hint.good ? Palette::Tint::green : Palette::Tint::secondary);

    if (const auto& error = vm.error()) {
        message_->set(u"exclamationmark.triangle.fill"_s, *error, Palette::Tint::red);
        message_->setBox(Palette::Ink(Palette::Tint::red, 0.08), 10);
        Fade::setShown(message_, true);
    } else if (const auto& info = vm.info()) {
        message_->set(u"envelope.badge"_s, *info, Palette::Tint::secondary);
        message_->setBox(QColor(), 0);
        Fade::setShown(message_, true);
    } else {
        Fade::setShown(message_, false);
    }

    primary_->setText(mode.primaryTitle);
    primary_->setAccessibleName(mode.primaryTitle);
    primary_->setEnabled(vm.canSubmit());
    const QString agreement = vm.agreementHint();
    agreement_->set(u"checkmark.circle"_s, agreement, Palette::Tint::secondary);
    agreement_->setVisible(!agreement.isEmpty());
    primary_->setBusy(vm.busy());

    forgot_->setVisible(mode.forgotPassword);
    forgot_->setEnabled(!vm.busy());
    footer_->setText(mode.footerLink);
    footer_->setAccessibleName(mode.footerLink);
    footer_->updateGeometry();
}

void AuthView::moveFocus() {
    const auto& field = model_->focus();
    if (!field)
        return;
    refresh(); // a field of the new mode must be on screen before it can take the focus
    FieldBox* box = *field == AuthViewModel::Field::name    ? name_
                    : *field == AuthViewModel::Field::email ? email_
                                                            : password_;
    box->edit()->setFocus(Qt::OtherFocusReason);
}

void AuthView::keyPressEvent(QKeyEvent* event) {
    // The primary button is the form's default action.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        spawn(model_->submit(), "sign in");
        return;
    }
    QWidget::keyPressEvent(event);
}

void AuthView::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(shadowSide, shadowTop, -shadowSide, -shadowBottom);

    // A soft shadow: rings widening outward, fading as they go.
    constexpr int rings = 12;
    for (int i = rings; i >= 1; --i) {
        const double spread = i * 2.0;
        QPainterPath ring;
        ring.addRoundedRect(card.translated(0, 8).adjusted(-spread, -spread, spread, spread), radius + spread,
                            radius + spread);
        const double falloff = 1.0 - double(i) / (rings + 1);
        painter.fillPath(ring, QColor::fromRgbF(0, 0, 0, float(0.12 * falloff * falloff / 4)));
    }
    QPainterPath shape;
    shape.addRoundedRect(card, radius, radius);
    painter.fillPath(shape, palette.window());
    painter.fillPath(shape, palette.material(Palette::Material::regular));
    painter.setPen(QPen(palette.primary(0.08), 1));
    painter.drawPath(shape);
}
