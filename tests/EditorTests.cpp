// The editor window and its main panel: layout, defaults, what reaches the host from clicks and
// control changes, the polled refresh of controls, In LED and meter, the mono layout.

#include "EditorTestUtils.h"

#include "ui/About.h"
#include "ui/QZBar.h"
#include "ui/widgets/NRVButton.h"
#include "ui/widgets/OrvikBlueButton.h"
#include "ui/widgets/OrvikGreenButton.h"
#include "ui/widgets/OrvikKnob.h"
#include "ui/widgets/OrvikRedButton.h"
#include "ui/widgets/OrvikSwitch.h"
#include "ui/widgets/OrvikYellowButton.h"

#include <gtest/gtest.h>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

namespace
{
    // Children of the panel in creation (stacking) order.
    enum Kind { Hot, Cover, Knob, Switch, Led, Green, Yellow, Blue, Red, Card, Bar };

    struct Child { Kind kind; int x, y, w, h; int parameter; };

    std::vector<Child> expectedChildren()
    {
        std::vector<Child> c {
            { Hot, 0, 496, 150, 24, -1 }, { Hot, 0, 8, 150, 48, -1 }, { Cover, 150, 323, 150, 175, -1 },
            { Knob, 13, 337, 84, 84, kMix }, { Knob, 13, 169, 84, 84, kOutput }, { Knob, 13, 67, 84, 84, kInput },
            { Switch, 6, 279, 40, 47, kAttack }, { Switch, 67, 279, 40, 47, kRelease },
            { Switch, 51, 433, 40, 47, kRatio }, { Switch, 98, 433, 40, 47, kHPF },
            { Led, 114, 404, 17, 17, -1 } };

        for (int y : { 74, 89, 105, 121, 137, 152, 168, 184, 200, 215, 231, 247, 263, 278, 293, 309, 325, 340, 356, 372 })
            c.push_back ({ Led, 114, y, 17, 17, -1 });

        c.insert (c.end(), {
            { Knob, 183, 67, 84, 84, kContAttack }, { Knob, 183, 170, 84, 84, kContRelease }, { Knob, 183, 337, 84, 84, kStereoLink },
            { Green, 0, 429, 60, 60, kBypass }, { Yellow, 197, 260, 60, 60, kContOn },
            { Blue, 165, 429, 60, 60, kLinkOn }, { Red, 229, 429, 60, 60, kAnalogOn },
            { Card, 10, 124, 280, 300, -1 }, { Bar, 0, 525, 300, 24, -1 } });
        return c;
    }

    bool isKind (juce::Component* c, Kind k)
    {
        switch (k)
        {
            case Hot: case Cover: case Led: return dynamic_cast<juce::ImageButton*> (c) != nullptr;
            case Knob:   return dynamic_cast<OrvikKnob*> (c) != nullptr;
            case Switch: return dynamic_cast<OrvikSwitch*> (c) != nullptr;
            case Green:  return dynamic_cast<OrvikGreenButton*> (c) != nullptr;
            case Yellow: return dynamic_cast<OrvikYellowButton*> (c) != nullptr;
            case Blue:   return dynamic_cast<OrvikBlueButton*> (c) != nullptr;
            case Red:    return dynamic_cast<OrvikRedButton*> (c) != nullptr;
            case Card:   return dynamic_cast<About*> (c) != nullptr;
            case Bar:    return dynamic_cast<QZBar*> (c) != nullptr;
        }
        return false;
    }

    // Children by creation index.
    constexpr int kInLed = 10, kContAttackKnob = 31, kStereoLinkKnob = 33, kGreenButton = 34,
                  kYellowButton = 35, kBlueButton = 36, kMonoCover = 2, kMixKnob = 3;

    int alpha255 (juce::Component* c) { return juce::roundToInt (c->getAlpha() * 255.0f); }

    struct EditorTest : public ::testing::Test
    {
        explicit EditorTest (int channels = 2) : processor (createProcessor())
        {
            prepare (*processor, 48000.0, 512, channels);
            ui = std::make_unique<OpenEditor> (*processor);
        }

        void setParameter (int i, float v) { parameter (*processor, i).setValue (v); }

        std::unique_ptr<TarskAudioProcessor> processor;
        std::unique_ptr<OpenEditor> ui;
    };

    struct MonoEditorTest : public EditorTest
    {
        MonoEditorTest() : EditorTest (1) {}
    };
}

