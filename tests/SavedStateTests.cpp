#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
    juce::uint32 fakeNow = 1000000;
    juce::uint32 fakeClock() { return fakeNow; }

    const char* const kDefaultStateXml =
        "<NRVQ4300SETTINGS Version=\"1.2.0\" Input=\"0.30000001192092895508\" "
        "Output=\"0.30000001192092895508\" Attack=\"1\" Release=\"0\" Mix=\"1\" Ratio=\"0\" "
        "HPF=\"0\" ContAttack=\"0.5\" ContRelease=\"0.5\" StereoLink=\"0.5\" Bypass=\"0\" "
        "ContOn=\"0\" LinkOn=\"0\" AnalogOn=\"1\"/>";

    /** A state block as the plug-in's format lays it out: magic, length, text, 0 byte. */
    juce::MemoryBlock block (const std::string& text, juce::uint32 magic = 0x21324356, int lengthAdjust = 0)
    {
        juce::MemoryBlock b;
        juce::MemoryOutputStream out (b, false);
        out.writeInt ((int) magic);
        out.writeInt ((int) text.size() + lengthAdjust);
        out.write (text.data(), text.size());
        out.writeByte (0);
        return b;
    }

    std::string element (const std::string& attributes, const std::string& tag = "NRVQ4300SETTINGS")
    {
        return "<" + tag + " " + attributes + "/>";
    }
}

class SavedState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fakeNow = 1000000;
        processor->setMillisecondClock (&fakeClock);
    }

    void load (const juce::MemoryBlock& b) { processor->setStateInformation (b.getData(), (int) b.getSize()); }
    float value (int index) { return processor->getParameter (index); }

    std::array<float, kNumParameters> allValues()
    {
        std::array<float, kNumParameters> values {};
        for (int i = 0; i < kNumParameters; ++i)
            values[(size_t) i] = value (i);
        return values;
    }

    std::unique_ptr<TarskAudioProcessor> processor = createProcessor();
};

TEST_F (SavedState, DefaultStateIsWrittenByteForByte)
{
    juce::MemoryBlock data;
    data.append ("stale content that must be replaced", 35);
    processor->getStateInformation (data);

    const std::string xml (kDefaultStateXml);
    ASSERT_EQ (data.getSize(), xml.size() + 9);

    const auto* bytes = static_cast<const unsigned char*> (data.getData());
    EXPECT_EQ (std::string (reinterpret_cast<const char*> (bytes), 4), "VC2!");
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), (juce::uint32) xml.size());
    EXPECT_EQ (std::string (reinterpret_cast<const char*> (bytes + 8), xml.size()), xml);
    EXPECT_EQ (bytes[data.getSize() - 1], 0);
}

TEST_F (SavedState, ValuesUseTwentySignificantDigitsInGeneralNotation)
{
    processor->setParameter (kMix, 0.1f);
    processor->setParameter (kContAttack, 1.0e-5f);
    processor->setParameter (kStereoLink, 0.75f);

    juce::MemoryBlock data;
    processor->getStateInformation (data);
    const auto text = juce::String::fromUTF8 (static_cast<const char*> (data.getData()) + 8, (int) data.getSize() - 9);

    EXPECT_TRUE (text.contains ("Mix=\"0.10000000149011611938\"")) << text;
    EXPECT_TRUE (text.contains ("ContAttack=\"9.9999997473787516356e-06\"")) << text;
    EXPECT_TRUE (text.contains ("StereoLink=\"0.75\"")) << text;
}

TEST_F (SavedState, RoundTripRestoresEveryParameterInAnotherProcessor)
{
    const float values[] = { 0.42f, 0.9f, 0.5f, 1.0f, 0.33f, 1.0f, 0.5f, 0.123f, 0.987f, 0.25f, 1.0f, 1.0f, 1.0f, 0.0f };

    for (int i = 0; i < kNumParameters; ++i)
        processor->setParameter (i, values[i]);

    juce::MemoryBlock data;
    processor->getStateInformation (data);

    auto other = createProcessor();
    other->setStateInformation (data.getData(), (int) data.getSize());

    for (int i = 0; i < kNumParameters; ++i)
        EXPECT_EQ (other->getParameter (i), processor->getParameter (i)) << "parameter " << i;
}

TEST_F (SavedState, LowerCaseTagIsAccepted)
{
    load (block (element ("Version=\"1.2.0\" Mix=\"0.25\"", "nrvq4300settings")));
    EXPECT_EQ (value (kMix), 0.25f);
}

