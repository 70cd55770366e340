#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

/** The 24-pixel strip along the bottom of the editor: the vendor's logo at the left, which opens
    the vendor's home page, and a menu icon at the right, which opens the help menu (the manual
    and four web pages). It knows nothing of the processor or the rest of the editor. */
class QZBar : public juce::Component,
              public juce::Button::Listener
{
public:
    /** The help menu's look: a near-white menu with rounded corners whose highlighted item has a
        vertical gradient under a darker rule. Every other drawing is the framework's. */
    class LNF : public juce::LookAndFeel_V3
    {
    public:
        ~LNF() override;

        /** Fills the rounded near-white body; the corners outside it stay see-through. */
        void drawPopupMenuBackground (juce::Graphics& g, int width, int height) override;

        /** The framework's item, with a narrower separator inset and a gradient highlight. */
        void drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area,
                                bool isSeparator, bool isActive, bool isHighlighted, bool isTicked,
                                bool hasSubMenu, const juce::String& text,
                                const juce::String& shortcutKeyText, const juce::Drawable* icon,
                                const juce::Colour* textColour) override;
    };

    /** Ids of the help menu's items. */
    enum MenuItem
    {
        openManualItem = 1,
        productInfoItem = 2,
        downloadUpdatesItem = 3,
        vendorWebsiteItem = 4,
        makerWebsiteItem = 5
    };

    /** Builds the buttons and the menu's look; 600 wide until the panel gives the final bounds. */
    QZBar();

    /** Deletes the logo button, then the menu button, then the look-and-feel. */
    ~QZBar() override;

    /** Black ground behind the two pictures. */
    void paint (juce::Graphics& g) override;

    /** Logo at the left end, menu icon at the right end. */
    void resized() override;

    /** Logo: the vendor's home page. Menu icon: the help menu. */
    void buttonClicked (juce::Button* button) override;

    /** The help menu as it is shown: its five items and the separator, drawn by this toolbar's
        look-and-feel. */
    juce::PopupMenu createHelpMenu();

    /** Runs what the help menu's item with this id stands for; 0 (dismissed) and unknown ids do
        nothing. */
    void helpMenuItemChosen (int itemId);

    /** The callback the help menu is shown with. The editor can close while the menu is open, so
        it does nothing once the toolbar is gone. */
    static std::function<void (int)> makeHelpMenuCallback (QZBar& bar);

    /** The look the help menu wears. */
    LNF& getHelpMenuLookAndFeel() noexcept { return *lnf; }

    /** Where the manual is installed: under the vendor's and the plug-in's folders in the
        applications folder. */
    static juce::File manualFile();

private:
    void showHelpMenu();
    void closeHelpMenu();
    static void openManual();

    std::unique_ptr<LNF> lnf;
    std::unique_ptr<juce::ImageButton> logoButton;
    std::unique_ptr<juce::ImageButton> menuButton;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QZBar)
};
