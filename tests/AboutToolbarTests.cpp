// The credits card and the toolbar with its help menu: what a click does, what opens where,
// and the pixels a user sees at the card's corners and in the menu.

#include "ui/About.h"
#include "ui/ExternalLinks.h"
#include "ui/QZBar.h"

#include <gtest/gtest.h>

namespace
{
/** Delivers a press and release to whatever the pointer would hit at `p` in `root`, as the
    framework's mouse dispatch does (components that let clicks through are skipped). */
juce::Component* clickAt (juce::Component& root, juce::Point<int> p)
{
    auto* target = root.getComponentAt (p);

    if (target == nullptr)
        return nullptr;

    const auto local = target->getLocalPoint (&root, p).toFloat();
    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), local, juce::ModifierKeys(),
                              juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                              juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                              juce::MouseInputSource::defaultTiltY, target, target, now, local, now, 1, false);
    target->mouseDown (e);
    target->mouseUp (e);
    return target;
}

void savePng (const juce::Image& image, const juce::String& name)
{
    // Written next to the test binary (the build folder) for a person to look at.
    auto file = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getSiblingFile (name);
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat().writeImageToStream (image, out);
}

bool near (juce::Colour actual, juce::Colour expected, int tolerance = 1)
{
    return std::abs (actual.getAlpha() - expected.getAlpha()) <= tolerance
        && std::abs (actual.getRed() - expected.getRed()) <= tolerance
        && std::abs (actual.getGreen() - expected.getGreen()) <= tolerance
        && std::abs (actual.getBlue() - expected.getBlue()) <= tolerance;
}

/** Records what would have been handed to the desktop instead of starting a browser or viewer. */
class DesktopLaunches : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ExternalLinks::openWebPage = [this] (const juce::URL& url) { opened.add (url.toString (true)); };
        ExternalLinks::openDocument = [this] (const juce::String& path) { opened.add ("document:" + path); };
        ExternalLinks::applicationsFolder = [this] { return applications.getFile(); };
    }

    void TearDown() override { ExternalLinks::restoreDefaults(); }

    juce::StringArray opened;
    juce::TemporaryFile applications { "apps" };
};

//==============================================================================
using AboutCard = DesktopLaunches;

TEST_F (AboutCard, AnyMouseUpOnTheCardOrItsTextsHidesIt)
{
    // The bare card, the title, a name and a role text: the labels let their clicks through.
    for (const auto p : { juce::Point<int> (8, 150), { 100, 36 }, { 200, 68 }, { 170, 100 }, { 170, 210 } })
    {
        About about;
        about.setVisible (true);

        EXPECT_EQ (clickAt (about, p), &about) << p.toString();
        EXPECT_FALSE (about.isVisible()) << p.toString();
    }
    EXPECT_TRUE (opened.isEmpty());
}

TEST_F (AboutCard, TheLinkOpensTheMakersHomePageAndLeavesTheCardOpen)
{
    About about;
    about.setVisible (true);

    auto* link = dynamic_cast<juce::HyperlinkButton*> (clickAt (about, { 140, 284 }));
    ASSERT_NE (link, nullptr);
    EXPECT_TRUE (about.isVisible());
    EXPECT_EQ (opened, juce::StringArray ("http://orvik.example/"));

    // Text, tooltip and target are the same address.
    EXPECT_EQ (link->getButtonText(), "http://orvik.example/");
    EXPECT_EQ (link->getTooltip(), "http://orvik.example/");
    EXPECT_EQ (link->getURL().toString (true), "http://orvik.example/");

    about.focusLost (juce::Component::focusChangedByMouseClick);
    EXPECT_TRUE (about.isVisible());
}

