#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

class CompressorSettings : public ::testing::Test
{
protected:
    void set (int index, float value) { parameter (*processor, index).setValue (value); }

    const OrvikQ4Compression& compressor()
    {
        processor->applyPendingSettings();
        return processor->getCompressor();
    }

    const float* coefficients (int channel)
    {
        return compressor().channels[channel]->sidechainFilter.filter.coefficientData();
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

TEST_F (CompressorSettings, SteppedResistancesFollowTheTimingChoices)
{
    set (kMix, 0.5f);  // any change re-derives the settings
    EXPECT_EQ (compressor().attackResistance.target, 97000.0);
    EXPECT_EQ (compressor().releaseResistance.target, 255000.0);

    set (kAttack, 0.0f);
    EXPECT_EQ (compressor().attackResistance.target, 467.73);

    set (kAttack, 0.5f);
    set (kRelease, 0.5f);
    EXPECT_EQ (compressor().attackResistance.target, 22467.07);
    EXPECT_EQ (compressor().releaseResistance.target, 942517.99);

    set (kRelease, 1.0f);
    EXPECT_EQ (compressor().releaseResistance.target, 4590000.0);

    // A choice outside the table leaves its resistance alone.
    set (kRelease, 1.6f);
    EXPECT_EQ (compressor().releaseResistance.target, 4590000.0);
}

TEST_F (CompressorSettings, ContinuousResistancesSpanTheirRanges)
{
    set (kContOn, 1.0f);
    set (kContAttack, 0.0f);
    set (kContRelease, 0.0f);
    EXPECT_EQ (compressor().attackResistance.target, 100000.0);   // 1 / (1/0 + ...) = 0
    EXPECT_EQ (compressor().releaseResistance.target, 5000000.0);

    set (kContAttack, 1.0f);
    set (kContRelease, 1.0f);
    EXPECT_NEAR (compressor().attackResistance.target, 467.80, 0.005);
    EXPECT_NEAR (compressor().releaseResistance.target, 256166.98, 0.005);

    set (kContAttack, 0.5f);
    set (kContRelease, 0.5f);
    EXPECT_NEAR (compressor().attackResistance.target, 50465.62, 0.005);
    EXPECT_NEAR (compressor().releaseResistance.target, 2743682.31, 0.005);

    // Switching the continuous mode off goes back to the stepped values.
    set (kContOn, 0.0f);
    EXPECT_EQ (compressor().attackResistance.target, 97000.0);
}

TEST_F (CompressorSettings, FirstUpdateAppliesTheProcessorsThresholdScale)
{
    EXPECT_EQ (processor->getCompressor().thresholdScale, 0.6);

    set (kMix, 1.0f);
    const auto& c = compressor();
    const double x = 2000.0 * 0.544;

    EXPECT_EQ (c.thresholdScale, 0.544);
    EXPECT_EQ (c.ratioIndex, 0);
    EXPECT_EQ (c.ratioDivider.target, 0.348717949);
    EXPECT_EQ (c.thresholdVoltage.target, ((150.0 + x) / (x + 4401.0)) * -10.0);
    EXPECT_EQ (c.biasVoltage.target, -3.04735 * 0.544);
}

TEST_F (CompressorSettings, UnrelatedChangeLeavesRunningRampsAlone)
{
    prepare (*processor, 44100.0, 512);
    set (kRatio, 1.0f);
    set (kAttack, 0.0f);
    runSamples (100);

    const auto countdown = compressor().thresholdVoltage.countdown;
    const auto attackCountdown = compressor().attackResistance.countdown;
    ASSERT_GT (countdown, 0);

    set (kMix, 0.7f);

    EXPECT_EQ (compressor().thresholdVoltage.countdown, countdown);
    EXPECT_EQ (compressor().attackResistance.countdown, attackCountdown);
    EXPECT_EQ (compressor().ratioIndex, 2);
}

TEST_F (CompressorSettings, HighPassOnFromOffUsesTheNewSetAtOnce)
{
    prepare (*processor, 44100.0, 512);
    set (kHPF, 0.5f);

    for (int ch = 0; ch < 2; ++ch)
    {
        const float* c = coefficients (ch);
        EXPECT_NEAR (c[0], 0.989976, 1.0e-6);
        EXPECT_NEAR (c[1], -1.979952, 1.0e-6);
        EXPECT_NEAR (c[2], 0.989976, 1.0e-6);
        EXPECT_NEAR (c[3], -1.979852, 1.0e-6);
        EXPECT_NEAR (c[4], 0.980053, 1.0e-6);

        const auto& f = compressor().channels[ch]->sidechainFilter;
        EXPECT_EQ (f.mix.target, 1.0);
        EXPECT_TRUE (f.mix.isRamping());  // fades in from the dry side chain
    }

    EXPECT_EQ (compressor().hpfIndex, 1);
}

TEST_F (CompressorSettings, RetuningGlidesToTheNewCornerWithoutAFade)
{
    prepare (*processor, 44100.0, 512);
    set (kHPF, 0.5f);
    runSamples (5000);

    set (kHPF, 1.0f);
    const auto& f = compressor().channels[0]->sidechainFilter;
    EXPECT_TRUE (f.morph.isRamping());
    EXPECT_FALSE (f.mix.isRamping());

    runSamples (4410);

    const float* c = coefficients (0);
    EXPECT_NEAR (c[0], 0.970228, 1.0e-6);
    EXPECT_NEAR (c[1], -1.940457, 1.0e-6);
    EXPECT_NEAR (c[3], -1.939570, 1.0e-6);
    EXPECT_NEAR (c[4], 0.941343, 1.0e-6);
}

TEST_F (CompressorSettings, SwitchingOffFadesWithoutTouchingTheCoefficients)
{
    prepare (*processor, 44100.0, 512);
    set (kHPF, 1.0f);
    runSamples (5000);

    std::vector<float> before (coefficients (1), coefficients (1) + 5);
    set (kHPF, 0.0f);

    EXPECT_EQ (compressor().channels[1]->sidechainFilter.mix.target, 0.0);
    EXPECT_EQ (std::vector<float> (coefficients (1), coefficients (1) + 5), before);
    EXPECT_EQ (compressor().hpfIndex, 0);
}

TEST_F (CompressorSettings, SameChoiceAgainDoesNotRestartTheGlide)
{
    prepare (*processor, 44100.0, 512);
    set (kHPF, 0.5f);
    runSamples (1000);

    const auto countdown = compressor().channels[0]->sidechainFilter.morph.countdown;
    set (kHPF, 0.6f);  // still "100Hz"
    EXPECT_EQ (compressor().channels[0]->sidechainFilter.morph.countdown, countdown);
}

TEST_F (CompressorSettings, ChoiceMadeBeforePreparationIsAppliedByIt)
{
    set (kHPF, 0.5f);
    EXPECT_EQ (compressor().hpfIndex, 1);
    EXPECT_EQ (compressor().channels.size(), 0);

    prepare (*processor, 44100.0, 512);

    const auto& f = compressor().channels[0]->sidechainFilter;
    EXPECT_EQ (compressor().hpfIndex, 1);
    EXPECT_EQ (f.mix.current, 1.0);  // in place from the first sample, no fade
    EXPECT_FALSE (f.mix.isRamping());
    EXPECT_NEAR (coefficients (0)[0], 0.989976, 1.0e-6);
}

TEST_F (CompressorSettings, PreparationSnapsEverySetting)
{
    set (kRatio, 1.0f);
    set (kAttack, 0.0f);
    prepare (*processor, 48000.0, 512);

    const auto& c = compressor();

    for (auto* ramp : { &c.ratioDivider, &c.thresholdVoltage, &c.biasVoltage, &c.attackResistance, &c.releaseResistance })
    {
        EXPECT_FALSE (ramp->isRamping());
        EXPECT_EQ (ramp->current, ramp->target);
        EXPECT_EQ (ramp->steps, 4800);
    }

    EXPECT_EQ (c.ratioDivider.target, 0.548387097);
    EXPECT_EQ (c.attackResistance.current, 467.73);
}
