// The open editor on the message thread, its refresh timers running, while the audio thread
// processes and a host thread automates parameters. Built with ThreadSanitizer this finds data
// races between the panel's reads and writes and the other threads.

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
    std::atomic<long> blocks { 0 };

    std::thread audio ([&]
    {
        juce::MidiBuffer midi;

        for (long k = 0; running.load(); ++k)
        {
            auto buffer = tone (512, k * 512, 2, 1.0f);
            processor->processBlock (buffer, midi);
            blocks.fetch_add (1);
        }
    });

    std::thread host ([&]
    {
        std::mt19937 random (5);
        std::uniform_int_distribution<int> index (0, kNumParameters - 1);
        std::uniform_real_distribution<float> value (0.0f, 1.0f);

        while (running.load())
        {
            parameter (*processor, index (random)).setValue (value (random));
            std::this_thread::sleep_for (std::chrono::microseconds (200));
        }
    });

    {
        OpenEditor ui (*processor);
        std::mt19937 random (6);
        std::uniform_real_distribution<float> value (0.0f, 1.0f);

        // The user turns every knob and switch (dragged, so with gestures), clicks the buttons
        // and the host highlights controls, while the refresh timers run between the moves.
        for (int round = 0; round < 40; ++round)
        {
            for (int i = 0; i < ui.panel->getNumChildComponents(); ++i)
            {
                if (auto* s = ui.child<juce::Slider> (i))
                {
                    ui.panel->sliderDragStarted (s);
                    s->setValue (value (random), juce::sendNotificationSync);
                    ui.panel->sliderDragEnded (s);
                }
                else if (auto* b = ui.child<NRVButton> (i))
                {
                    ui.panel->buttonClicked (b);
                }
            }

            ui.editor->setControlHighlight ({ round % kNumParameters, round % 2 == 0, juce::Colours::red });
            (void) ui.panel->createComponentSnapshot (ui.panel->getLocalBounds());
            runMessageLoopFor (25);
        }
    }

    running.store (false);
    audio.join();
    host.join();

    EXPECT_GT (blocks.load(), 0);
}
