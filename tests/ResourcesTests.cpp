#include <OrvikQ4Resources.h>

#include <juce_graphics/juce_graphics.h>
#include <gtest/gtest.h>

namespace
{
    struct EmbeddedPicture
    {
        const char* name;
        const char* data;
        int size;
        int width, height;
        bool hasAlpha;
    };

#define ORVIK_PICTURE(symbol, w, h, alpha) \
    EmbeddedPicture { #symbol, OrvikQ4Resources::symbol, OrvikQ4Resources::symbol##Size, w, h, alpha }

    // Every picture is stored at twice its drawn size (the knobs at 166 for a drawn 84). The front
    // plate halves and the toolbar pictures are opaque RGB; the rest carry alpha because they are
    // drawn over the plate.
    const EmbeddedPicture kPictures[] = {
        ORVIK_PICTURE (resource_TarskUI_back_png, 300, 1050, false),
        ORVIK_PICTURE (resource_TarskUI_backSide_png, 300, 1050, false),
        ORVIK_PICTURE (resource_TarskUI_side_mono_block_png, 300, 350, true),
        ORVIK_PICTURE (resource_TarskUI_greenLed_png, 34, 34, true),
        ORVIK_PICTURE (resource_TarskUI_yellowLed_png, 34, 34, true),
        ORVIK_PICTURE (resource_OrvikGreenButton_greenButtonOff_png, 120, 120, true),
        ORVIK_PICTURE (resource_OrvikGreenButton_greenButtonOn_png, 120, 120, true),
        ORVIK_PICTURE (resource_OrvikYellowButton_yellowButtonOff_png, 120, 120, true),
        ORVIK_PICTURE (resource_OrvikYellowButton_yellowButtonOn_png, 120, 120, true),
        ORVIK_PICTURE (resource_OrvikBlueButton_blueButtonOff_png, 120, 120, true),
        ORVIK_PICTURE (resource_OrvikBlueButton_blueButtonOn_png, 120, 120, true),
        ORVIK_PICTURE (resource_OrvikRedButton_redButtonOff_png, 120, 120, true),
        ORVIK_PICTURE (resource_OrvikRedButton_redButtonOn_png, 120, 120, true),
        ORVIK_PICTURE (resource_OrvikSwitch_switchBase_png, 80, 94, true),
        ORVIK_PICTURE (resource_OrvikSwitch_switchBottom_png, 80, 94, true),
        ORVIK_PICTURE (resource_OrvikSwitch_switchTop_png, 80, 94, true),
        ORVIK_PICTURE (resource_OrvikSwitch_switchMid_png, 80, 94, true),
        ORVIK_PICTURE (resource_OrvikKnob_back_png, 166, 166, true),
        ORVIK_PICTURE (resource_OrvikKnob_mid_png, 166, 166, true),
        ORVIK_PICTURE (resource_OrvikKnob_top_png, 166, 166, true),
        ORVIK_PICTURE (resource_About_aboutBackground_png, 560, 600, true),
        ORVIK_PICTURE (resource_About_nrvlogo_png, 180, 72, true),
        ORVIK_PICTURE (resource_About_orvikAudioLogo_png, 276, 64, true),
        ORVIK_PICTURE (resource_QZBar_qzbar_nhlogo_png, 228, 48, false),
        ORVIK_PICTURE (resource_QZBar_qzbar_nhlogo_on_png, 228, 48, false),
        ORVIK_PICTURE (resource_QZBar_qzbar_menu_png, 48, 48, false),
        ORVIK_PICTURE (resource_QZBar_qzbar_menu_on_png, 48, 48, false),
    };

#undef ORVIK_PICTURE
}

TEST (Resources, EveryEmbeddedPictureDecodesAtItsStoredSizeAndColourType)
{
    for (const auto& p : kPictures)
    {
        SCOPED_TRACE (p.name);
        const auto image = juce::ImageFileFormat::loadFrom (p.data, (size_t) p.size);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), p.width);
        EXPECT_EQ (image.getHeight(), p.height);
        EXPECT_EQ (image.getFormat(), p.hasAlpha ? juce::Image::ARGB : juce::Image::RGB);
    }
}
