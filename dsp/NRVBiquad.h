#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/**
    A framework biquad (transposed direct form II; float coefficients b0, b1, b2, a1, a2
    normalised to a0 = 1; two float state values) with its coefficients and state opened up,
    for effects that run the recursion themselves: several sections interleaved sample by
    sample, or coefficients rewritten on every sample.

    The framework's own setter, reset and block processing remain available and act on the
    same values.
*/
template <typename FilterType>
class NRVBiquadOf : public FilterType
{
public:
    /** Number of coefficients: b0, b1, b2, a1, a2. */
    static constexpr int kNumCoefficients = 5;

    /** The coefficients in use, b0, b1, b2, a1, a2. */
    float* coefficientData() noexcept               { return this->coefficients.coefficients; }

    /** The coefficients in use, b0, b1, b2, a1, a2. */
    const float* coefficientData() const noexcept   { return this->coefficients.coefficients; }

    /** First state value of the transposed direct form II. */
    float& state1() noexcept                        { return this->v1; }
    float state1() const noexcept                   { return this->v1; }

    /** Second state value of the transposed direct form II. */
    float& state2() noexcept                        { return this->v2; }
    float state2() const noexcept                   { return this->v2; }

    /** True once a coefficient set has been installed. */
    bool isActive() const noexcept                  { return this->active; }
};

/** The framework's lock-free biquad (no spin lock: for state touched by one thread only). */
using NRVBiquad = NRVBiquadOf<juce::SingleThreadedIIRFilter>;
