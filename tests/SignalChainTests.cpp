#include "ProcessorTestUtils.h"
#include "ReferenceCompressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

namespace
{
    constexpr double kRate = 48000.0;
    constexpr int kBlock = 480;  // 10 ms: a 100 ms fade spans exactly ten blocks

    /** A stereo block of a loud-ish tone with a different level per channel. */
    juce::AudioBuffer<float> tone (int numSamples, long start = 0, int channels = 2, float level = 0.3f)
    {
        juce::AudioBuffer<float> b (channels, numSamples);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < numSamples; ++i)
                b.setSample (c, i, level * (c == 0 ? 1.0f : 0.6f) * std::sin (0.031f * (float) (start + i)));

        return b;
    }

    bool sameSamples (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
            return false;

        for (int c = 0; c < a.getNumChannels(); ++c)
            if (std::memcmp (a.getReadPointer (c), b.getReadPointer (c), sizeof (float) * (size_t) a.getNumSamples()) != 0)
                return false;

        return true;
    }

    bool allFinite (const juce::AudioBuffer<float>& b)
    {
        for (int c = 0; c < b.getNumChannels(); ++c)
            for (int i = 0; i < b.getNumSamples(); ++i)
                if (! std::isfinite (b.getSample (c, i)))
                    return false;

        return true;
    }

    float peak (const juce::AudioBuffer<float>& b)
    {
        return b.getMagnitude (0, b.getNumSamples());
    }
}

class SignalChain : public ::testing::Test
{
protected:
    void SetUp() override { prepare (*processor, kRate, kBlock); }

    void run (juce::AudioBuffer<float>& b) { processor->processBlock (b, midi); }

    juce::AudioBuffer<float> runTone (long start, float level = 0.3f)
    {
        auto b = tone (kBlock, start, 2, level);
        run (b);
        return b;
    }

    void set (int index, float value) { parameter (*processor, index).setValue (value); }

    std::unique_ptr<TarskAudioProcessor> processor = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    juce::MidiBuffer midi;
};

TEST_F (SignalChain, EmptyBlockChangesNothingAndZeroesTheMeterCoefficient)
{
    juce::AudioBuffer<float> empty (2, 0);
    run (empty);
    EXPECT_EQ (processor->getMeterCoefficient(), 0.0);
}

TEST_F (SignalChain, MeterCoefficientFollowsTheBlockLength)
{
    EXPECT_DOUBLE_EQ (processor->getMeterCoefficient(), 0.01 / 0.26);
    auto b = tone (2400);
    run (b);
    EXPECT_DOUBLE_EQ (processor->getMeterCoefficient(), 0.05 / 0.3);
}

TEST_F (SignalChain, SettledBypassPassesInputBitExactAndLetsTheMeterFall)
{
    for (long k = 0; k < 20; ++k)
        runTone (k * kBlock, 1.0f);

    const double reduced = processor->getGainReductionDb();
    ASSERT_LT (reduced, -1.0);

    set (kBypass, 1.0f);

    for (long k = 20; k < 30; ++k)
        runTone (k * kBlock, 1.0f);  // the 100 ms fade

    double meter = processor->getGainReductionDb();
    const double coefficient = 0.01 / 0.26;

    for (long k = 30; k < 40; ++k)
    {
        auto input = tone (kBlock, k * kBlock, 2, 1.0f);
        auto output = input;
        run (output);

        EXPECT_TRUE (sameSamples (input, output)) << "block " << k;
        meter = (1.0 - coefficient) * meter;
        EXPECT_DOUBLE_EQ (processor->getGainReductionDb(), meter);
    }
}

TEST_F (SignalChain, AnalogChangeWhileBypassedRampsInTheBackground)
{
    set (kBypass, 1.0f);

    for (long k = 0; k < 10; ++k)
        runTone (k * kBlock);

    set (kAnalogOn, 0.0f);
    runTone (10 * kBlock);

    settled (*processor);
    EXPECT_EQ (processor->getLiveState().analogOn.countdown, 4800 - kBlock);
}

