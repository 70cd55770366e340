// The editor and its main panel: layout, defaults, what reaches the host from clicks and control
// changes, the polled refresh of controls and In LED, the meter, the mono layout.

#include "EditorTestUtils.h"
#include "ui/widgets/NRVButton.h"

#include <gtest/gtest.h>

using namespace OrvikQ4;
using namespace OrvikQ4::test;
using Calls = std::vector<juce::String>;

namespace
{
    // Children by creation index.
    constexpr int kCover = 2, kMixKnob = 3, kInLed = 10, kContAttackKnob = 31, kLinkKnob = 33,
                  kGreen = 34, kYellow = 35, kBlue = 36, kRed = 37, kAbout = 38;

    struct EditorTest : public ::testing::Test
    {
        EditorTest() { open (2); }
        void open (int channels) { prepare (*processor, 48000.0, 512, channels); ui = std::make_unique<OpenEditor> (*processor); }
        void set (int i, float v) { parameter (*processor, i).setValue (v); }
        bool lit (int child) const { return ui->child<juce::Button> (child)->getToggleState(); }
        juce::Slider* slider (int child) const { return ui->child<juce::Slider> (child); }

        std::unique_ptr<TarskAudioProcessor> processor = createProcessor();
        std::unique_ptr<OpenEditor> ui;
    };

    constexpr int altLeft = 4 | 16;  // raw modifier flags: Alt with the left button

    juce::MouseEvent mouse (juce::Component& c, int rawModifiers)
    {
        const juce::Time t (juce::Time::getCurrentTime());
        return { juce::Desktop::getInstance().getMainMouseSource(), c.getLocalBounds().getCentre().toFloat(), juce::ModifierKeys (rawModifiers),
                 1.0f, 0, 0, 0, 0, &c, &c, t, c.getLocalBounds().getCentre().toFloat(), t, 1, false };
    }

    /** A completed Alt-click as the framework hands it to a button. */
    struct ClickAccess : NRVButton { using NRVButton::internalClickCallback; };
    void altClick (NRVButton& b) { (b.*(&ClickAccess::internalClickCallback)) (juce::ModifierKeys (altLeft)); }
}

TEST_F (EditorTest, OpensAt300By549WithTheFortyChildrenInStackingOrderAndTheirDefaults)
{
    EXPECT_EQ (ui->editor->getBounds().toString() + " " + ui->panel->getBounds().toString(), "0 0 300 549 0 0 300 549");

    struct Row { const char* type; int x, y, w, h, index; };
    std::vector<Row> rows { { "ImageButton", 0, 496, 150, 24, -1 }, { "ImageButton", 0, 8, 150, 48, -1 }, { "ImageButton", 150, 323, 150, 175, -1 },
        { "OrvikKnob", 13, 337, 84, 84, kMix }, { "OrvikKnob", 13, 169, 84, 84, kOutput }, { "OrvikKnob", 13, 67, 84, 84, kInput },
        { "OrvikSwitch", 6, 279, 40, 47, kAttack }, { "OrvikSwitch", 67, 279, 40, 47, kRelease }, { "OrvikSwitch", 51, 433, 40, 47, kRatio },
        { "OrvikSwitch", 98, 433, 40, 47, kHPF }, { "ImageButton", 114, 404, 17, 17, -1 } };
    for (int y : { 74, 89, 105, 121, 137, 152, 168, 184, 200, 215, 231, 247, 263, 278, 293, 309, 325, 340, 356, 372 })
        rows.push_back ({ "ImageButton", 114, y, 17, 17, -1 });
    rows.insert (rows.end(), { { "OrvikKnob", 183, 67, 84, 84, kContAttack }, { "OrvikKnob", 183, 170, 84, 84, kContRelease },
        { "OrvikKnob", 183, 337, 84, 84, kStereoLink }, { "OrvikGreenButton", 0, 429, 60, 60, kBypass }, { "OrvikYellowButton", 197, 260, 60, 60, kContOn },
        { "OrvikBlueButton", 165, 429, 60, 60, kLinkOn }, { "OrvikRedButton", 229, 429, 60, 60, kAnalogOn }, { "About", 10, 124, 280, 300, -1 },
        { "QZBar", 0, 525, 300, 24, -1 } });

    ASSERT_EQ (ui->panel->getNumChildComponents(), (int) rows.size());
    for (int i = 0; i < (int) rows.size(); ++i)
    {
        auto* c = ui->child (i);
        const auto& r = rows[(size_t) i];
        EXPECT_TRUE (juce::String (typeid (*c).name()).contains (r.type)) << i;
        EXPECT_EQ (c->getBounds(), juce::Rectangle<int> (r.x, r.y, r.w, r.h)) << i;
        EXPECT_EQ (c->isVisible(), i != kCover && i != kAbout) << i;
        EXPECT_FALSE (c->getWantsKeyboardFocus()) << i;
        EXPECT_EQ (ui->editor->getControlParameterIndex (*c), r.index) << i;
    }

    // Input and Output return to the float 0.3 widened, not the double 0.3; green and red default to lit.
    for (const auto& [i, value] : { std::pair { 5, 0.30000001192092896 }, { 4, 0.30000001192092896 }, { 33, 0.5 }, { 8, 0.0 } })
        EXPECT_EQ (slider (i)->getDoubleClickReturnValue(), value) << i;
    for (int i : { kGreen, kYellow, kBlue, kRed })
        EXPECT_EQ (ui->child<NRVButton> (i)->defaultState, i == kGreen || i == kRed) << i;
}

