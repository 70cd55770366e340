#include "ui/QZBar.h"

#include "ui/ExternalLinks.h"

#include <OrvikQ4Resources.h>

namespace
{
    constexpr int barHeight = 24;
    constexpr int initialWidth = 600;
    constexpr int logoWidth = 114;
    constexpr int menuButtonSize = 24;

    const juce::Colour menuBackgroundColour { 0x00000000 };
    const juce::Colour menuHighlightColour { 0xff626c77 };
    const juce::Colour menuBodyColour { 0xfffcfcfc };
    const juce::Colour separatorDarkColour { 0x33000000 };
    const juce::Colour separatorLightColour { 0x66ffffff };
    constexpr float menuCornerSize = 5.0f;

    // The plug-in's name as the processor reports it; the manual is named after it.
    constexpr const char* pluginName = "Orvik Q4-300";
    constexpr const char* vendorFolder = "Norrhaven";
    constexpr const char* productSlug = "orvik_q4-300";

    juce::Image loadImage (const char* data, int size)
    {
        return juce::ImageCache::getFromMemory (data, size);
    }

    /** An image button that draws `normal` at rest and `down` while pressed, scaled into its
        bounds; the whole rectangle takes clicks. */
    void setButtonImages (juce::ImageButton& button, const juce::Image& normal, const juce::Image& down)
    {
        const juce::Colour noOverlay (0x00000000);
        button.setImages (false, true, true,
                          normal, 1.0f, noOverlay,
                          juce::Image(), 1.0f, noOverlay,
                          down, 1.0f, noOverlay,
                          0.0f);
    }

    void openWebPage (const juce::String& address)
    {
        ExternalLinks::openWebPage (juce::URL (address));
    }
}

//==============================================================================
QZBar::LNF::~LNF() = default;

void QZBar::LNF::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    g.setColour (menuBodyColour);
    g.fillRoundedRectangle (0.0f, 0.0f, static_cast<float> (width), static_cast<float> (height), menuCornerSize);
}

void QZBar::LNF::drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area,
                                    bool isSeparator, bool isActive, bool isHighlighted, bool isTicked,
                                    bool hasSubMenu, const juce::String& text,
                                    const juce::String& shortcutKeyText, const juce::Drawable* icon,
                                    const juce::Colour* textColour)
{
    if (isSeparator)
    {
        auto r = area.reduced (2, 0);
        r.removeFromTop (r.getHeight() / 2 - 1);

        g.setColour (separatorDarkColour);
        g.fillRect (r.removeFromTop (1));

        g.setColour (separatorLightColour);
        g.fillRect (r.removeFromTop (1));
        return;
    }

    auto colourOfText = findColour (juce::PopupMenu::textColourId);

    if (textColour != nullptr)
        colourOfText = *textColour;

    auto r = area.reduced (1);

    if (isHighlighted)
    {
        const auto highlight = findColour (juce::PopupMenu::highlightedBackgroundColourId);

        // The gradient runs over the inner rectangle but fills the whole item.
        g.setGradientFill (juce::ColourGradient (highlight.brighter (0.4f), 0.0f, static_cast<float> (r.getY()),
                                                 highlight, 0.0f, static_cast<float> (r.getBottom()), false));
        g.fillRect (area);

        // Rules on the item's first row and on the row just below it, both from the menu's left edge.
        g.setColour (highlight.darker (0.4f));
        g.setOpacity (0.5f);

        if (area.getWidth() > 0)
        {
            g.fillRect (juce::Rectangle<int> (0, area.getY(), area.getWidth(), 1));
            g.fillRect (juce::Rectangle<int> (0, area.getY() + area.getHeight(), area.getWidth(), 1));
        }

        g.setColour (findColour (juce::PopupMenu::highlightedTextColourId));
    }
    else
    {
        g.setColour (colourOfText);
    }

    if (! isActive)
        g.setOpacity (0.3f);

    auto font = getPopupMenuFont();
    const auto maxFontHeight = static_cast<float> (area.getHeight()) / 1.3f;

    if (font.getHeight() > maxFontHeight)
        font.setHeight (maxFontHeight);

    g.setFont (font);

    const auto iconArea = r.removeFromLeft ((r.getHeight() * 5) / 4).reduced (3).toFloat();

    if (icon != nullptr)
    {
        icon->drawWithin (g, iconArea, juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize, 1.0f);
    }
    else if (isTicked)
    {
        const auto tick = getTickShape (1.0f);
        g.fillPath (tick, tick.getTransformToScaleToFit (iconArea, true));
    }

    if (hasSubMenu)
    {
        const auto arrowH = 0.6f * getPopupMenuFont().getAscent();
        const auto x = static_cast<float> (r.removeFromRight (static_cast<int> (arrowH)).getX());
        const auto halfH = static_cast<float> (r.getCentreY());

        juce::Path arrow;
        arrow.addTriangle (x, halfH - arrowH * 0.5f, x, halfH + arrowH * 0.5f, x + arrowH * 0.6f, halfH);
        g.fillPath (arrow);
    }

    r.removeFromRight (3);
    g.drawFittedText (text, r, juce::Justification::centredLeft, 1);

    if (shortcutKeyText.isNotEmpty())
    {
        auto shortcutFont = font;
        shortcutFont.setHeight (shortcutFont.getHeight() * 0.75f);
        shortcutFont.setHorizontalScale (0.95f);
        g.setFont (shortcutFont);
        g.drawText (shortcutKeyText, r, juce::Justification::centredRight, true);
    }
}

