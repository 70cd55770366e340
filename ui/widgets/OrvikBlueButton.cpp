#include "ui/widgets/OrvikBlueButton.h"

#include <OrvikQ4Resources.h>

OrvikBlueButton::OrvikBlueButton()
{
    offImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikBlueButton_blueButtonOff_png,
                                                OrvikQ4Resources::resource_OrvikBlueButton_blueButtonOff_pngSize);
    onImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikBlueButton_blueButtonOn_png,
                                               OrvikQ4Resources::resource_OrvikBlueButton_blueButtonOn_pngSize);

    // Provisional until the panel lays the button out.
    setSize (600, 400);
}

OrvikBlueButton::~OrvikBlueButton() = default;

void OrvikBlueButton::resized()
{
}

void OrvikBlueButton::paintButton (juce::Graphics& g, bool, bool)
{
    paintStatePicture (g, offImage, onImage);
}
