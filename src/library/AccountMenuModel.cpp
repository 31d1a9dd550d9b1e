#include "library/AccountMenuModel.h"

#include "runtime/OutsideText.h"

#include <QCoreApplication>

namespace AccountMenuModel {
namespace {
QString tr(const char* text) { return QCoreApplication::translate("AccountMenu", text); }
} // namespace

QString label(const std::optional<Session>& session) {
    if (session && session->name)
        return OutsideText::clean(*session->name);
    if (session)
        return OutsideText::clean(session->email);
    return tr("Account");
}

QList<Entry> entries(const std::optional<Session>& session, const QList<Device>& devices, const QString& here,
                     const QString& fallbackName, const QDateTime& now) {
    QList<Entry> list;
    if (session && session->name)
        list.append({Entry::Kind::text, OutsideText::clean(*session->name)});
    list.append({Entry::Kind::text, session ? OutsideText::clean(session->email) : QString()});
    const QString mac = labels(devices, now).value(here, fallbackName);
    list.append({Entry::Kind::text, tr("This Mac: ") + OutsideText::isolated(mac)});
    list.append({Entry::Kind::divider, {}});
    list.append({Entry::Kind::syncNow, tr("Sync Now")});
    list.append({Entry::Kind::signOut, tr("Sign Out")});
    return list;
}

QString tooltip() { return tr("Signed in to your Quenlark library"); }

} // namespace AccountMenuModel
