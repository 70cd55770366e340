#pragma once

#include "dsp/NRVEffect.h"

// Placeholder: the hum generator is not built yet; it adds nothing.
class NRVHum : public NRVEffect
{
public:
    using NRVEffect::processSamples;

    void prepareToPlay (double newSampleRate, int newNumChannels) override
    {
        sampleRate = newSampleRate;
        numChannels = newNumChannels;
    }

    void processSamples (float*, int, int) override {}
    void reserveBlockSize (int) {}
};
