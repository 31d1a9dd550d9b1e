#include "SoakAccount.h"

#include "AuthEmulator.h"
#include "DemoLibrary.h"
#include "DemoSandbox.h"
#include "RunSync.h"

#include "account/Auth.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <exception>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

SoakAccount::SoakAccount(CloudConfig config, QList<Cloud::Scanned> studio, QString file)
    : config_(std::move(config)), studio_(std::move(studio)), file_(std::move(file)) {}

std::optional<SoakAccount> SoakAccount::beside(const DemoSandbox& demo, const QString& folder) {
    const std::optional<CloudConfig> config = AuthEmulator::withFirestore();
    if (!config)
        return std::nullopt;
    const QString file = folder + u"/firebase.json"_s;
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        throw std::runtime_error("the emulators' settings could not be written");
    const QJsonObject settings{{u"apiKey"_s, config->apiKey},
                               {u"projectId"_s, config->projectId},
                               {u"authEmulatorHost"_s, qEnvironmentVariable("QUENLARK_AUTH_EMULATOR")},
                               {u"firestoreEmulatorHost"_s, qEnvironmentVariable("QUENLARK_FIRESTORE_EMULATOR")}};
    out.write(QJsonDocument(settings).toJson());
    out.close();
    runSync(DemoLibrary::seed(*config, demo.studio()));
    return SoakAccount(*config, demo.studio(), file);
}

QStringList SoakAccount::arguments() const { return {u"--firebase-config"_s, file_}; }

bool SoakAccount::ensure() const {
    try {
        runSync(Auth::signIn(DemoLibrary::email, DemoLibrary::password, config_));
        return true;
    } catch (const std::exception&) {
    }
    // Gone: the walk deleted it from the settings' Account tab.
    try {
        runSync(DemoLibrary::seed(config_, studio_));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
