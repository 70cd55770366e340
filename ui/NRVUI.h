#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <map>

/**
    Base of the main panel: a two-way registry between parameter indices and the controls that
    edit them, the host's control-surface highlights drawn as corner brackets over those
    controls, and a way to switch keyboard focus off for a whole tree of components.
    Message thread only.
*/
template <class ProcessorClass>
class NRVUI : public juce::Component
{
public:
    /** A host highlight: where the control lies and the colour the host suggested. */
    struct ControlHighlight
    {
        /** The control's bounds in the panel's coordinates when the highlight was set; the
            layout is fixed, so the copy never goes stale. */
        juce::Rectangle<int> bounds;
        /** The host's suggested colour. */
        juce::Colour colour;
    };

    NRVUI() = default;
    ~NRVUI() override = default;

    /** Draws the highlight brackets over the children, in ascending parameter index, so where
        two cross the higher index lies on top. */
    void paintOverChildren (juce::Graphics& g) override
    {
        for (const auto& entry : highlights)
        {
            const ControlHighlight& highlight = entry.second;
            g.setColour (highlight.colour);

            const int x = highlight.bounds.getX();
            const int y = highlight.bounds.getY();
            const int w = highlight.bounds.getWidth();
            const int h = highlight.bounds.getHeight();

            // Bracket lengths are a fifth of the control's sides, in single precision.
            const float lv = static_cast<float> (h) * 0.2f;
            const float lh = static_cast<float> (w) * 0.2f;
            const float left = static_cast<float> (x);
            const float top = static_cast<float> (y);
            // The right and bottom strokes lie one pixel outside the control.
            const float right = static_cast<float> (x + w);
            const float bottom = static_cast<float> (y + h);

            fillVerticalStroke (g, left, top, top + lv);
            fillVerticalStroke (g, right, top, top + lv);
            fillVerticalStroke (g, left, bottom - lv, bottom);
            fillVerticalStroke (g, right, bottom - lv, bottom);
            fillHorizontalStroke (g, top, left, left + lh);
            fillHorizontalStroke (g, top, right - lh, right);
            fillHorizontalStroke (g, bottom, left, left + lh);
            fillHorizontalStroke (g, bottom, right - lh, right);
        }
    }

    /** Links a parameter index and a control both ways, inserting or overwriting. No repaint. */
    void registerParamControl (int index, juce::Component* control)
    {
        paramToComponent[index] = control;
        componentToParam[control] = index;
    }

    /** Removes both links and the index's highlight; repaints only when a highlight went. */
    void unregisterParamControl (int index, juce::Component* control)
    {
        paramToComponent.erase (index);
        componentToParam.erase (control);

        if (highlights.erase (index) > 0)
            repaint();
    }

    /** Makes every descendant of root not want keyboard focus, depth first in child order;
        root keeps its own setting. */
    void disableFocus (juce::Component* root)
    {
        if (root == nullptr)
            return;

        for (int i = 0; i < root->getNumChildComponents(); ++i)
        {
            juce::Component* child = root->getChildComponent (i);
            child->setWantsKeyboardFocus (false);
            disableFocus (child);
        }
    }

    /** The processor the panel shows; not owned, assigned by the panel's constructor, and it
        outlives the panel. */
    ProcessorClass* processor = nullptr;

    /** The highlights to draw, by parameter index. */
    std::map<int, ControlHighlight> highlights;

    /** The control registered for each parameter index (not owned). */
    std::map<int, juce::Component*> paramToComponent;

    /** The parameter index registered for each control (controls not owned). */
    std::map<juce::Component*, int> componentToParam;

private:
    // A stroke is a one-pixel-wide float rectangle, filled only where it has a positive length.
    static void fillVerticalStroke (juce::Graphics& g, float column, float from, float to)
    {
        if (to > from)
            g.fillRect (juce::Rectangle<float> (column, from, 1.0f, to - from));
    }

    static void fillHorizontalStroke (juce::Graphics& g, float row, float from, float to)
    {
        if (to > from)
            g.fillRect (juce::Rectangle<float> (from, row, to - from, 1.0f));
    }

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NRVUI)
};
