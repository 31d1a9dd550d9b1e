#pragma once

#include "account/CloudConfig.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

// The Authentication emulator that tests/support/with-auth-emulator started for the run.
namespace AuthEmulator {

// Its back end; nothing when no emulator runs.
std::optional<CloudConfig> config();
// Its back end with the Firestore emulator that tests/support/with-firestore-emulator started;
// nothing unless both run.
std::optional<CloudConfig> withFirestore();
// A new address nobody has an account for.
QString freshAddress();
// The link of the last confirmation mail the emulator "sent" to `email`.
QCoro::Task<QString> confirmationLink(CloudConfig config, QString email);

} // namespace AuthEmulator
