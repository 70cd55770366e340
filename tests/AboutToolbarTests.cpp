// The credits card and the toolbar with its help menu: what a click does, what opens where, and
// the pixels a user sees at the card's corners and in the menu.

#include "ui/About.h"
#include "ui/ExternalLinks.h"
#include "ui/QZBar.h"

#include <gtest/gtest.h>

namespace
{
/** Presses and releases on whatever the pointer would hit at `p` in `root`, as the framework's
    mouse dispatch does (components that let clicks through are passed over). */
juce::Component* clickAt (juce::Component& root, juce::Point<int> p)
{
    auto* target = root.getComponentAt (p);
    const auto local = target->getLocalPoint (&root, p).toFloat();
    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), local, {}, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                              target, target, now, local, now, 1, false);
    target->mouseDown (e);
    target->mouseUp (e);
    return target;
}

bool near (juce::Colour a, juce::Colour b, int tolerance)
{
    const auto d = [] (juce::uint8 x, juce::uint8 y) { return std::abs (x - y); };
    return juce::jmax (d (a.getAlpha(), b.getAlpha()), d (a.getRed(), b.getRed()), d (a.getGreen(), b.getGreen()), d (a.getBlue(), b.getBlue())) <= tolerance;
}

/** Records what would have been handed to the desktop instead of starting a browser or viewer. */
struct Launches : public ::testing::Test
{
    void SetUp() override
    {
        ExternalLinks::openWebPage = [this] (const juce::URL& url) { opened.add (url.toString (true)); };
        ExternalLinks::openDocument = [this] (const juce::String& path) { opened.add ("document:" + path); };
        ExternalLinks::applicationsFolder = [this] { return applications.getFile(); };
    }
    void TearDown() override { applications.getFile().deleteRecursively(), ExternalLinks::restoreDefaults(); }

    juce::StringArray opened;
    juce::TemporaryFile applications;
};

using AboutCard = Launches;
using Toolbar = Launches;

TEST_F (AboutCard, MouseUpOnTheCardOrItsTextsHidesItButTheLinkOnlyOpensTheHomePage)
{
    // The bare card, the title, a name and two role texts.
    for (const auto p : { juce::Point<int> (8, 150), { 100, 36 }, { 200, 68 }, { 170, 100 }, { 170, 210 } })
    {
        About about;
        about.setVisible (true);
        EXPECT_EQ (clickAt (about, p), &about) << p.toString();
        EXPECT_FALSE (about.isVisible()) << p.toString();
    }
    EXPECT_TRUE (opened.isEmpty());

    About about;
    about.setVisible (true);
    auto* link = dynamic_cast<juce::HyperlinkButton*> (clickAt (about, { 140, 284 }));
    ASSERT_NE (link, nullptr);
    about.focusLost (juce::Component::focusChangedByMouseClick);
    EXPECT_TRUE (about.isVisible());
    EXPECT_EQ (opened, juce::StringArray ("http://orvik.example/"));
    EXPECT_EQ (link->getButtonText() + " " + link->getTooltip(), "http://orvik.example/ http://orvik.example/");
}

TEST_F (AboutCard, PanelShowsThroughTheRoundedCorners)
{
    struct Panel : juce::Component { void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::magenta); } } panel;
    panel.setSize (300, 549);
    About about;
    panel.addAndMakeVisible (about);
    about.setTopLeftPosition (10, 124); // where the panel centres it

    const auto image = panel.createComponentSnapshot (panel.getLocalBounds());
    for (const auto& [x, y, through] : { std::tuple { 10, 124, true }, { 289, 124, true }, { 10, 423, true }, { 289, 423, true }, { 12, 126, true },
                                         { 10, 274, false }, { 289, 274, false }, { 150, 124, false }, { 150, 423, false }, { 17, 131, false } })
        EXPECT_EQ (image.getPixelAt (x, y) == juce::Colours::magenta, through) << x << " " << y;
}

