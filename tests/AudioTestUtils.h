#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <cmath>
#include <cstring>

// Framework-only helpers: the host tests reach the plug-in through its modules, not its code.
namespace OrvikQ4::test
{
    inline juce::AudioProcessor::BusesLayout layout (const juce::AudioChannelSet& in, const juce::AudioChannelSet& out)
    {
        juce::AudioProcessor::BusesLayout l;
        l.inputBuses.add (in);
        l.outputBuses.add (out);
        return l;
    }

    /** A block of a sine from sample `start` on; the second channel is at 0.6 of the first's level. */
    inline juce::AudioBuffer<float> tone (int numSamples, long start = 0, int channels = 2, float level = 0.3f)
    {
        juce::AudioBuffer<float> b (channels, numSamples);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < numSamples; ++i)
                b.setSample (c, i, level * (c == 0 ? 1.0f : 0.6f) * std::sin (0.031f * (float) (start + i)));
        return b;
    }

    inline bool sameSamples (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
            return false;
        for (int c = 0; c < a.getNumChannels(); ++c)
            if (std::memcmp (a.getReadPointer (c), b.getReadPointer (c), sizeof (float) * (size_t) a.getNumSamples()) != 0)
                return false;
        return true;
    }

    inline bool allFinite (const juce::AudioBuffer<float>& b)
    {
        for (int c = 0; c < b.getNumChannels(); ++c)
            for (int i = 0; i < b.getNumSamples(); ++i)
                if (! std::isfinite (b.getSample (c, i)))
                    return false;
        return true;
    }
}
