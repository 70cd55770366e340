#pragma once

#include "dsp/NRVBiquad.h"

/**
    The transformer's level-dependent high-pass: a 2nd-order high-pass whose corner slides from
    42 Hz (Q 2.9) at silence down to 18 Hz (Q 2.2) as the level rises, the way a transformer's
    low end opens up when it is driven.

    A 5 ms envelope of the input level drives a morph value through the soft-clip curve
    (morph = P(5 x envelope), so the 18 Hz set is reached at an envelope of 0.6). Whenever the
    morph changes, the float coefficients are blended from the two designs; the biquad then runs
    in transposed direct form II in float, flushing each output of magnitude 1e-8 or less to 0.
*/
class OrvikQ4DynamicHiPass
{
public:
    /** Number of biquad coefficients (b0, b1, b2, a1, a2). */
    static constexpr int kNumCoefficients = NRVBiquad::kNumCoefficients;

    /** Designs both corner settings for a sample rate, loads the 42 Hz set and silences the
        envelope and morph. Leaves the filter's state values alone. */
    void init (double sampleRate);

    /** Returns to the state of a new, initialised filter (42 Hz coefficients; envelope, morph
        and filter state 0) without redesigning. Used to recover from a non-finite state. */
    void reset() noexcept;

    /** Filters a block in place (n <= 0 does nothing). */
    void process (float* data, int numSamples) noexcept;

    /** True when the envelope and the filter state are finite numbers. */
    bool isFinite() const noexcept;

    /** The biquad: the coefficients in use and the two state values. */
    NRVBiquad filter;

    /** The 42 Hz coefficients, each rounded to float (b0, b1, b2, a1, a2). */
    double baseCoeffs[kNumCoefficients] {};

    /** 18 Hz coefficient minus 42 Hz coefficient, subtracted in float. */
    double deltaCoeffs[kNumCoefficients] {};

    /** The morph value the coefficients in the filter were blended for, 0 ... 1. */
    double lastMorph = 0.0;

    /** Level envelope of the input, driving the morph. */
    double envelope = 0.0;

    /** Per-sample weight of the new level in the envelope (5 ms time constant). */
    double envelopeCoeff = 0.0;

    /** 1 - envelopeCoeff. */
    double envelopeKeep = 1.0;
};
