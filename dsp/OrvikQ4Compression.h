#pragma once

#include "dsp/NRVEffect.h"
#include "dsp/RampedValue.h"
#include "dsp/SmoothedFilter.h"
#include "processor/ProgramState.h"

#include <juce_audio_basics/juce_audio_basics.h>

// Placeholder with the interface the processor drives; the circuit model is not built yet
// and the audio passes through unchanged.
struct CompressorChannel
{
    SmoothedFilter<juce::IIRFilter> sidechainFilter;
    double minGain = 22.25;
    double lastGain = 1.0;
};

class OrvikQ4Compression : public NRVEffect
{
public:
    explicit OrvikQ4Compression (ProgramState* live) : liveState (live) {}

    using NRVEffect::processSamples;

    void prepareToPlay (double newSampleRate, int newNumChannels) override
    {
        sampleRate = newSampleRate;
        numChannels = newNumChannels;
        channels.clear();
        for (int c = 0; c < newNumChannels; ++c)
            channels.add (new CompressorChannel());
    }

    void releaseResources() override { channels.clear(); }
    void processSamples (float*, int, int) override {}
    void processSamples (float**, int numSamples) override
    {
        for (int i = 0; i < numSamples; ++i)
        {
            liveState->input.next();
            liveState->output.next();
            liveState->linkOn.next();
            liveState->stereoLink.next();
            liveState->mix.next();
        }
    }

    void setRatio (int newRatioIndex, bool) { ratioIndex = newRatioIndex; }
    void reserveBlockSize (int) {}

    ProgramState* liveState;
    juce::OwnedArray<CompressorChannel> channels;
    int ratioIndex = 0;
    int hpfIndex = 0;
    double thresholdScale = 0.6;
    RampedValue ratioDivider, thresholdVoltage, biasVoltage, attackResistance, releaseResistance;
};
