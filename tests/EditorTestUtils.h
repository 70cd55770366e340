#pragma once

#include "MessageLoop.h"
#include "ProcessorTestUtils.h"
#include "ui/TarskUI.h"

#include <memory>
#include <vector>

namespace OrvikQ4::test
{
    /** The editor as a host opens it, and its panel's children in creation order. */
    struct OpenEditor
    {
        explicit OpenEditor (TarskAudioProcessor& p) : editor (p.createEditor()), panel (dynamic_cast<TarskUI*> (editor->getChildComponent (0))) {}
        template <typename T = juce::Component> T* child (int i) const { return dynamic_cast<T*> (panel->getChildComponent (i)); }

        std::unique_ptr<juce::AudioProcessorEditor> editor;
        TarskUI* panel;
    };

    /** What reaches a host, in order: "set i v", "begin i", "end i" (message thread only). */
    struct HostRecorder : public juce::AudioProcessorListener
    {
        explicit HostRecorder (juce::AudioProcessor& p) : processor (p) { processor.addListener (this); }
        ~HostRecorder() override { processor.removeListener (this); }
        void audioProcessorParameterChanged (juce::AudioProcessor*, int i, float v) override { calls.push_back ("set " + juce::String (i) + " " + juce::String (v)); }
        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int i) override { calls.push_back ("begin " + juce::String (i)); }
        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int i) override { calls.push_back ("end " + juce::String (i)); }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
        std::vector<juce::String> take() { return std::exchange (calls, {}); }

        juce::AudioProcessor& processor;
        std::vector<juce::String> calls;
    };
}
