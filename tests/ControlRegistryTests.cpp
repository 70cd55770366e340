#include "ui/NRVUI.h"

#include <gtest/gtest.h>

namespace
{
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
    EXPECT_EQ (panel.paramToComponent.count (3) + panel.componentToParam.count (&b), 0u);
    EXPECT_EQ (repaints, 0);

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
        const juce::Image image = panel.createComponentSnapshot (panel.getLocalBounds());

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
} // namespace
