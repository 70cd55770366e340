// The editor in a real window on a (virtual) display, operated with real X mouse events.

#include "../EditorTestUtils.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

// Runs xdotool with "x,y" panel positions turned into screen ones, keeping the message loop going
// meanwhile; then lets a double-click interval pass.
static void xdotool (const juce::Component& panel, const juce::String& actions)
{
    juce::StringArray args { "xdotool" };
    for (const auto& word : juce::StringArray::fromTokens (actions, false))
    {
        const auto p = panel.localPointToGlobal (juce::Point<int> (word.getIntValue(), word.fromFirstOccurrenceOf (",", false, false).getIntValue()));
        args.addArray (word.containsChar (',') ? juce::StringArray { juce::String (p.x), juce::String (p.y) } : juce::StringArray { word });
    }
    juce::ChildProcess process;
    ASSERT_TRUE (process.start (args));
    while (process.isRunning())
        runMessageLoopFor (10);
    runMessageLoopFor (700);
}

namespace
{
    /** An editor in a window of its own on the display. */
    struct EditorWindow : public ::testing::Test
    {
        void SetUp() override
        {
            if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
                GTEST_SKIP() << "no display";
            // Without a window manager some window properties the framework reads do not exist;
            // like the framework's own applications, the test keeps such errors from ending the
            // process.
            XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });

            prepare (*processor, 48000.0, 512);
            ui = std::make_unique<OpenEditor> (*processor);
            ui->editor->setTopLeftPosition (40, 40);
            ui->editor->addToDesktop (juce::ComponentPeer::windowAppearsOnTaskbar);
            ui->editor->setVisible (true);
            runMessageLoopFor (600);
        }

        std::unique_ptr<TarskAudioProcessor> processor = createProcessor();
        std::unique_ptr<OpenEditor> ui;
    };

    /** Windows of popup menus on the desktop, shown or not. */
    int menuWindows()
    {
        auto& desktop = juce::Desktop::getInstance();
        int n = 0;
        for (int i = 0; i < desktop.getNumComponents(); ++i)
            n += desktop.getComponent (i)->getName() == "menu" ? 1 : 0;
        return n;
    }
}

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

TEST_F (EditorWindow, ClicksAndDragsReachTheProcessor)
{
    auto& ui = *this->ui;
    HostRecorder host (*processor);

    xdotool (*ui.panel, "mousemove --sync 259,459 click 1"); // the red button
    EXPECT_EQ (host.take(), (std::vector<juce::String> { "begin 13", "set 13 0", "end 13" }));

    xdotool (*ui.panel, "mousemove --sync 75,30 click 1"); // the invisible upper hot spot opens the card
    EXPECT_TRUE (ui.child (38)->isVisible());

    // An upward drag on the Input knob raises Input inside one gesture.
    const float before = processor->getParameter (kInput);
    xdotool (*ui.panel, "mousemove --sync 55,109 mousedown 1 mousemove --sync 55,99 mousemove --sync 55,59 mouseup 1");
    const auto calls = host.take();
    ASSERT_GE (calls.size(), 3u);
    EXPECT_EQ (calls.front() + " " + calls.back(), "begin 0 end 0");
    EXPECT_EQ (std::count_if (calls.begin(), calls.end(), [] (auto& c) { return c.startsWith ("set 0 "); }), (long) calls.size() - 2);
    EXPECT_GT (processor->getParameter (kInput), before);
}

// A host may close the editor while its help menu is open: the menu goes with it (and with the
// look it wears, which the assertions-on build checks).
TEST_F (EditorWindow, AnOpenHelpMenuClosesWithTheEditor)
{
    xdotool (*ui->panel, "mousemove --sync 288,537 click 1"); // the menu icon
    ASSERT_EQ (menuWindows(), 1);

    ui.reset();
    runMessageLoopFor (200);
    EXPECT_EQ (menuWindows(), 0);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
