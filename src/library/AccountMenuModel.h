#pragma once

#include "store/Device.h"
#include "store/Session.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The account menu at the right of the library's header: its label and its entries.
namespace AccountMenuModel {

// The session's name when set, else its e-mail, else "Account".
QString label(const std::optional<Session>& session);

struct Entry {
    enum class Kind { text, divider, syncNow, signOut };
    Kind kind;
    QString title;
};
// The name (when set), the e-mail (empty without a session), "This Mac: " and this Mac's label
// (else `fallbackName`), a divider, "Sync Now" and "Sign Out".
QList<Entry> entries(const std::optional<Session>& session, const QList<Device>& devices, const QString& here,
                     const QString& fallbackName, const QDateTime& now);

QString tooltip();

} // namespace AccountMenuModel
