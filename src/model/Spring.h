#pragma once

// A damped spring moving a value from `from` to `to`, described as the standard animation does:
// `response` is the period of the undamped oscillation in seconds, `dampingFraction` 1 is
// critical damping (below it the value overshoots). Pure arithmetic: views sample it while a
// linear animation runs over settlingTime(), and a retarget starts from the current value and
// velocity so the motion stays continuous.
class Spring {
public:
    Spring(double response, double dampingFraction, double from, double to, double velocity = 0);

    double value(double t) const;
    double velocity(double t) const;
    // When the value stays within a thousandth of its travel (or of what its start velocity
    // would carry it) from the target; 0 when it starts there at rest.
    double settlingTime() const { return settle_; }

    // The same spring heading for `to` from where this one is at time `t`.
    Spring retargeted(double t, double to) const;

    double target() const { return to_; }

private:
    // Displacement from the target and its rate of change.
    double offset(double t) const;
    double rate(double t) const;
    double envelope(double t) const;

    double response_, damping_;
    double to_;
    double x0_, v0_; // start offset from the target and start velocity
    double omega_;   // undamped angular frequency
    double settle_ = 0;
};
