#include "ui/widgets/OrvikYellowButton.h"

#include <OrvikQ4Resources.h>

OrvikYellowButton::OrvikYellowButton()
{
    offImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikYellowButton_yellowButtonOff_png,
                                                OrvikQ4Resources::resource_OrvikYellowButton_yellowButtonOff_pngSize);
    onImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikYellowButton_yellowButtonOn_png,
                                               OrvikQ4Resources::resource_OrvikYellowButton_yellowButtonOn_pngSize);

    // Provisional until the panel lays the button out.
    setSize (600, 400);
}

OrvikYellowButton::~OrvikYellowButton() = default;

void OrvikYellowButton::resized()
{
}

void OrvikYellowButton::paintButton (juce::Graphics& g, bool, bool)
{
    paintStatePicture (g, offImage, onImage);
}