TEST_F (EditorTest, OpensAt300By549WithTheFortyChildrenInStackingOrder)
{
    EXPECT_EQ (ui->editor->getBounds(), juce::Rectangle<int> (0, 0, 300, 549));
    EXPECT_EQ (ui->panel->getBounds(), juce::Rectangle<int> (0, 0, 300, 549));
    ASSERT_EQ (ui->editor->getNumChildComponents(), 1);

    const auto expected = expectedChildren();
    ASSERT_EQ (ui->panel->getNumChildComponents(), (int) expected.size());

    for (int i = 0; i < (int) expected.size(); ++i)
    {
        auto* c = ui->child (i);
        const auto& e = expected[(size_t) i];
        EXPECT_TRUE (isKind (c, e.kind)) << "child " << i;
        EXPECT_EQ (c->getBounds(), juce::Rectangle<int> (e.x, e.y, e.w, e.h)) << "child " << i;
        EXPECT_EQ (c->isVisible(), e.kind != Cover && e.kind != Card) << "child " << i;
        EXPECT_FALSE (c->getWantsKeyboardFocus()) << "child " << i;
        EXPECT_EQ (ui->editor->getControlParameterIndex (*c), e.parameter) << "child " << i;
    }

    EXPECT_EQ (ui->editor->getControlParameterIndex (*ui->panel), -1);
}

TEST_F (EditorTest, ControlsReturnToTheFloatDefaultWidenedToDouble)
{
    // Input and Output: the float 0.3, not the double 0.3.
    const std::pair<int, double> knobsAndSwitches[] = {
        { 5, 0.30000001192092896 }, { 4, 0.30000001192092896 }, { 6, 1.0 }, { 7, 0.0 }, { 3, 1.0 },
        { 8, 0.0 }, { 9, 0.0 }, { 31, 0.5 }, { 32, 0.5 }, { 33, 0.5 } };

    for (const auto& [i, value] : knobsAndSwitches)
    {
        auto* s = ui->child<juce::Slider> (i);
        EXPECT_TRUE (s->isDoubleClickReturnEnabled()) << i;
        EXPECT_EQ (s->getDoubleClickReturnValue(), value) << i;
    }

    // Green is lit when not bypassed; the others follow their defaults (AnalogOn on).
    const std::pair<int, bool> buttons[] = { { 34, true }, { 35, false }, { 36, false }, { 37, true } };

    for (const auto& [i, lit] : buttons)
    {
        EXPECT_EQ (ui->child<NRVButton> (i)->defaultState, lit) << i;
        EXPECT_TRUE (ui->child<NRVButton> (i)->resetOnAltClick) << i;
    }
}

TEST_F (EditorTest, ChangesWhileBypassedUnbypassAndSwitchOnTheirModeUntilTheNextRefresh)
{
    setParameter (kBypass, 1.0f);
    ui->panel->updateUI();
    HostRecorder host (*processor);

    // A drag on ContAttack: its own gesture around the un-bypass and the ContOn switch-on.
    auto* knob = ui->child<juce::Slider> (kContAttackKnob);
    ui->panel->sliderDragStarted (knob);
    knob->setValue (0.25, juce::sendNotificationSync);
    knob->setValue (0.75, juce::sendNotificationSync);
    ui->panel->sliderDragEnded (knob);

    const std::vector<juce::String> oneChange { "set 7 0.25", "begin 10", "set 10 0", "end 10",
                                                "begin 11", "set 11 1", "end 11" };
    auto expected = std::vector<juce::String> { "begin 7" };
    expected.insert (expected.end(), oneChange.begin(), oneChange.end());
    expected.insert (expected.end(), oneChange.begin(), oneChange.end());
    expected[8] = "set 7 0.75";
    expected.push_back ("end 7");
    EXPECT_EQ (host.take(), expected);

    // After the refresh the panel shows the processor un-bypassed with ContOn: no side effects.
    ui->panel->updateUI();
    ui->child<juce::Slider> (kMixKnob)->setValue (0.5, juce::sendNotificationSync);
    knob->setValue (0.5, juce::sendNotificationSync);
    EXPECT_EQ (host.take(), (std::vector<juce::String> { "set 4 0.5", "set 7 0.5" }));

    // StereoLink switches LinkOn on; no other control does.
    ui->child<juce::Slider> (kStereoLinkKnob)->setValue (0.25, juce::sendNotificationSync);
    EXPECT_EQ (host.take(), (std::vector<juce::String> { "set 9 0.25", "begin 12", "set 12 1", "end 12" }));
}

