#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <limits>

// What the chain does at its switches and edges; its sound is pinned by the recorded outputs.

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

    void set (int index, float value) { parameter (*processor, index).setValue (value); }

    /** Processes blocks from ... to - 1 of the tone; returns the peak of the last one. */
    float runTone (long from, long to, float level = 0.3f)
    {
        float peak = 0.0f;
        for (long k = from; k < to; ++k)
        {
            auto b = tone (kBlock, k * kBlock, 2, level);
            processor->processBlock (b, midi);
            EXPECT_TRUE (allFinite (b)) << "block " << k;
            peak = b.getMagnitude (0, kBlock);
        }
        return peak;
    }

    std::unique_ptr<TarskAudioProcessor> processor = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    juce::MidiBuffer midi;
};

TEST_F (SignalChain, BypassedAudioIsTheInputBitForBitWhileTheMeterFalls)
{
    runTone (0, 20, 1.0f);
    set (kBypass, 1.0f);
    runTone (20, 30, 1.0f);  // the 100 ms fade

    double meter = processor->getGainReductionDb();
    ASSERT_LT (meter, -1.0);
    for (long k = 30; k < 35; ++k)
    {
        const auto input = tone (kBlock, k * kBlock, 2, 1.0f);
        auto output = input;
        processor->processBlock (output, midi);
        EXPECT_TRUE (sameSamples (input, output)) << "block " << k;
        EXPECT_DOUBLE_EQ (processor->getGainReductionDb(), meter *= 1.0 - kMeterCoefficient);
    }

    // Nothing runs, but a setting changed meanwhile still ramps.
    set (kAnalogOn, 0.0f);
    runTone (35, 36);
    EXPECT_EQ (settled (*processor).analogOn.countdown, 4800 - kBlock);
}

TEST_F (SignalChain, UnpreparedReleasedOrShortOfChannelsAudioPassesUnchanged)
{
    auto released = createProcessor (juce::AudioProcessor::wrapperType_VST), fresh = createProcessor();
    prepare (*released, kRate, kBlock);
    released->releaseResources();

    for (auto [p, channels] : { std::pair (released.get(), 2), { fresh.get(), 2 }, { processor.get(), 1 } })
    {
        const auto input = tone (kBlock, 0, channels);
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
    processor->processBlock (bad, midi);

    runTone (6, 30);
    EXPECT_TRUE (std::isfinite (processor->getGainReductionDb()));
}
