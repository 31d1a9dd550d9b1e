#pragma once

#include "platform/desktop/RunningCopies.h"
#include "platform/desktop/SingleInstance.h"

#include <QStringList>

// Other copies as a list, recording what they were asked.
class FakeRunningCopies final : public RunningCopies {
public:
    FakeRunningCopies() : RunningCopies(instance_) {}

    QList<Copy> others() const override { return copies; }
    void activate(const Copy& copy) override { asked << QStringLiteral("activate ") + copy.bundle; }
    void terminate(const Copy& copy) override { asked << QStringLiteral("quit ") + copy.bundle; }

    QList<Copy> copies;
    QStringList asked;

private:
    SingleInstance instance_{QString(), QString(), QString()};
};
