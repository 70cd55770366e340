#include "ui/widgets/OrvikKnob.h"
#include "ui/widgets/OrvikRedButton.h"
#include "ui/widgets/OrvikSwitch.h"
#include "ui/widgets/OrvikYellowButton.h"

#include <gtest/gtest.h>

#include <cmath>

// The framework's public loop runner exists only where modal loops are permitted, which the
// plug-in build forbids; its per-message dispatcher is what that runner calls.
namespace juce
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace
{
void runMessageLoopFor (int ms)
{
    const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (ms);

    while (juce::Time::getMillisecondCounter() < end)
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (1);
}

juce::Image solid (int w, int h, juce::Colour c)
{
    juce::Image image (juce::Image::ARGB, w, h, true);
    image.clear (image.getBounds(), c);
    return image;
}

juce::Image render (juce::Component& c)
{
    juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
    juce::Graphics g (image);
    c.paintEntireComponent (g, false);
    return image;
}

bool isColour (const juce::Image& image, int x, int y, juce::Colour c)
{
    const juce::Colour p = image.getPixelAt (x, y);
    return std::abs (p.getRed() - c.getRed()) < 8 && std::abs (p.getGreen() - c.getGreen()) < 8
           && std::abs (p.getBlue() - c.getBlue()) < 8 && p.getAlpha() > 247;
}

juce::MouseEvent wheelEvent (juce::Component& c, int rawModifiers)
{
    // Every event gets its own time: the framework drops a wheel event that repeats the last one's.
    static juce::int64 ms = 1;
    const juce::Time t (++ms);
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {},
                             juce::ModifierKeys (rawModifiers), juce::MouseInputSource::defaultPressure,
                             0.0f, 0.0f, 0.0f, 0.0f, &c, &c, t, {}, t, 1, false);
}

juce::MouseWheelDetails wheel (float deltaY, bool isSmooth, bool isReversed = false)
{
    return { 0.0f, deltaY, isReversed, isSmooth, false };
}

struct CountingListener : juce::Button::Listener, juce::Slider::Listener
{
    int clicks = 0, valueChanges = 0, dragStarts = 0;
    void buttonClicked (juce::Button*) override { ++clicks; }
    void sliderValueChanged (juce::Slider*) override { ++valueChanges; }
    void sliderDragStarted (juce::Slider*) override { ++dragStarts; }
};

//==============================================================================
struct TestButton : OrvikYellowButton
{
    void click (int rawModifiers) { internalClickCallback (juce::ModifierKeys (rawModifiers)); }
};

TEST (Widgets, ButtonClickFilteringByModifierFlags)
{
    constexpr int shift = 1, ctrl = 2, alt = 4, cmd = 8, left = 16, right = 32;

    struct Case { int mods; bool resetOnAlt; bool lit; int clicks; bool litAfter; };
    const Case cases[] = {
        { left, true, true, 1, true },              // plain click: the listener only, no toggle
        { 0, true, false, 1, false },
        { alt | left, true, true, 1, false },       // back to the default (off), one click
        { alt | left | right, true, true, 1, false },
        { alt | left, true, false, 0, false },      // already at the default: nothing
        { alt | left, false, true, 0, true },       // reset disabled: ignored, not a plain click
        { alt | shift | left, true, true, 0, true },
        { alt | ctrl | left, true, true, 0, true },
        { alt | cmd | left, true, true, 0, true },
        { shift | left, true, true, 0, true },
        { ctrl | left, true, true, 0, true },
        { cmd | left, true, true, 0, true },
    };

    for (const auto& c : cases)
    {
        TestButton button;
        button.defaultState = false;
        button.resetOnAltClick = c.resetOnAlt;
        button.setToggleState (c.lit, juce::dontSendNotification);
        CountingListener listener;
        button.addListener (&listener);

        button.click (c.mods);

        EXPECT_EQ (listener.clicks, c.clicks) << "mods " << c.mods;
        EXPECT_EQ (button.getToggleState(), c.litAfter) << "mods " << c.mods;
        button.removeListener (&listener);
    }
}

TEST (Widgets, AltClickLightsAButtonWhoseDefaultIsOn)
{
    TestButton button;
    button.defaultState = true;
    button.resetOnAltClick = true;
    CountingListener listener;
    button.addListener (&listener);

    button.click (4 | 16);

    EXPECT_TRUE (button.getToggleState());
    EXPECT_EQ (listener.clicks, 1);
    button.removeListener (&listener);
}

