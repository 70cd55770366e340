#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The 280 x 300 credits card that lies over the middle of the panel: model name and version,
    the two credit blocks with their logos, and a link to the maker's home page, inside rounded
    corners through which the panel shows. Any mouse-up that reaches the card hides it; the
    link keeps its own clicks. */
class About : public juce::Component
{
public:
    /** Builds the card at its fixed size of 280 x 300. */
    About();

    /** Deletes the children title first, link last, then releases the pictures. */
    ~About() override;

    /** Hides the card: the labels let their clicks through, so a click anywhere but on the
        link ends here. */
    void mouseUp (const juce::MouseEvent& e) override;

    /** Grey ground, background picture and the two logos, clipped to the rounded outline. */
    void paint (juce::Graphics& g) override;

    /** The card has no keyboard role, so losing focus changes nothing. */
    void focusLost (juce::Component::FocusChangeType cause) override;

    /** Places the texts and the link; the title and the link are centred on the card's width. */
    void resized() override;

private:
    class HomePageLink;

    std::unique_ptr<juce::Label> titleLabel;
    std::unique_ptr<juce::Label> programmerNameLabel;
    std::unique_ptr<juce::Label> programmerRolesLabel;
    std::unique_ptr<juce::Label> designerNameLabel;
    std::unique_ptr<juce::Label> designerRolesLabel;
    std::unique_ptr<juce::HyperlinkButton> homePageLink;
    juce::Image backgroundImage;
    juce::Image nrvLogoImage;
    juce::Image makerLogoImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (About)
};
