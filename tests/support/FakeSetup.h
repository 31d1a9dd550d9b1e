#pragma once

#include "FakeLoginItem.h"
#include "FakeRunningCopies.h"
#include "onboarding/Setup.h"
#include "platform/system/Defaults.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <memory>

// The first run's housekeeping over fakes: a fresh defaults file, the login item and the other
// copies in memory, relaunches and quits recorded.
struct FakeSetup {
    explicit FakeSetup(const QString& name = QStringLiteral("setup")) {
        const QString file = QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral(".plist");
        QFile::remove(file);
        defaults = std::make_shared<Defaults>(file);
    }

    Setup make(const QString& bundle, const QString& home = QStringLiteral("/home/ann")) {
        Setup::Environment e;
        e.bundle = bundle;
        e.executable = QStringLiteral("quenlark");
        e.home = home;
        e.defaults = defaults;
        e.loginItem = &login;
        e.copies = &copies;
        e.relaunch = [this](const QString& at, const QString& program) {
            relaunched << at + QLatin1Char('/') + program;
            return relaunchStarts;
        };
        e.terminate = [this] { ++terminated; };
        return Setup(std::move(e));
    }

    std::shared_ptr<Defaults> defaults;
    FakeLoginItem login;
    FakeRunningCopies copies;
    QStringList relaunched;
    bool relaunchStarts = true;
    int terminated = 0;
};