struct PictureButton : OrvikRedButton
{
    PictureButton()
    {
        offImage = solid (120, 120, juce::Colours::blue);
        onImage = solid (120, 120, juce::Colours::red);
    }
};

TEST (Widgets, ButtonShowsThePictureOfItsToggleStateCentred)
{
    PictureButton button;
    EXPECT_EQ (button.getBounds(), juce::Rectangle<int> (0, 0, 600, 400)); // until laid out
    button.setBounds (0, 0, 60, 40);

    // Fitted uniformly: 40 x 40 in the middle of the 60 x 40 button.
    juce::Image off = render (button);
    EXPECT_TRUE (isColour (off, 30, 20, juce::Colours::blue));
    EXPECT_EQ (off.getPixelAt (5, 20).getAlpha(), 0);
    EXPECT_EQ (off.getPixelAt (55, 20).getAlpha(), 0);

    button.setToggleState (true, juce::dontSendNotification);
    EXPECT_TRUE (isColour (render (button), 30, 20, juce::Colours::red));
}

//==============================================================================
struct TestSwitch : OrvikSwitch
{
    TestSwitch() { setBounds (0, 0, 40, 47); }
    float accumulator() const { return wheelAccumulator; }

    void usePictures()
    {
        baseImage = solid (80, 94, juce::Colours::white);
        bottomImage = solid (80, 94, juce::Colours::red);
        midImage = solid (80, 94, juce::Colours::green);
        topImage = solid (80, 94, juce::Colours::blue);
    }

    void smoothWheel (float deltaY, bool isReversed = false)
    {
        mouseWheelMove (wheelEvent (*this, 0), wheel (deltaY, true, isReversed));
    }
};

TEST (Widgets, SmoothWheelStepsRoundHalvesAwayFromZeroAndClamp)
{
    // 25 accumulated per unit of deltaY: 0.02 is exactly half a step.
    struct Case { double start; float deltaY; bool reversed; double value; float remainder; };
    const Case cases[] = {
        { 0.5, 0.02f, false, 1.0, -0.5f },
        { 0.5, -0.02f, false, 0.0, 0.5f },
        { 0.5, 0.02f, true, 0.0, 0.5f },
        { 0.5, 0.016f, false, 0.5, 0.4f },  // less than half a step: kept, no move
        { 1.0, 0.02f, false, 1.0, -0.5f },  // clamped at the top, the step still taken off
        { 0.0, -0.06f, false, 0.0, 0.5f },  // two steps down from the bottom
    };

    for (const auto& c : cases)
    {
        TestSwitch s;
        s.setValue (c.start, juce::dontSendNotification);
        CountingListener listener;
        s.addListener (&listener);

        s.smoothWheel (c.deltaY, c.reversed);

        EXPECT_EQ (s.getValue(), c.value) << c.start << " " << c.deltaY;
        EXPECT_FLOAT_EQ (s.accumulator(), c.remainder) << c.start << " " << c.deltaY;
        EXPECT_TRUE (s.isTimerRunning());
        EXPECT_EQ (listener.valueChanges, 0); // the listeners hear of it later, asynchronously

        runMessageLoopFor (20);
        EXPECT_EQ (listener.valueChanges, c.value != c.start ? 1 : 0);
        EXPECT_EQ (listener.dragStarts, 0); // no change gesture for wheel steps
        s.removeListener (&listener);
    }
}

TEST (Widgets, SmoothWheelRemainderIsForgottenAfterRest)
{
    TestSwitch s;
    s.setValue (0.5, juce::dontSendNotification);

    s.smoothWheel (0.016f); // 0.4 of a step
    runMessageLoopFor (300);
    s.smoothWheel (0.008f); // 0.6 in all within the rest time: one step
    EXPECT_EQ (s.getValue(), 1.0);

    s.setValue (0.5, juce::dontSendNotification);
    s.smoothWheel (0.016f);
    runMessageLoopFor (600);
    EXPECT_FALSE (s.isTimerRunning());
    EXPECT_EQ (s.accumulator(), 0.0f);

    s.smoothWheel (0.008f); // the earlier 0.4 is gone: 0.2 is no step
    EXPECT_EQ (s.getValue(), 0.5);
    EXPECT_FLOAT_EQ (s.accumulator(), 0.2f);
}

