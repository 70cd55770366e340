#include <OrvikQ4Resources.h>

#include <juce_graphics/juce_graphics.h>
#include <gtest/gtest.h>

// Every picture is stored at twice its drawn size (the knobs at 166 for a drawn 84). The front
// plate halves and the toolbar pictures are opaque RGB; the rest carry alpha because they are
// drawn over the plate.
TEST (Resources, EveryEmbeddedPictureDecodesAtItsStoredSizeAndColourType)
{
    using namespace OrvikQ4Resources;
    struct Picture { const char* data; int size, width, height; bool alpha; };
#define ORVIK_PICTURES(w, h, alpha, ...) for (auto [data, size] : { __VA_ARGS__ }) pictures.push_back ({ data, size, w, h, alpha })
#define P(symbol) std::pair<const char*, int> (resource_##symbol##_png, resource_##symbol##_pngSize)
    std::vector<Picture> pictures;
    ORVIK_PICTURES (300, 1050, false, P (TarskUI_back), P (TarskUI_backSide));
    ORVIK_PICTURES (300, 350, true, P (TarskUI_side_mono_block));
    ORVIK_PICTURES (34, 34, true, P (TarskUI_greenLed), P (TarskUI_yellowLed));
    ORVIK_PICTURES (120, 120, true, P (OrvikGreenButton_greenButtonOff), P (OrvikGreenButton_greenButtonOn),
                    P (OrvikYellowButton_yellowButtonOff), P (OrvikYellowButton_yellowButtonOn), P (OrvikBlueButton_blueButtonOff),
                    P (OrvikBlueButton_blueButtonOn), P (OrvikRedButton_redButtonOff), P (OrvikRedButton_redButtonOn));
    ORVIK_PICTURES (80, 94, true, P (OrvikSwitch_switchBase), P (OrvikSwitch_switchBottom), P (OrvikSwitch_switchTop), P (OrvikSwitch_switchMid));
    ORVIK_PICTURES (166, 166, true, P (OrvikKnob_back), P (OrvikKnob_mid), P (OrvikKnob_top));
    ORVIK_PICTURES (560, 600, true, P (About_aboutBackground));
    ORVIK_PICTURES (180, 72, true, P (About_nrvlogo));
    ORVIK_PICTURES (276, 64, true, P (About_orvikAudioLogo));
    ORVIK_PICTURES (228, 48, false, P (QZBar_qzbar_nhlogo), P (QZBar_qzbar_nhlogo_on));
    ORVIK_PICTURES (48, 48, false, P (QZBar_qzbar_menu), P (QZBar_qzbar_menu_on));
#undef P
#undef ORVIK_PICTURES

    for (size_t i = 0; i < pictures.size(); ++i)
    {
        const auto& p = pictures[i];
        const auto image = juce::ImageFileFormat::loadFrom (p.data, (size_t) p.size);
        ASSERT_TRUE (image.isValid()) << i;
        EXPECT_EQ (image.getBounds(), juce::Rectangle<int> (p.width, p.height)) << i;
        EXPECT_EQ (image.getFormat(), p.alpha ? juce::Image::ARGB : juce::Image::RGB) << i;
    }
}
