#pragma once

#include "dsp/NRVEffect.h"

// Placeholder: the transformer model is not built yet; the audio passes through unchanged.
class OrvikQ4Transfo : public NRVEffect
{
public:
    using NRVEffect::processSamples;

    void prepareToPlay (double newSampleRate, int newNumChannels) override
    {
        sampleRate = newSampleRate;
        numChannels = newNumChannels;
    }

    void processSamples (float*, int, int) override {}
};
