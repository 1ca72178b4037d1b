#include "viewkit/SpringCurve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumra {

namespace {

struct Terms {
    double omega;  // undamped angular frequency
    double zeta;   // damping fraction, clamped to (0, 1)
    double omegaD; // damped angular frequency
    double decay;  // zeta * omega
};

Terms terms(const SpringCurve& curve) {
    const double response = std::max(curve.response, 1e-6);
    const double omega = 2.0 * std::numbers::pi / response;
    // Critical and over-damped springs run as very nearly critical ones.
    const double zeta = std::clamp(curve.dampingFraction, 0.01, 0.999);
    const double omegaD = omega * std::sqrt(1.0 - zeta * zeta);
    return {omega, zeta, omegaD, zeta * omega};
}

} // namespace

double SpringCurve::value(double t) const {
    if (!(t > 0))
        return 0.0;
    const Terms k = terms(*this);
    const double envelope = std::exp(-k.decay * t);
    return 1.0 - envelope * (std::cos(k.omegaD * t) + k.decay / k.omegaD * std::sin(k.omegaD * t));
}

double SpringCurve::velocity(double t) const {
    if (!(t > 0))
        return 0.0;
    const Terms k = terms(*this);
    return std::exp(-k.decay * t) * (k.omega * k.omega / k.omegaD) * std::sin(k.omegaD * t);
}

double SpringCurve::settleTime(double tolerance) const {
    const Terms k = terms(*this);
    // The distance to 1 stays under its envelope A e^(-decay t).
    const double amplitude = std::sqrt(1.0 + std::pow(k.decay / k.omegaD, 2));
    const double tol = std::clamp(tolerance, 1e-9, 0.5);
    return std::log(amplitude / tol) / k.decay;
}

double SpringCurve::overshoot() const {
    if (dampingFraction >= 1.0)
        return 0.0;
    const Terms k = terms(*this);
    return std::exp(-std::numbers::pi * k.zeta / std::sqrt(1.0 - k.zeta * k.zeta));
}

} // namespace lumra
