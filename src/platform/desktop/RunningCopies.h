#pragma once

#include <QList>
#include <QString>

class SingleInstance;

// The other running copies of this application, as the single-instance socket knows them: the
// copy that owns it, when this one runs beside it. Virtual so that the logic's tests can stand
// in for it.
class RunningCopies {
public:
    struct Copy {
        qint64 pid = 0;
        QString bundle; // where the copy's bundle lies

        friend bool operator==(const Copy&, const Copy&) = default;
    };

    explicit RunningCopies(SingleInstance& instance);
    virtual ~RunningCopies();

    // Never this process.
    virtual QList<Copy> others() const;
    // Asks the copy to come forward.
    virtual void activate(const Copy& copy);
    // Asks the copy to quit through its own quit path, waits a few seconds for it to go, and
    // takes its place on the socket.
    virtual void terminate(const Copy& copy);

private:
    SingleInstance& instance_;
};
