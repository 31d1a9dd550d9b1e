#pragma once

#include <QString>

// The install progress of one row. A new download fraction is a change of phase.
class InstallPhase {
public:
    enum class Kind { idle, queued, downloading, verifying, installing, done, failed, blocked };

    InstallPhase() = default;
    static InstallPhase idle() { return InstallPhase(Kind::idle); }
    static InstallPhase queued() { return InstallPhase(Kind::queued); }
    static InstallPhase downloading(double fraction) {
        InstallPhase phase(Kind::downloading);
        phase.fraction_ = fraction;
        return phase;
    }
    static InstallPhase verifying() { return InstallPhase(Kind::verifying); }
    static InstallPhase installing() { return InstallPhase(Kind::installing); }
    static InstallPhase done() { return InstallPhase(Kind::done); }
    static InstallPhase failed(QString message) {
        InstallPhase phase(Kind::failed);
        phase.message_ = std::move(message);
        return phase;
    }
    static InstallPhase blocked() { return InstallPhase(Kind::blocked); }

    Kind kind() const { return kind_; }
    double fraction() const { return fraction_; }
    const QString& message() const { return message_; }
    // An update of the row is waiting its turn or running.
    bool inProgress() const {
        return kind_ == Kind::queued || kind_ == Kind::downloading || kind_ == Kind::verifying ||
               kind_ == Kind::installing;
    }

    bool operator==(const InstallPhase& other) const {
        if (kind_ != other.kind_)
            return false;
        if (kind_ == Kind::downloading)
            return fraction_ == other.fraction_;
        if (kind_ == Kind::failed)
            return message_ == other.message_;
        return true;
    }

private:
    explicit InstallPhase(Kind kind) : kind_(kind) {}
    Kind kind_ = Kind::idle;
    double fraction_ = 0;
    QString message_;
};
