#include "ui/widgets/OrvikLitButton.h"

#include <OrvikQ4Resources.h>

OrvikLitButton::OrvikLitButton (const void* offData, int offSize, const void* onData, int onSize)
{
    offImage = juce::ImageCache::getFromMemory (offData, offSize);
    onImage = juce::ImageCache::getFromMemory (onData, onSize);

    // Provisional until the panel lays the button out.
    setSize (600, 400);
}

OrvikLitButton::~OrvikLitButton() = default;

void OrvikLitButton::resized()
{
}

void OrvikLitButton::paintButton (juce::Graphics& g, bool, bool)
{
    g.setColour (juce::Colours::black); // opaque, so the picture is drawn at full opacity

    const juce::Image& picture = getToggleState() ? onImage : offImage;

    if (picture.isNull())
        return;

    g.drawImage (picture, getLocalBounds().toFloat(), juce::RectanglePlacement::centred);
}

//==============================================================================
OrvikGreenButton::OrvikGreenButton()
    : OrvikLitButton (OrvikQ4Resources::resource_OrvikGreenButton_greenButtonOff_png,
                      OrvikQ4Resources::resource_OrvikGreenButton_greenButtonOff_pngSize,
                      OrvikQ4Resources::resource_OrvikGreenButton_greenButtonOn_png,
                      OrvikQ4Resources::resource_OrvikGreenButton_greenButtonOn_pngSize)
{
}

OrvikYellowButton::OrvikYellowButton()
    : OrvikLitButton (OrvikQ4Resources::resource_OrvikYellowButton_yellowButtonOff_png,
                      OrvikQ4Resources::resource_OrvikYellowButton_yellowButtonOff_pngSize,
                      OrvikQ4Resources::resource_OrvikYellowButton_yellowButtonOn_png,
                      OrvikQ4Resources::resource_OrvikYellowButton_yellowButtonOn_pngSize)
{
}

OrvikBlueButton::OrvikBlueButton()
    : OrvikLitButton (OrvikQ4Resources::resource_OrvikBlueButton_blueButtonOff_png,
                      OrvikQ4Resources::resource_OrvikBlueButton_blueButtonOff_pngSize,
                      OrvikQ4Resources::resource_OrvikBlueButton_blueButtonOn_png,
                      OrvikQ4Resources::resource_OrvikBlueButton_blueButtonOn_pngSize)
{
}

OrvikRedButton::OrvikRedButton()
    : OrvikLitButton (OrvikQ4Resources::resource_OrvikRedButton_redButtonOff_png,
                      OrvikQ4Resources::resource_OrvikRedButton_redButtonOff_pngSize,
                      OrvikQ4Resources::resource_OrvikRedButton_redButtonOn_png,
                      OrvikQ4Resources::resource_OrvikRedButton_redButtonOn_pngSize)
{
}
