#pragma once

#include "model/Theme.h"
#include "model/NotchMemory.h"
#include "model/NotchMode.h"
#include "platform/system/Defaults.h"
#include "runtime/Observed.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

// The settings. Each is kept in the defaults under its own name and stored on every assignment
// (the defaults write the file off this thread); observers are told only when the value changes.
// GUI thread only.
class Prefs final : public QObject {
    Q_OBJECT
public:
    // The sandbox run keeps its settings here, cleared at every start.
    static inline const QString sandboxSuite = QStringLiteral("com.quenlark.Quenlark.sandbox");

    // The one instance, made on first use from the launch options.
    static Prefs& shared();
    static void resetForTest();

    // Reads every setting from `d` after registering the defaults; writes nothing.
    Prefs(std::shared_ptr<Defaults> d, bool sandboxed);

    const std::shared_ptr<Defaults>& d() const { return d_; }

    bool hideAppStore() const { return hideAppStore_.get(); }
    bool showMenuBar() const { return showMenuBar_.get(); }
    qint64 intervalHours() const { return intervalHours_.get(); }
    const QStringList& ignoredApps() const { return ignoredApps_.get(); }
    const QMap<QString, QString>& ignoredVersions() const { return ignoredVersions_.get(); }
    const QStringList& notified() const { return notified_.get(); }
    NotchMode notchMode() const { return notchMode_.get(); }
    bool quietHours() const { return quietHours_.get(); }
    qint64 quietFrom() const { return quietFrom_.get(); }
    qint64 quietTo() const { return quietTo_.get(); }
    bool onboarded() const { return onboarded_.get(); }
    Theme theme() const { return theme_.get(); }
    bool toured() const { return toured_.get(); }
    const std::optional<QDateTime>& nudgeDismissed() const { return nudgeDismissed_.get(); }
    qint64 nudgeDismissals() const { return nudgeDismissals_.get(); }
    const NotchMemory& notchMemory() const { return notchMemory_.get(); }
    const QString& deviceName() const { return deviceName_.get(); }

    void setHideAppStore(bool value);
    void setShowMenuBar(bool value);
    void setIntervalHours(qint64 value);
    void setIgnoredApps(QStringList value);
    void setIgnoredVersions(QMap<QString, QString> value);
    void setNotified(QStringList value);
    void setNotchMode(NotchMode value);
    void setQuietHours(bool value);
    void setQuietFrom(qint64 value);
    void setQuietTo(qint64 value);
    void setOnboarded(bool value);
    // Applies the theme once it is written.
    void setTheme(Theme value);
    void setToured(bool value);
    // Nothing removes the key.
    void setNudgeDismissed(std::optional<QDateTime> value);
    void setNudgeDismissals(qint64 value);
    void setNotchMemory(NotchMemory value);
    void setDeviceName(QString value);

    // Sets the application's appearance: "--appearance" when given ("dark" exactly gives dark,
    // any other value light), else the theme setting.
    void applyTheme() const;

private:
    // Writes `raw` under `key`, then tells `field`'s observers of `value`. Not stored: the old
    // value stays and nobody is told.
    template <typename T>
    bool write(const QString& key, const QVariant& raw, Observed<T>& field, const T& value) {
        if (!d_->set(key, raw))
            return false;
        field.set(value);
        return true;
    }

    std::shared_ptr<Defaults> d_;
    Observed<bool> hideAppStore_;
    Observed<bool> showMenuBar_;
    Observed<qint64> intervalHours_;
    Observed<QStringList> ignoredApps_;
    Observed<QMap<QString, QString>> ignoredVersions_;
    Observed<QStringList> notified_;
    Observed<NotchMode> notchMode_;
    Observed<bool> quietHours_;
    Observed<qint64> quietFrom_;
    Observed<qint64> quietTo_;
    Observed<bool> onboarded_;
    Observed<Theme> theme_;
    Observed<bool> toured_;
    Observed<std::optional<QDateTime>> nudgeDismissed_;
    Observed<qint64> nudgeDismissals_;
    Observed<NotchMemory> notchMemory_;
    Observed<QString> deviceName_;
};
