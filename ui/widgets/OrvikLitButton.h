#pragma once

#include "ui/widgets/NRVButton.h"

/**
    A lit push button of the panel: its off or on picture, chosen by the toggle state alone,
    drawn centred and uniformly scaled into the button. Hover and pressed states look the
    same. The four coloured buttons differ only in their two pictures.
*/
class OrvikLitButton : public NRVButton
{
public:
    ~OrvikLitButton() override;

    /** Does nothing: the picture is fitted to the bounds when it is painted. */
    void resized() override;

protected:
    /** Loads the off picture, then the on picture, from embedded PNG data. */
    OrvikLitButton (const void* offData, int offSize, const void* onData, int onSize);

    /** Draws the picture of the toggle state; the hover and pressed flags are not used. */
    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

    /** Picture shown while the toggle state is off. */
    juce::Image offImage;
    /** Picture shown while the toggle state is on. */
    juce::Image onImage;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OrvikLitButton)
};

/** The green button: processing in (lit) or bypassed. */
class OrvikGreenButton : public OrvikLitButton
{
public:
    OrvikGreenButton();
};

/** The yellow button: continuous attack and release times on or off. */
class OrvikYellowButton : public OrvikLitButton
{
public:
    OrvikYellowButton();
};

/** The blue button: stereo link on or off. */
class OrvikBlueButton : public OrvikLitButton
{
public:
    OrvikBlueButton();
};

/** The red button: analog colour on or off. */
class OrvikRedButton : public OrvikLitButton
{
public:
    OrvikRedButton();
};
