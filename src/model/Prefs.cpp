#include "model/Prefs.h"

#include "model/Launch.h"
#include "runtime/MainThread.h"
#include "runtime/Shell.h"

namespace {

std::unique_ptr<Prefs>& instance() {
    static std::unique_ptr<Prefs> prefs;
    return prefs;
}

} // namespace

Prefs& Prefs::shared() {
    QL_ASSERT_MAIN_THREAD();
    auto& prefs = instance();
    if (!prefs) {
        const bool sandboxed = Launch::sandbox().has_value();
        std::shared_ptr<Defaults> d;
        if (sandboxed) {
            // A sandbox run starts from the defaults every time.
            Defaults::removePersistentDomain(sandboxSuite);
            d = Defaults::suite(sandboxSuite);
        } else {
            d = Defaults::standard();
        }
        prefs = std::make_unique<Prefs>(std::move(d), sandboxed);
    }
    return *prefs;
}

void Prefs::resetForTest() { instance().reset(); }

Prefs::Prefs(std::shared_ptr<Defaults> d, bool sandboxed) : d_(std::move(d)), sandboxed_(sandboxed) {
    // The option counts as onboarded for this run without being stored.
    if (Launch::has(QStringLiteral("--skip-onboarding")))
        onboarded_.assume(true);
}

void Prefs::setTheme(Theme value) {
    if (theme_.set(value))
        applyTheme();
}

void Prefs::applyTheme() const {
    if (const auto forced = Launch::value(QStringLiteral("--appearance"))) {
        Shell::current().applyAppearance(*forced == QStringLiteral("dark"), false);
        return;
    }
    switch (theme()) {
    case Theme::system:
        Shell::current().applyAppearance(false, true);
        break;
    case Theme::light:
        Shell::current().applyAppearance(false, false);
        break;
    case Theme::dark:
        Shell::current().applyAppearance(true, false);
        break;
    }
}
