#include "SoakAccount.h"

#include "AuthEmulator.h"
#include "DemoLaunch.h"
#include "DemoLibrary.h"
#include "DemoSandbox.h"
#include "RunSync.h"

#include "account/Auth.h"

#include <exception>
#include <stdexcept>

SoakAccount::SoakAccount(CloudConfig config, QList<Cloud::Scanned> studio, QStringList arguments)
    : config_(std::move(config)), studio_(std::move(studio)), arguments_(std::move(arguments)) {}

std::optional<SoakAccount> SoakAccount::beside(const DemoSandbox& demo) {
    const std::optional<CloudConfig> config = AuthEmulator::withFirestore();
    if (!config)
        return std::nullopt;
    QStringList arguments = DemoLaunch::emulatorArguments(*config);
    if (arguments.isEmpty())
        throw std::runtime_error("the emulators' settings could not be written");
    runSync(DemoLibrary::seed(*config, demo.studio()));
    return SoakAccount(*config, demo.studio(), std::move(arguments));
}

QStringList SoakAccount::arguments() const { return arguments_; }

bool SoakAccount::ensure() const {
    try {
        runSync(Auth::signIn(DemoLibrary::email, DemoLibrary::password, config_));
        return true;
    } catch (const std::exception&) {}
    // Gone: the walk deleted it from the settings' Account tab.
    try {
        runSync(DemoLibrary::seed(config_, studio_));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