TEST_F (SignalChain, BypassFadesFromProcessedToDryOverOneHundredMilliseconds)
{
    // A twin that never bypasses gives the processed signal sample for sample (same state,
    // same noise), so the fade can be checked exactly.
    auto twin = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    prepare (*twin, kRate, kBlock);

    for (long k = 0; k < 5; ++k)
    {
        auto a = tone (kBlock, k * kBlock), b = a;
        run (a);
        twin->processBlock (b, midi);
        ASSERT_TRUE (sameSamples (a, b));
    }

    set (kBypass, 1.0f);

    // The fade weight: 1/4800 accumulated sample by sample, rounded to float per sample.
    double ramp = 0.0;
    const double step = 1.0 / 4800;

    for (long k = 5; k < 15; ++k)
    {
        const auto input = tone (kBlock, k * kBlock);
        auto faded = input, processed = input;
        run (faded);
        twin->processBlock (processed, midi);

        std::vector<float> weights ((size_t) kBlock);

        for (int i = 0; i < kBlock; ++i)
        {
            ramp += step;
            weights[(size_t) i] = static_cast<float> (ramp);
        }

        for (int c = 0; c < 2; ++c)
        {
            for (int i = 0; i < kBlock; ++i)
            {
                const float wf = weights[(size_t) i];
                const float keep = -wf + 1.0f;
                const float expected = processed.getSample (c, i) * keep + input.getSample (c, i) * wf;
                ASSERT_EQ (faded.getSample (c, i), expected) << "block " << k << " sample " << i;
            }
        }
    }

    // The first block after the fade takes the settled path: the input comes back unchanged.
    const auto input = tone (kBlock, 15 * kBlock);
    auto output = input;
    run (output);
    EXPECT_TRUE (sameSamples (input, output));
}

TEST_F (SignalChain, AnalogOffWithSilenceGivesExactSilence)
{
    set (kAnalogOn, 0.0f);

    for (long k = 0; k < 12; ++k)
    {
        juce::AudioBuffer<float> silence (2, kBlock);
        silence.clear();
        run (silence);

        if (k >= 11)  // after the colour has faded out
            EXPECT_EQ (peak (silence), 0.0f);
    }
}

TEST_F (SignalChain, NoiseAndHumSwitchAtOnceWhileTheColourFades)
{
    juce::AudioBuffer<float> silence (2, kBlock);
    silence.clear();
    run (silence);
    EXPECT_GT (peak (silence), 0.0f);  // analog noise and hum

    set (kAnalogOn, 0.0f);

    for (long k = 0; k < 11; ++k)
    {
        silence.clear();
        run (silence);
    }

    silence.clear();
    run (silence);
    EXPECT_EQ (peak (silence), 0.0f);

    set (kAnalogOn, 1.0f);
    silence.clear();
    run (silence);
    EXPECT_GT (peak (silence), 0.0f);  // the first block already has noise
    EXPECT_TRUE (processor->getLiveState().analogOn.isRamping());
}

TEST_F (SignalChain, AnalogOffIsTheCompressorOnTheDrivenInputWithoutClip)
{
    set (kAnalogOn, 0.0f);
    set (kMix, 0.0f);  // dry compressor: its output is the driven input itself

    for (long k = 0; k < 12; ++k)
        runTone (k * kBlock);

    // 3.0 driven by 7.65 is far above the clip level of 16, and comes back unclipped.
    auto b = tone (kBlock, 0, 2, 3.0f);
    const auto input = b;
    run (b);

    const float drive = static_cast<float> (7.65);
    const float inverse = static_cast<float> (1.0 / 7.65);

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kBlock; ++i)
            ASSERT_EQ (b.getSample (c, i), (input.getSample (c, i) * drive) * inverse);
}

