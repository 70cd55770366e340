#pragma once

#include "ui/widgets/NRVSlider.h"

/**
    A continuous rotary knob (0 to 1) drawn from pictures: a fixed back, a cap that turns with
    the value through 297 degrees centred on straight up, and a fixed top layer.
*/
class OrvikKnob : public NRVSlider
{
public:
    /** The name is not used. */
    explicit OrvikKnob (const juce::String& name = juce::String());
    ~OrvikKnob() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

protected:
    /** The fixed skirt behind the cap. */
    juce::Image backImage;
    /** The cap with its pointer, rotated with the value. */
    juce::Image midImage;
    /** Angle of the minimum, radians (the float nearest -148.5 degrees). */
    float startAngle = -2.5918140411376953f;
    /** Angle of the maximum, radians (the float nearest +148.5 degrees). */
    float endAngle = 2.5918140411376953f;
    /** The fixed highlight layer over the cap. */
    juce::Image topImage;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OrvikKnob)
};
