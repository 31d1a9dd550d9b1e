#pragma once

#include <QHash>

class QObject;

// Spreads the starts of one change that many rows take in the same event-loop turn: the rows
// are refreshed in list order, and the n-th of a group (a window, say) to ask in a turn,
// counting from 0, waits n × step.
class Stagger {
public:
    explicit Stagger(double step) : step_(step) {}

    // The delay of the next row of `group` to ask in this turn, in seconds.
    double next(const QObject* group);

private:
    double step_;
    QHash<const QObject*, int> asked_;
};
