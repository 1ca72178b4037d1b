// A damped spring's path from 0 to 1, as the platform's spring animations
// run it: a unit mass pulled by stiffness (2 pi / response)^2 with damping
// 4 pi dampingFraction / response, released at rest. No Qt: the settle time
// and the overshoot are tested on their own; the Qt driver only asks for
// values.
#pragma once

namespace lumra {

struct SpringCurve {
    // Seconds for one period of the undamped spring.
    double response = 0.2;
    // 1 is critical damping; below it the spring overshoots a little.
    double dampingFraction = 0.85;

    // Progress at t seconds (0 before the start).
    double value(double t) const;
    // Progress per second at t.
    double velocity(double t) const;
    // From this time on the progress stays within tolerance of 1 (and the
    // animation stops drawing frames).
    double settleTime(double tolerance = 0.001) const;
    // How far past 1 the progress goes at its peak (0 for damping >= 1).
    double overshoot() const;
};

// The popover's springs: a change of the monitoring flag or of the health
// state, and a change of page.
inline constexpr SpringCurve stateChangeSpring{0.2, 0.85};
inline constexpr SpringCurve pageChangeSpring{0.18, 0.85};

} // namespace lumra