// A project reopened on changed settings: the controls still reset to the parameters' defaults.
// Knobs and switches reset on a double-click only; an Alt-click there is an ordinary click.
TEST_F (EditorTest, ResetsGoToTheParametersDefaultsAndAltClickResetsOnlyButtons)
{
    std::array<float, kNumParameters> changed {};
    for (int i = 0; i < kNumParameters; ++i)
        set (i, changed[(size_t) i] = parameter (*processor, i).getDefaultValue() >= 0.5f ? 0.0f : 1.0f);
    ui = std::make_unique<OpenEditor> (*processor);
    const auto defaultOf = [&] (int i) { return parameter (*processor, i).getDefaultValue(); };
    const auto indexOf = [&] (int c) { return ui->editor->getControlParameterIndex (*ui->child (c)); };

    for (int c : { kGreen, kYellow, kBlue, kRed })
    {
        altClick (*ui->child<NRVButton> (c));
        EXPECT_EQ (parameter (*processor, indexOf (c)).getValue(), defaultOf (indexOf (c))) << "Alt-click on button " << c;
    }

    for (int c = kMixKnob; c <= kLinkKnob; ++c)
    {
        auto* s = slider (c);
        if (s == nullptr)
            continue;
        const int i = indexOf (c);
        const auto click = [&] (int mods) { s->mouseDown (mouse (*s, mods)), s->mouseUp (mouse (*s, mods)); return parameter (*processor, i).getValue(); };
        const float plain = click (16);
        set (i, changed[(size_t) i]), ui->panel->updateUI();
        EXPECT_EQ (click (altLeft), plain) << "Alt-click on control " << c;
        s->mouseDoubleClick (mouse (*s, 16));
        EXPECT_EQ (parameter (*processor, i).getValue(), defaultOf (i)) << "double-click on control " << c;
    }
}

TEST_F (EditorTest, ChangesWhileBypassedUnbypassAndSwitchModesOnUntilTheNextRefresh)
{
    set (kBypass, 1.0f);
    ui->panel->updateUI();
    HostRecorder host (*processor);

    // A drag on ContAttack; the side effects repeat on every change until the next refresh.
    auto* knob = slider (kContAttackKnob);
    ui->panel->sliderDragStarted (knob);
    knob->setValue (0.25, juce::sendNotificationSync);
    slider (kContAttackKnob + 1)->setValue (0.75, juce::sendNotificationSync); // ContRelease
    ui->panel->sliderDragEnded (knob);
    EXPECT_EQ (host.take(), (Calls { "begin 7", "set 7 0.25", "begin 10", "set 10 0", "end 10", "begin 11", "set 11 1", "end 11",
                                     "set 8 0.75", "begin 10", "set 10 0", "end 10", "begin 11", "set 11 1", "end 11", "end 7" }));

    ui->panel->updateUI();
    for (auto [c, v] : { std::pair { kMixKnob, 0.5 }, { kContAttackKnob, 0.5 }, { kLinkKnob, 0.25 } })
        slider (c)->setValue (v, juce::sendNotificationSync);
    EXPECT_EQ (host.take(), (Calls { "set 4 0.5", "set 7 0.5", "set 9 0.25", "begin 12", "set 12 1", "end 12" }));
}

TEST_F (EditorTest, ButtonClicksSendTheFlippedValueYellowWithoutAGestureAndLightAtTheNextRefresh)
{
    HostRecorder host (*processor);
    for (int i : { kGreen, kYellow, kBlue, kRed })
        ui->panel->buttonClicked (ui->child<juce::Button> (i));
    EXPECT_EQ (host.take(), (Calls { "begin 10", "set 10 1", "end 10", "set 11 1", "begin 12", "set 12 1", "end 12", "begin 13", "set 13 0", "end 13" }));
    EXPECT_TRUE (lit (kGreen));
    ui->panel->updateUI();
    for (int i : { kGreen, kYellow, kBlue, kRed })
        EXPECT_EQ (lit (i), i == kYellow || i == kBlue) << i;
}

