#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <tuple>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
    constexpr juce::uint32 kMagic = 0x21324356;

    /** A state block as the plug-in lays it out: magic, text length, text, 0 byte. */
    juce::MemoryBlock block (const std::string& text, juce::uint32 magic = kMagic, int lengthAdjust = 0, bool terminated = true)
    {
        juce::MemoryBlock b;
        juce::MemoryOutputStream out (b, false);
        out.writeInt ((int) magic);
        out.writeInt ((int) text.size() + lengthAdjust);
        out.write (text.data(), text.size());
        if (terminated)
            out.writeByte (0);
        return b;
    }

    std::string element (const std::string& attributes, const std::string& tag = "NRVQ4300SETTINGS")
    {
        return "<" + tag + " " + attributes + "/>";
    }

    std::string bytes (const juce::MemoryBlock& b) { return { static_cast<const char*> (b.getData()), b.getSize() }; }

    void load (TarskAudioProcessor& p, const juce::MemoryBlock& b) { p.setStateInformation (b.getData(), (int) b.getSize()); }

    std::array<float, kNumParameters> values (TarskAudioProcessor& p)
    {
        std::array<float, kNumParameters> v {};
        for (int i = 0; i < kNumParameters; ++i)
            v[(size_t) i] = p.getParameter (i);
        return v;
    }

    juce::uint32 fakeNow = 0;
    juce::uint32 fakeClock() { return fakeNow; }
}

class SavedState : public ::testing::Test
{
protected:
    void load (const juce::MemoryBlock& b) { ::load (*processor, b); }
    float value (int index) { return processor->getParameter (index); }

    std::unique_ptr<TarskAudioProcessor> processor = createProcessor();
};

TEST_F (SavedState, DefaultStateIsWrittenByteForByte)
{
    const std::string xml =
        "<NRVQ4300SETTINGS Version=\"1.2.0\" Input=\"0.30000001192092895508\" "
        "Output=\"0.30000001192092895508\" Attack=\"1\" Release=\"0\" Mix=\"1\" Ratio=\"0\" "
        "HPF=\"0\" ContAttack=\"0.5\" ContRelease=\"0.5\" StereoLink=\"0.5\" Bypass=\"0\" "
        "ContOn=\"0\" LinkOn=\"0\" AnalogOn=\"1\"/>";

    juce::MemoryBlock data;
    data.append ("stale content that must be replaced", 35);
    processor->getStateInformation (data);
    EXPECT_EQ (bytes (data), bytes (block (xml)));  // "VC2!", the text length little-endian, the text, a 0 byte
}

TEST_F (SavedState, ValuesAreWrittenWithTwentyDigitsAndRestoreEveryParameterInAnotherProcessor)
{
    const float written[] = { 0.42f, 0.9f, 0.5f, 1.0f, 0.1f, 1.0f, 0.5f, 1.0e-5f, 0.987f, 0.75f, 1.0f, 1.0f, 1.0f, 0.0f };

    for (int i = 0; i < kNumParameters; ++i)
        processor->setParameter (i, written[i]);
    juce::MemoryBlock data;
    processor->getStateInformation (data);
    const auto text = bytes (data);

    for (auto* attribute : { "Mix=\"0.10000000149011611938\"", "ContAttack=\"9.9999997473787516356e-06\"", "StereoLink=\"0.75\"" })
        EXPECT_NE (text.find (attribute), std::string::npos) << attribute << " in " << text;

    auto other = createProcessor();
    ::load (*other, data);
    EXPECT_EQ (values (*other), values (*processor));
}

TEST_F (SavedState, VersionsBefore110StoredInputAndOutputAsGains)
{
    struct Case { const char* version; bool old; const char* tag = "NRVQ4300SETTINGS"; };
    const Case cases[] = {
        { nullptr, true }, { "1.0.0", true }, { "1.2", true }, { "1.0.9", true },
        { "1.2.0", false }, { "1.1.0", false }, { "2.0.0", false }, { "99999999999999999999", false },
        { "1.2.0", false, "nrvq4300settings" },  // the tag in any case
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.version == nullptr ? "no version" : c.version);
        const std::string version = c.version == nullptr ? "" : std::string ("Version=\"") + c.version + "\" ";
        processor->setParameter (kMix, 0.0f);
        load (block (element (version + "Input=\"0.1\" Output=\"0.15\" Mix=\"0.25\"", c.tag)));

        EXPECT_FLOAT_EQ (value (kInput), c.old ? 0.4f : 0.1f);
        EXPECT_FLOAT_EQ (value (kOutput), c.old ? 0.6f : 0.15f);
        EXPECT_NEAR (settled (*processor).input.target, c.old ? 0.1 : 0.025, 1.0e-8);
        EXPECT_EQ (value (kMix), 0.25f);
    }
}

