#include "TestEnvironment.h"
#include "model/Launch.h"
#include "runtime/Spawn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef QL_TEST_APP_MAIN
#include "app/App.h"
#endif

#ifdef QL_TEST_GUI
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <clocale>
#include <cstdlib>
#include <string_view>

// Every test runs in a fresh home: no test ever reads or writes the real one.
int main(int argc, char** argv) {
    Launch::init(argc, argv);
#ifdef QL_TEST_APP_MAIN
    // Started with "--sandbox" it is Quenlark itself: a Google sign-in's desktop entry names the
    // program that wrote it, so the redirect's second launch comes back here (tests/e2e).
    if (Launch::sandbox())
        return App::run(argc, argv);
#endif
    if (!TestEnvironment::isolate())
        return 2;

#ifdef QL_TEST_GUI
    // Tests of real windows and the tray ask for xcb; without a display they run offscreen
    // (and skip what needs one).
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || (std::string_view(platform) == "xcb" && !std::getenv("DISPLAY")))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    setlocale(LC_NUMERIC, "C");
    setAbortOnUnhandled(true);

    ::testing::InitGoogleMock(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    TestEnvironment::cleanUp();
    return rc;
}