//==============================================================================
QZBar::QZBar()
{
    logoButton = std::make_unique<juce::ImageButton> ("new button");
    addAndMakeVisible (logoButton.get());
    logoButton->addListener (this);
    setButtonImages (*logoButton,
                     loadImage (OrvikQ4Resources::resource_QZBar_qzbar_nhlogo_png,
                                OrvikQ4Resources::resource_QZBar_qzbar_nhlogo_pngSize),
                     loadImage (OrvikQ4Resources::resource_QZBar_qzbar_nhlogo_on_png,
                                OrvikQ4Resources::resource_QZBar_qzbar_nhlogo_on_pngSize));

    menuButton = std::make_unique<juce::ImageButton> ("new button");
    addAndMakeVisible (menuButton.get());
    menuButton->addListener (this);
    setButtonImages (*menuButton,
                     loadImage (OrvikQ4Resources::resource_QZBar_qzbar_menu_png,
                                OrvikQ4Resources::resource_QZBar_qzbar_menu_pngSize),
                     loadImage (OrvikQ4Resources::resource_QZBar_qzbar_menu_on_png,
                                OrvikQ4Resources::resource_QZBar_qzbar_menu_on_pngSize));

    setSize (initialWidth, barHeight);

    // Only the help menu wears this look; the toolbar and its buttons keep the framework's.
    lnf = std::make_unique<LNF>();
    lnf->setColour (juce::PopupMenu::backgroundColourId, menuBackgroundColour);
    lnf->setColour (juce::PopupMenu::highlightedBackgroundColourId, menuHighlightColour);
}

QZBar::~QZBar()
{
    // The help menu lives only as long as the toolbar that opened it: a host can close the editor
    // while the menu is open, and the menu must not outlive the look it wears.
    closeHelpMenu();

    logoButton = nullptr;
    menuButton = nullptr;
    lnf = nullptr;
}

void QZBar::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
}

void QZBar::resized()
{
    logoButton->setBounds (0, 0, logoWidth, barHeight);
    menuButton->setBounds (getWidth() - menuButtonSize, 0, menuButtonSize, menuButtonSize);
}

void QZBar::buttonClicked (juce::Button* button)
{
    if (button == logoButton.get())
        openWebPage (ExternalLinks::vendorBaseAddress);
    else if (button == menuButton.get())
        showHelpMenu();
}

juce::PopupMenu QZBar::createHelpMenu()
{
    juce::PopupMenu menu;
    menu.setLookAndFeel (lnf.get());
    menu.addItem (openManualItem, "Open Manual...", true, false);
    menu.addSeparator();
    menu.addItem (productInfoItem, "Product Info...", true, false);
    menu.addItem (downloadUpdatesItem, "Download Updates...", true, false);
    menu.addItem (vendorWebsiteItem, "Norrhaven Website...", true, false);
    menu.addItem (makerWebsiteItem, "Orvik Plugins Website...", true, false);
    return menu;
}

void QZBar::showHelpMenu()
{
    // Hosts do not tolerate a modal loop inside their window, so the menu runs asynchronously,
    // attached to the menu icon, and its answer arrives through the callback.
    createHelpMenu().showMenuAsync (juce::PopupMenu::Options().withTargetComponent (menuButton.get()),
                                    makeHelpMenuCallback (*this));
}

void QZBar::closeHelpMenu()
{
    // The framework closes menus only all together; it is asked to when one of them is this
    // toolbar's (the one menu a user can have open at a time). A menu that has just closed, and
    // whose window is still on its way out, is let go of the look as well.
    auto& desktop = juce::Desktop::getInstance();

    for (int i = desktop.getNumComponents(); --i >= 0;)
    {
        if (auto* window = desktop.getComponent (i); window != nullptr && &window->getLookAndFeel() == lnf.get())
        {
            juce::PopupMenu::dismissAllActiveMenus();
            return;
        }
    }
}

std::function<void (int)> QZBar::makeHelpMenuCallback (QZBar& bar)
{
    return [safeBar = juce::Component::SafePointer<QZBar> (&bar)] (int itemId)
    {
        if (auto* liveBar = safeBar.getComponent())
            liveBar->helpMenuItemChosen (itemId);
    };
}

void QZBar::helpMenuItemChosen (int itemId)
{
    const juce::String vendor (ExternalLinks::vendorBaseAddress);

    switch (itemId)
    {
        case openManualItem:      openManual(); break;
        case productInfoItem:     openWebPage (vendor + "plugins/" + productSlug); break;
        case downloadUpdatesItem: openWebPage (vendor + "downloads/" + productSlug); break;
        case vendorWebsiteItem:   openWebPage (vendor); break;
        case makerWebsiteItem:    openWebPage (ExternalLinks::makerBaseAddress); break;
        default:                  break;
    }
}

juce::File QZBar::manualFile()
{
    const auto relativePath = juce::String (vendorFolder) + "/" + pluginName + "/" + pluginName + " Manual.pdf";
    return ExternalLinks::applicationsFolder().getChildFile (relativePath);
}

void QZBar::openManual()
{
    // A missing manual, or a folder in its place, is passed over without a word.
    const auto manual = manualFile();

    if (manual.existsAsFile() && manual.exists())
        ExternalLinks::openDocument (manual.getFullPathName());
}