TEST_F (EditorTest, InLedFadesHalfwayPerRefreshInTheFrameworksAlphaSteps)
{
    const auto steps = [&] (float bypass, int n)
    {
        set (kBypass, bypass);
        std::vector<int> seen;
        for (int k = 0; k < n; ++k, ui->panel->updateUI())
            seen.push_back (juce::roundToInt (ui->child (kInLed)->getAlpha() * 255.0f));
        return seen;
    };
    EXPECT_EQ (steps (1.0f, 6), (std::vector<int> { 255, 128, 64, 32, 16, 8 }));
    EXPECT_EQ (steps (0.0f, 6), (std::vector<int> { 8, 131, 193, 224, 239, 247 }));
    EXPECT_EQ (steps (1.0f, 8), (std::vector<int> { 247, 124, 62, 31, 16, 8, 8, 8 }));
}

TEST (EditorMeter, LedKLightsFromMinusKDecibelsDown)
{
    for (const auto& [db, n] : { std::pair { 0.0, 0 }, { -0.99, 0 }, { -1.0, 1 }, { -6.5, 6 }, { -20.0, 20 }, { -100.0, 20 } })
        for (int k = 1; k <= TarskUI::kNumMeterLeds; ++k)
            EXPECT_EQ (TarskUI::isMeterLedLit (k, db), k <= n) << db << " dB, LED " << k;
}

// The meter as a user sees it: the panel's own poll, all twenty LEDs, and back.
TEST_F (EditorTest, MeterLightsEveryLedBeyondTwentyDecibelsAndGoesOutAsTheReductionFalls)
{
    const auto litLeds = [&]
    {
        int n = 0;
        for (int k = 0; k < TarskUI::kNumMeterLeds; ++k)
            n += ui->child (11 + k)->getAlpha() == 1.0f ? 1 : 0;
        return n;
    };
    const auto run = [&] (float level, int blocks)
    {
        juce::MidiBuffer midi;
        for (int k = 0; k < blocks; ++k)
        {
            auto b = tone (512, k * 512L, 2, level);
            processor->processBlock (b, midi);
        }
        runMessageLoopFor (120);
    };

    set (kInput, 1.0f), set (kRatio, 1.0f);
    run (1.0f, 20);
    EXPECT_LT (processor->getGainReductionDb(), -20.0);
    EXPECT_EQ (litLeds(), 20);
    EXPECT_EQ (ui->child (30)->getAlpha(), 1.0f);  // the lowest, -20 dB

    run (0.0f, 100);
    EXPECT_EQ (litLeds(), 0);
}

TEST_F (EditorTest, PollsOnlyWhileShownAndRefreshesAtOnceWhenShownAgain)
{
    // The Input knob shows the parameter's own value; a switch shows a stored step 2 as 1.
    set (kInput, 0.25f);
    runMessageLoopFor (250);
    EXPECT_NEAR (slider (5)->getValue(), 0.25, 1.0e-6);

    ui->panel->setVisible (false);
    set (kInput, 0.75f), set (kRatio, 1.0f);
    runMessageLoopFor (250);
    EXPECT_NEAR (slider (5)->getValue(), 0.25, 1.0e-6);

    ui->panel->setVisible (true);
    EXPECT_NEAR (slider (5)->getValue(), 0.75, 1.0e-6);
    EXPECT_EQ (slider (8)->getValue(), 1.0);
}

TEST_F (EditorTest, MonoLayoutCoversUnregistersAndRefusesHighlightsForTheStereoControls)
{
    ui.reset();
    open (1);
    const auto shownAndRegistered = [&] (bool stereo)
    {
        EXPECT_EQ (ui->child (kCover)->isVisible(), ! stereo);
        for (auto [c, index] : { std::pair { kLinkKnob, kStereoLink }, { kBlue, kLinkOn } })
        {
            EXPECT_EQ (ui->child (c)->isVisible(), stereo);
            EXPECT_EQ (ui->editor->getControlParameterIndex (*ui->child (c)), stereo ? index : -1);
        }
    };
    shownAndRegistered (false);

    HostRecorder host (*processor);
    ui->panel->sliderDragStarted (slider (kLinkKnob));
    ui->panel->sliderDragEnded (slider (kLinkKnob));
    EXPECT_TRUE (host.take().empty());

    for (int i : { kInput, kStereoLink, kLinkOn, kNumParameters })
        ui->editor->setControlHighlight ({ i, true, juce::Colours::red });
    EXPECT_EQ (ui->panel->highlights.size(), 1u);
    EXPECT_EQ (ui->panel->highlights[kInput].bounds, juce::Rectangle<int> (13, 67, 84, 84));

    prepare (*processor, 48000.0, 512, 2);
    ui->panel->updateUI();
    shownAndRegistered (true);
}
