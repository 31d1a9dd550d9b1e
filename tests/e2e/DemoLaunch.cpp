#include "DemoLaunch.h"

#include "Desktop.h"
#include "TestEnvironment.h"

#include "app/MainWindow.h"
#include "platform/system/PropertyList.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <exception>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

DemoLaunch::DemoLaunch() : demo_(TestEnvironment::root() + u"/demo"_s) {}

::testing::AssertionResult DemoLaunch::make() {
    try {
        demo_.make(QStringLiteral(QUENLARK_BUNDLE));
    } catch (const std::exception& error) {
        return ::testing::AssertionFailure() << "the demo sandbox was not made: " << error.what();
    }
    made_ = true;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DemoLaunch::start(const Start& how) {
    if (!made_)
        if (auto made = make(); !made)
            return made;
    QProcessEnvironment environment = how.environment;
    if (how.accessible)
        environment.insert(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_s, u"1"_s);
    quenlark_.reset();
    quenlark_.emplace(demo_, environment, how.arguments);
    if (how.accessible && !accessibility_)
        accessibility_ = Accessibility::connect(20s);
    const QString title = how.window.isEmpty() ? MainWindow::title : how.window;
    const auto window = Desktop::waitForWindow(title, how.limit);
    if (!window)
        return ::testing::AssertionFailure() << "no window \"" << title.toStdString() << "\" within "
                                             << how.limit.count() << " ms: " << quenlark_->text();
    window_ = *window;
    if (how.firstCheck && !Desktop::waitUntil([this] { return quenlark_->said("first check finished"); }, 60s))
        return ::testing::AssertionFailure() << "the first check did not end within 60 s: " << quenlark_->text();
    return ::testing::AssertionSuccess();
}

std::optional<WId> DemoLaunch::openSettings() {
    const auto main = Desktop::waitForWindow(MainWindow::title, 5s);
    if (!main || !Desktop::activate(*main) || !Desktop::press(u"ctrl+comma"_s))
        return std::nullopt;
    return Desktop::waitForWindow(u"Settings"_s, 10s);
}

std::optional<Accessibility::Object> DemoLaunch::showing(const QString& name, std::chrono::milliseconds limit,
                                                         const QString& role) const {
    std::optional<Accessibility::Object> found;
    if (!accessibility_ || !quenlark_)
        return found;
    Desktop::waitUntil(
        [&] {
            for (const auto& object : accessibility_->showing(quenlark_->pid()))
                if (object.name == name && (role.isEmpty() || object.role == role) && !object.box.isEmpty())
                    return (found = object).has_value();
            return false;
        },
        limit);
    return found;
}

QVariant DemoLaunch::stored(const QString& key) const {
    const auto settings = PropertyList::dictionaryFromFile(
        demo_.configHome() + u"/com.quenlark.Quenlark/com.quenlark.Quenlark.sandbox.plist"_s);
    return settings ? settings->value(key) : QVariant();
}

QStringList DemoLaunch::emulatorArguments(const CloudConfig& config) {
    const QString path = TestEnvironment::root() + u"/firebase.json"_s;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    const QJsonObject settings{{u"apiKey"_s, config.apiKey},
                               {u"projectId"_s, config.projectId},
                               {u"authEmulatorHost"_s, qEnvironmentVariable("QUENLARK_AUTH_EMULATOR")},
                               {u"firestoreEmulatorHost"_s, qEnvironmentVariable("QUENLARK_FIRESTORE_EMULATOR")}};
    const QByteArray text = QJsonDocument(settings).toJson();
    if (file.write(text) != text.size())
        return {};
    return {u"--firebase-config"_s, path};
}
