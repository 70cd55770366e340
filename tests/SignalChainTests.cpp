#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

namespace
{
    constexpr double kRate = 48000.0;
    constexpr int kBlock = 480;                         // 10 ms: a 100 ms fade spans exactly ten blocks
    constexpr double kMeterCoefficient = 0.01 / 0.26;  // a 10 ms block against the meter's 250 ms
}

class SignalChain : public ::testing::Test
{
protected:
    void SetUp() override { prepare (*processor, kRate, kBlock); }

    void run (juce::AudioBuffer<float>& b) { processor->processBlock (b, midi); }
    void set (int index, float value) { parameter (*processor, index).setValue (value); }

    /** Runs blocks from ... to - 1 of the tone; true when every output sample was finite. */
    bool runTone (long from, long to, float level = 0.3f)
    {
        bool finite = true;

        for (long k = from; k < to; ++k)
        {
            auto b = tone (kBlock, k * kBlock, 2, level);
            run (b);
            finite = finite && allFinite (b);
        }

        return finite;
    }

    float peakOfSilence()
    {
        juce::AudioBuffer<float> b (2, kBlock);
        b.clear();
        run (b);
        return b.getMagnitude (0, kBlock);
    }

    /** A second instance that has processed the same blocks of the loud tone as this one. */
    std::unique_ptr<TarskAudioProcessor> makeTwin (long blocks)
    {
        auto twin = createProcessor (juce::AudioProcessor::wrapperType_VST3);
        prepare (*twin, kRate, kBlock);

        for (long k = 0; k < blocks; ++k)
        {
            auto a = tone (kBlock, k * kBlock, 2, 1.0f), b = a;
            run (a);
            twin->processBlock (b, midi);
        }

        return twin;
    }

    std::unique_ptr<TarskAudioProcessor> processor = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    juce::MidiBuffer midi;
};

TEST_F (SignalChain, BlocksOfAnyLengthAreProcessedAndSetTheMeterCoefficient)
{
    EXPECT_DOUBLE_EQ (processor->getMeterCoefficient(), kMeterCoefficient);  // from the announced size

    for (int size : { 1, 7, 8192, 20000, 1, 2400 })  // up to far beyond the announced size
    {
        auto b = tone (size);
        run (b);
        EXPECT_TRUE (allFinite (b)) << size;
    }

    EXPECT_DOUBLE_EQ (processor->getMeterCoefficient(), 0.05 / 0.3);

    juce::AudioBuffer<float> empty (2, 0);
    run (empty);
    EXPECT_EQ (processor->getMeterCoefficient(), 0.0);
}

TEST_F (SignalChain, BypassFadesOverOneHundredMillisecondsThenPassesInputBitExactWhileTheMeterFalls)
{
    auto twin = makeTwin (20);  // never bypasses: the processed signal sample for sample
    ASSERT_LT (processor->getGainReductionDb(), -1.0);
    set (kBypass, 1.0f);
    double ramp = 0.0;          // 1/4800 accumulated in double, rounded to float per sample

    for (long k = 20; k < 30; ++k)
    {
        const auto input = tone (kBlock, k * kBlock, 2, 1.0f);
        auto faded = input, processed = input;
        run (faded);
        twin->processBlock (processed, midi);

        for (int i = 0; i < kBlock; ++i)
        {
            const auto w = static_cast<float> (ramp += 1.0 / 4800);

            for (int c = 0; c < 2; ++c)
                ASSERT_EQ (faded.getSample (c, i), processed.getSample (c, i) * (-w + 1.0f) + input.getSample (c, i) * w)
                    << "block " << k << " sample " << i;
        }
    }

    double meter = processor->getGainReductionDb();

    for (long k = 30; k < 40; ++k)
    {
        const auto input = tone (kBlock, k * kBlock, 2, 1.0f);
        auto output = input;
        run (output);
        EXPECT_TRUE (sameSamples (input, output)) << "block " << k;

        meter = (1.0 - kMeterCoefficient) * meter;
        EXPECT_DOUBLE_EQ (processor->getGainReductionDb(), meter);
    }

    // Nothing runs, but a setting changed meanwhile still ramps.
    set (kAnalogOn, 0.0f);
    runTone (40, 41);
    EXPECT_EQ (settled (*processor).analogOn.countdown, 4800 - kBlock);
}

