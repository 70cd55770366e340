#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

namespace
{
    // Side-chain high-pass coefficients (b0, b1, b2, a1, a2) at 44.1 kHz.
    constexpr std::array<double, 5> k100Hz { 0.989976, -1.979952, 0.989976, -1.979852, 0.980053 };
    constexpr std::array<double, 5> k300Hz { 0.970228, -1.940457, 0.970228, -1.939570, 0.941343 };
}

class CompressorSettings : public ::testing::Test
{
protected:
    void set (int index, float value) { parameter (*processor, index).setValue (value); }

    /** The compressor once the changes made so far have been applied. */
    const OrvikQ4Compression& compressor()
    {
        processor->applyPendingSettings();
        return processor->getCompressor();
    }

    const auto& highPass (int channel) { return compressor().channels[channel]->sidechainFilter; }

    void expectCoefficients (int channel, const std::array<double, 5>& expected)
    {
        const float* c = highPass (channel).filter.coefficientData();
        for (size_t i = 0; i < 5; ++i)
            EXPECT_NEAR (c[i], expected[i], 1.0e-6) << "channel " << channel << " coefficient " << i;
    }

    /** Runs silence through the processor so the compressor's ramps advance. */
    void runSamples (int n)
    {
        juce::AudioBuffer<float> b (2, n);
        b.clear();
        juce::MidiBuffer midi;
        processor->processBlock (b, midi);
    }

    std::unique_ptr<TarskAudioProcessor> processor = createProcessor();
};

TEST_F (CompressorSettings, ResistancesFollowTheTimingSettings)
{
    // Stepped rows set Attack and Release, continuous rows the continuous settings.
    struct Case { bool continuous; float attack, release; double attackOhms, releaseOhms, tolerance = 0.0; };
    const Case cases[] = {
        { false, 1.0f, 0.0f, 97000.0, 255000.0 },  // the defaults
        { false, 0.0f, 0.0f, 467.73, 255000.0 },
        { false, 0.5f, 0.5f, 22467.07, 942517.99 },
        { false, 0.5f, 1.0f, 22467.07, 4590000.0 },
        { false, 0.5f, 1.6f, 22467.07, 4590000.0 },  // a choice outside the table changes nothing
        { true, 0.0f, 0.0f, 100000.0, 5000000.0 },   // 1 / (1/0 + ...) is exactly 0
        { true, 1.0f, 1.0f, 467.80, 256166.98, 0.005 },
        { true, 0.5f, 0.5f, 50465.62, 2743682.31, 0.005 },
        { false, 1.0f, 0.0f, 97000.0, 255000.0 },
    };

    for (const auto& c : cases)
    {
        set (kContOn, c.continuous ? 1.0f : 0.0f);
        set (c.continuous ? kContAttack : kAttack, c.attack);
        set (c.continuous ? kContRelease : kRelease, c.release);
        EXPECT_NEAR (compressor().attackResistance.target, c.attackOhms, c.tolerance) << c.continuous << " " << c.attack;
        EXPECT_NEAR (compressor().releaseResistance.target, c.releaseOhms, c.tolerance) << c.continuous << " " << c.release;
    }
}

TEST_F (CompressorSettings, FirstUpdateAppliesTheProcessorsThresholdScale)
{
    EXPECT_EQ (processor->getCompressor().thresholdScale, 0.6);

    set (kMix, 1.0f);  // any change re-derives the settings
    const auto& c = compressor();
    const double x = 2000.0 * 0.544;

    EXPECT_EQ (c.thresholdScale, 0.544);
    EXPECT_EQ (c.ratioIndex, 0);
    EXPECT_EQ (c.ratioDivider.target, 0.348717949);
    EXPECT_EQ (c.thresholdVoltage.target, ((150.0 + x) / (x + 4401.0)) * -10.0);
    EXPECT_EQ (c.biasVoltage.target, -3.04735 * 0.544);
}

TEST_F (CompressorSettings, UnchangedSettingsLeaveRunningRampsAlone)
{
    prepare (*processor, 44100.0, 512);
    set (kRatio, 1.0f);
    set (kAttack, 0.0f);
    set (kHPF, 0.5f);
    runSamples (100);

    auto countdowns = [this]
    {
        const auto& c = compressor();
        return std::make_tuple (c.thresholdVoltage.countdown, c.attackResistance.countdown, highPass (0).morph.countdown);
    };

    const auto running = countdowns();
    ASSERT_GT (std::get<0> (running), 0);

    set (kMix, 0.7f);
    set (kHPF, 0.6f);  // still "100Hz"
    EXPECT_EQ (countdowns(), running);
    EXPECT_EQ (compressor().ratioIndex, 2);
}

TEST_F (CompressorSettings, HighPassFadesInAtOnceThenGlidesToANewCornerWithoutAFade)
{
    prepare (*processor, 44100.0, 512);
    set (kHPF, 0.5f);
    EXPECT_EQ (compressor().hpfIndex, 1);

    for (int ch = 0; ch < 2; ++ch)
    {
        expectCoefficients (ch, k100Hz);
        EXPECT_EQ (highPass (ch).mix.target, 1.0);
        EXPECT_TRUE (highPass (ch).mix.isRamping());  // from the unfiltered side chain
    }

    runSamples (5000);
    set (kHPF, 1.0f);
    EXPECT_TRUE (highPass (0).morph.isRamping());
    EXPECT_FALSE (highPass (0).mix.isRamping());

    runSamples (4410);
    expectCoefficients (0, k300Hz);
}

TEST_F (CompressorSettings, HighPassOffFadesOutWithoutTouchingTheCoefficients)
{
    prepare (*processor, 44100.0, 512);
    set (kHPF, 1.0f);
    runSamples (5000);

    set (kHPF, 0.0f);
    EXPECT_EQ (compressor().hpfIndex, 0);
    EXPECT_EQ (highPass (1).mix.target, 0.0);
    EXPECT_TRUE (highPass (1).mix.isRamping());
    expectCoefficients (1, k300Hz);
}

TEST_F (CompressorSettings, SettingsMadeBeforePreparationAreInPlaceFromTheFirstSample)
{
    set (kHPF, 0.5f);
    set (kRatio, 1.0f);
    set (kAttack, 0.0f);
    prepare (*processor, 44100.0, 512);
    const auto& c = processor->getCompressor();  // what preparation alone has set up

    for (auto* ramp : { &c.ratioDivider, &c.thresholdVoltage, &c.biasVoltage, &c.attackResistance, &c.releaseResistance })
        EXPECT_TRUE (ramp->countdown == 0 && ramp->current == ramp->target && ramp->steps == 4410);

    EXPECT_EQ (c.ratioDivider.target, 0.548387097);
    EXPECT_EQ (c.attackResistance.current, 467.73);
    EXPECT_EQ (c.hpfIndex, 1);
    EXPECT_EQ (c.channels[0]->sidechainFilter.mix.current, 1.0);  // filtered from the first sample, no fade
    EXPECT_FALSE (c.channels[0]->sidechainFilter.mix.isRamping());
    expectCoefficients (0, k100Hz);
}