TEST_F (SignalChain, MeterShowsTheMeanOfTheChannelsDecibels)
{
    // Left loud and compressed, right silent and unlinked: the meter reads their mean in dB.
    for (long k = 0; k < 30; ++k)
    {
        auto b = tone (kBlock, k * kBlock, 2, 1.0f);
        b.clear (1, 0, kBlock);
        const double before = processor->getGainReductionDb();
        run (b);

        settled (*processor);
        const auto& channels = processor->getCompressor().channels;
        double mean = 0.0;

        for (auto* ch : channels)
            mean += std::max (20.0 * std::log10 (ch->minGain / 22.25), -100.0) * 0.5;

        const double decayed = (1.0 - processor->getMeterCoefficient()) * before;
        EXPECT_DOUBLE_EQ (processor->getGainReductionDb(), std::min (mean, decayed));
    }

    EXPECT_LT (processor->getGainReductionDb(), -0.5);
}

TEST_F (SignalChain, HostBypassOnlyLetsTheMeterFall)
{
    for (long k = 0; k < 20; ++k)
        runTone (k * kBlock, 1.0f);

    const double before = processor->getGainReductionDb();
    auto input = tone (kBlock, 0, 2, 1.0f), output = input;
    const auto rampBefore = processor->getLiveState().mix;

    processor->processBlockBypassed (output, midi);

    EXPECT_TRUE (sameSamples (input, output));
    EXPECT_DOUBLE_EQ (processor->getGainReductionDb(), (1.0 - 0.01 / 0.26) * before);
    EXPECT_EQ (processor->getLiveState().mix.countdown, rampBefore.countdown);
}

TEST_F (SignalChain, ProgramChangeRestartsTheMeterAtZero)
{
    for (long k = 0; k < 20; ++k)
        runTone (k * kBlock, 1.0f);

    ASSERT_LT (processor->getGainReductionDb(), -1.0);
    processor->setCurrentProgram (5);
    settled (*processor);
    EXPECT_EQ (processor->getGainReductionDb(), 0.0);
}

TEST_F (SignalChain, MonoInstanceProcessesOneChannel)
{
    auto mono = createProcessor();
    prepare (*mono, kRate, kBlock, 1);

    EXPECT_EQ (mono->getCompressor().channels.size(), 1);

    for (long k = 0; k < 10; ++k)
    {
        auto b = tone (kBlock, k * kBlock, 1);
        mono->processBlock (b, midi);
        EXPECT_TRUE (allFinite (b));
    }
}

TEST_F (SignalChain, VST3ReleaseKeepsEverythingForTheNextBlock)
{
    auto twin = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    prepare (*twin, kRate, kBlock);

    for (long k = 0; k < 3; ++k)
    {
        auto a = tone (kBlock, k * kBlock), b = a;
        run (a);
        twin->processBlock (b, midi);
    }

    processor->releaseResources();

    auto a = tone (kBlock, 3 * kBlock), b = a;
    run (a);
    twin->processBlock (b, midi);
    EXPECT_TRUE (sameSamples (a, b));
}

TEST_F (SignalChain, OtherWrappersReleaseAndPassAudioUntilPreparedAgain)
{
    auto vst = createProcessor (juce::AudioProcessor::wrapperType_VST);
    prepare (*vst, kRate, kBlock);
    vst->releaseResources();

    EXPECT_EQ (vst->getCompressor().channels.size(), 0);
    EXPECT_EQ (vst->getTransformer().getNumChannels(), 2);  // the transformer keeps its states

    const auto input = tone (kBlock);
    auto output = input;
    vst->processBlock (output, midi);
    EXPECT_TRUE (sameSamples (input, output));
}

TEST_F (SignalChain, ProcessingBeforePreparationLeavesAudioAlone)
{
    auto fresh = createProcessor();
    const auto input = tone (kBlock);
    auto output = input;
    fresh->processBlock (output, midi);
    EXPECT_TRUE (sameSamples (input, output));
}

TEST_F (SignalChain, OddBlockSizesStayFiniteAndInBounds)
{
    for (int size : { 1, 7, kBlock, 8192, 20000, 1 })
    {
        auto b = tone (size);
        run (b);
        EXPECT_TRUE (allFinite (b)) << size;
    }
}