TEST_F (SavedState, MissingMisspelledAndUnusableAttributesFallBack)
{
    for (int i = 0; i < kNumParameters; ++i)
        processor->setParameter (i, 0.77f);

    load (block (element ("Version=\"1.2.0\" input=\"0.9\" Mix=\"loud\" StereoLink=\"1e999\" Output=\"1e300\" "
                          "ContAttack=\"nan\" ContRelease=\"-0.5\"")));

    std::array<float, kNumParameters> expected;  // missing or named in the wrong case: the default
    std::copy (std::begin (cDefaultValues), std::end (cDefaultValues), expected.begin());
    expected[kMix] = expected[kContAttack] = 0.0f;  // no number reads as 0, as do nan and inf
    expected[kContRelease] = -0.5f;                 // passed on unclamped
    EXPECT_EQ (values (*processor), expected);      // StereoLink and Output are no finite float: defaults
}

TEST_F (SavedState, RejectedBlocksChangeNothing)
{
    processor->setParameter (kMix, 0.6f);
    const auto before = values (*processor);
    const std::string good = element ("Version=\"1.2.0\" Mix=\"0.25\"");

    load (juce::MemoryBlock (block (good).getData(), 8));
    load (block (good, 0x56433221));                  // magic in the wrong byte order
    load (block (good, kMagic, -(int) good.size()));  // length field 0
    load (block ("<NRVQ4300SETT"));                   // cut inside the tag
    load (block ("<"));
    load (block ("not xml at all"));
    load (block (std::string (1, '\0') + good));      // text starts with a 0 byte
    load (block (element ("Version=\"1.2.0\" Mix=\"0.25\"", "OTHERSETTINGS")));
    // Character references the framework's parser would step past the end of the text on, or
    // turn into bytes that are not UTF-8 (found by fuzzing), and document type declarations.
    load (block ("<NRVQ4300SETTINGS Version=\"1.2.0\" Mix=\"0.25&#Xc"));
    load (block (element ("Version=\"1.2.0\" Mix=\"0.25&#xFFFFFFF;\"")));
    load (block (element ("Version=\"1.2.0\" Mix=\"0.25&#;\"")));
    load (block ("<!DOCTYPE s [<!ENTITY v \"0.25\">]>" + element ("Version=\"1.2.0\" Mix=\"&v;\"")));
    processor->setStateInformation (nullptr, 100);

    EXPECT_EQ (values (*processor), before);

    load (block (element ("Version=\"1.2.0\" Mix=\"0.&#50;&#x35;\"")));  // well-formed references still read
    EXPECT_EQ (value (kMix), 0.25f);
}

TEST_F (SavedState, ChildContentIsNeverParsed)
{
    // Only the element's own attributes count. Child content that would recurse very deep, or
    // malformed content that sends the framework's child parser into an endless loop (a block
    // found by fuzzing), loads in an instant.
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "<a>";

    load (block ("<NRVQ4300SETTINGS Version=\"1.2.0\" Mix=\"0.25\">" + nested));
    EXPECT_EQ (value (kMix), 0.25f);

    load (block ("<NRVQ4300SETTINGS Version=\"1.2.0\" Mix=\"0.5\"><b/<\xaf\xff>a\xff\xff" "0\xff,/>"));
    EXPECT_EQ (value (kMix), 0.5f);
}

TEST_F (SavedState, OddBlocksAreReadWithinTheirBounds)
{
    // A length field larger than the data: only what is there is read, with or without the 0 byte.
    const auto longer = block (element ("Version=\"1.2.0\" Mix=\"0.25\""), kMagic, 1000000);
    load (longer);
    EXPECT_EQ (value (kMix), 0.25f);

    processor->setParameter (kMix, 0.0f);
    load (juce::MemoryBlock (longer.getData(), longer.getSize() - 1));
    EXPECT_EQ (value (kMix), 0.25f);

    // A lead byte announcing three continuation bytes as the block's very last byte (the
    // sanitizer builds check that nothing past the block is read).
    load (block (element ("Version=\"1.2.0\" Mix=\"0.5\"") + "\xf0", kMagic, 0, false));

    load (block (element ("Version=\"1.2.0\" Mix=\"0." + std::string (10 * 1024 * 1024, '7') + "\"")));  // 10 MB
    EXPECT_FLOAT_EQ (value (kMix), 0.7777777f);
}

//==============================================================================
class Programs : public SavedState {};

