#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/**
    The framework's lock-free biquad (transposed direct form II; float coefficients b0, b1, b2,
    a1, a2 normalised to a0 = 1; two float state values) with its coefficients and state
    opened up, for effects that run the recursion themselves: several sections interleaved
    sample by sample, or coefficients rewritten on every sample.

    The framework's own setter, reset and block processing remain available and act on the
    same values.
*/
class NRVBiquad : public juce::SingleThreadedIIRFilter
{
public:
    /** Number of coefficients: b0, b1, b2, a1, a2. */
    static constexpr int kNumCoefficients = 5;

    /** The coefficients in use, b0, b1, b2, a1, a2. */
    float* coefficientData() noexcept               { return coefficients.coefficients; }

    /** The coefficients in use, b0, b1, b2, a1, a2. */
    const float* coefficientData() const noexcept   { return coefficients.coefficients; }

    /** First state value of the transposed direct form II. */
    float& state1() noexcept                        { return v1; }
    float state1() const noexcept                   { return v1; }

    /** Second state value of the transposed direct form II. */
    float& state2() noexcept                        { return v2; }
    float state2() const noexcept                   { return v2; }
};