TEST (Widgets, SwitchPictureFollowsTheThirds)
{
    TestSwitch s;
    s.usePictures();
    s.setRange (0.0, 1.0, 0.0); // to reach the exact thresholds

    const double oneThird = 1.0 / 3.0, twoThirds = 2.0 / 3.0;
    struct Case { double value; juce::Colour lever; };
    const Case cases[] = {
        { 0.0, juce::Colours::red },
        { std::nextafter (oneThird, 0.0), juce::Colours::red },
        { oneThird, juce::Colours::green },
        { 0.5, juce::Colours::green },
        { twoThirds, juce::Colours::green },
        { std::nextafter (twoThirds, 1.0), juce::Colours::blue },
        { 1.0, juce::Colours::blue },
    };

    for (const auto& c : cases)
    {
        // Via a distant value: the framework ignores a change smaller than a double's epsilon.
        s.setValue (c.value < 0.5 ? 1.0 : 0.0, juce::dontSendNotification);
        s.setValue (c.value, juce::dontSendNotification);
        ASSERT_EQ (s.getValue(), c.value);
        EXPECT_TRUE (isColour (render (s), 20, 23, c.lever)) << c.value;
    }
}

//==============================================================================
struct TestKnob : OrvikKnob
{
    TestKnob() { setBounds (0, 0, 84, 84); }
    float accumulator() const { return wheelAccumulator; }

    // A green back, a cap with a red pointer dot up top (stored at twice the drawn size), and a
    // blue dot in the middle of the top layer.
    void usePictures()
    {
        backImage = solid (166, 166, juce::Colours::green);
        midImage = juce::Image (juce::Image::ARGB, 166, 166, true);
        {
            juce::Graphics g (midImage);
            g.setColour (juce::Colours::red);
            g.fillEllipse (73.0f, 10.0f, 20.0f, 20.0f);
            g.fillEllipse (73.0f, 73.0f, 20.0f, 20.0f);
        }
        topImage = juce::Image (juce::Image::ARGB, 166, 166, true);
        juce::Graphics g (topImage);
        g.setColour (juce::Colours::blue);
        g.fillEllipse (78.0f, 78.0f, 10.0f, 10.0f);
    }
};

TEST (Widgets, KnobTurnsItsCapThroughTheSweep)
{
    TestKnob knob;
    knob.usePictures();

    // The pointer, 32 pixels above the centre (42, 42) when upright, turns clockwise with the value.
    struct Case { double value; float angle; };
    const Case cases[] = { { 0.0, -2.5918140411376953f }, { 0.5, 0.0f }, { 1.0, 2.5918140411376953f } };

    for (const auto& c : cases)
    {
        knob.setValue (c.value, juce::dontSendNotification);
        const juce::Image image = render (knob);
        const int px = juce::roundToInt (42.0f + 32.0f * std::sin (c.angle));
        const int py = juce::roundToInt (42.0f - 32.0f * std::cos (c.angle));

        EXPECT_TRUE (isColour (image, px, py, juce::Colours::red)) << c.value;
        EXPECT_EQ (isColour (image, 42, 10, juce::Colours::red), c.value == 0.5) << c.value;
        EXPECT_TRUE (isColour (image, 42, 42, juce::Colours::blue)) << c.value;
        EXPECT_TRUE (isColour (image, 2, 2, juce::Colours::green)) << c.value;
    }
}

TEST (Widgets, KnobWheelIsTheFrameworksAtOneTenthWithControlAlone)
{
    constexpr int shift = 1, ctrl = 2;
    struct Case { int mods; bool smooth; double value; };
    const Case cases[] = {
        { 0, true, 0.65 },
        { ctrl, true, 0.515 },
        { ctrl, false, 0.515 },
        { ctrl | shift, true, 0.65 },
    };

    for (const auto& c : cases)
    {
        TestKnob knob;
        knob.setValue (0.5, juce::dontSendNotification);
        knob.mouseWheelMove (wheelEvent (knob, c.mods), wheel (1.0f, c.smooth));

        EXPECT_NEAR (knob.getValue(), c.value, 1e-9) << c.mods;
        EXPECT_EQ (knob.accumulator(), 0.0f); // no interval: never accumulates
        EXPECT_FALSE (knob.isTimerRunning());
    }
}
} // namespace