TEST_F (EditorTest, ButtonClicksSendTheFlippedValueYellowWithoutAGesture)
{
    HostRecorder host (*processor);

    for (int i : { kGreenButton, kYellowButton, kBlueButton, 37 })
        ui->panel->buttonClicked (ui->child<juce::Button> (i));

    EXPECT_EQ (host.take(), (std::vector<juce::String> { "begin 10", "set 10 1", "end 10", "set 11 1",
                                                         "begin 12", "set 12 1", "end 12",
                                                         "begin 13", "set 13 0", "end 13" }));

    // The lit states follow the parameters at the next refresh, not the click.
    EXPECT_TRUE (ui->child<juce::Button> (kGreenButton)->getToggleState());
    ui->panel->updateUI();
    for (int i : { kGreenButton, kYellowButton, kBlueButton, 37 })
        EXPECT_EQ (ui->child<juce::Button> (i)->getToggleState(), i == kYellowButton || i == kBlueButton) << i;

    // A click on a hot spot opens the About card.
    ui->panel->buttonClicked (ui->child<juce::Button> (1));
    EXPECT_TRUE (ui->child (38)->isVisible());
}

TEST_F (EditorTest, InLedFadesHalfwayPerRefreshInTheFrameworksAlphaSteps)
{
    auto* led = ui->child (kInLed);
    const auto steps = [&] (float bypass)
    {
        setParameter (kBypass, bypass);
        std::vector<int> seen;
        for (int n = 0; n < 6; ++n)
        {
            ui->panel->updateUI();
            seen.push_back (alpha255 (led));
        }
        return seen;
    };

    EXPECT_EQ (alpha255 (led), 255);
    EXPECT_EQ (steps (1.0f), (std::vector<int> { 128, 64, 32, 16, 8, 8 }));
    EXPECT_EQ (steps (0.0f), (std::vector<int> { 131, 193, 224, 239, 247, 247 }));
    EXPECT_EQ (steps (1.0f), (std::vector<int> { 124, 62, 31, 16, 8, 8 }));
}

TEST (EditorMeter, LedKLightsFromMinusKDecibelsDown)
{
    const std::pair<double, int> cases[] = { { 0.0, 0 }, { -0.99, 0 }, { -1.0, 1 }, { -6.5, 6 },
                                             { -19.99, 19 }, { -20.0, 20 }, { -100.0, 20 } };

    for (const auto& [db, lit] : cases)
        for (int k = 1; k <= TarskUI::kNumMeterLeds; ++k)
            EXPECT_EQ (TarskUI::isMeterLedLit (k, db), k <= lit) << db << " dB, LED " << k;
}

TEST_F (EditorTest, PollsOnlyWhileShownAndRefreshesAtOnceWhenShownAgain)
{
    auto* mix = ui->child<juce::Slider> (kMixKnob);
    setParameter (kMix, 0.25f);
    runMessageLoopFor (250);
    EXPECT_EQ (mix->getValue(), 0.25);

    ui->panel->setVisible (false);
    setParameter (kMix, 0.75f);
    runMessageLoopFor (250);
    EXPECT_EQ (mix->getValue(), 0.25);

    ui->panel->setVisible (true);
    EXPECT_EQ (mix->getValue(), 0.75);
}

TEST_F (MonoEditorTest, MonoLayoutCoversAndUnregistersTheStereoControls)
{
    auto* link = ui->child<juce::Slider> (kStereoLinkKnob);
    EXPECT_TRUE (ui->child (kMonoCover)->isVisible());
    EXPECT_FALSE (link->isVisible());
    EXPECT_FALSE (ui->child (kBlueButton)->isVisible());
    EXPECT_EQ (ui->editor->getControlParameterIndex (*link), -1);
    EXPECT_EQ (ui->editor->getControlParameterIndex (*ui->child (kBlueButton)), -1);

    // No gesture from the unregistered knob (its value change still reaches the host).
    HostRecorder host (*processor);
    ui->panel->sliderDragStarted (link);
    ui->panel->sliderDragEnded (link);
    EXPECT_TRUE (host.take().empty());

    // Highlights: Input gets its brackets, StereoLink and LinkOn none.
    const auto magenta = juce::Colour (0xffff00ff);
    for (int i : { kInput, kStereoLink, kLinkOn })
        ui->editor->setControlHighlight ({ i, true, magenta });

    const auto image = ui->panel->createComponentSnapshot (ui->panel->getLocalBounds());
    EXPECT_EQ (image.getPixelAt (13, 70), magenta);
    EXPECT_NE (image.getPixelAt (183, 340), magenta);
    EXPECT_NE (image.getPixelAt (165, 432), magenta);

    // Back to stereo once the host lays out two channels.
    prepare (*processor, 48000.0, 512, 2);
    ui->panel->updateUI();
    EXPECT_FALSE (ui->child (kMonoCover)->isVisible());
    EXPECT_TRUE (link->isVisible());
    EXPECT_EQ (ui->editor->getControlParameterIndex (*link), kStereoLink);
    EXPECT_EQ (ui->editor->getControlParameterIndex (*ui->child (kBlueButton)), kLinkOn);
}
