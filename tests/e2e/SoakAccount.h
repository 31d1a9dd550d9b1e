#pragma once

#include "library/Cloud.h"
#include "store/CloudConfig.h"

#include <QString>
#include <QStringList>

#include <optional>

class DemoSandbox;

// The demo's account for a soak beside the Authentication and Firestore emulators
// (tests/support/with-*-emulator): made with Studio's apps before the walk, and made again when
// the walk deleted it, so that the walk can always sign in once more.
class SoakAccount {
public:
    // Nothing unless both emulators run. Throws what the emulators throw while the account is made.
    static std::optional<SoakAccount> beside(const DemoSandbox& demo);

    // What the application is started with to use the emulators.
    QStringList arguments() const;
    // Makes the account again when it is gone; whether it can be signed in to.
    bool ensure() const;

private:
    SoakAccount(CloudConfig config, QList<Cloud::Scanned> studio, QStringList arguments);

    CloudConfig config_;
    QList<Cloud::Scanned> studio_;
    QStringList arguments_;
};