TEST_F (Programs, ElevenReadOnlyProgramsOfSinglePrecisionValues)
{
    const char* const names[] = { "Default", "BASS GUITAR- Clean", "BASS GUITAR- Dist", "DRUMS- Parallel Compression",
                                  "DRUMS- Room Ala Hallorn", "DRUMS- Snappy Snare", "MIX- Master Mix", "MIX- Pumpy Drum Bus",
                                  "VOCALS- Basic", "VOCALS- Rock All In", "VOCALS- Smooth" };
    EXPECT_EQ (processor->getNumPrograms(), 11);
    for (int p = 0; p < kNumPrograms; ++p)
        EXPECT_EQ (processor->getProgramName (p), names[p]);
    EXPECT_EQ (processor->getProgramName (11), "");
    EXPECT_EQ (processor->getProgramName (-1), "");

    processor->changeProgramName (2, "x");
    EXPECT_EQ (processor->getProgramName (2), "BASS GUITAR- Dist");

    for (int p = 1; p < kNumPrograms; ++p)
    {
        const auto& s = processor->getProgramState (p);
        for (double v : { s.input.target, s.output.target, s.mix.target, s.contAttack, s.contRelease,
                          s.stereoLink.target, s.linkOn.target })
            EXPECT_EQ (v, static_cast<double> (static_cast<float> (v))) << "program " << p;
        EXPECT_EQ (std::make_tuple (s.thresholdScale, s.drive, s.bypass.target, s.analogOn.target, s.linkOn.target),
                   std::make_tuple (0.544, 7.65, 0.0, 1.0, p == 3 || p == 7 ? 1.0 : 0.0)) << "program " << p;
    }
}

TEST_F (Programs, SelectionIsClampedAndTakesEffectAtOnceWithoutRamps)
{
    prepare (*processor, 48000.0, 256);

    processor->setCurrentProgram (-3);
    EXPECT_EQ (processor->getCurrentProgram(), 0);
    processor->setCurrentProgram (25);
    EXPECT_EQ (processor->getCurrentProgram(), 10);
    EXPECT_EQ (value (kMix), 0.5040000081062317f);

    // A host that stops processing still sees the meter restart from 0 dB at the selection.
    auto loud = tone (256, 0, 2, 1.0f);
    juce::MidiBuffer midi;
    processor->processBlock (loud, midi);
    ASSERT_LT (processor->getGainReductionDb(), -1.0);

    processor->setCurrentProgram (3);
    EXPECT_EQ (processor->getGainReductionDb(), 0.0);
    for (auto [index, v] : { std::pair (kRatio, 0.5f), { kHPF, 0.5f }, { kLinkOn, 1.0f }, { kContOn, 1.0f },
                             { kMix, 0.25200000405311584f }, { kStereoLink, 0.6079999804496765f } })
        EXPECT_EQ (value (index), v) << "parameter " << index;

    const auto& live = settled (*processor);
    EXPECT_EQ (live.mix.current, live.mix.target);
    EXPECT_EQ (live.input.current, 0.14900000393390656);
    EXPECT_FALSE (live.linkOn.isRamping());
    EXPECT_EQ (live.linkOn.steps, 4800);
}

TEST_F (Programs, SelectionRightAfterCreationIsAppliedAndSnappedBeforePreparation)
{
    processor->setCurrentProgram (2);  // the real clock: no state was ever loaded
    EXPECT_EQ (value (kRatio), 1.0f);

    const auto& live = settled (*processor);
    EXPECT_EQ (live.ratio, 2);
    EXPECT_EQ (live.input.current, 0.20100004971027374);
    EXPECT_FALSE (live.input.isRamping());
}

// Hosts restoring a project load the state and then select the stored program number.
TEST_F (Programs, SelectionIsHeldForHalfASecondAfterAnyStateLoad)
{
    struct Case { juce::uint32 loadedAt, selectedAt; bool rejectedLoad, applied; };
    const Case cases[] = {
        { 1000000, 1000499, false, false }, { 1000000, 1000500, false, true },
        { 1000000, 1000100, true, false },
        { 0xffffff00u, 0xffffffffu, false, false },  // across the millisecond counter's wrap
        { 0xffffff00u, 0x00000010u, false, false }, { 0xffffff00u, 0x00000200u, false, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << c.loadedAt << " -> " << c.selectedAt);
        auto p = createProcessor();
        p->setMillisecondClock (&fakeClock);

        fakeNow = c.loadedAt;
        ::load (*p, c.rejectedLoad ? juce::MemoryBlock (8, true) : block (element ("Version=\"1.2.0\" Mix=\"0.25\"")));
        const auto loaded = values (*p);

        fakeNow = c.selectedAt;
        p->setCurrentProgram (7);
        EXPECT_EQ (p->getCurrentProgram(), 7);
        EXPECT_EQ (p->getParameter (kLinkOn), c.applied ? 1.0f : 0.0f);
        if (! c.applied)
            EXPECT_EQ (values (*p), loaded);
    }
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
