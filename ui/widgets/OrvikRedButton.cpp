#include "ui/widgets/OrvikRedButton.h"

#include <OrvikQ4Resources.h>

OrvikRedButton::OrvikRedButton()
{
    offImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikRedButton_redButtonOff_png,
                                                OrvikQ4Resources::resource_OrvikRedButton_redButtonOff_pngSize);
    onImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikRedButton_redButtonOn_png,
                                               OrvikQ4Resources::resource_OrvikRedButton_redButtonOn_pngSize);

    // Provisional until the panel lays the button out.
    setSize (600, 400);
}

OrvikRedButton::~OrvikRedButton() = default;

void OrvikRedButton::resized()
{
}

void OrvikRedButton::paintButton (juce::Graphics& g, bool, bool)
{
    paintStatePicture (g, offImage, onImage);
}
