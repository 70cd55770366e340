// The open editor on the message thread, its refresh timers running and the user moving every
// control, while the audio thread processes and a host thread automates (ThreadSanitizer).

#include "../EditorTestUtils.h"
#include "ui/widgets/NRVButton.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

TEST (ConcurrencyStress, OpenEditorRacesTheAudioAndHostThreadsSafely)
{
    auto processor = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    prepare (*processor, 48000.0, 512);
    std::atomic<bool> running { true };
    std::mt19937 random (5);
    std::uniform_real_distribution<float> value (0.0f, 1.0f);

    std::thread audio ([&]
    {
        juce::MidiBuffer midi;
        for (long k = 0; running.load(); ++k)
        {
            auto buffer = tone (512, k * 512, 2, 1.0f);
            processor->processBlock (buffer, midi);
        }
    });
    std::thread host ([&, random = std::mt19937 (6), value = value] () mutable
    {
        for (int i = 0; running.load(); i = (i + 1) % kNumParameters, std::this_thread::sleep_for (std::chrono::microseconds (200)))
            parameter (*processor, i).setValue (value (random));
    });

    {
        OpenEditor ui (*processor);
        for (int round = 0; round < 40; ++round, runMessageLoopFor (25))
        {
            for (int i = 0; i < ui.panel->getNumChildComponents(); ++i)
                if (auto* s = ui.child<juce::Slider> (i))
                    ui.panel->sliderDragStarted (s), s->setValue (value (random), juce::sendNotificationSync), ui.panel->sliderDragEnded (s);
                else if (auto* b = ui.child<NRVButton> (i))
                    ui.panel->buttonClicked (b);
            ui.editor->setControlHighlight ({ round % kNumParameters, round % 2 == 0, juce::Colours::red });
            (void) ui.panel->createComponentSnapshot (ui.panel->getLocalBounds());
        }
    }
    running.store (false);
    audio.join();
    host.join();
}
