#include "model/Spring.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double tolerance = 1e-3;
constexpr double horizon = 30.0; // no spring of ours moves longer than this
constexpr double step = 1.0 / 480.0;
} // namespace

Spring::Spring(double response, double dampingFraction, double from, double to, double velocity)
    : response_(std::max(response, 1e-3)), damping_(std::max(dampingFraction, 0.0)), to_(to), x0_(from - to),
      v0_(velocity), omega_(2 * std::numbers::pi / response_) {
    const double scale = std::max(std::fabs(x0_), std::fabs(v0_) / omega_);
    if (scale == 0)
        return;
    const double limit = tolerance * scale;
    if (damping_ < 1) {
        const double decay = damping_ * omega_;
        settle_ = decay > 0 ? std::clamp(std::log(envelope(0) / limit) / decay, 0.0, horizon) : horizon;
        return;
    }
    // The envelope falls for good once it has peaked; find the last moment it is above the limit.
    double last = 0;
    for (double t = 0; t <= horizon; t += step)
        if (envelope(t) > limit)
            last = t + step;
    settle_ = std::min(last, horizon);
}

double Spring::offset(double t) const {
    const double z = damping_, w = omega_;
    if (z < 1) {
        const double wd = w * std::sqrt(1 - z * z);
        const double b = (v0_ + z * w * x0_) / wd;
        return std::exp(-z * w * t) * (x0_ * std::cos(wd * t) + b * std::sin(wd * t));
    }
    if (z == 1)
        return (x0_ + (v0_ + w * x0_) * t) * std::exp(-w * t);
    const double root = w * std::sqrt(z * z - 1);
    const double r1 = -z * w + root, r2 = -z * w - root;
    const double c2 = (v0_ - r1 * x0_) / (r2 - r1), c1 = x0_ - c2;
    return c1 * std::exp(r1 * t) + c2 * std::exp(r2 * t);
}

double Spring::rate(double t) const {
    const double z = damping_, w = omega_;
    if (z < 1) {
        const double wd = w * std::sqrt(1 - z * z);
        const double b = (v0_ + z * w * x0_) / wd;
        const double e = std::exp(-z * w * t);
        const double c = std::cos(wd * t), s = std::sin(wd * t);
        return e * (-z * w * (x0_ * c + b * s) + (-x0_ * wd * s + b * wd * c));
    }
    if (z == 1) {
        const double k = v0_ + w * x0_;
        return (k - w * (x0_ + k * t)) * std::exp(-w * t);
    }
    const double root = w * std::sqrt(z * z - 1);
    const double r1 = -z * w + root, r2 = -z * w - root;
    const double c2 = (v0_ - r1 * x0_) / (r2 - r1), c1 = x0_ - c2;
    return c1 * r1 * std::exp(r1 * t) + c2 * r2 * std::exp(r2 * t);
}

// An upper bound of |offset(t)|.
double Spring::envelope(double t) const {
    const double z = damping_, w = omega_;
    if (z < 1) {
        const double wd = w * std::sqrt(1 - z * z);
        const double b = (v0_ + z * w * x0_) / wd;
        return std::hypot(x0_, b) * std::exp(-z * w * t);
    }
    if (z == 1)
        return (std::fabs(x0_) + std::fabs(v0_ + w * x0_) * t) * std::exp(-w * t);
    const double root = w * std::sqrt(z * z - 1);
    const double r1 = -z * w + root, r2 = -z * w - root;
    const double c2 = (v0_ - r1 * x0_) / (r2 - r1), c1 = x0_ - c2;
    return std::fabs(c1) * std::exp(r1 * t) + std::fabs(c2) * std::exp(r2 * t);
}

double Spring::value(double t) const { return to_ + offset(std::max(t, 0.0)); }

double Spring::velocity(double t) const { return rate(std::max(t, 0.0)); }

Spring Spring::retargeted(double t, double to) const { return Spring(response_, damping_, value(t), to, velocity(t)); }
