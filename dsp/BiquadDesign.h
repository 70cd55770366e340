#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/**
    Biquad designs shared by the effects and the compressor settings. Coefficients are designed
    in double and each is rounded once to the float the framework's biquad holds (b0, b1, b2, a1,
    a2, normalised so that a0 is 1); no further normalisation rounds them again.
*/
namespace BiquadDesign
{
    /** The five coefficients, each rounded to float. */
    inline juce::IIRCoefficients fromDoubles (double b0, double b1, double b2, double a1, double a2) noexcept
    {
        juce::IIRCoefficients result;
        result.coefficients[0] = static_cast<float> (b0);
        result.coefficients[1] = static_cast<float> (b1);
        result.coefficients[2] = static_cast<float> (b2);
        result.coefficients[3] = static_cast<float> (a1);
        result.coefficients[4] = static_cast<float> (a2);
        return result;
    }

    /** Second-order high-pass by the bilinear transform with pre-warping, for the prewarped
        corner k = tan (pi f / fs) and 1/Q (sqrt 2 for a Butterworth response). */
    inline juce::IIRCoefficients highPass (double k, double inverseQ) noexcept
    {
        const double kk = k * k;
        const double c = 1.0 / (1.0 + k * inverseQ + kk);
        return fromDoubles (c, -2.0 * c, c, 2.0 * (kk - 1.0) * c, (1.0 - k * inverseQ + kk) * c);
    }
}
