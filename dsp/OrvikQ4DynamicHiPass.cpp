#include "dsp/OrvikQ4DynamicHiPass.h"

#include "dsp/BiquadDesign.h"
#include "dsp/SoftClip.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** Where a coefficient designed or blended in double becomes the float the biquad uses. */
    inline float toFloat (double x) noexcept { return static_cast<float> (x); }

    // The two corner settings, as pi x frequency (Hz) and 1/Q.
    constexpr double kPiTimesLowLevelCorner = 131.94689145077132;   // 42 Hz
    constexpr double kLowLevelInverseQ = 0.3448275862068966;        // Q 2.9
    constexpr double kPiTimesHighLevelCorner = 56.548667764616276;  // 18 Hz
    constexpr double kHighLevelInverseQ = 0.45454545454545453;      // Q 2.2

    /** Envelope time constant in seconds. */
    constexpr double kEnvelopeTime = 0.005;

    /** Envelope to soft-clip argument: the morph saturates at an envelope of 3 / 5 = 0.6. */
    constexpr double kEnvelopeToMorph = 5.0;

    /** Outputs of this magnitude or less are flushed to 0. 1e-8f is the float just below the
        double 1e-8 with no float between them, so for a float output this test is the same
        as one against 1e-8. */
    constexpr float kFlushLevel = 1.0e-8f;
}

void OrvikQ4DynamicHiPass::init (double sampleRate)
{
    const auto lowLevel = BiquadDesign::highPass (std::tan (kPiTimesLowLevelCorner / sampleRate), kLowLevelInverseQ);
    const auto highLevel = BiquadDesign::highPass (std::tan (kPiTimesHighLevelCorner / sampleRate), kHighLevelInverseQ);

    for (int k = 0; k < kNumCoefficients; ++k)
    {
        baseCoeffs[k] = lowLevel.coefficients[k];
        deltaCoeffs[k] = highLevel.coefficients[k] - lowLevel.coefficients[k];  // float subtraction
    }

    // The framework's setter also marks the filter active.
    filter.setCoefficients (lowLevel);

    envelopeCoeff = 1.0 - std::exp ((1.0 / sampleRate) / -kEnvelopeTime);
    envelopeKeep = 1.0 - envelopeCoeff;
    lastMorph = 0.0;
    envelope = 0.0;
}

void OrvikQ4DynamicHiPass::reset() noexcept
{
    float* coefficients = filter.coefficientData();

    for (int k = 0; k < kNumCoefficients; ++k)
        coefficients[k] = toFloat (baseCoeffs[k]);

    filter.state1() = 0.0f;
    filter.state2() = 0.0f;
    lastMorph = 0.0;
    envelope = 0.0;
}

bool OrvikQ4DynamicHiPass::isFinite() const noexcept
{
    return std::isfinite (envelope) && std::isfinite (filter.state1()) && std::isfinite (filter.state2());
}

void OrvikQ4DynamicHiPass::process (float* data, int numSamples) noexcept
{
    // Coefficients, state and envelope live in locals for the block (the data pointer could
    // alias the filter's floats otherwise) and are written back at the end.
    float* coefficients = filter.coefficientData();
    float b0 = coefficients[0], b1 = coefficients[1], b2 = coefficients[2];
    float a1 = coefficients[3], a2 = coefficients[4];
    float s1 = filter.state1(), s2 = filter.state2();
    double env = envelope;
    double morph = lastMorph;

    // In chunks, two passes each: the envelope and the morph of every sample (the morph's
    // curve is independent from sample to sample, so its divisions run side by side), then the
    // filter.
    constexpr int kChunk = 64;
    double morphs[kChunk];

    for (int start = 0; start < numSamples; start += kChunk)
    {
        const int count = std::min (kChunk, numSamples - start);
        float* const block = data + start;

        for (int i = 0; i < count; ++i)
        {
            env = static_cast<double> (std::abs (block[i])) * envelopeCoeff + env * envelopeKeep;
            morphs[i] = env;
        }

        for (int i = 0; i < count; ++i)
            morphs[i] = padeSoftClip (kEnvelopeToMorph * morphs[i]);

        for (int i = 0; i < count; ++i)
        {
            const float x = block[i];
            const double m = morphs[i];

            // A steady envelope (silence included) leaves the coefficients alone.
            if (m != morph)
            {
                b0 = toFloat (deltaCoeffs[0] * m + baseCoeffs[0]);
                b1 = toFloat (deltaCoeffs[1] * m + baseCoeffs[1]);
                b2 = toFloat (deltaCoeffs[2] * m + baseCoeffs[2]);
                a1 = toFloat (deltaCoeffs[3] * m + baseCoeffs[3]);
                a2 = toFloat (deltaCoeffs[4] * m + baseCoeffs[4]);
                morph = m;
            }

            float y = b0 * x + s1;

            // One comparison of the magnitude: the same test as y > level || y < -level (a
            // not-a-number fails both), without a branch that follows the sign.
            if (! (std::abs (y) > kFlushLevel))
                y = 0.0f;

            s1 = (b1 * x - a1 * y) + s2;
            s2 = b2 * x - a2 * y;
            block[i] = y;
        }
    }

    coefficients[0] = b0;
    coefficients[1] = b1;
    coefficients[2] = b2;
    coefficients[3] = a1;
    coefficients[4] = a2;
    filter.state1() = s1;
    filter.state2() = s2;
    envelope = env;
    lastMorph = morph;
}
