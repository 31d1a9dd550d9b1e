#pragma once

#include "model/Attempt.h"

#include <QWidget>

// One update source tried during the last check: its name, what it found, the address it
// asked and why it failed or was skipped.
class AttemptRow : public QWidget {
    Q_OBJECT
public:
    explicit AttemptRow(const Attempt& attempt, QWidget* parent = nullptr);
};
