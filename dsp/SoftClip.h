#pragma once

#include <algorithm>

/**
    The transformer's soft saturation curve: the (3,2) Padé approximant of tanh,
    s (s² + 27) / (9 s² + 27), held at ±1 beyond |s| = 3.

    The curve meets its limits exactly (it equals 1 at s = 3 and its slope is 0 there), so the
    limits join it without a step. Used for the level-to-corner morph of the dynamic high-pass
    and for the flux saturation.
*/
inline double padeSoftClip (double s) noexcept
{
    // The limits by clamping the argument: the curve gives exactly -1 at -3 and 1 at 3, so
    // this equals holding it beyond them (a not-a-number passes through either way), and loops
    // over many values run without branches and vectorise.
    s = std::clamp (s, -3.0, 3.0);
    const double s2 = s * s;
    return (s * (s2 + 27.0)) / (9.0 * s2 + 27.0);
}
