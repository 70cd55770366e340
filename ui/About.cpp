#include "ui/About.h"

#include "ui/ExternalLinks.h"

#include <OrvikQ4Resources.h>

namespace
{
    constexpr int cardWidth = 280;
    constexpr int cardHeight = 300;
    constexpr float cornerSize = 20.0f;
    constexpr float textHeight = 15.0f;

    const juce::Colour groundColour { 0xff454545 };
    const juce::Colour dimTextColour { 0xffaeaeae };
    const juce::Colour nameTextColour { 0xffffffff };
    const juce::Colour linkTextColour { 0xccffffff };

    constexpr const char* programmerName = "Norrhaven DSP";
    constexpr const char* designerName = "Orvik Design";
    constexpr const char* titleText = "Q4-300 v. 1.2.0";

    /** Half the card's width, rounded the way the layout has always rounded it: in single
        precision, to the nearest integer. */
    int halfWidth (int width)
    {
        return juce::roundToInt (static_cast<float> (width) * 0.5f);
    }
}

/** The framework's hyperlink, opening its address through the editor's one road to the desktop
    so that nothing else in the editor starts a browser. */
class About::HomePageLink : public juce::HyperlinkButton
{
public:
    using juce::HyperlinkButton::HyperlinkButton;

protected:
    void clicked() override
    {
        if (getURL().isWellFormed())
            ExternalLinks::openWebPage (getURL());
    }
};

About::About()
{
    const auto makeLabel = [this] (std::unique_ptr<juce::Label>& label, const juce::String& text,
                                   int fontStyle, juce::Justification justification, juce::Colour colour)
    {
        label = std::make_unique<juce::Label> (juce::String(), text);
        addAndMakeVisible (label.get());
        label->setFont (juce::Font (textHeight, fontStyle));
        label->setJustificationType (justification);
        label->setEditable (false, false, false);
        label->setColour (juce::Label::textColourId, colour);
    };

    makeLabel (titleLabel, {}, juce::Font::plain, juce::Justification::centredLeft, dimTextColour);
    makeLabel (programmerNameLabel, juce::translate (programmerName), juce::Font::bold,
               juce::Justification::centredLeft, nameTextColour);
    makeLabel (programmerRolesLabel, juce::translate ("Programming\nGraphics\nCircuit modeling"),
               juce::Font::plain, juce::Justification::topLeft, dimTextColour);
    makeLabel (designerNameLabel, juce::translate (designerName), juce::Font::bold,
               juce::Justification::centredLeft, nameTextColour);
    makeLabel (designerRolesLabel, juce::translate ("Concept\nDesign\nTest, Tuning"),
               juce::Font::plain, juce::Justification::topLeft, dimTextColour);

    // The link's text, tooltip and target are one and the same address.
    const juce::String homePage (ExternalLinks::makerBaseAddress);
    homePageLink = std::make_unique<HomePageLink> (juce::translate (homePage), juce::URL (homePage));
    addAndMakeVisible (homePageLink.get());
    homePageLink->setTooltip (homePage);
    homePageLink->setButtonText (homePage);
    homePageLink->setColour (juce::HyperlinkButton::textColourId, linkTextColour);

    backgroundImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_About_aboutBackground_png,
                                                       OrvikQ4Resources::resource_About_aboutBackground_pngSize);
    nrvLogoImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_About_nrvlogo_png,
                                                    OrvikQ4Resources::resource_About_nrvlogo_pngSize);
    makerLogoImage = juce::ImageCache::getFromMemory (OrvikQ4Resources::resource_About_orvikAudioLogo_png,
                                                      OrvikQ4Resources::resource_About_orvikAudioLogo_pngSize);

    // Clicks on the texts belong to the card, which hides on them.
    for (auto* label : { titleLabel.get(), programmerNameLabel.get(), programmerRolesLabel.get(),
                         designerNameLabel.get(), designerRolesLabel.get() })
        label->setInterceptsMouseClicks (false, false);

    setSize (cardWidth, cardHeight);
    titleLabel->setText (titleText, juce::dontSendNotification);
}

About::~About()
{
    titleLabel = nullptr;
    programmerNameLabel = nullptr;
    programmerRolesLabel = nullptr;
    designerNameLabel = nullptr;
    designerRolesLabel = nullptr;
    homePageLink = nullptr;
}

void About::mouseUp (const juce::MouseEvent&)
{
    setVisible (false);
}

void About::paint (juce::Graphics& g)
{
    const auto width = getWidth();
    const auto height = getHeight();

    // Outside the rounded outline nothing is drawn, so the panel shows through the corners.
    juce::Path outline;
    outline.addRoundedRectangle (0.0f, 0.0f, static_cast<float> (width), static_cast<float> (height),
                                 cornerSize, cornerSize, true, true, true, true);
    g.reduceClipRegion (outline, juce::AffineTransform());

    g.fillAll (groundColour);

    // Opaque black as the current colour draws each picture at full opacity.
    const auto drawWhole = [&g] (const juce::Image& image, int x, int y, int w, int h)
    {
        g.setColour (juce::Colours::black);
        g.drawImage (image, x, y, w, h, 0, 0, image.getWidth(), image.getHeight());
    };

    drawWhole (backgroundImage, 0, 0, width, height);
    drawWhole (nrvLogoImage, 29, 81, 90, 36);
    drawWhole (makerLogoImage, 5, 177, 138, 32);
}

void About::focusLost (juce::Component::FocusChangeType)
{
}

void About::resized()
{
    const auto centreX = halfWidth (getWidth());

    titleLabel->setBounds (centreX - 75, 24, 150, 24);
    programmerNameLabel->setBounds (136, 56, 144, 24);
    programmerRolesLabel->setBounds (144, 80, 136, 64);
    designerNameLabel->setBounds (136, 152, 144, 24);
    designerRolesLabel->setBounds (144, 176, 136, 64);
    homePageLink->setBounds (centreX - 116, 272, 232, 24);
}
