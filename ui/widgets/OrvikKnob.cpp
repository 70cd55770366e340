#include "ui/widgets/OrvikKnob.h"

#include <OrvikQ4Resources.h>

namespace
{
    void drawStretched (juce::Graphics& g, const juce::Image& image, int width, int height)
    {
        g.drawImage (image, 0, 0, width, height, 0, 0, image.getWidth(), image.getHeight());
    }
}

OrvikKnob::OrvikKnob (const juce::String&)
    : NRVSlider (juce::Slider::RotaryVerticalDrag, juce::Slider::NoTextBox)
{
    topImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikKnob_top_png,
                                                OrvikQ4Resources::resource_OrvikKnob_top_pngSize);
    backImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikKnob_back_png,
                                                 OrvikQ4Resources::resource_OrvikKnob_back_pngSize);
    midImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_OrvikKnob_mid_png,
                                                OrvikQ4Resources::resource_OrvikKnob_mid_pngSize);
    setRange (0.0, 1.0, 0.0);
}

OrvikKnob::~OrvikKnob() = default;

void OrvikKnob::paint (juce::Graphics& g)
{
    const int width = getWidth();
    const int height = getHeight();

    g.setColour (juce::Colours::black); // opaque, so the pictures are drawn at full opacity
    drawStretched (g, backImage, width, height);

    const double proportion = (getValue() - getMinimum()) / (getMaximum() - getMinimum());
    // The sweep is a float difference; the angle is formed in double and rounded once, so the
    // middle of the range lands exactly on 0 (the cap upright).
    const float sweep = endAngle - startAngle;
    const float angle = static_cast<float> (static_cast<double> (sweep) * proportion + static_cast<double> (startAngle));

    {
        juce::Graphics::ScopedSaveState saved (g);
        g.addTransform (juce::AffineTransform::rotation (angle,
                                                         static_cast<float> (width) * 0.5f,
                                                         static_cast<float> (height) * 0.5f));
        drawStretched (g, midImage, width, height);
    }

    g.setColour (juce::Colours::black);
    drawStretched (g, topImage, width, height);
}

void OrvikKnob::resized()
{
    juce::Slider::resized();
}