TEST_F (SavedState, ForeignTagChangesNothing)
{
    processor->setParameter (kMix, 0.6f);
    load (block (element ("Version=\"1.2.0\" Mix=\"0.25\"", "OTHERSETTINGS")));
    EXPECT_EQ (value (kMix), 0.6f);
}

TEST_F (SavedState, OldVersionsStoredInputAndOutputAsGains)
{
    load (block (element ("Input=\"0.1\" Output=\"0.15\"")));
    EXPECT_FLOAT_EQ (value (kInput), 0.4f);
    EXPECT_FLOAT_EQ (value (kOutput), 0.6f);
    EXPECT_NEAR (settled (*processor).input.target, 0.1, 1.0e-8);

    load (block (element ("Version=\"1.0.0\" Input=\"0.1\"")));
    EXPECT_FLOAT_EQ (value (kInput), 0.4f);

    load (block (element ("Version=\"1.2\" Input=\"0.1\"")));  // 12 < 110: old
    EXPECT_FLOAT_EQ (value (kInput), 0.4f);

    load (block (element ("Version=\"1.0.9\" Input=\"0.1\"")));
    EXPECT_FLOAT_EQ (value (kInput), 0.4f);
}

TEST_F (SavedState, CurrentVersionsStoreNormalisedValues)
{
    for (const char* version : { "1.2.0", "1.1.0", "2.0.0", "99999999999999999999" })
    {
        load (block (element (std::string ("Version=\"") + version + "\" Input=\"0.1\"")));
        EXPECT_EQ (value (kInput), 0.1f) << version;
        EXPECT_NEAR (settled (*processor).input.target, 0.025, 1.0e-8) << version;
    }
}

TEST_F (SavedState, MissingAttributesTakeTheirDefaults)
{
    for (int i = 0; i < kNumParameters; ++i)
        processor->setParameter (i, 0.77f);

    load (block (element ("Version=\"1.2.0\"")));

    for (int i = 0; i < kNumParameters; ++i)
        EXPECT_EQ (value (i), cDefaultValues[i]) << "parameter " << i;
}

TEST_F (SavedState, AttributeNamesAreCaseSensitive)
{
    load (block (element ("Version=\"1.2.0\" input=\"0.9\" Mix=\"0.5\"")));
    EXPECT_EQ (value (kInput), 0.3f);
    EXPECT_EQ (value (kMix), 0.5f);
}

TEST_F (SavedState, UnusableNumbersFallBack)
{
    load (block (element ("Version=\"1.2.0\" Mix=\"loud\" StereoLink=\"1e999\" ContAttack=\"nan\" ContRelease=\"-0.5\"")));
    EXPECT_EQ (value (kMix), 0.0f);           // no number reads as 0
    EXPECT_EQ (value (kStereoLink), 0.5f);    // not a finite float: default
    EXPECT_EQ (value (kContAttack), 0.0f);
    EXPECT_EQ (value (kContRelease), -0.5f);  // out of range, passed on unclamped
}

TEST_F (SavedState, RejectedBlocksChangeNothing)
{
    processor->setParameter (kMix, 0.6f);
    const auto before = allValues();
    const std::string good = element ("Version=\"1.2.0\" Mix=\"0.25\"");

    juce::MemoryBlock eightBytes (block (good).getData(), 8);
    load (eightBytes);
    load (block (good, 0x56433221));                    // magic in the wrong byte order
    load (block (good, 0x21324356, -(int) good.size())); // length field 0
    load (block ("<NRVQ4300SETT"));                      // cut inside the tag
    load (block ("<"));
    load (block ("not xml at all"));
    load (block (std::string (1, '\0') + good));         // text starts with a 0 byte
    processor->setStateInformation (nullptr, 100);

    EXPECT_EQ (allValues(), before);
}

TEST_F (SavedState, ElementCutAfterItsAttributesStillCounts)
{
    // The parser takes an element whose closing "/>" is missing; what it holds applies and
    // the rest falls back to the defaults.
    processor->setParameter (kRatio, 1.0f);
    load (block ("<NRVQ4300SETTINGS Version=\"1.2.0\" Mix=\"0.25\""));
    EXPECT_EQ (value (kMix), 0.25f);
    EXPECT_EQ (value (kRatio), 0.0f);
}

