#include "platform/desktop/RunningCopies.h"

#include "platform/desktop/SingleInstance.h"
#include "runtime/Log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace {

// How long a copy asked to quit may take before this one stops waiting for its place.
constexpr int quitWaitMs = 5000;

} // namespace

RunningCopies::RunningCopies(SingleInstance& instance) : instance_(instance) {}

RunningCopies::~RunningCopies() = default;

QList<RunningCopies::Copy> RunningCopies::others() const {
    const auto& peer = instance_.peer();
    if (instance_.owns() || !peer || peer->pid == QCoreApplication::applicationPid())
        return {};
    return {Copy{peer->pid, peer->bundle}};
}

void RunningCopies::activate(const Copy&) { instance_.ask(SingleInstance::Request::Activate); }

void RunningCopies::terminate(const Copy&) {
    if (!instance_.ask(SingleInstance::Request::Quit))
        return;
    QElapsedTimer timer;
    timer.start();
    while (!instance_.takeOver()) {
        if (timer.elapsed() >= quitWaitMs) {
            qCWarning(lcPlatform) << "The copy asked to quit is still running; this one runs beside it.";
            return;
        }
        QThread::msleep(50);
    }
}
