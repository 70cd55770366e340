#pragma once

#include "MessageLoop.h"
#include "ProcessorTestUtils.h"
#include "ui/TarskUI.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <mutex>
#include <vector>

namespace OrvikQ4::test
{
    /** The editor as a host opens it, with its panel. */
    struct OpenEditor
    {
        explicit OpenEditor (TarskAudioProcessor& p)
            : editor (p.createEditor()),
              panel (dynamic_cast<TarskUI*> (editor->getChildComponent (0)))
        {
        }

        /** The panel's child in creation order (0 = lower hot spot ... 39 = toolbar). */
        template <typename T = juce::Component>
        T* child (int i) const { return dynamic_cast<T*> (panel->getChildComponent (i)); }

        std::unique_ptr<juce::AudioProcessorEditor> editor;
        TarskUI* panel;
    };

    /** What reaches a host from the processor: value changes and change gestures, in order. */
    struct HostRecorder : public juce::AudioProcessorListener
    {
        explicit HostRecorder (juce::AudioProcessor& p) : processor (p) { processor.addListener (this); }
        ~HostRecorder() override { processor.removeListener (this); }

        void audioProcessorParameterChanged (juce::AudioProcessor*, int i, float v) override { add ("set " + juce::String (i) + " " + juce::String (v)); }
        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int i) override { add ("begin " + juce::String (i)); }
        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int i) override { add ("end " + juce::String (i)); }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

        std::vector<juce::String> take()
        {
            const std::lock_guard<std::mutex> lock (mutex);
            return std::exchange (calls, {});
        }

    private:
        void add (const juce::String& s)
        {
            const std::lock_guard<std::mutex> lock (mutex);
            calls.push_back (s);
        }

        juce::AudioProcessor& processor;
        std::mutex mutex;
        std::vector<juce::String> calls;
    };
}