TEST_F (AboutCard, LaysOutCentredTextsAndDrawsOnlyInsideTheRoundedCorners)
{
    // On a magenta panel, where the panel centres the card.
    struct Panel : juce::Component
    {
        void paint (juce::Graphics& g) override { g.fillAll (juce::Colour (0xffff00ff)); }
    } panel;
    panel.setSize (300, 549);
    About about;
    panel.addAndMakeVisible (about);
    about.setTopLeftPosition (10, 124);

    ASSERT_EQ (about.getLocalBounds(), juce::Rectangle<int> (0, 0, 280, 300));
    const auto* title = dynamic_cast<juce::Label*> (about.getChildComponent (0));
    ASSERT_NE (title, nullptr);
    EXPECT_EQ (title->getText(), "Q4-300 v. 1.2.0");
    EXPECT_EQ (title->getBounds(), juce::Rectangle<int> (65, 24, 150, 24));
    EXPECT_EQ (about.getChildComponent (5)->getBounds(), juce::Rectangle<int> (24, 272, 232, 24));

    const auto image = panel.createComponentSnapshot (panel.getLocalBounds());
    const juce::Colour magenta (0xffff00ff);

    // Outermost pixels of the four corners show the panel; the edges' middles are the card's.
    for (const auto p : { juce::Point<int> (10, 124), { 289, 124 }, { 10, 423 }, { 289, 423 }, { 12, 126 } })
        EXPECT_EQ (image.getPixelAt (p.x, p.y), magenta) << p.toString();

    for (const auto p : { juce::Point<int> (10, 274), { 289, 274 }, { 150, 124 }, { 150, 423 }, { 17, 131 } })
        EXPECT_NE (image.getPixelAt (p.x, p.y), magenta) << p.toString();

    savePng (image, "about-card.png");
}

//==============================================================================
using Toolbar = DesktopLaunches;

TEST_F (Toolbar, IsSixHundredWideUntilThePanelSetsItsWidth)
{
    QZBar bar;
    auto* logo = bar.getChildComponent (0);
    auto* menuButton = bar.getChildComponent (1);

    EXPECT_EQ (bar.getBounds(), juce::Rectangle<int> (0, 0, 600, 24));
    EXPECT_EQ (logo->getBounds(), juce::Rectangle<int> (0, 0, 114, 24));
    EXPECT_EQ (menuButton->getBounds(), juce::Rectangle<int> (576, 0, 24, 24));

    bar.setBounds (0, 525, 300, 24);
    EXPECT_EQ (logo->getBounds(), juce::Rectangle<int> (0, 0, 114, 24));
    EXPECT_EQ (menuButton->getBounds(), juce::Rectangle<int> (276, 0, 24, 24));
}

TEST_F (Toolbar, LogoClickOpensTheVendorsHomePage)
{
    QZBar bar;
    bar.setBounds (0, 525, 300, 24);
    bar.setVisible (true);

    EXPECT_EQ (clickAt (bar, { 50, 12 }), bar.getChildComponent (0));
    EXPECT_EQ (opened, juce::StringArray ("https://norrhaven.example/"));
}

TEST_F (Toolbar, HelpMenuHasFiveItemsAndASeparatorAfterTheManual)
{
    QZBar bar;
    const auto menu = bar.createHelpMenu();

    juce::StringArray rows;

    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        EXPECT_TRUE (item.isEnabled);
        EXPECT_FALSE (item.isTicked);
        rows.add (item.isSeparator ? juce::String ("-") : juce::String (item.itemID) + " " + item.text);
    }

    EXPECT_EQ (rows, juce::StringArray ({ "1 Open Manual...", "-", "2 Product Info...", "3 Download Updates...",
                                          "4 Norrhaven Website...", "5 Orvik Plugins Website..." }));
}

