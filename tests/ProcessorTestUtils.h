#pragma once

#include "AudioTestUtils.h"
#include "processor/PluginProcessor.h"

#include <memory>

namespace OrvikQ4::test
{
    /** A processor created the way a format wrapper creates it. */
    inline std::unique_ptr<TarskAudioProcessor> createProcessor (
        juce::AudioProcessor::WrapperType type = juce::AudioProcessor::wrapperType_Undefined)
    {
        juce::AudioProcessor::setTypeOfNextNewPlugin (type);
        auto processor = std::make_unique<TarskAudioProcessor>();
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);
        return processor;
    }

    /** Lays out the buses for a channel count and prepares, as a host does. */
    inline void prepare (TarskAudioProcessor& processor, double sampleRate, int blockSize, int channels = 2)
    {
        processor.setPlayConfigDetails (channels, channels, sampleRate, blockSize);
        processor.prepareToPlay (sampleRate, blockSize);
    }

    inline juce::AudioProcessorParameter& parameter (TarskAudioProcessor& processor, int index)
    {
        return *processor.getParameters()[index];
    }

    /** Runs the setting changes handed to the audio side (no block is being processed). */
    inline const ProgramState& settled (TarskAudioProcessor& processor)
    {
        processor.applyPendingSettings();
        return processor.getLiveState();
    }
}
