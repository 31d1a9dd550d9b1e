#pragma once

#include "runtime/Describe.h"
#include "runtime/Spawn.h"

#include <QStringList>

// Records what reportUnhandled is given while it lives, instead of logging and aborting.
class RecordingReporter {
public:
    RecordingReporter() {
        previous_ = setUnhandledReporter([this](std::exception_ptr error, const char* where) {
            errors.append(error);
            places.append(QString::fromUtf8(where));
            texts.append(describe(error));
        });
    }
    ~RecordingReporter() { setUnhandledReporter(std::move(previous_)); }
    RecordingReporter(const RecordingReporter&) = delete;
    RecordingReporter& operator=(const RecordingReporter&) = delete;

    QList<std::exception_ptr> errors;
    QStringList places;
    QStringList texts;

private:
    UnhandledReporter previous_;
};
