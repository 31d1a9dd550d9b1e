// libFuzzer target for the back-end configuration file. Besides not crashing, whatever it
// accepts must keep passwords and tokens on https or this computer, and must never make us the
// handler of a common scheme.
#include "FuzzInput.h"
#include "account/GoogleSignIn.h"
#include "store/CloudConfig.h"

#include <QHostAddress>
#include <QUrl>

#include <cstdlib>

namespace {

bool safeAuthHost(const QString& prefix) {
    if (prefix == QLatin1String("https://"))
        return true;
    const QUrl url(prefix);
    return url.scheme() == QLatin1String("http") &&
           (url.host() == QLatin1String("localhost") || QHostAddress(url.host()).isLoopback());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto config = CloudConfig::parse(FuzzInput::bytes(data, size));
    if (!config)
        return 0;
    if (config->apiKey.isEmpty() || !safeAuthHost(config->authHost))
        std::abort();
    if (!config->googleClientID.isEmpty()) {
        const QString scheme = GoogleSignIn::redirectScheme(config->googleClientID);
        if (!scheme.startsWith(QLatin1String("com.googleusercontent.apps.")))
            std::abort();
    }
    (void)config->identity(QStringLiteral("lookup"));
    (void)config->tokenURL();
    return 0;
}