TEST_F (Toolbar, EachMenuItemOpensItsWebPageAndOtherAnswersNothing)
{
    QZBar bar;
    const auto chosen = QZBar::makeHelpMenuCallback (bar);

    const std::vector<std::pair<int, const char*>> pages {
        { 2, "https://norrhaven.example/plugins/orvik_q4-300" },
        { 3, "https://norrhaven.example/downloads/orvik_q4-300" },
        { 4, "https://norrhaven.example/" },
        { 5, "http://orvik.example/" },
        { 0, nullptr }, // dismissed
        { 6, nullptr },
        { -1, nullptr },
    };

    for (const auto& [id, address] : pages)
    {
        opened.clear();
        chosen (id);
        EXPECT_EQ (opened, address != nullptr ? juce::StringArray (address) : juce::StringArray()) << id;
    }
}

TEST_F (Toolbar, ManualOpensOnlyWhenInstalledAsAFile)
{
    QZBar bar;
    const auto manual = applications.getFile().getChildFile ("Norrhaven/Orvik Q4-300/Orvik Q4-300 Manual.pdf");
    EXPECT_EQ (QZBar::manualFile(), manual);

    bar.helpMenuItemChosen (QZBar::openManualItem); // nothing installed
    ASSERT_TRUE (manual.createDirectory());
    bar.helpMenuItemChosen (QZBar::openManualItem); // a folder in its place
    EXPECT_TRUE (opened.isEmpty());

    ASSERT_TRUE (manual.deleteRecursively() && manual.replaceWithText ("%PDF-1.4"));
    bar.helpMenuItemChosen (QZBar::openManualItem);
    EXPECT_EQ (opened, juce::StringArray ("document:" + manual.getFullPathName()));

    applications.getFile().deleteRecursively();

    // The real location is the framework's global applications folder.
    ExternalLinks::restoreDefaults();
    EXPECT_EQ (QZBar::manualFile().getFullPathName(),
               juce::File::getSpecialLocation (juce::File::globalApplicationsDirectory).getFullPathName()
                   + "/Norrhaven/Orvik Q4-300/Orvik Q4-300 Manual.pdf");
}

TEST_F (Toolbar, MenuAnswerAfterTheToolbarIsGoneDoesNothing)
{
    auto bar = std::make_unique<QZBar>();
    const auto chosen = QZBar::makeHelpMenuCallback (*bar);
    bar.reset(); // the editor closed while the menu was open

    chosen (QZBar::vendorWebsiteItem);
    EXPECT_TRUE (opened.isEmpty());
}

//==============================================================================
class HelpMenuLook : public ::testing::Test
{
protected:
    juce::Image drawItem (int w, int h, juce::Rectangle<int> area, bool separator, bool highlighted)
    {
        juce::Image image (juce::Image::ARGB, w, h, true);
        juce::Graphics g (image);
        lnf.drawPopupMenuItem (g, area, separator, true, highlighted, false, false, {}, {}, nullptr, nullptr);
        return image;
    }

    QZBar bar;
    QZBar::LNF& lnf = bar.getHelpMenuLookAndFeel();
};

TEST_F (HelpMenuLook, SeparatorIsADarkAndALightRowInsetTwoPixels)
{
    const auto image = drawItem (100, 7, { 0, 0, 100, 7 }, true, false);

    for (int y = 0; y < 7; ++y)
    {
        const auto expected = y == 2 ? juce::Colour (0x33000000) : y == 3 ? juce::Colour (0x66ffffff) : juce::Colour();
        EXPECT_TRUE (near (image.getPixelAt (2, y), expected)) << y;
        EXPECT_TRUE (near (image.getPixelAt (97, y), expected)) << y;
        EXPECT_EQ (image.getPixelAt (1, y).getAlpha(), 0) << y;
        EXPECT_EQ (image.getPixelAt (98, y).getAlpha(), 0) << y;
    }
}

