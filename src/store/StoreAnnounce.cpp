#include "store/Store.h"

#include "model/Prefs.h"
#include "platform/desktop/Notifier.h"
#include "runtime/MainThread.h"
#include "runtime/OutsideText.h"
#include "runtime/Spawn.h"
#include "store/NotchHooks.h"

#include <QSet>

namespace {

const QString notificationIdentifier = QStringLiteral("updates");

} // namespace

QString Store::updateKey(const QString& bundleID, const Release& release) {
    return bundleID + QLatin1Char('@') + release.shownVersion();
}

void Store::announce(bool background, bool everything) {
    QL_ASSERT_MAIN_THREAD();
    struct Offer {
        QString key;
        QString name;
    };
    QList<Offer> offers;
    for (const auto& row : visible())
        if (row->status().kind() == Status::Kind::update && row->release())
            offers.append({updateKey(row->app().bundleID, *row->release()), row->app().name});

    const QStringList notified = prefs_.notified();
    const QSet<QString> told(notified.begin(), notified.end());
    QList<Offer> fresh;
    for (const Offer& offer : offers)
        if (everything || !told.contains(offer.key))
            fresh.append(offer);

    QStringList keys;
    for (const Offer& offer : offers)
        keys.append(offer.key);
    prefs_.setNotified(keys);

    if (!background || fresh.isEmpty())
        return;
    if (prefs_.notchMode() != NotchMode::never) {
        c_.notch->request(everything ? NotchTrigger::login : NotchTrigger::check);
        return;
    }
    QStringList names;
    for (const Offer& offer : fresh)
        names.append(offer.name);
    spawn(postNotification(names), "update notification");
}

QCoro::Task<void> Store::postNotification(std::optional<QStringList> only) {
    QL_ASSERT_MAIN_THREAD();
    if (c_.options.sandbox)
        co_return;
    QStringList names;
    if (only) {
        names = *only;
    } else {
        for (const auto& row : visible())
            if (row->status().kind() == Status::Kind::update)
                names.append(row->app().name);
    }
    if (names.isEmpty())
        co_return;
    for (QString& name : names)
        name = OutsideText::isolated(name);
    const QString title = names.size() == 1 ? tr("%1 has an update").arg(names.first())
                                            : tr("%1 app updates available").arg(names.size());
    const QString body = names.size() == 1 ? tr("Open Quenlark to install it.") : names.join(QStringLiteral(", "));

    // The notifier outlives this call even if the store goes.
    const std::shared_ptr<Notifier> notifier = c_.notifier;
    auto asking = notifier->requestAuthorization();
    if (!co_await std::move(asking))
        co_return;
    auto posting = notifier->add(notificationIdentifier, title, body);
    co_await std::move(posting);
}
