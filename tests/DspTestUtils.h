#pragma once

#include "dsp/RampedValue.h"
#include "dsp/ProgramState.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>
#include <vector>

// Helpers shared by the effect tests and the benchmarks.
namespace dsptest
{
    using Block = std::vector<float>;
    using Channels = std::vector<Block>;

    /** One pointer per channel, as the effects' all-channel processing takes them. */
    inline std::vector<float*> pointersTo (Channels& channels)
    {
        std::vector<float*> pointers;
        for (auto& channel : channels)
            pointers.push_back (channel.data());
        return pointers;
    }

    /** Second-order high-pass (bilinear, pre-warped) rounded to float: by default the
        Butterworth that the processor designs for the compressor's side chain. */
    inline juce::IIRCoefficients highPass (double cornerHz, double sampleRate, double inverseQ = std::sqrt (2.0))
    {
        const double k = std::tan (juce::MathConstants<double>::pi * cornerHz / sampleRate);
        const double c = 1.0 / (1.0 + k * inverseQ + k * k);
        const double designed[] { c, -2.0 * c, c, 2.0 * (k * k - 1.0) * c, (1.0 - k * inverseQ + k * k) * c };
        juce::IIRCoefficients hp;
        for (int i = 0; i < 5; ++i)
            hp.coefficients[i] = static_cast<float> (designed[i]);
        return hp;
    }

    /** Settles every ramp of the live settings and of a compressor, side-chain glide and
        crossfade included, as the processor's preparation leaves them once it has derived the
        settings. */
    template <typename Compressor>
    void settle (Compressor& compressor, ProgramState& live, double sampleRate)
    {
        const int steps = RampedValue::rampLengthFor (sampleRate);
        live.forEachRamp ([steps] (RampedValue& r) { r.setRampLength (steps); r.snapToTarget(); });
        for (auto* ramp : { &compressor.ratioDivider, &compressor.thresholdVoltage, &compressor.biasVoltage,
                            &compressor.attackResistance, &compressor.releaseResistance })
            ramp->snapToTarget();
        for (auto& channel : compressor.channels)
        {
            channel->sidechainFilter.morph.current = channel->sidechainFilter.morph.target = 1.0;
            channel->sidechainFilter.morph.countdown = 0;
            channel->sidechainFilter.mix.snapToTarget();
        }
    }
}
