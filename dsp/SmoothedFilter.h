#pragma once

#include "dsp/NRVBiquad.h"
#include "dsp/RampedValue.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>

/**
    A biquad whose coefficients glide from the present set to a new one over one ramp length,
    and which fades itself in and out by crossfading between its input and its output.

    It lets the compressor's side-chain high-pass be switched on, off and between corner
    frequencies without clicks. FilterType is the framework's biquad (juce::IIRFilter or
    juce::SingleThreadedIIRFilter): it holds the single-precision coefficients and state, and
    the per-sample step below runs the transposed direct form II on them itself. The glide and
    the crossfade are computed in double precision; the points where a value is rounded to float
    are part of the sound.

    Four states, decided by the crossfade ramp `mix`:
    - off (target < 0.5, steady): the input passes and nothing runs;
    - fading out (target < 0.5, ramping): the filter runs, the output fades to the input;
    - fading in (target >= 0.5, ramping): the filter runs, the output fades to the filter;
    - on (target >= 0.5, steady): the output is the filter's.

    Not synchronised: setCoefficients(), the ramps and processSample() must be called from one
    thread at a time (the owner hands setting changes to the audio thread).
*/
template <typename FilterType>
class SmoothedFilter
{
public:
    /** Number of normalised biquad coefficients: b0, b1, b2, a1, a2 (a0 = 1). */
    static constexpr int kNumCoefficients = 5;

    /** Filter outputs of at most this magnitude are replaced by exactly 0 before they feed the
        state, so a decaying side chain ends in true silence instead of denormals. */
    static constexpr float kFlushLevel = 1.0e-8f;

    /** The framework biquad with its coefficients and state opened to the per-sample step. */
    using Biquad = NRVBiquadOf<FilterType>;

    /** Creates an identity filter that is on (morph and crossfade steady at 1). */
    SmoothedFilter() noexcept
    {
        juce::IIRCoefficients identity;
        identity.coefficients[0] = 1.0f;
        filter.setCoefficients (identity);

        for (int i = 0; i < kNumCoefficients; ++i)
        {
            base[i] = identity.coefficients[i];
            delta[i] = 0.0;
        }

        morph.current = morph.target = 1.0;
        mix.current = mix.target = 1.0;
    }

    /** Takes a new coefficient set (b0, b1, b2, a1, a2, normalised to a0 = 1).
        While on or fading in, the coefficients glide from the set reached so far to the new
        one and the state is kept; while off or fading out, the state is cleared, the new set is
        used at once and the filter fades in. */
    void setCoefficients (const juce::IIRCoefficients& newCoefficients) noexcept
    {
        float start[kNumCoefficients];

        if (mix.target >= 0.5)
        {
            // Glide on from the set one sample further along the running morph.
            const double t = morph.next();

            for (int i = 0; i < kNumCoefficients; ++i)
                start[i] = static_cast<float> (delta[i] * t + base[i]);
        }
        else
        {
            filter.reset();

            for (int i = 0; i < kNumCoefficients; ++i)
                start[i] = newCoefficients.coefficients[i];

            mix.setTarget (1.0);
        }

        juce::IIRCoefficients startSet;

        for (int i = 0; i < kNumCoefficients; ++i)
        {
            base[i] = start[i];
            // The difference is taken in single precision, between the two float sets.
            delta[i] = static_cast<double> (newCoefficients.coefficients[i] - start[i]);
            startSet.coefficients[i] = start[i];
        }

        filter.setCoefficients (startSet);

        // A fresh glide of full length from 0, whatever the morph was doing.
        lastMorph = 0.0;
        morph.current = 0.0;
        morph.target = 1.0;
        morph.step = 1.0 / morph.steps;
        morph.countdown = morph.steps;
    }

    /** Filters one sample of the side-chain signal. */
    float processSample (float x) noexcept
    {
        const bool fading = mix.isRamping();

        if (mix.target < 0.5 && ! fading)
            return x;

        // The glide position counts in float steps: coefficients are recomputed only while the
        // float-rounded position moves.
        const double position = static_cast<double> (static_cast<float> (morph.next()));
        const float wet = fading ? static_cast<float> (mix.next()) : 1.0f;

        float* const c = filter.coefficientData();

        if (position != lastMorph)
        {
            for (int i = 0; i < kNumCoefficients; ++i)
                c[i] = static_cast<float> (delta[i] * position + base[i]);

            lastMorph = position;
        }

        float& s1 = filter.state1();
        float& s2 = filter.state2();

        float y = c[0] * x + s1;

        if (! (y < -kFlushLevel || y > kFlushLevel))   // also catches not-a-number
            y = 0.0f;

        s1 = c[1] * x - c[3] * y + s2;
        s2 = c[2] * x - c[4] * y;

        // Only a float overflow on an absurd side-chain level can get here; a state that is no
        // longer finite would never recover, so the filter starts again from rest.
        if (! (std::isfinite (s1) && std::isfinite (s2)))
            s1 = s2 = 0.0f;

        if (! fading)
            return y;

        // Dry share in double, wet share in float, sum rounded to float.
        return static_cast<float> ((1.0 - static_cast<double> (wet)) * static_cast<double> (x)
                                   + static_cast<double> (y * wet));
    }

    /** The framework biquad that holds the coefficients in use and the state. */
    Biquad filter;

    /** Coefficients at glide position 0. */
    double base[kNumCoefficients];

    /** New set minus base: the coefficients at position t are base + delta * t. */
    double delta[kNumCoefficients];

    /** Glide position (a float value) for which the coefficients in use were computed. */
    double lastMorph = 0.0;

    /** Glide position from 0 (base) to 1 (base + delta). */
    RampedValue morph;

    /** Crossfade: 0 = the input passes, 1 = the filter's output. */
    RampedValue mix;

private:
    JUCE_DECLARE_NON_COPYABLE (SmoothedFilter)
};
