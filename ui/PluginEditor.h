#pragma once

#include "processor/PluginProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class TarskUI;

/**
    The plug-in's window: a fixed 300 by 549 frame around the main panel. It also tells a host
    which parameter a control edits and draws the host's control-surface highlights.
*/
class TarskAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit TarskAudioProcessorEditor (OrvikQ4::TarskAudioProcessor& p);
    ~TarskAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** Stores or clears a host highlight for a parameter whose control is shown. */
    void setControlHighlight (ParameterControlHighlightInfo info) override;

    /** The parameter index a control edits, or -1 for anything that edits none. */
    int getControlParameterIndex (juce::Component& c) override;

private:
    std::unique_ptr<TarskUI> ui;
    int width = 300;
    int height = 525;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TarskAudioProcessorEditor)
};