TEST_F (HelpMenuLook, HighlightIsAGradientUnderARuleWithASecondRuleBelowTheItem)
{
    // The item lies at x 4: the fill covers its area, the rules start at the menu's left edge.
    const auto image = drawItem (80, 30, { 4, 2, 60, 20 }, false, true);
    const juce::Colour top (142, 150, 157), bottom (0x62, 0x6c, 0x77), rule (70, 77, 85);

    EXPECT_TRUE (near (image.getPixelAt (30, 3), top));                  // the gradient starts one row in
    EXPECT_TRUE (near (image.getPixelAt (30, 21), bottom, 3));           // and ends on the last row
    EXPECT_TRUE (near (image.getPixelAt (30, 2), top.interpolatedWith (rule, 0.5f), 2)); // rule over the first row
    EXPECT_TRUE (near (image.getPixelAt (0, 2), rule.withAlpha (0.5f), 2));
    EXPECT_TRUE (near (image.getPixelAt (0, 22), rule.withAlpha (0.5f), 2)); // just below the item
    EXPECT_EQ (image.getPixelAt (63, 22).getAlpha(), 0);                 // the rules are the item's width long
    EXPECT_EQ (image.getPixelAt (3, 10).getAlpha(), 0);                  // the fill stays inside the item
    EXPECT_EQ (image.getPixelAt (30, 23).getAlpha(), 0);
}

TEST_F (HelpMenuLook, MenuBodyIsNearWhiteWithSeeThroughCorners)
{
    EXPECT_EQ (lnf.findColour (juce::PopupMenu::backgroundColourId), juce::Colour (0x00000000));

    juce::Image image (juce::Image::ARGB, 60, 40, true);
    juce::Graphics g (image);
    lnf.drawPopupMenuBackground (g, 60, 40);

    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (59, 39).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (30, 0), juce::Colour (0xfffcfcfc));
    EXPECT_EQ (image.getPixelAt (0, 20), juce::Colour (0xfffcfcfc));
}

TEST_F (HelpMenuLook, PictureOfTheOpenMenuOverTheToolbar)
{
    // The menu laid out as the framework sizes its items, the third item under the pointer,
    // opened upwards from the toolbar's menu icon over a grey stand-in for the panel.
    const int border = lnf.getPopupMenuBorderSize();
    std::vector<std::pair<juce::PopupMenu::Item, juce::Rectangle<int>>> rows;
    int menuWidth = 0, menuHeight = 2 * border;

    const auto menu = bar.createHelpMenu();

    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        int w = 0, h = 0;
        lnf.getIdealPopupMenuItemSize (it.getItem().text, it.getItem().isSeparator, 0, w, h);
        rows.push_back ({ it.getItem(), { 0, menuHeight - border, 0, h } });
        menuWidth = std::max (menuWidth, w);
        menuHeight += h;
    }

    bar.setBounds (0, 0, 300, 24);
    juce::Image picture (juce::Image::ARGB, 300, menuHeight + 40, true);
    juce::Graphics g (picture);
    g.fillAll (juce::Colour (0xff8a8a8a));

    {
        juce::Graphics::ScopedSaveState state (g);
        g.setOrigin ({ 0, picture.getHeight() - 24 });
        g.reduceClipRegion (bar.getLocalBounds());
        bar.paintEntireComponent (g, false);
    }

    const juce::Rectangle<int> menuArea (300 - menuWidth - 2 * border - 4, picture.getHeight() - 24 - menuHeight - 2,
                                         menuWidth + 2 * border, menuHeight);
    g.setOrigin (menuArea.getPosition());
    lnf.drawPopupMenuBackground (g, menuArea.getWidth(), menuArea.getHeight());

    for (size_t i = 0; i < rows.size(); ++i)
    {
        const auto& [item, area] = rows[i];
        juce::Graphics::ScopedSaveState state (g);
        g.setOrigin ({ border, border + area.getY() });
        g.reduceClipRegion (0, 0, menuWidth, area.getHeight()); // each item is its own component
        lnf.drawPopupMenuItem (g, { 0, 0, menuWidth, area.getHeight() }, item.isSeparator, item.isEnabled, i == 3,
                               item.isTicked, false, item.text, item.shortcutKeyDescription, nullptr, nullptr);
    }

    savePng (picture, "help-menu.png");
    EXPECT_EQ (rows.size(), 6u);
}
}
