#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QUrl>

#include <exception>

// One logging category per folder under src/, "quenlark.<folder>", showing warnings and worse
// unless QT_LOGGING_RULES asks for more ("quenlark.*.debug=true" shows every step).
Q_DECLARE_LOGGING_CATEGORY(lcRuntime)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcModel)
Q_DECLARE_LOGGING_CATEGORY(lcSources)
Q_DECLARE_LOGGING_CATEGORY(lcInstall)
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcAccount)
Q_DECLARE_LOGGING_CATEGORY(lcLibrary)
Q_DECLARE_LOGGING_CATEGORY(lcNotch)
Q_DECLARE_LOGGING_CATEGORY(lcOnboarding)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcViews)
Q_DECLARE_LOGGING_CATEGORY(lcApp)

namespace Log {

// An address fit for a log: query values, user information and the fragment blanked, since
// feeds and downloads carry keys and tokens there.
QString redacted(const QUrl& url);
// Free text (an error string from the network stack, say) with every address in it redacted and
// anything following "token", "bearer", "key" or "password" blanked.
QString redacted(const QString& text);

// Records a failure the caller deliberately goes on without, at debug level: `what` names the
// step.
void swallowed(const QLoggingCategory& category, const char* what, std::exception_ptr error) noexcept;

} // namespace Log
