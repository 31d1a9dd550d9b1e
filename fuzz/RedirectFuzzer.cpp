// libFuzzer target for the address a later launch hands to a waiting Google sign-in. Only an
// address of the sign-in's scheme carrying its state may answer it.
#include "FuzzInput.h"
#include "account/GoogleSignIn.h"

#include <QUrl>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString scheme = QStringLiteral("com.googleusercontent.apps.123-abc");
    static const QString state = QStringLiteral("c3RhdGUtb2YtdGhlLXNpZ24");
    const QUrl url(FuzzInput::text(data, size), QUrl::StrictMode);
    const bool answers = GoogleSignIn::answers(url, scheme, state);
    (void)GoogleSignIn::code(url);
    if (answers && url.scheme().compare(scheme, Qt::CaseInsensitive) != 0)
        std::abort();
    if (answers && !url.toString(QUrl::FullyDecoded).contains(state))
        std::abort();
    return 0;
}
