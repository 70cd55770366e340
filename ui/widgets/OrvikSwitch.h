#pragma once

#include "ui/widgets/NRVSlider.h"

/**
    A three-position lever switch (values 0, 0.5 and 1) drawn from pictures: the base, then
    the lever in its bottom, middle or top position.
*/
class OrvikSwitch : public NRVSlider
{
public:
    /** The name is not used. */
    explicit OrvikSwitch (const juce::String& name = juce::String());
    ~OrvikSwitch() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

protected:
    /** Lever down, shown below 1/3. */
    juce::Image bottomImage;
    /** Lever up, shown above 2/3. */
    juce::Image topImage;
    /** Lever in the middle, shown from 1/3 to 2/3 inclusive. */
    juce::Image midImage;
    /** The switch's base, always drawn first. */
    juce::Image baseImage;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OrvikSwitch)
};
