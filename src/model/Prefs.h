#pragma once

#include "model/NotchMemory.h"
#include "model/NotchMode.h"
#include "model/Setting.h"
#include "model/Theme.h"
#include "platform/system/Defaults.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

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

    // Reads every setting from `d`; writes nothing.
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

    void setHideAppStore(bool value) { hideAppStore_.set(value); }
    void setShowMenuBar(bool value) { showMenuBar_.set(value); }
    void setIntervalHours(qint64 value) { intervalHours_.set(value); }
    void setIgnoredApps(QStringList value) { ignoredApps_.set(std::move(value)); }
    void setIgnoredVersions(QMap<QString, QString> value) { ignoredVersions_.set(std::move(value)); }
    void setNotified(QStringList value) { notified_.set(std::move(value)); }
    void setNotchMode(NotchMode value) { notchMode_.set(value); }
    void setQuietHours(bool value) { quietHours_.set(value); }
    void setQuietFrom(qint64 value) { quietFrom_.set(value); }
    void setQuietTo(qint64 value) { quietTo_.set(value); }
    void setOnboarded(bool value) { onboarded_.set(value); }
    // Applies the theme once it is written.
    void setTheme(Theme value);
    void setToured(bool value) { toured_.set(value); }
    // Nothing removes the key.
    void setNudgeDismissed(std::optional<QDateTime> value) { nudgeDismissed_.set(std::move(value)); }
    void setNudgeDismissals(qint64 value) { nudgeDismissals_.set(value); }
    void setNotchMemory(NotchMemory value) { notchMemory_.set(std::move(value)); }
    void setDeviceName(QString value) { deviceName_.set(std::move(value)); }

    // Sets the application's appearance: "--appearance" when given ("dark" exactly gives dark,
    // any other value light), else the theme setting.
    void applyTheme() const;

private:
    std::shared_ptr<Defaults> d_;
    const bool sandboxed_;
    // Each setting: its type, its key, and its value while the key is absent.
    Setting<bool> hideAppStore_{*d_, "hideAppStore", false};
    Setting<bool> showMenuBar_{*d_, "showMenuBar", true};
    Setting<qint64> intervalHours_{*d_, "intervalHours", 24};
    Setting<QStringList> ignoredApps_{*d_, "ignoredApps", {}};
    Setting<QMap<QString, QString>> ignoredVersions_{*d_, "ignoredVersions", {}};
    Setting<QStringList> notified_{*d_, "notified", {}};
    Setting<NotchMode> notchMode_{*d_, "notchMode", NotchMode::smart};
    Setting<bool> quietHours_{*d_, "quietHours", !sandboxed_}; // off by default in a sandbox run
    Setting<qint64> quietFrom_{*d_, "quietFrom", 22};
    Setting<qint64> quietTo_{*d_, "quietTo", 8};
    Setting<bool> onboarded_{*d_, "onboarded", false};
    Setting<Theme> theme_{*d_, "theme", Theme::dark};
    Setting<bool> toured_{*d_, "toured", false};
    Setting<std::optional<QDateTime>> nudgeDismissed_{*d_, "nudgeDismissed", std::nullopt};
    Setting<qint64> nudgeDismissals_{*d_, "nudgeDismissals", 0};
    Setting<NotchMemory> notchMemory_{*d_, "notchMemory", {}};
    Setting<QString> deviceName_{*d_, "deviceName", {}};
};
