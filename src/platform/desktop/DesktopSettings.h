#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariant>

// The desktop's appearance and reduce-motion flags, read from the settings portal and kept up
// to date from its change signal. Until an answer arrives, and without a portal: light, motion
// on. GUI thread only.
class DesktopSettings : public QObject {
    Q_OBJECT
public:
    // The shared instance: made on first use, asking the session bus's portal.
    static DesktopSettings& shared();
    // Replaces the shared instance (not owned); nullptr brings back the real one (tests only).
    static void install(DesktopSettings* settings);

    DesktopSettings() = default;

    bool reduceMotion() const { return gnomeReduce_ || kdeReduce_; }
    bool dark() const { return dark_; }

    // Reads the portal asynchronously and follows its changes.
    void listen(const QDBusConnection& bus);

    // Takes one portal setting; others are ignored.
    void apply(const QString& group, const QString& key, const QVariant& value);

Q_SIGNALS:
    void changed();

public Q_SLOTS:
    // The portal's change signal (group, key, value). Qt D-Bus hooks only public slots, and
    // none whose parameters include a variant, hence the whole message.
    void settingChanged(const QDBusMessage& message);

private:
    void readAll();
    void readEach();

    QDBusConnection bus_{QString()};
    bool dark_ = false;
    bool gnomeReduce_ = false;
    bool kdeReduce_ = false;
};
