#include "TestEnvironment.h"
#include "model/Launch.h"
#include "runtime/Spawn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef QL_TEST_GUI
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <clocale>
#include <cstdlib>

// Every test runs in a fresh home: no test ever reads or writes the real one.
int main(int argc, char** argv) {
    Launch::init(argc, argv);
    if (!TestEnvironment::isolate())
        return 2;

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
    TestEnvironment::cleanUp();
    return rc;
}
