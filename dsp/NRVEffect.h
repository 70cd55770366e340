#pragma once

/**
    The interface through which the processor drives its effects: prepare for a sample rate
    and a channel count, release the per-channel state, and process float blocks in place.
*/
class NRVEffect
{
public:
    virtual ~NRVEffect() = default;

    /** Stores the sample rate and channel count and rebuilds the per-channel state. */
    virtual void prepareToPlay (double newSampleRate, int newNumChannels) = 0;

    /** Releases the per-channel state; does nothing unless an effect says otherwise. */
    virtual void releaseResources() {}

    /** Processes one channel's block in place with that channel's state. */
    virtual void processSamples (float* data, int numSamples, int channel) = 0;

    /** Processes channels 0 ... getNumChannels() - 1 in ascending order. The count is the
        effect's own; the caller hands at least that many channel pointers. */
    virtual void processSamples (float** data, int numSamples)
    {
        for (int c = 0; c < numChannels; ++c)
            processSamples (data[c], numSamples, c);
    }

    /** The sample rate the effect was prepared for (44100 until the first preparation). */
    double getSampleRate() const noexcept { return sampleRate; }

    /** The channel count the effect was prepared for (1 until the first preparation). */
    int getNumChannels() const noexcept { return numChannels; }

protected:
    double sampleRate = 44100.0;
    int numChannels = 1;
};