TEST_F (SavedState, LengthFieldLargerThanTheDataReadsOnlyWhatIsThere)
{
    auto b = block (element ("Version=\"1.2.0\" Mix=\"0.25\""), 0x21324356, 1000000);
    load (b);
    EXPECT_EQ (value (kMix), 0.25f);

    // The same block cut right after the element, without its 0 byte: still within bounds.
    juce::MemoryBlock cut (b.getData(), b.getSize() - 1);
    processor->setParameter (kMix, 0.0f);
    load (cut);
    EXPECT_EQ (value (kMix), 0.25f);
}

TEST_F (SavedState, MalformedUtf8AtTheEndIsReadWithinTheBlock)
{
    // A lead byte announcing three continuation bytes as the very last byte of the block.
    std::string text = element ("Version=\"1.2.0\" Mix=\"0.25\"") + "\xf0";
    juce::MemoryBlock b;
    juce::MemoryOutputStream out (b, false);
    out.writeInt (0x21324356);
    out.writeInt ((int) text.size());
    out.write (text.data(), text.size());
    out.flush();

    load (b);  // must not read past the block (checked by the sanitizer builds)
    SUCCEED();
}

TEST_F (SavedState, HugeAttributeValueIsHandled)
{
    std::string huge (10 * 1024 * 1024, '7');
    load (block (element ("Version=\"1.2.0\" Mix=\"0." + huge + "\"")));
    EXPECT_FLOAT_EQ (value (kMix), 0.7777777f);
}

TEST_F (SavedState, DeeplyNestedElementsAreRejectedWithoutRecursingThem)
{
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "<a>";
    for (int i = 0; i < 100000; ++i) nested += "</a>";

    processor->setParameter (kMix, 0.6f);
    load (block ("<NRVQ4300SETTINGS Mix=\"0.25\">" + nested + "</NRVQ4300SETTINGS>"));
    EXPECT_EQ (value (kMix), 0.6f);
}

TEST_F (SavedState, RandomBlocksNeverCrashOrChangeSettingsWhenRejected)
{
    std::mt19937 random (1234);
    const std::string good = element ("Version=\"1.2.0\" Mix=\"0.25\" Ratio=\"1\"");

    for (int round = 0; round < 3000; ++round)
    {
        std::string bytes;

        if (round % 3 == 0)
        {
            // Pure noise, sometimes behind a valid header.
            bytes.resize ((size_t) (random() % 300));
            for (auto& c : bytes) c = (char) (random() & 0xff);
        }
        else
        {
            // A good block with a few bytes flipped.
            auto b = block (good);
            bytes.assign (static_cast<const char*> (b.getData()), b.getSize());
            for (int flips = 1 + (int) (random() % 4); --flips >= 0;)
                bytes[random() % bytes.size()] = (char) (random() & 0xff);
        }

        processor->setStateInformation (bytes.data(), (int) bytes.size());

        for (int i = 0; i < kNumParameters; ++i)
            ASSERT_TRUE (std::isfinite (value (i)));
    }
}

//==============================================================================
class Programs : public SavedState {};

TEST_F (Programs, NamesAndCount)
{
    EXPECT_EQ (processor->getNumPrograms(), 11);
    EXPECT_EQ (processor->getProgramName (0), "Default");
    EXPECT_EQ (processor->getProgramName (4), "DRUMS- Room Ala Hallorn");
    EXPECT_EQ (processor->getProgramName (10), "VOCALS- Smooth");
    EXPECT_EQ (processor->getProgramName (11), "");
    EXPECT_EQ (processor->getProgramName (-1), "");

    processor->changeProgramName (2, "x");
    EXPECT_EQ (processor->getProgramName (2), "BASS GUITAR- Dist");
}

TEST_F (Programs, ProgramValuesAreSinglePrecisionNumbersWidened)
{
    for (int p = 1; p < kNumPrograms; ++p)
    {
        const auto& s = processor->getProgramState (p);

        for (double v : { s.input.target, s.output.target, s.mix.target, s.contAttack,
                          s.contRelease, s.stereoLink.target, s.linkOn.target })
            EXPECT_EQ (v, static_cast<double> (static_cast<float> (v))) << "program " << p;

        EXPECT_EQ (s.thresholdScale, 0.544);
        EXPECT_EQ (s.drive, 7.65);
        EXPECT_EQ (s.bypass.target, 0.0);
        EXPECT_EQ (s.analogOn.target, 1.0);
    }

    EXPECT_EQ (processor->getProgramState (1).input.target, 0.11100000888109207);
    EXPECT_EQ (processor->getProgramState (6).output.target, 0.1283242255449295);
    EXPECT_EQ (processor->getProgramState (0).input.target, 0.075);
}

