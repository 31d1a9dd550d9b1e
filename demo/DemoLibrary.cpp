#include "DemoLibrary.h"

#include "AuthEmulator.h"

#include "account/Auth.h"
#include "sources/Net.h"

#include <QDateTime>

namespace DemoLibrary {

QCoro::Task<Session> seed(CloudConfig config, QList<Cloud::Scanned> studio) {
    Session session = co_await Auth::signUp(email, password, config);
    // Confirmed as its owner would: through the link of the mail the emulator keeps.
    co_await Auth::sendEmailConfirmation(session, config);
    const QString link = co_await AuthEmulator::confirmationLink(config, email);
    if (!link.isEmpty())
        co_await Net::get(QUrl(link));
    session.emailVerified = true;

    const Device mac{studioID, studioName, QStringLiteral("Mac14,13"), QDateTime::currentDateTimeUtc(), std::nullopt};
    const Cloud cloud{config, session};
    co_await cloud.sync(std::move(studio), {}, mac);
    co_return session;
}

} // namespace DemoLibrary
