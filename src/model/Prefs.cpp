#include "model/Prefs.h"

#include "model/Launch.h"
#include "runtime/MainThread.h"
#include "runtime/Shell.h"

namespace {

std::unique_ptr<Prefs>& instance() {
    static std::unique_ptr<Prefs> prefs;
    return prefs;
}

// A property list can not hold a NUL. A list or map keeps such an entry for this run only and
// leaves it out of the file, rather than the one entry keeping the whole list from being stored.
bool keepable(const QString& text) { return !text.contains(QChar(0)); }

QStringList storable(QStringList list) {
    list.removeIf([](const QString& entry) { return !keepable(entry); });
    return list;
}

QVariantMap storable(const QMap<QString, QString>& map) {
    QVariantMap out;
    for (auto it = map.begin(); it != map.end(); ++it)
        if (keepable(it.key()) && keepable(it.value()))
            out.insert(it.key(), it.value());
    return out;
}

} // namespace

Prefs& Prefs::shared() {
    QL_ASSERT_MAIN_THREAD();
    auto& prefs = instance();
    if (!prefs) {
        const bool sandboxed = Launch::sandbox().has_value();
        std::shared_ptr<Defaults> d;
        if (sandboxed) {
            // A sandbox run starts from the defaults every time.
            Defaults::removePersistentDomain(sandboxSuite);
            d = Defaults::suite(sandboxSuite);
        } else {
            d = Defaults::standard();
        }
        prefs = std::make_unique<Prefs>(std::move(d), sandboxed);
    }
    return *prefs;
}

void Prefs::resetForTest() { instance().reset(); }

Prefs::Prefs(std::shared_ptr<Defaults> d, bool sandboxed) : d_(std::move(d)) {
    d_->registerDefaults({
        {QStringLiteral("showMenuBar"), true},
        {QStringLiteral("intervalHours"), 24},
        {QStringLiteral("notchPanel"), true},
        {QStringLiteral("quietHours"), !sandboxed},
        {QStringLiteral("quietFrom"), 22},
        {QStringLiteral("quietTo"), 8},
    });

    hideAppStore_.set(d_->boolean(QStringLiteral("hideAppStore")));
    showMenuBar_.set(d_->boolean(QStringLiteral("showMenuBar")));
    intervalHours_.set(d_->integer(QStringLiteral("intervalHours")));
    ignoredApps_.set(d_->stringArray(QStringLiteral("ignoredApps")).value_or(QStringList()));

    QMap<QString, QString> skips;
    if (const auto stored = d_->dictionary(QStringLiteral("ignoredVersions"))) {
        for (auto it = stored->begin(); it != stored->end(); ++it) {
            if (it.value().typeId() != QMetaType::QString) {
                skips.clear(); // one value that is no text empties the whole setting
                break;
            }
            skips.insert(it.key(), it.value().toString());
        }
    }
    ignoredVersions_.set(std::move(skips));

    notified_.set(d_->stringArray(QStringLiteral("notified")).value_or(QStringList()));
    const auto mode = NotchModes::from(d_->string(QStringLiteral("notchMode")).value_or(QString()));
    notchMode_.set(mode ? *mode : d_->boolean(QStringLiteral("notchPanel")) ? NotchMode::smart : NotchMode::never);
    quietHours_.set(d_->boolean(QStringLiteral("quietHours")));
    quietFrom_.set(d_->integer(QStringLiteral("quietFrom")));
    quietTo_.set(d_->integer(QStringLiteral("quietTo")));
    onboarded_.set(d_->boolean(QStringLiteral("onboarded")) || Launch::has(QStringLiteral("--skip-onboarding")));
    toured_.set(d_->boolean(QStringLiteral("toured")));
    nudgeDismissed_.set(d_->date(QStringLiteral("nudgeDismissed")));
    nudgeDismissals_.set(d_->integer(QStringLiteral("nudgeDismissals")));
    theme_.set(Themes::from(d_->string(QStringLiteral("theme")).value_or(QString())).value_or(Theme::dark));
    const auto memory = d_->data(QStringLiteral("notchMemory"));
    notchMemory_.set(memory ? NotchMemory::fromJson(*memory).value_or(NotchMemory()) : NotchMemory());
    deviceName_.set(d_->string(QStringLiteral("deviceName")).value_or(QString()));
}

void Prefs::setHideAppStore(bool value) {
    write(QStringLiteral("hideAppStore"), value, hideAppStore_, value);
}

void Prefs::setShowMenuBar(bool value) {
    write(QStringLiteral("showMenuBar"), value, showMenuBar_, value);
}

void Prefs::setIntervalHours(qint64 value) {
    write(QStringLiteral("intervalHours"), value, intervalHours_, value);
}

void Prefs::setIgnoredApps(QStringList value) {
    write(QStringLiteral("ignoredApps"), storable(value), ignoredApps_, value);
}

void Prefs::setIgnoredVersions(QMap<QString, QString> value) {
    write(QStringLiteral("ignoredVersions"), storable(value), ignoredVersions_, value);
}

void Prefs::setNotified(QStringList value) {
    write(QStringLiteral("notified"), storable(value), notified_, value);
}

void Prefs::setNotchMode(NotchMode value) {
    write(QStringLiteral("notchMode"), NotchModes::rawValue(value), notchMode_, value);
}

void Prefs::setQuietHours(bool value) {
    write(QStringLiteral("quietHours"), value, quietHours_, value);
}

void Prefs::setQuietFrom(qint64 value) {
    write(QStringLiteral("quietFrom"), value, quietFrom_, value);
}

void Prefs::setQuietTo(qint64 value) {
    write(QStringLiteral("quietTo"), value, quietTo_, value);
}

void Prefs::setOnboarded(bool value) {
    write(QStringLiteral("onboarded"), value, onboarded_, value);
}

void Prefs::setTheme(Theme value) {
    if (write(QStringLiteral("theme"), Themes::rawValue(value), theme_, value))
        applyTheme();
}

void Prefs::setToured(bool value) {
    write(QStringLiteral("toured"), value, toured_, value);
}

void Prefs::setNudgeDismissed(std::optional<QDateTime> value) {
    if (!value)
        d_->remove(QStringLiteral("nudgeDismissed"));
    else if (!d_->set(QStringLiteral("nudgeDismissed"), *value))
        return;
    nudgeDismissed_.set(std::move(value));
}

void Prefs::setNudgeDismissals(qint64 value) {
    write(QStringLiteral("nudgeDismissals"), value, nudgeDismissals_, value);
}

void Prefs::setNotchMemory(NotchMemory value) {
    write(QStringLiteral("notchMemory"), value.toJson(), notchMemory_, value);
}

void Prefs::setDeviceName(QString value) {
    write(QStringLiteral("deviceName"), value, deviceName_, value);
}

void Prefs::applyTheme() const {
    if (const auto forced = Launch::value(QStringLiteral("--appearance"))) {
        Shell::current().applyAppearance(*forced == QStringLiteral("dark"), false);
        return;
    }
    switch (theme()) {
    case Theme::system: Shell::current().applyAppearance(false, true); break;
    case Theme::light: Shell::current().applyAppearance(false, false); break;
    case Theme::dark: Shell::current().applyAppearance(true, false); break;
    }
}
