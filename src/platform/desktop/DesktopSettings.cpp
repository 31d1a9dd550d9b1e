#include "platform/desktop/DesktopSettings.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString gnome = QStringLiteral("org.gnome.desktop.interface");
const QString kde = QStringLiteral("org.kde.kdeglobals.KDE");

DesktopSettings* installed = nullptr;

// Older portals wrap the value of Read in a second variant.
QVariant unwrap(QVariant value) {
    for (int i = 0; i < 4 && value.canConvert<QDBusVariant>() && value.typeId() == qMetaTypeId<QDBusVariant>(); ++i)
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

DesktopSettings& DesktopSettings::shared() {
    if (installed)
        return *installed;
    static DesktopSettings* real = [] {
        auto* settings = new DesktopSettings();
        settings->listen(QDBusConnection::sessionBus());
        return settings;
    }();
    return *real;
}

void DesktopSettings::install(DesktopSettings* settings) { installed = settings; }

void DesktopSettings::listen(const QDBusConnection& bus) {
    bus_ = bus;
    if (!bus_.isConnected())
        return;
    if (!bus_.connect(service, path, interface, QStringLiteral("SettingChanged"), this,
                      SLOT(settingChanged(QDBusMessage))))
        qWarning("The desktop's setting changes cannot be followed.");
    readAll();
}

void DesktopSettings::readAll() {
    auto message = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("ReadAll"));
    message << QStringList{appearance, gnome, kde};
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            readEach(); // a portal without ReadAll, or none at all
            return;
        }
        if (reply.signature() != QLatin1String("a{sa{sv}}"))
            return; // a portal that answers in another shape says nothing we can read
        // a{sa{sv}}: group -> key -> value
        const auto groups = qvariant_cast<QDBusArgument>(reply.arguments().at(0));
        groups.beginMap();
        while (!groups.atEnd()) {
            QString group;
            QVariantMap values;
            groups.beginMapEntry();
            groups >> group >> values;
            groups.endMapEntry();
            for (auto it = values.begin(); it != values.end(); ++it)
                apply(group, it.key(), it.value());
        }
        groups.endMap();
    });
}

void DesktopSettings::readEach() {
    const std::pair<QString, QString> keys[] = {
        {appearance, QStringLiteral("color-scheme")},
        {gnome, QStringLiteral("enable-animations")},
        {kde, QStringLiteral("AnimationDurationFactor")},
    };
    for (const auto& [group, key] : keys) {
        auto message = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Read"));
        message << group << key;
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, group, key](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            const QDBusMessage reply = call->reply();
            if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String("v"))
                apply(group, key, reply.arguments().at(0));
        });
    }
}

void DesktopSettings::settingChanged(const QDBusMessage& message) {
    const auto args = message.arguments();
    if (args.size() == 3)
        apply(args.at(0).toString(), args.at(1).toString(), args.at(2));
}

void DesktopSettings::apply(const QString& group, const QString& key, const QVariant& raw) {
    const QVariant value = unwrap(raw);
    const bool before = reduceMotion(), wasDark = dark_;
    if (group == appearance && key == QLatin1String("color-scheme")) {
        dark_ = value.toUInt() == 1; // 1 prefers dark; 0 no preference and 2 prefers light
    } else if (group == gnome && key == QLatin1String("enable-animations")) {
        gnomeReduce_ = value.typeId() == QMetaType::Bool && !value.toBool();
    } else if (group == kde && key == QLatin1String("AnimationDurationFactor")) {
        bool ok = false;
        const double factor = value.toDouble(&ok);
        kdeReduce_ = ok && factor == 0;
    } else {
        return;
    }
    if (before != reduceMotion() || wasDark != dark_)
        Q_EMIT changed();
}
