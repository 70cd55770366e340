#include "ui/widgets/OrvikGreenButton.h"

#include <OrvikQ4Resources.h>

OrvikGreenButton::OrvikGreenButton()
{
    offImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikGreenButton_greenButtonOff_png,
                                                OrvikQ4Resources::resource_OrvikGreenButton_greenButtonOff_pngSize);
    onImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikGreenButton_greenButtonOn_png,
                                               OrvikQ4Resources::resource_OrvikGreenButton_greenButtonOn_pngSize);

    // Provisional until the panel lays the button out.
    setSize (600, 400);
}

OrvikGreenButton::~OrvikGreenButton() = default;

void OrvikGreenButton::resized()
{
}

void OrvikGreenButton::paintButton (juce::Graphics& g, bool, bool)
{
    paintStatePicture (g, offImage, onImage);
}
