#include "ui/widgets/OrvikSwitch.h"

#include <OrvikQ4Resources.h>

namespace
{
    // The lever's picture changes halfway between its positions 0, 0.5 and 1.
    constexpr double kLowerThird = 0.3333333333333333;
    constexpr double kUpperThird = 0.6666666666666666;

    void drawStretched (juce::Graphics& g, const juce::Image& image, int width, int height)
    {
        g.drawImage (image, 0, 0, width, height, 0, 0, image.getWidth(), image.getHeight());
    }
}

OrvikSwitch::OrvikSwitch (const juce::String&)
    : NRVSlider (juce::Slider::LinearVertical, juce::Slider::NoTextBox)
{
    baseImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikSwitch_switchBase_png,
                                                 OrvikQ4Resources::resource_OrvikSwitch_switchBase_pngSize);
    bottomImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikSwitch_switchBottom_png,
                                                   OrvikQ4Resources::resource_OrvikSwitch_switchBottom_pngSize);
    topImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikSwitch_switchTop_png,
                                                OrvikQ4Resources::resource_OrvikSwitch_switchTop_pngSize);
    midImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikSwitch_switchMid_png,
                                                OrvikQ4Resources::resource_OrvikSwitch_switchMid_pngSize);
    setRange (0.0, 1.0, 0.5);
}

OrvikSwitch::~OrvikSwitch() = default;

void OrvikSwitch::paint (juce::Graphics& g)
{
    const int width = getWidth();
    const int height = getHeight();

    g.setColour (juce::Colours::black); // opaque, so the pictures are drawn at full opacity
    drawStretched (g, baseImage, width, height);

    const double v = getValue();

    if (v < kLowerThird)
        drawStretched (g, bottomImage, width, height);
    else if (v > kUpperThird)
        drawStretched (g, topImage, width, height);
    else
        drawStretched (g, midImage, width, height);
}

void OrvikSwitch::resized()
{
    juce::Slider::resized();
}
