// The editor in a real window, operated with real X mouse events (xdotool) as a user would.
// Needs a display: ctest runs it on a virtual one (xvfb-run).

#include "../EditorTestUtils.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

namespace
{
    struct EditorWindow : public ::testing::Test
    {
        void SetUp() override
        {
            if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
                GTEST_SKIP() << "no display";

            // A bare virtual display has no window manager, so some window properties the
            // framework asks for do not exist; a plug-in's host (like the framework's own
            // applications) keeps such errors from ending the process.
            XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });

            processor = createProcessor();
            prepare (*processor, 48000.0, 512);
            ui = std::make_unique<OpenEditor> (*processor);
            ui->editor->setTopLeftPosition (40, 40);
            ui->editor->addToDesktop (juce::ComponentPeer::windowAppearsOnTaskbar | juce::ComponentPeer::windowHasDropShadow);
            ui->editor->setVisible (true);
            runMessageLoopFor (600);
        }

        // Runs xdotool with the panel's coordinates turned into screen ones, keeping the
        // message loop going so the window receives the events; then lets a double-click
        // interval pass so the next action counts as a new click.
        void xdotool (const juce::String& actions)
        {
            const auto origin = ui->panel->getScreenPosition();
            juce::StringArray args { "xdotool" };

            for (const auto& word : juce::StringArray::fromTokens (actions, false))
            {
                if (word.containsChar (','))
                    args.addArray ({ juce::String (origin.x + word.upToFirstOccurrenceOf (",", false, false).getIntValue()),
                                     juce::String (origin.y + word.fromFirstOccurrenceOf (",", false, false).getIntValue()) });
                else
                    args.add (word);
            }

            juce::ChildProcess process;
            ASSERT_TRUE (process.start (args));

            while (process.isRunning())
                runMessageLoopFor (10);

            runMessageLoopFor (700);
        }

        std::unique_ptr<TarskAudioProcessor> processor;
        std::unique_ptr<OpenEditor> ui;
    };
}

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

TEST_F (EditorWindow, ClicksAndDragsReachTheProcessor)
{
    HostRecorder host (*processor);

    // The red button flips AnalogOn inside one gesture.
    xdotool ("mousemove --sync 259,459 click 1");
    EXPECT_EQ (host.take(), (std::vector<juce::String> { "begin 13", "set 13 0", "end 13" }));
    EXPECT_EQ (processor->getParameter (kAnalogOn), 0.0f);

    // The upper hot spot opens the About card; a click on the card closes it.
    auto* card = ui->child (38);
    xdotool ("mousemove --sync 75,30 click 1");
    EXPECT_TRUE (card->isVisible());
    xdotool ("mousemove --sync 150,200 click 1");
    EXPECT_FALSE (card->isVisible());

    // An upward drag on the Input knob raises Input, all inside one gesture.
    const float before = processor->getParameter (kInput);
    xdotool ("mousemove --sync 55,109 mousedown 1 mousemove --sync 55,99 mousemove --sync 55,79 "
             "mousemove --sync 55,59 mouseup 1");
    const auto calls = host.take();

    ASSERT_GE (calls.size(), 3u);
    EXPECT_EQ (calls.front(), "begin 0");
    EXPECT_EQ (calls.back(), "end 0");
    for (size_t i = 1; i + 1 < calls.size(); ++i)
        EXPECT_TRUE (calls[i].startsWith ("set 0 ")) << calls[i];
    EXPECT_GT (processor->getParameter (kInput), before);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
