#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    Base of the panel's knobs and switches. On a stepped control a smooth (trackpad-style)
    wheel moves the value in whole steps gathered in an accumulator, which is forgotten after
    500 ms of rest; Control with the wheel moves at one tenth of the framework's speed.
    Everything else (dragging, double-click to default, notched wheels) is the framework's.
*/
class NRVSlider : public juce::Slider,
                  public juce::Timer
{
public:
    NRVSlider (juce::Slider::SliderStyle style, juce::Slider::TextEntryBoxPosition textBoxPosition);

    void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    /** The wheel's rest timer: drops a remainder smaller than a step. */
    void timerCallback() override;

protected:
    /** Wheel movement gathered but not yet turned into whole steps, in steps. */
    float wheelAccumulator = 0.0f;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NRVSlider)
};