TEST_F (SignalChain, NonFiniteInputRecoversToFiniteOutput)
{
    for (long k = 0; k < 5; ++k)
        runTone (k * kBlock);

    auto bad = tone (kBlock, 5 * kBlock);
    bad.setSample (0, 10, std::numeric_limits<float>::quiet_NaN());
    bad.setSample (1, 20, std::numeric_limits<float>::infinity());
    bad.setSample (0, 30, -std::numeric_limits<float>::infinity());
    bad.setSample (1, 40, std::numeric_limits<float>::max());
    run (bad);

    for (long k = 6; k < 30; ++k)
    {
        auto b = runTone (k * kBlock);
        ASSERT_TRUE (allFinite (b)) << "block " << k;
    }

    EXPECT_TRUE (std::isfinite (processor->getGainReductionDb()));
}

TEST_F (SignalChain, DenormalInputStaysCheapAndFinite)
{
    juce::AudioBuffer<float> tiny (2, kBlock);

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kBlock; ++i)
            tiny.setSample (c, i, std::numeric_limits<float>::denorm_min() * (float) (i % 5));

    run (tiny);
    EXPECT_TRUE (allFinite (tiny));
}

//==============================================================================
// With the analog colour off the chain is: drive, the compressor, the inverse drive. The
// expected output comes from the plain circuit statement, set up by hand from the settings'
// definitions (gain mapping, stepped resistances, ratio row at the processor's threshold scale).
TEST (SignalChainGolden, AnalogOffChainIsDriveCompressorAndInverseDrive)
{
    constexpr double rate = 48000.0;
    constexpr int steps = 4800;
    const float inputKnob = 0.8f;

    auto processor = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    parameter (*processor, kAnalogOn).setValue (0.0f);
    parameter (*processor, kInput).setValue (inputKnob);
    parameter (*processor, kRatio).setValue (0.5f);
    parameter (*processor, kAttack).setValue (0.0f);
    prepare (*processor, rate, 256);

    ProgramState live;
    const double v = inputKnob;
    live.input.setTarget (std::min (std::max (2.125 * v - 1.125, 0.25 * v), v));
    live.forEachRamp ([] (RampedValue& r) { r.setRampLength (steps); r.snapToTarget(); });

    // The settings were changed before preparation, so the capacitors start at their bias.
    reference::Compressor straight (&live);
    straight.thresholdScale = 0.544;
    straight.attackResistance.setTarget (467.73);
    straight.releaseResistance.setTarget (255000.0);
    straight.setRatio (1, true);
    straight.prepareToPlay (rate, 2);

    for (auto* r : { &straight.ratioDivider, &straight.thresholdVoltage, &straight.biasVoltage,
                     &straight.attackResistance, &straight.releaseResistance })
        r->snapToTarget();

    for (auto& ch : straight.channels)
        ch->sidechainFilter.mix.snapToTarget();

    const float drive = static_cast<float> (7.65);
    const float inverse = static_cast<float> (1.0 / 7.65);
    juce::MidiBuffer midi;
    juce::ScopedNoDenormals noDenormals;

    for (long k = 0; k < 120; ++k)
    {
        if (k == 40)  // a Mix change mid-run ramps in both
        {
            parameter (*processor, kMix).setValue (0.6f);
            live.mix.setTarget (0.6f);
        }

        auto actual = tone (256, k * 256, 2, k < 80 ? 0.5f : 0.05f);
        auto expected = actual;
        processor->processBlock (actual, midi);

        float* channels[] = { expected.getWritePointer (0), expected.getWritePointer (1) };

        for (auto* x : channels)
            for (int i = 0; i < 256; ++i)
                x[i] *= drive;

        straight.processSamples (channels, 256);

        for (auto* x : channels)
            for (int i = 0; i < 256; ++i)
                x[i] *= inverse;

        ASSERT_TRUE (sameSamples (actual, expected)) << "block " << k;
    }

    EXPECT_LT (processor->getGainReductionDb(), -3.0);  // the compressor really worked
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
