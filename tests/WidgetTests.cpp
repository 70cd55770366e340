#include "MessageLoop.h"
#include "ui/widgets/OrvikKnob.h"
#include "ui/widgets/OrvikLitButton.h"
#include "ui/widgets/OrvikSwitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using OrvikQ4::test::runMessageLoopFor;

namespace
{
juce::Image solid (int w, int h, juce::Colour c)
{
    juce::Image image (juce::Image::ARGB, w, h, true);
    image.clear (image.getBounds(), c);
    return image;
}

juce::Colour pixelAt (juce::Component& c, int x, int y) { return c.createComponentSnapshot (c.getLocalBounds()).getPixelAt (x, y); }

struct TestButton : OrvikRedButton
{
    void click (int rawModifiers) { internalClickCallback (juce::ModifierKeys (rawModifiers)); }
};

TEST (Widgets, ButtonClicksAreFilteredByTheirModifierFlags)
{
    constexpr int shift = 1, ctrl = 2, alt = 4, cmd = 8, left = 16, right = 32;
    struct Case { int mods; bool resetOnAlt, defaultOn, lit; int clicks; bool litAfter; };
    const Case cases[] = {
        { left, true, false, true, 1, true },         // plain click: reported, the state kept
        { alt | left, true, false, true, 1, false },  // Alt alone: back to the default, reported
        { alt | right, true, true, false, 1, true },
        { alt | left, true, false, false, 0, false }, // already at the default: nothing
        { alt | left, false, false, true, 0, true },  // reset off: ignored, not a plain click
        { alt | shift | left, true, false, true, 0, true }, { alt | cmd | left, true, false, true, 0, true },
        { alt | ctrl | left, true, false, true, 0, true }, { shift | left, true, false, true, 0, true },
        { ctrl | left, true, false, true, 0, true }, { cmd, true, false, true, 0, true },
    };
    for (const auto& c : cases)
    {
        TestButton button;
        int clicks = 0;
        button.onClick = [&] { ++clicks; };
        button.resetOnAltClick = c.resetOnAlt;
        button.defaultState = c.defaultOn;
        button.setToggleState (c.lit, juce::dontSendNotification);
        button.click (c.mods);
        EXPECT_EQ (clicks, c.clicks) << c.mods;
        EXPECT_EQ (button.getToggleState(), c.litAfter) << c.mods;
    }
}

// A switch whose lever pictures are plain colours: red down, green in the middle, blue up.
struct TestSwitch : OrvikSwitch
{
    TestSwitch()
    {
        baseImage = solid (80, 94, juce::Colours::white);
        bottomImage = solid (80, 94, juce::Colours::red);
        midImage = solid (80, 94, juce::Colours::green);
        topImage = solid (80, 94, juce::Colours::blue);
        setBounds (0, 0, 40, 47);
    }
    float accumulator() const { return wheelAccumulator; }
    void wheel (float deltaY, bool isReversed = false, bool isSmooth = true, int rawModifiers = 0)
    {
        static juce::int64 ms = 0; // the framework drops a wheel event that repeats the last time
        const juce::Time t (++ms);
        mouseWheelMove (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, juce::ModifierKeys (rawModifiers),
                                          1.0f, 0, 0, 0, 0, this, this, t, {}, t, 1, false),
                        { 0.0f, deltaY, isReversed, isSmooth, false });
    }
};

