#include "ui/NRVUI.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
struct NoProcessor
{
};

using Panel = NRVUI<NoProcessor>;

// Counts the repaints that reach the panel without putting it on a screen.
struct RepaintCounter : juce::CachedComponentImage
{
    int& count;
    explicit RepaintCounter (int& c) : count (c) {}
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { ++count; return false; }
    bool invalidate (const juce::Rectangle<int>&) override { ++count; return false; }
    void releaseResources() override {}
};

TEST (ControlRegistry, RegisterOverwritesAndUnregisterRepaintsOnlyForAHighlight)
{
    Panel panel;
    juce::Component a, b;
    int repaints = 0;
    panel.setVisible (true);
    panel.setCachedComponentImage (new RepaintCounter (repaints));
    repaints = 0;

    panel.registerParamControl (3, &a);
    panel.registerParamControl (3, &b); // a second control under index 3 replaces the first
    EXPECT_EQ (panel.paramToComponent.at (3), &b);
    EXPECT_EQ (panel.componentToParam.at (&a), 3); // the first keeps its own entry
    EXPECT_EQ (panel.componentToParam.at (&b), 3);

    panel.unregisterParamControl (3, &b);
    EXPECT_EQ (panel.paramToComponent.count (3), 0u);
    EXPECT_EQ (panel.componentToParam.count (&b), 0u);
    EXPECT_EQ (panel.componentToParam.count (&a), 1u);
    EXPECT_EQ (repaints, 0);

    panel.registerParamControl (3, &b);
    panel.highlights[3] = { { 0, 0, 10, 10 }, juce::Colours::red };
    panel.unregisterParamControl (3, &b);
    EXPECT_TRUE (panel.highlights.empty());
    EXPECT_EQ (repaints, 1);

    panel.setCachedComponentImage (nullptr);
}

TEST (ControlRegistry, DisableFocusReachesEveryDescendantButTheRoot)
{
    Panel panel;
    juce::Component child, grandchild;
    panel.addChildComponent (child);
    child.addChildComponent (grandchild);
    for (juce::Component* c : { (juce::Component*) &panel, &child, &grandchild })
        c->setWantsKeyboardFocus (true);

    panel.disableFocus (&panel);

    EXPECT_TRUE (panel.getWantsKeyboardFocus());
    EXPECT_FALSE (child.getWantsKeyboardFocus());
    EXPECT_FALSE (grandchild.getWantsKeyboardFocus());
}

//==============================================================================
// Renders the panel's highlights and lists the rows of pixels of one colour, as "x0-x1" runs.
std::vector<juce::String> paintedRows (Panel& panel, juce::Colour colour)
{
    panel.setBounds (0, 0, 80, 80);
    juce::Image image (juce::Image::ARGB, 80, 80, true);
    {
        juce::Graphics g (image);
        panel.paintEntireComponent (g, false);
    }

    std::vector<juce::String> rows;
    for (int y = 0; y < 80; ++y)
    {
        juce::String row;
        for (int x = 0; x < 80; ++x)
        {
            if (image.getPixelAt (x, y) != colour)
                continue;
            int end = x;
            while (end + 1 < 80 && image.getPixelAt (end + 1, y) == colour)
                ++end;
            row << x << "-" << end << " ";
            x = end;
        }
        if (row.isNotEmpty())
            rows.push_back (juce::String (y) + ": " + row.trim());
    }
    return rows;
}

TEST (ControlRegistry, HighlightBracketsCoverExactlyTheirPixels)
{
    using Rows = std::vector<juce::String>;
    const juce::Colour red = juce::Colours::red;

    // A 30 x 40 control at (10, 20): brackets a fifth of each side long (8 down, 6 across); the
    // right and bottom ones one pixel outside the control.
    Rows full;
    full.push_back ("20: 10-15 34-40");
    for (int y = 21; y < 28; ++y)
        full.push_back (juce::String (y) + ": 10-10 40-40");
    for (int y = 52; y < 60; ++y)
        full.push_back (juce::String (y) + ": 10-10 40-40");
    full.push_back ("60: 10-15 34-39");

    Rows flat { "20: 10-15 34-39" }; // 0 high: no vertical strokes

    Rows thin; // 0 wide: no horizontal strokes, both columns on x 10
    for (int y = 20; y < 28; ++y)
        thin.push_back (juce::String (y) + ": 10-10");
    for (int y = 52; y < 60; ++y)
        thin.push_back (juce::String (y) + ": 10-10");

    struct Case { juce::Rectangle<int> bounds; Rows rows; };
    const Case cases[] = { { { 10, 20, 30, 40 }, full }, { { 10, 20, 30, 0 }, flat }, { { 10, 20, 0, 40 }, thin } };

    for (const auto& c : cases)
    {
        Panel panel;
        panel.highlights[0] = { c.bounds, red };
        EXPECT_EQ (paintedRows (panel, red), c.rows) << c.bounds.toString();
    }
}

TEST (ControlRegistry, HigherIndexIsDrawnOnTop)
{
    Panel panel;
    panel.highlights[7] = { { 10, 20, 30, 40 }, juce::Colours::blue };
    panel.highlights[2] = { { 10, 20, 30, 40 }, juce::Colours::red };

    EXPECT_TRUE (paintedRows (panel, juce::Colours::red).empty());
    EXPECT_EQ (paintedRows (panel, juce::Colours::blue).size(), 17u);
}
} // namespace
