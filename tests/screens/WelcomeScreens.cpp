#include "WelcomeScreens.h"

#include "FakeSetup.h"
#include "ScreenSamples.h"
#include "StoreHarness.h"
#include "WelcomeFlow.h"

#include "onboarding/OnboardingModel.h"
#include "onboarding/ui/NotchDemo.h"
#include "onboarding/ui/NotchPage.h"
#include "onboarding/ui/OnboardingView.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

bool WelcomeScreens::render(const QString& out, const QString& theme, const QString& bundles) {
    StoreHarness h;
    // The demo-shaped sample bundles, with their real icons.
    for (const auto& sample : ScreenSamples::rows(bundles)) {
        InstalledApp app = StoreHarness::app(sample.item->app().name, QStringLiteral("1.0"), bundles);
        app.url = sample.item->app().url;
        h.apps.append(app);
    }
    Store& store = h.build();
    h.settle(h.start(store.refresh()));
    FakeSetup fake(QStringLiteral("welcome-screens"));
    ::Setup setup = fake.make(QDir::homePath() + QStringLiteral("/Downloads/Quenlark.app"), QDir::homePath());
    WelcomeFlow flow(h, store, setup);
    Onboarding& onboarding = flow.onboarding();
    onboarding.show();

    const char* names[] = {"hero", "sources", "safety", "notch", "setup"};
    bool ok = true;
    for (int page = 0; page < OnboardingModel::pages; ++page) {
        OnboardingModel& model = *onboarding.model();
        model.go(page);
        OnboardingView view(flow.view(model));
        view.show();
        if (auto* notch = qobject_cast<NotchPage*>(view.page()))
            notch->demo()->holdAt(3.0); // the first app installing
        // Long enough for the texts to come in, the icons to load and the steps to tick twice.
        ScreenSamples::settle(1300);
        const QString path = out + QStringLiteral("/welcome-") + QString::fromLatin1(names[page]) + QLatin1Char('-') +
                             theme + QStringLiteral(".png");
        const bool saved = view.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok &= saved;
    }
    return ok;
}