TEST_F (SignalChain, NoiseAndHumSwitchAtOnceAndAnalogOffSilenceIsExact)
{
    EXPECT_GT (peakOfSilence(), 0.0f);  // analog noise and hum

    set (kAnalogOn, 0.0f);
    for (int k = 0; k < 10; ++k)        // the colour fades out over 100 ms
        peakOfSilence();

    EXPECT_EQ (peakOfSilence(), 0.0f);
    EXPECT_EQ (peakOfSilence(), 0.0f);

    set (kAnalogOn, 1.0f);
    EXPECT_GT (peakOfSilence(), 0.0f);  // the first block of the fade-in already has noise
    EXPECT_TRUE (processor->getLiveState().analogOn.isRamping());
}

TEST_F (SignalChain, MeterShowsTheMeanOfTheChannelsDecibelsAndFallsSlowly)
{
    // Left loud then silent, right silent and unlinked: the meter reads the mean of their dB,
    // or its own decayed value while the reduction recovers faster than that.
    int deeper = 0, decaying = 0;

    for (long k = 0; k < 60; ++k)
    {
        auto b = tone (kBlock, k * kBlock, 2, k < 30 ? 1.0f : 0.0f);
        b.clear (1, 0, kBlock);
        const double decayed = (1.0 - kMeterCoefficient) * processor->getGainReductionDb();
        run (b);

        double mean = 0.0;
        for (auto* ch : processor->getCompressor().channels)
            mean += std::max (20.0 * std::log10 (ch->minGain / 22.25), -100.0) * 0.5;

        EXPECT_DOUBLE_EQ (processor->getGainReductionDb(), std::min (mean, decayed)) << "block " << k;
        ++(mean < decayed ? deeper : decaying);
    }

    EXPECT_TRUE (deeper > 0 && decaying > 0);
}

TEST_F (SignalChain, HostBypassOnlyLetsTheMeterFallAndAProgramChangeRestartsIt)
{
    runTone (0, 20, 1.0f);
    const double before = processor->getGainReductionDb();
    const auto mixCountdown = processor->getLiveState().mix.countdown;
    ASSERT_LT (before, -1.0);

    const auto input = tone (kBlock, 0, 2, 1.0f);
    auto output = input;
    processor->processBlockBypassed (output, midi);
    EXPECT_TRUE (sameSamples (input, output));
    EXPECT_DOUBLE_EQ (processor->getGainReductionDb(), (1.0 - kMeterCoefficient) * before);
    EXPECT_EQ (processor->getLiveState().mix.countdown, mixCountdown);

    processor->setCurrentProgram (5);
    settled (*processor);
    EXPECT_EQ (processor->getGainReductionDb(), 0.0);
}

TEST_F (SignalChain, UnpreparedOrReleasedInstancesPassAudioUnchanged)
{
    auto released = createProcessor (juce::AudioProcessor::wrapperType_VST), fresh = createProcessor();
    prepare (*released, kRate, kBlock);
    released->releaseResources();
    EXPECT_EQ (released->getCompressor().channels.size(), 0);
    EXPECT_EQ (released->getTransformer().getNumChannels(), 2);  // the transformer keeps its states

    for (auto* p : { released.get(), fresh.get() })
    {
        const auto input = tone (kBlock);
        auto output = input;
        p->processBlock (output, midi);
        EXPECT_TRUE (sameSamples (input, output));
    }
}

TEST_F (SignalChain, NonFiniteInputRecoversToFiniteOutput)
{
    runTone (0, 5);

    auto bad = tone (kBlock, 5 * kBlock);
    bad.setSample (0, 10, std::numeric_limits<float>::quiet_NaN());
    bad.setSample (1, 20, std::numeric_limits<float>::infinity());
    bad.setSample (0, 30, -std::numeric_limits<float>::infinity());
    bad.setSample (1, 40, std::numeric_limits<float>::max());
    run (bad);

    EXPECT_TRUE (runTone (6, 30));
    EXPECT_TRUE (std::isfinite (processor->getGainReductionDb()));
}

//==============================================================================
TEST (NoiseSource, FollowsTheCLibrarySequenceOfAnUnseededProcess)
{
    NoiseSource noise;
    std::srand (1);  // what an unseeded process starts from

    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ (noise.next(), std::rand()) << "value " << i;

    noise.reset();
    std::srand (1);
    EXPECT_EQ (noise.next(), std::rand());
}
