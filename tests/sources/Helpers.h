#pragma once

#include "runtime/Describe.h"
#include "sources/Net.h"

#include "LoopbackServer.h"
#include "TestData.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <exception>
#include <functional>


// The description of what `fn` throws, or "<no error>".
inline QString failureOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (...) {
        return describe(std::current_exception());
    }
    return QStringLiteral("<no error>");
}

// Whether `fn` throws an error of type E.
template <typename E>
bool throwsA(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const E&) {
        return true;
    } catch (...) {}
    return false;
}

// A loopback server for tests of the network client. The client is made fresh for it and dropped
// before the server stops, so no kept-alive connection holds the server open.
struct ServedNet {
    ServedNet() { Net::resetForTest(); }
    ~ServedNet() { Net::resetForTest(); }
    LoopbackServer server;
};
