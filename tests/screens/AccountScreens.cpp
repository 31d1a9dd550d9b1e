#include "AccountScreens.h"

#include "FakeIdentity.h"
#include "SampleSession.h"
#include "ScreenSamples.h"
#include "StoreHarness.h"

#include "account/ui/AccountChipView.h"
#include "account/ui/AccountNudgeCard.h"
#include "account/ui/AuthView.h"
#include "account/ui/ConfirmEmailTile.h"
#include "account/ui/FieldBox.h"
#include "account/ui/GoogleMark.h"
#include "platform/gui/Palette.h"
#include "runtime/Spawn.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

class Backdrop : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Palette::current().window()); }
};

bool save(QWidget& host, const QString& path, int width) {
    host.resize(width, host.sizeHint().height());
    host.show();
    ScreenSamples::settle(80);
    const bool ok = host.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    host.hide();
    return ok;
}

// One sign-in card in one state: `fill` types into it, `act` starts what it shows.
bool card(const QString& out, const QString& name, bool creating, bool filled, const char* failure, bool busy) {
    FakeIdentity identity;
    StoreHarness h;
    CloudConfig config = identity.config();
    config.googleClientID = u"123-abc.apps.googleusercontent.com"_s;
    h.cloud = config;
    h.build().setCreatingAccount(creating);
    if (failure)
        identity.fail(creating ? "signUp" : "signInWithPassword", failure);
    if (busy)
        identity.answer(creating ? "signUp" : "signInWithPassword",
                        {400, "{}", "application/json", std::chrono::milliseconds(1500)});
    Backdrop host;
    auto* column = new QVBoxLayout(&host);
    column->setContentsMargins(20, 20, 20, 20);
    auto* view = new AuthView(h.store(), &host);
    column->addWidget(view, 0, Qt::AlignHCenter);
    if (filled) {
        AuthViewModel& vm = view->model();
        if (creating)
            vm.setName(u"Ada Lovelace"_s);
        vm.setEmail(u"ada@example.com"_s);
        vm.setPassword(creating ? u"secret-pw"_s : u"wrong-pw"_s);
        vm.setAgreed(true);
        if (failure || busy)
            spawn(vm.submit(), "picture");
        ScreenSamples::settle(0, [&] { return busy ? vm.busy() : !vm.busy() && vm.error().has_value(); });
    }
    if (filled && !failure && !busy) { // the focused field's look
        host.show();
        QApplication::setActiveWindow(&host);
        view->emailField()->edit()->setFocus();
    }
    ScreenSamples::settle(50);
    const bool ok = save(host, out + u"/auth-"_s + name + u".png"_s, 880);
    ScreenSamples::settle(0, [&] { return !view->model().busy(); });
    return ok;
}

} // namespace

namespace AccountScreens {

bool render(const QString& out, const QString& theme) {
    GoogleMark::readFrom(QStringLiteral(QUENLARK_SOURCE_DIR "/resources/bundle/google-g.svg"));
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(QIcon(QStringLiteral(QUENLARK_SOURCE_DIR "/resources/bundle/AppIcon.svg")));
    bool ok = true;
    for (const bool creating : {false, true}) {
        const QString mode = creating ? u"create-"_s : u"signin-"_s;
        ok &= card(out, mode + u"empty-"_s + theme, creating, false, nullptr, false);
        ok &= card(out, mode + u"filled-"_s + theme, creating, true, nullptr, false);
        ok &= card(out, mode + u"error-"_s + theme, creating, true,
                   creating ? "EMAIL_EXISTS" : "INVALID_LOGIN_CREDENTIALS", false);
        ok &= card(out, mode + u"busy-"_s + theme, creating, true, nullptr, true);
    }

    // The tile before any mail was sent again, then counting down; the nudge; both chips.
    StoreHarness h;
    h.cloud = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
    Store& store = h.build();
    h.prefs->setOnboarded(true);
    StoreHarness unconfirmedHarness;
    unconfirmedHarness.cloud = h.cloud;
    unconfirmedHarness.build().setSession(sampleSession());
    {
        Backdrop host;
        auto* column = new QVBoxLayout(&host);
        column->setContentsMargins(20, 20, 20, 20);
        column->setSpacing(16);
        column->addWidget(new ConfirmEmailTile(unconfirmedHarness.store(), u"ada@example.com"_s, &host));
        column->addWidget(new AccountNudgeCard(store, *h.prefs, &host));
        auto* chips = new QHBoxLayout;
        chips->setSpacing(10);
        chips->addWidget(new AccountChipView(unconfirmedHarness.store(), *h.prefs, {}, &host));
        chips->addWidget(new AccountChipView(store, *h.prefs, {}, &host));
        chips->addStretch(1);
        column->addLayout(chips);
        ok &= save(host, out + u"/account-cards-"_s + theme + u".png"_s, 880);
        unconfirmedHarness.store().setConfirmationSentAt(unconfirmedHarness.clock.now().addSecs(-18));
        ok &= save(host, out + u"/account-cards-countdown-"_s + theme + u".png"_s, 880);
    }
    return ok;
}

} // namespace AccountScreens
