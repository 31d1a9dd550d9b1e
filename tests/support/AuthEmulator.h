#pragma once

#include "store/CloudConfig.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

// The Authentication emulator that tests/support/with-auth-emulator started for the run.
namespace AuthEmulator {

// Its back end, with Firestore at the emulator when one runs and at a closed local port when
// none does; nothing when no Authentication emulator runs.
std::optional<CloudConfig> config();
// Its back end with the Firestore emulator that tests/support/with-firestore-emulator started;
// nothing unless both run.
std::optional<CloudConfig> withFirestore();
// A new address nobody has an account for.
QString freshAddress();
// The links of the confirmation mails the emulator "sent" to `email`, oldest first.
QCoro::Task<QStringList> confirmationLinks(CloudConfig config, QString email);
// The link of the last of them ("" when none).
QCoro::Task<QString> confirmationLink(CloudConfig config, QString email);

} // namespace AuthEmulator
