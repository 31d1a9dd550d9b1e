#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QUrl>

#include <exception>

// One logging category per subsystem, "quenlark.<folder>", showing warnings and worse unless
// QT_LOGGING_RULES asks for more (for example "quenlark.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(lcRuntime)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcModel)
Q_DECLARE_LOGGING_CATEGORY(lcSources)
Q_DECLARE_LOGGING_CATEGORY(lcInstall)
Q_DECLARE_LOGGING_CATEGORY(lcStore)

namespace Log {

// An address fit for a log: query values, user information and the fragment blanked, since
// feeds and downloads carry keys and tokens there.
QString redacted(const QUrl& url);
// Free text (an error string from the network stack, say) with every address in it redacted and
// anything following "token", "bearer", "key" or "password" blanked.
QString redacted(const QString& text);

// Records a failure the caller deliberately goes on without: `what` names the step.
void swallowed(const QLoggingCategory& category, const char* what, std::exception_ptr error) noexcept;

} // namespace Log
