// The widgets (buttons, switches, knobs), the panel's control registry and highlight brackets,
// and the embedded pictures.

#include "MessageLoop.h"
#include "ui/NRVUI.h"
#include "ui/widgets/OrvikKnob.h"
#include "ui/widgets/OrvikLitButton.h"
#include "ui/widgets/OrvikSwitch.h"

#include <OrvikQ4Resources.h>
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

juce::Image snapshot (juce::Component& c) { return c.createComponentSnapshot (c.getLocalBounds()); }

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
        baseImage = solid (80, 94, juce::Colours::white), bottomImage = solid (80, 94, juce::Colours::red);
        midImage = solid (80, 94, juce::Colours::green), topImage = solid (80, 94, juce::Colours::blue);
        setBounds (0, 0, 40, 47);
    }
    float accumulator() const { return wheelAccumulator; }
    void wheel (float deltaY, bool isReversed = false, int rawModifiers = 0)
    {
        static juce::int64 ms = 0; // the framework drops a wheel event that repeats the last time
        const juce::Time t (++ms);
        mouseWheelMove (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, juce::ModifierKeys (rawModifiers),
                                          1.0f, 0, 0, 0, 0, this, this, t, {}, t, 1, false),
                        { 0.0f, deltaY, isReversed, true, false });
    }
};

