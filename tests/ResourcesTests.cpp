#include <OrvikQ4Resources.h>

#include <juce_graphics/juce_graphics.h>
#include <gtest/gtest.h>

// Every picture is stored at twice its drawn size (the knobs at 166 for a drawn 84). The front
// plate halves and the toolbar pictures are opaque RGB; the rest carry alpha because they are
// drawn over the plate.
TEST (Resources, EveryEmbeddedPictureDecodesAtItsStoredSizeAndColourType)
{
    const std::tuple<const char*, int, int> sizes[] = { { "TarskUI_back", 300, 1050 }, { "mono_block", 300, 350 },
        { "Led", 34, 34 }, { "Button", 120, 120 }, { "Switch", 80, 94 }, { "Knob", 166, 166 }, { "aboutBackground", 560, 600 },
        { "nrvlogo", 180, 72 }, { "orvikAudioLogo", 276, 64 }, { "nhlogo", 228, 48 }, { "qzbar_menu", 48, 48 } };

    ASSERT_EQ (OrvikQ4Resources::namedResourceListSize, 27);
    for (int i = 0; i < OrvikQ4Resources::namedResourceListSize; ++i)
    {
        const juce::String name (OrvikQ4Resources::namedResourceList[i]);
        int size = 0;
        const auto* data = OrvikQ4Resources::getNamedResource (name.toRawUTF8(), size);
        const auto image = juce::ImageFileFormat::loadFrom (data, (size_t) size);
        const auto* expected = std::find_if (std::begin (sizes), std::end (sizes), [&] (auto& s) { return name.contains (std::get<0> (s)); });
        ASSERT_NE (expected, std::end (sizes)) << name;
        EXPECT_EQ (image.getBounds(), juce::Rectangle<int> (std::get<1> (*expected), std::get<2> (*expected))) << name;
        EXPECT_EQ (image.getFormat(), name.contains ("TarskUI_back") || name.contains ("QZBar") ? juce::Image::RGB : juce::Image::ARGB) << name;
    }
}