TEST_F (Programs, SelectionIsClamped)
{
    processor->setCurrentProgram (-3);
    EXPECT_EQ (processor->getCurrentProgram(), 0);
    processor->setCurrentProgram (25);
    EXPECT_EQ (processor->getCurrentProgram(), 10);
    EXPECT_EQ (settled (*processor).ratio, 0);
    EXPECT_TRUE (settled (*processor).linkOn.target == 0.0);
    EXPECT_EQ (value (kMix), 0.5040000081062317f);
}

TEST_F (Programs, SelectionAppliesAtOnceWithoutRamps)
{
    prepare (*processor, 48000.0, 256);
    processor->setCurrentProgram (3);

    EXPECT_EQ (value (kRatio), 0.5f);
    EXPECT_EQ (value (kHPF), 0.5f);
    EXPECT_EQ (value (kLinkOn), 1.0f);
    EXPECT_EQ (value (kContOn), 1.0f);
    EXPECT_EQ (value (kMix), 0.25200000405311584f);
    EXPECT_EQ (value (kStereoLink), 0.6079999804496765f);

    const auto& live = settled (*processor);
    EXPECT_EQ (live.mix.current, live.mix.target);
    EXPECT_EQ (live.input.current, 0.14900000393390656);
    EXPECT_FALSE (live.linkOn.isRamping());
    EXPECT_EQ (live.linkOn.steps, 4800);
}

TEST_F (Programs, ProgramSixUsesItsContinuousTimes)
{
    prepare (*processor, 44100.0, 256);
    processor->setCurrentProgram (6);
    const auto& live = settled (*processor);

    EXPECT_EQ (live.attack, 1);
    EXPECT_EQ (live.release, 1);
    EXPECT_TRUE (live.contOn);
    EXPECT_EQ (processor->getCompressor().attackResistance.target,
               1.0 / (1.0 / (0.41200000047683716 * 100000.0) + 1.0 / 470.0) + (1.0 - 0.41200000047683716) * 100000.0);
}

TEST_F (Programs, SelectionRightAfterCreationIsApplied)
{
    auto fresh = createProcessor();  // real clock
    fresh->setCurrentProgram (7);
    EXPECT_EQ (fresh->getParameter (kLinkOn), 1.0f);
    EXPECT_EQ (fresh->getCurrentProgram(), 7);
}

TEST_F (Programs, SelectionIsHeldForHalfASecondAfterAStateLoad)
{
    load (block (element ("Version=\"1.2.0\" Mix=\"0.25\"")));
    const auto loaded = allValues();

    fakeNow += 499;
    processor->setCurrentProgram (7);
    EXPECT_EQ (processor->getCurrentProgram(), 7);
    EXPECT_EQ (allValues(), loaded);

    fakeNow += 1;
    processor->setCurrentProgram (7);
    EXPECT_EQ (value (kLinkOn), 1.0f);
    EXPECT_EQ (value (kMix), 0.8880000114440918f);
}

TEST_F (Programs, RejectedStateLoadAlsoHoldsSelections)
{
    juce::MemoryBlock eightBytes (8, true);
    load (eightBytes);

    fakeNow += 100;
    processor->setCurrentProgram (7);
    EXPECT_EQ (value (kLinkOn), 0.0f);
}

TEST_F (Programs, HoldSurvivesTheMillisecondCounterWrapping)
{
    fakeNow = 0xffffff00u;
    load (block (element ("Version=\"1.2.0\"")));

    fakeNow = 0x00000010u;  // 0x110 = 272 ms later, across the wrap
    processor->setCurrentProgram (7);
    EXPECT_EQ (value (kLinkOn), 0.0f);

    fakeNow = 0x00000200u;  // 512 ms later
    processor->setCurrentProgram (7);
    EXPECT_EQ (value (kLinkOn), 1.0f);
}

TEST_F (Programs, SelectionBeforePreparationSnapsAllTheSame)
{
    processor->setCurrentProgram (2);
    const auto& live = settled (*processor);

    EXPECT_FALSE (live.input.isRamping());
    EXPECT_EQ (live.input.current, 0.20100004971027374);
    EXPECT_EQ (live.ratio, 2);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
