#include "onboarding/SetupPageModel.h"

#include "model/Prefs.h"
#include "onboarding/Onboarding.h"
#include "onboarding/OnboardingModel.h"
#include "store/Store.h"

#include <QPointer>

SetupPageModel::SetupPageModel(Environment environment)
    : e_(std::move(environment)), move_(std::make_shared<MoveRun>(*e_.setup, e_.mover)) {}

QList<SetupPageModel::Row> SetupPageModel::rows() const {
    QList<Row> rows;
    rows << Row{e_.prefs->theme() == Theme::light ? QStringLiteral("sun.max") : QStringLiteral("moon.stars"),
                tr("Appearance"), tr("Dark by default. You can match your Mac instead."), Control::appearance};
    if (e_.setup->offersMove() && !e_.sandbox)
        rows << Row{QStringLiteral("folder.fill"), tr("Move Quenlark to Applications"),
                    tr("macOS keeps permissions reliably only for apps in Applications."), Control::moveButton};
    rows << Row{QStringLiteral("power"), tr("Open at login"),
                tr("Checks in the background and shows updates from the notch."), Control::loginSwitch};
    if (e_.store->appManagement() == Permissions::State::granted)
        rows << Row{QStringLiteral("checkmark.shield.fill"), tr("App Management permission"),
                    tr("On. Quenlark can update and remove apps from other developers."), Control::on};
    else
        rows << Row{QStringLiteral("lock.shield"), tr("App Management permission"),
                    tr("Needed to update or remove apps from other developers. macOS asks once."),
                    Control::settingsButton};
    if (const auto& session = e_.store->session())
        rows << Row{QStringLiteral("icloud.and.arrow.up"), tr("Back up your app list"),
                    tr("Signed in as ") + session->email + QStringLiteral("."), Control::done};
    else
        rows << Row{QStringLiteral("icloud.and.arrow.up"), tr("Back up your app list"),
                    tr("Sign in to set up a new Mac from your library") + QStringLiteral("."), Control::signInButton};
    return rows;
}

Theme SetupPageModel::theme() const { return e_.prefs->theme(); }

void SetupPageModel::setTheme(Theme theme) { e_.prefs->setTheme(theme); }

bool SetupPageModel::login() const { return e_.welcome->login(); }

QCoro::Task<void> SetupPageModel::move() {
    QPointer<SetupPageModel> self(this);
    return MoveRun::start(move_, [self](QString description) {
        if (self)
            self->moveError_.set(description);
    });
}

void SetupPageModel::setLogin(bool on) {
    if (e_.welcome->login() == on)
        return;
    e_.welcome->setLogin(on);
    if (!e_.sandbox)
        e_.setup->setLogin(on);
}

void SetupPageModel::signIn() {
    e_.onboarding->finish(false);
    e_.store->setFilter(Filter::library);
}
