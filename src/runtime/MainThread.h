#pragma once

#include <QCoreApplication>
#include <QThread>

// Observable state and store operations live on the GUI thread only.
inline bool isMainThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

#define QL_ASSERT_MAIN_THREAD() Q_ASSERT_X(isMainThread(), Q_FUNC_INFO, "called off the GUI thread")
