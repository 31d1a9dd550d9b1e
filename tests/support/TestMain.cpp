#include "model/Launch.h"
#include "runtime/Spawn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>

#ifdef QL_TEST_GUI
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <clocale>
#include <cstdlib>
#include <string>
#include <unistd.h>

// Every test runs in a fresh home: no test ever reads or writes the real one.
int main(int argc, char** argv) {
    Launch::init(argc, argv);

    const char* base = std::getenv("TMPDIR");
    std::string root = std::string(base && *base ? base : "/tmp") + "/quenlark-test-XXXXXX";
    if (!mkdtemp(root.data())) {
        perror("mkdtemp");
        return 2;
    }
    const auto sub = [&](const char* name) {
        std::string path = root + "/" + name;
        QDir().mkpath(QString::fromStdString(path));
        return path;
    };
    setenv("HOME", sub("home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", sub("home/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", sub("home/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", sub("home/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", sub("home/.local/state").c_str(), 1);
    setenv("TMPDIR", sub("tmp").c_str(), 1);
    setenv("TZ", "UTC", 1);
    setenv("LANG", "en_US.UTF-8", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    tzset();

#ifdef QL_TEST_GUI
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    setlocale(LC_NUMERIC, "C");
    setAbortOnUnhandled(true);

    ::testing::InitGoogleMock(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    QDir(QString::fromStdString(root)).removeRecursively();
    return rc;
}