TEST (Widgets, SmoothWheelTakesWholeStepsHalvesAwayFromZeroAndForgetsAfterRest)
{
    // 25 accumulated per unit of deltaY, so 0.02 is exactly half a step. A second movement of
    // 0.008 (0.2 of a step) follows after `restMs`, when given.
    struct Case { double start; float deltaY; bool reversed; int restMs; double value; float remainder; };
    const Case cases[] = {
        { 0.5, 0.02f, false, 0, 1.0, -0.5f }, { 0.5, -0.02f, false, 0, 0.0, 0.5f }, { 0.5, 0.02f, true, 0, 0.0, 0.5f },
        { 0.5, 0.016f, false, 0, 0.5, 0.4f },    // less than half a step: kept
        { 1.0, 0.02f, false, 0, 1.0, -0.5f },    // clamped, the step still taken off
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

    // On a knob's range the framework moves 0.15 of the range per unit; Control a tenth of it,
    // Control with Shift unscaled.
    for (const auto& [mods, moved] : { std::pair { 0, 0.015 }, { 2, 0.0015 }, { 2 | 1, 0.015 } })
    {
        TestSwitch s;
        s.setRange (0.0, 1.0, 0.0);
        s.setValue (0.5);
        s.wheel (0.1f, false, mods);
        EXPECT_NEAR (s.getValue() - 0.5, moved, 1.0e-6) << mods;
    }
}

TEST (Widgets, SwitchShowsTheMiddlePictureFromOneThirdToTwoThirdsAndKnobTurnsItsCapThroughTheSweep)
{
    TestSwitch s;
    s.setRange (0.0, 1.0, 0.0); // to reach the exact thresholds
    const double third = 1.0 / 3.0, twoThirds = 2.0 / 3.0;
    for (const auto& [value, lever] : { std::pair { std::nextafter (third, 0.0), juce::Colours::red }, { third, juce::Colours::green },
                                        { 0.5, juce::Colours::green }, { twoThirds, juce::Colours::green },
                                        { std::nextafter (twoThirds, 1.0), juce::Colours::blue } })
    {
        s.setValue (value < 0.5 ? 1.0 : 0.0); // the framework ignores changes below a double's epsilon
        s.setValue (value);
        EXPECT_EQ (snapshot (s).getPixelAt (20, 23), lever) << value;
    }

    // A green back, a cap with a black pointer bar from the top to the centre, no top layer.
    // Drawn at half size, the pointer sits 32 pixels above the centre (42, 42) when upright.
    struct : OrvikKnob
    {
        void draw() { backImage = solid (166, 166, juce::Colours::green); midImage = solid (166, 166, {}); topImage = {};
                      juce::Graphics (midImage).fillRect (73, 10, 20, 83); setBounds (0, 0, 84, 84); }
    } knob;
    knob.draw();
    for (const auto& [value, angle] : { std::pair (0.0, -2.5918140411376953), std::pair (0.5, 0.0), std::pair (1.0, 2.5918140411376953) })
    {
        knob.setValue (value);
        const auto image = snapshot (knob);
        EXPECT_EQ (image.getPixelAt (juce::roundToInt (42 + 32 * std::sin (angle)), juce::roundToInt (42 - 32 * std::cos (angle))), juce::Colours::black) << value;
        EXPECT_EQ (image.getPixelAt (42, 10) == juce::Colours::black, value == 0.5) << value;
        EXPECT_EQ (image.getPixelAt (2, 2), juce::Colours::green);
    }
}

using Panel = NRVUI<struct NoProcessor>;

// Counts the repaints that reach the panel without putting it on a screen.
struct RepaintCounter : juce::CachedComponentImage
{
    int& count;
    explicit RepaintCounter (int& c) : count (c) {}
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { return ++count < 0; }
    bool invalidate (const juce::Rectangle<int>&) override { return ++count < 0; }
    void releaseResources() override {}
};

TEST (ControlRegistry, OverwriteEraseAndRepaintOnlyForAHighlight)
{
    Panel panel;
    juce::Component a, b;
    int repaints = 0;
    panel.setVisible (true);
    panel.setCachedComponentImage (new RepaintCounter (repaints));
    repaints = 0;

    panel.registerParamControl (3, &a);
    panel.registerParamControl (3, &b); // replaces a under 3; a keeps its own entry
    EXPECT_EQ (panel.paramToComponent.at (3), &b);
    EXPECT_EQ (panel.componentToParam.at (&a), 3);
    panel.unregisterParamControl (3, &b);
    EXPECT_EQ (panel.paramToComponent.count (3) + panel.componentToParam.count (&b) + (size_t) repaints, 0u);

    panel.registerParamControl (3, &b);
    panel.highlights[3] = { { 0, 0, 10, 10 }, juce::Colours::red };
    panel.unregisterParamControl (3, &b);
    EXPECT_TRUE (panel.highlights.empty());
    EXPECT_EQ (repaints, 1);
}

TEST (ControlRegistry, BracketsCoverExactlyTheirPixelsHigherIndexOnTop)
{
    // A 30 x 40 control at (10, 20) gets brackets 8 down and 6 across, the right and bottom ones
    // one pixel outside it; one 0 high gets no vertical, one 0 wide no horizontal strokes.
    using Points = std::vector<juce::Point<int>>;
    struct Case { juce::Rectangle<int> bounds; int count; Points on, off; };
    const Case cases[] = {
        { { 10, 20, 30, 40 }, 55, { { 10, 20 }, { 15, 20 }, { 34, 20 }, { 40, 27 }, { 40, 52 }, { 40, 59 }, { 39, 60 } },
          { { 16, 20 }, { 33, 20 }, { 40, 28 }, { 40, 51 }, { 40, 60 }, { 39, 59 }, { 11, 21 } } },
        { { 10, 20, 30, 0 }, 12, { { 10, 20 }, { 15, 20 }, { 34, 20 }, { 39, 20 } }, { { 10, 19 }, { 10, 21 }, { 40, 20 } } },
        { { 10, 20, 0, 40 }, 16, { { 10, 20 }, { 10, 27 }, { 10, 52 }, { 10, 59 } }, { { 11, 20 }, { 10, 28 }, { 10, 60 } } },
    };
    for (const auto& c : cases)
    {
        Panel panel;
        panel.setBounds (0, 0, 80, 80);
        panel.highlights[9] = { c.bounds, juce::Colours::blue };
        panel.highlights[2] = { c.bounds, juce::Colours::red }; // under index 9's strokes
        const juce::Image image = snapshot (panel);
        int count = 0;
        for (int i = 0; i < 80 * 80; ++i)
            count += image.getPixelAt (i % 80, i / 80).getAlpha() > 0 ? 1 : 0;
        EXPECT_EQ (count, c.count) << c.bounds.toString(); // nothing else, no partial pixels
        for (auto p : c.on)
            EXPECT_EQ (image.getPixelAt (p.x, p.y), juce::Colours::blue) << p.toString();
        for (auto p : c.off)
            EXPECT_EQ (image.getPixelAt (p.x, p.y).getAlpha(), 0) << p.toString();
    }
}

// Every picture is stored at twice its drawn size; the front plate halves and the toolbar
// pictures are opaque RGB, the rest carry alpha because they are drawn over the plate.
TEST (Resources, EveryEmbeddedPictureDecodesAtItsStoredSizeAndColourType)
{
    const std::tuple<const char*, int, int> sizes[] = { { "TarskUI_back", 300, 1050 }, { "mono_block", 300, 350 },
        { "Led", 34, 34 }, { "Button", 120, 120 }, { "Switch", 80, 94 }, { "Knob", 166, 166 }, { "aboutBackground", 560, 600 },
        { "nrvlogo", 180, 72 }, { "orvikAudioLogo", 276, 64 }, { "nhlogo", 228, 48 }, { "qzbar_menu", 48, 48 } };
    ASSERT_EQ (OrvikQ4Resources::namedResourceListSize, 27);
    for (int i = 0; i < OrvikQ4Resources::namedResourceListSize; ++i)
    {
        const juce::String name (OrvikQ4Resources::namedResourceList[i]);
        int size = 0;
        const auto* data = OrvikQ4Resources::getNamedResource (name.toRawUTF8(), size);
        const auto image = juce::ImageFileFormat::loadFrom (data, (size_t) size);
        const auto* expected = std::find_if (std::begin (sizes), std::end (sizes), [&] (auto& s) { return name.contains (std::get<0> (s)); });
        ASSERT_NE (expected, std::end (sizes)) << name;
        EXPECT_EQ (image.getBounds(), juce::Rectangle<int> (std::get<1> (*expected), std::get<2> (*expected))) << name;
        EXPECT_EQ (image.getFormat(), name.contains ("TarskUI_back") || name.contains ("QZBar") ? juce::Image::RGB : juce::Image::ARGB) << name;
    }
}
} // namespace
