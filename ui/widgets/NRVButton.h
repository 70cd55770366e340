#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    Base of the panel's lit on/off buttons. The button never changes its own state on a click:
    a plain click only reaches the listeners, an Alt-click puts the toggle state back to
    `defaultState`, and a click with any other modifier key is ignored.
*/
class NRVButton : public juce::Button
{
public:
    NRVButton();

    /** The toggle state an Alt-click restores. */
    bool defaultState = false;

    /** Whether an Alt-click restores `defaultState`. */
    bool resetOnAltClick = false;

protected:
    /** Filters a completed click by its raw modifier flags before the framework sees it. */
    void internalClickCallback (const juce::ModifierKeys& mods) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NRVButton)
};
