// libFuzzer target for the identity, token and Google token services' answers. The first byte
// picks the status the body came with.
#include "FuzzInput.h"
#include "account/GoogleSignIn.h"
#include "account/IdentityReply.h"

#include <QDateTime>

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const int statuses[] = {200, 400, 500, 204};
    const int status = statuses[data[0] % 4];
    const QByteArray body = FuzzInput::bytes(data + 1, size - 1);
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1800000000, Qt::UTC);
    const QJsonObject reply = IdentityReply::object(body);
    if (const auto refused = IdentityReply::refusal(status, reply))
        (void)refused->description();
    (void)IdentityReply::profile(reply);
    try {
        const Session session = IdentityReply::session(reply, QStringLiteral("password"), now);
        (void)Session::decoded(session.encoded());
        (void)IdentityReply::renewed(session, reply, now);
    } catch (const std::exception&) {}
    try {
        (void)GoogleSignIn::idTokenFrom(body);
    } catch (const std::exception&) {}
    return 0;
}
