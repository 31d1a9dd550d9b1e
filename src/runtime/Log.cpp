#include "runtime/Log.h"

#include "runtime/Describe.h"

#include <QRegularExpression>
#include <QUrlQuery>

Q_LOGGING_CATEGORY(lcRuntime, "quenlark.runtime", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlatform, "quenlark.platform", QtWarningMsg)
Q_LOGGING_CATEGORY(lcModel, "quenlark.model", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSources, "quenlark.sources", QtWarningMsg)
Q_LOGGING_CATEGORY(lcInstall, "quenlark.install", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStore, "quenlark.store", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAccount, "quenlark.account", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLibrary, "quenlark.library", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNotch, "quenlark.notch", QtWarningMsg)
Q_LOGGING_CATEGORY(lcOnboarding, "quenlark.onboarding", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "quenlark.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcViews, "quenlark.views", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "quenlark.app", QtWarningMsg)

namespace Log {

namespace {
const QString hidden = QStringLiteral("_");
}

QString redacted(const QUrl& url) {
    QUrl copy = url;
    copy.setUserInfo(QString());
    copy.setFragment(QString());
    if (copy.hasQuery()) {
        QUrlQuery query(copy);
        auto items = query.queryItems(QUrl::FullyEncoded);
        for (auto& item : items)
            item.second = hidden;
        query.setQueryItems(items);
        copy.setQuery(query);
    }
    return copy.toString(QUrl::FullyEncoded);
}

QString redacted(const QString& text) {
    static const QRegularExpression address(QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://[^\\s\"'<>]+"));
    static const QRegularExpression secret(QStringLiteral("\\b(token|bearer|key|password)([\\s:=]+)[^\\s,;&\"']+"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype at = 0;
    for (auto it = address.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        out += text.mid(at, match.capturedStart() - at);
        out += redacted(QUrl(match.captured(), QUrl::TolerantMode));
        at = match.capturedEnd();
    }
    out += text.mid(at);
    out.replace(secret, QStringLiteral("\\1\\2") + hidden);
    return out;
}

void swallowed(const QLoggingCategory& category, const char* what, std::exception_ptr error) noexcept {
    try {
        if (category.isDebugEnabled())
            qCDebug(category).noquote() << what << "failed and is ignored:" << redacted(describe(error));
    } catch (...) {
        // Logging never adds a failure of its own.
    }
}

} // namespace Log
