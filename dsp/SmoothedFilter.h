#pragma once

#include "dsp/RampedValue.h"

#include <juce_audio_basics/juce_audio_basics.h>

// Placeholder: the coefficient glide and crossfade are not built yet; the filter passes its
// input through.
template <typename FilterType>
class SmoothedFilter
{
public:
    SmoothedFilter()
    {
        morph.setTarget (1.0);
        morph.snapToTarget();
        mix.setTarget (1.0);
        mix.snapToTarget();
    }

    void setCoefficients (const juce::IIRCoefficients&) noexcept {}
    float processSample (float input) noexcept { return input; }

    FilterType filter;
    RampedValue morph;
    RampedValue mix;
};
