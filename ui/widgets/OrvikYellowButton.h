#pragma once

#include "ui/widgets/NRVButton.h"

/** The yellow lit push button: its off or on picture by toggle state. */
class OrvikYellowButton : public NRVButton
{
public:
    OrvikYellowButton();
    ~OrvikYellowButton() override;

    /** Does nothing: the picture is fitted to the bounds when it is painted. */
    void resized() override;

protected:
    /** Draws the picture of the toggle state; the hover and pressed flags are not used. */
    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

    /** Picture shown while the toggle state is off. */
    juce::Image offImage;
    /** Picture shown while the toggle state is on. */
    juce::Image onImage;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OrvikYellowButton)
};