TEST (Widgets, SmoothWheelTakesWholeStepsHalvesAwayFromZeroAndForgetsAfterRest)
{
    // 25 accumulated per unit of deltaY, so 0.02 is exactly half a step. A second movement of
    // 0.008 (0.2 of a step) follows after `restMs`, when given.
    struct Case { double start; float deltaY; bool reversed; int restMs; double value; float remainder; };
    const Case cases[] = {
        { 0.5, 0.02f, false, 0, 1.0, -0.5f }, { 0.5, -0.02f, false, 0, 0.0, 0.5f }, { 0.5, 0.02f, true, 0, 0.0, 0.5f },
        { 0.5, 0.016f, false, 0, 0.5, 0.4f }, // less than half a step: kept
        { 1.0, 0.02f, false, 0, 1.0, -0.5f }, // clamped, the step still taken off
        { 0.5, 0.016f, false, 300, 1.0, -0.4f }, // 0.4 + 0.2 within the rest time: one step
        { 0.5, 0.016f, false, 600, 0.5, 0.2f },  // the 0.4 is forgotten
        { 0.5, std::numeric_limits<float>::quiet_NaN(), false, 0, 0.5, 0.0f }, // dropped, never sent
        { 0.5, 1.0e38f, false, 0, 0.5, 0.0f },   // overflows the accumulator: dropped too
    };
    for (const auto& c : cases)
    {
        TestSwitch s;
        int changes = 0, dragStarts = 0;
        s.setValue (c.start, juce::dontSendNotification);
        s.onValueChange = [&] { ++changes; };
        s.onDragStart = [&] { ++dragStarts; };
        s.wheel (c.deltaY, c.reversed);
        EXPECT_EQ (changes, 0); // told later, asynchronously, and without a drag
        runMessageLoopFor (c.restMs > 0 ? c.restMs : 20);
        if (c.restMs > 0)
            s.wheel (0.008f);
        EXPECT_EQ (s.getValue(), c.value) << c.start << " " << c.deltaY << " " << c.restMs;
        EXPECT_FLOAT_EQ (s.accumulator(), c.remainder) << c.start << " " << c.deltaY << " " << c.restMs;
        EXPECT_EQ (changes, c.restMs == 0 && c.value != c.start ? 1 : 0);
        EXPECT_EQ (dragStarts, 0);
    }
}

TEST (Widgets, ControlWheelOnAContinuousControlMovesATenthOfTheFrameworksStep)
{
    const auto moved = [] (int rawModifiers)
    {
        TestSwitch s;
        s.setRange (0.0, 1.0, 0.0); // a knob's range: the framework's wheel handling
        s.setValue (0.5);
        s.wheel (0.1f, false, true, rawModifiers);
        return s.getValue() - 0.5;
    };
    EXPECT_NEAR (moved (0), 0.015, 1.0e-6); // the framework's 0.15 of the range per unit
    EXPECT_NEAR (moved (2), 0.0015, 1.0e-6);
    EXPECT_NEAR (moved (2 | 1), 0.015, 1.0e-6); // Control with Shift: unscaled
}

TEST (Widgets, SwitchShowsTheMiddlePictureFromOneThirdToTwoThirds)
{
    TestSwitch s;
    s.setRange (0.0, 1.0, 0.0); // to reach the exact thresholds
    const double third = 1.0 / 3.0, twoThirds = 2.0 / 3.0;
    const std::pair<double, juce::Colour> cases[] = {
        { std::nextafter (third, 0.0), juce::Colours::red }, { third, juce::Colours::green }, { 0.5, juce::Colours::green },
        { twoThirds, juce::Colours::green }, { std::nextafter (twoThirds, 1.0), juce::Colours::blue },
    };
    for (const auto& [value, lever] : cases)
    {
        s.setValue (value < 0.5 ? 1.0 : 0.0); // the framework ignores changes below a double's epsilon
        s.setValue (value);
        EXPECT_EQ (pixelAt (s, 20, 23), lever) << value;
    }
}

TEST (Widgets, KnobTurnsItsCapThroughTheSweep)
{
    // A green back, a cap with a black pointer bar from the top to the centre, no top layer.
    struct : OrvikKnob
    {
        void draw() { backImage = solid (166, 166, juce::Colours::green); midImage = solid (166, 166, {}); topImage = {};
                      juce::Graphics (midImage).fillRect (73, 10, 20, 83); setBounds (0, 0, 84, 84); }
    } knob;
    knob.draw();

    // Drawn at half size, the pointer sits 32 pixels above the centre (42, 42) when upright.
    for (const auto& [value, angle] : { std::pair (0.0, -2.5918140411376953), std::pair (0.5, 0.0), std::pair (1.0, 2.5918140411376953) })
    {
        knob.setValue (value);
        const auto image = knob.createComponentSnapshot (knob.getLocalBounds());
        EXPECT_EQ (image.getPixelAt (juce::roundToInt (42 + 32 * std::sin (angle)), juce::roundToInt (42 - 32 * std::cos (angle))),
                   juce::Colours::black) << value;
        EXPECT_EQ (image.getPixelAt (42, 10) == juce::Colours::black, value == 0.5) << value;
        EXPECT_EQ (image.getPixelAt (2, 2), juce::Colours::green);
    }
}
} // namespace