TEST_F (Toolbar, SixHundredWideUntilSetLogoAndEachMenuItemOpenTheirWebPages)
{
    QZBar bar;
    EXPECT_EQ (bar.getBounds().toString() + " " + bar.getChildComponent (1)->getBounds().toString(), "0 0 600 24 576 0 24 24");
    bar.setBounds (0, 525, 300, 24);
    EXPECT_EQ (bar.getChildComponent (1)->getBounds(), juce::Rectangle<int> (276, 0, 24, 24));
    bar.setVisible (true);
    EXPECT_EQ (clickAt (bar, { 50, 12 }), bar.getChildComponent (0));

    // Each row of the menu as shown, then what choosing it opened (the manual is not installed).
    const auto menu = bar.createHelpMenu();
    const auto chosen = QZBar::makeHelpMenuCallback (bar);
    juce::StringArray rows;
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        rows.add (item.isSeparator ? "-" : juce::String (item.itemID) + " " + item.text + (item.isEnabled ? "" : " off"));
        chosen (item.itemID);
    }
    chosen (0); // dismissed
    chosen (6);
    EXPECT_EQ (rows.joinIntoString ("|"), "1 Open Manual...|-|2 Product Info...|3 Download Updates...|"
                                          "4 Norrhaven Website...|5 Orvik Plugins Website...");
    EXPECT_EQ (opened.joinIntoString (" "), "https://norrhaven.example/ https://norrhaven.example/plugins/orvik_q4-300 " // the logo first
                                            "https://norrhaven.example/downloads/orvik_q4-300 https://norrhaven.example/ http://orvik.example/");

    // An answer arriving after the editor closed does nothing.
    auto gone = std::make_unique<QZBar>();
    const auto late = QZBar::makeHelpMenuCallback (*gone);
    gone.reset();
    late (QZBar::vendorWebsiteItem);
    EXPECT_EQ (opened.size(), 5);
}

TEST_F (Toolbar, ManualOpensOnlyWhenInstalledAsAFile)
{
    QZBar bar;
    const auto manual = applications.getFile().getChildFile ("Norrhaven/Orvik Q4-300/Orvik Q4-300 Manual.pdf");
    ASSERT_TRUE (manual.createDirectory());
    bar.helpMenuItemChosen (QZBar::openManualItem); // a folder in its place
    EXPECT_TRUE (opened.isEmpty());

    ASSERT_TRUE (manual.deleteRecursively() && manual.replaceWithText ("%PDF-1.4"));
    bar.helpMenuItemChosen (QZBar::openManualItem);
    EXPECT_EQ (opened, juce::StringArray ("document:" + manual.getFullPathName()));

    ExternalLinks::restoreDefaults(); // installed under the platform's applications folder
    EXPECT_EQ (QZBar::manualFile(), juce::File::getSpecialLocation (juce::File::globalApplicationsDirectory)
                                        .getChildFile ("Norrhaven/Orvik Q4-300/Orvik Q4-300 Manual.pdf"));
}

TEST (HelpMenuLook, RoundedBodyInsetSeparatorAndTwoHighlightRules)
{
    QZBar bar;
    auto& lnf = bar.getHelpMenuLookAndFeel();
    const auto draw = [&lnf] (juce::Rectangle<int> area, int separator)
    {
        juce::Image image (juce::Image::ARGB, 80, 30, true);
        juce::Graphics g (image);
        separator < 0 ? lnf.drawPopupMenuBackground (g, 80, 30)
                      : lnf.drawPopupMenuItem (g, area, separator == 1, true, separator == 0, false, false, {}, {}, nullptr, nullptr);
        return image;
    };

    const auto body = draw ({}, -1); // see-through corners
    EXPECT_TRUE (body.getPixelAt (0, 0).isTransparent() && body.getPixelAt (40, 15) == juce::Colour (0xfffcfcfc));

    const auto separator = draw ({ 0, 0, 80, 7 }, 1);
    for (int y = 0; y < 7; ++y)
        for (const auto& [x, expected] : { std::pair { 1, juce::Colour() }, { 78, juce::Colour() },
                 { 2, y == 2 ? juce::Colour (0x33000000) : y == 3 ? juce::Colour (0x66ffffff) : juce::Colour() } })
            EXPECT_TRUE (near (separator.getPixelAt (x, y), expected, 1) && near (separator.getPixelAt (79 - x, y), expected, 1)) << x << " " << y;

    // An item at x 4: the gradient fills the item from one row in to its last row, the rules
    // (the lower one the row below the item) start at the menu's left edge.
    const auto item = draw ({ 4, 2, 60, 20 }, 0);
    const juce::Colour top (142, 150, 157), rule (70, 77, 85);
    for (const auto& [x, y, colour, tolerance] : { std::tuple { 30, 3, top, 1 }, { 30, 21, juce::Colour (0xff626c77), 3 },
             { 30, 2, top.interpolatedWith (rule, 0.5f), 2 }, { 0, 2, rule.withAlpha (0.5f), 2 }, { 0, 22, rule.withAlpha (0.5f), 2 },
             { 63, 22, juce::Colour(), 0 }, { 3, 10, juce::Colour(), 0 } })
        EXPECT_TRUE (near (item.getPixelAt (x, y), colour, tolerance)) << x << " " << y;
}
} // namespace
