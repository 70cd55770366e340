#include "ReferenceCompressor.h"
#include "dsp/OrvikQ4Compression.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace
{
    using Block = std::vector<std::vector<float>>;

    /** Settles every ramp of the live settings and the compressor, as the processor's
        preparation does after it has derived the settings. */
    template <typename Compressor>
    void settle (Compressor& compressor, ProgramState& live, double sampleRate)
    {
        const int steps = RampedValue::rampLengthFor (sampleRate);
        live.forEachRamp ([steps] (RampedValue& r) { r.setRampLength (steps); r.snapToTarget(); });

        for (auto* ramp : { &compressor.ratioDivider, &compressor.thresholdVoltage, &compressor.biasVoltage,
                            &compressor.attackResistance, &compressor.releaseResistance })
            ramp->snapToTarget();

        for (auto& channel : compressor.channels)
        {
            channel->sidechainFilter.morph.current = channel->sidechainFilter.morph.target = 1.0;
            channel->sidechainFilter.morph.countdown = 0;
            channel->sidechainFilter.mix.snapToTarget();
        }
    }

    /** Second-order Butterworth high-pass as the processor designs the side-chain filter. */
    juce::IIRCoefficients highPass (double cornerHz, double sampleRate)
    {
        const double k = std::tan (juce::MathConstants<double>::pi * cornerHz / sampleRate);
        const double c = 1.0 / (1.0 + std::sqrt (2.0) * k + k * k);
        juce::IIRCoefficients hp;
        hp.coefficients[0] = static_cast<float> (c);
        hp.coefficients[1] = static_cast<float> (-2.0 * c);
        hp.coefficients[2] = static_cast<float> (c);
        hp.coefficients[3] = static_cast<float> (2.0 * (k * k - 1.0) * c);
        hp.coefficients[4] = static_cast<float> ((1.0 - std::sqrt (2.0) * k + k * k) * c);
        return hp;
    }

    /** A deterministic programme: tone and noise in 120 ms bursts, a very loud stretch at
        1.0 ... 1.05 s and silence from 1.1 s; each channel differs. */
    float programmeAt (int channel, int i, double sampleRate)
    {
        const double t = i / sampleRate;

        if (t >= 1.1)
            return 0.0f;

        std::uint32_t h = static_cast<std::uint32_t> (i) * 2654435761u + static_cast<std::uint32_t> (channel) * 40503u;
        h ^= h >> 15;
        h *= 2246822519u;
        h ^= h >> 13;
        const double noise = static_cast<double> (h & 0xffff) / 32768.0 - 1.0;
        const double tone = std::sin (2.0 * juce::MathConstants<double>::pi * (90.0 + 40.0 * channel) * t);
        const double level = (t >= 1.0 && t < 1.05) ? 40.0 : 1.9 * (0.2 + std::exp (-std::fmod (t + 0.03 * channel, 0.12) * 20.0));
        return static_cast<float> (level * (0.6 * tone + 0.4 * noise));
    }

    //==============================================================================
    class CompressorTest : public ::testing::Test
    {
    protected:
        void prepare (double sampleRate, int numChannels)
        {
            compressor->prepareToPlay (sampleRate, numChannels);
            settle (*compressor, live, sampleRate);
        }

        /** Processes a block in place; every channel holds the same number of samples. */
        void process (Block& block)
        {
            std::vector<float*> pointers;

            for (auto& channel : block)
                pointers.push_back (channel.data());

            compressor->processSamples (pointers.data(), block.empty() ? 0 : (int) block[0].size());
        }

        /** Processes one sample of every channel; returns the outputs. */
        std::vector<float> processFrame (std::vector<float> frame)
        {
            Block block;

            for (float x : frame)
                block.push_back ({ x });

            process (block);

            for (size_t c = 0; c < frame.size(); ++c)
                frame[c] = block[c][0];

            return frame;
        }

        CompressorChannel& channel (int c) { return *compressor->channels[c]; }

        ProgramState live;
        std::unique_ptr<OrvikQ4Compression> compressor = std::make_unique<OrvikQ4Compression> (&live);
    };
}

//==============================================================================
TEST_F (CompressorTest, GainTableHasItsCheckValuesAndNeverFalls)
{
    const auto& table = compressor->getGainTable();
    EXPECT_EQ (table[0], 0.5842451f);
    EXPECT_EQ (table[16384], 5.0005426f);
    EXPECT_EQ (table[20000], 21.289249f);
    EXPECT_EQ (table[32767], 22.25f);
    EXPECT_LT (table[28341], 22.25f);

    for (size_t i = 1; i < table.size(); ++i)
    {
        ASSERT_GE (table[i], table[i - 1]) << i;
        ASSERT_LE (table[i], 22.25f) << i;

        if (i >= 28342)
        {
            ASSERT_EQ (table[i], 22.25f) << i;
        }
    }
}

TEST_F (CompressorTest, RatioRowsFollowTheThresholdScale)
{
    // Construction: row 0 at scale 0.6, ramping from 0 over 100 samples.
    EXPECT_EQ (compressor->ratioDivider.target, 0.348717949);
    EXPECT_NEAR (compressor->thresholdVoltage.target, -2.41028387787895, 1.0e-14);
    EXPECT_NEAR (compressor->biasVoltage.target, -1.82841, 1.0e-14);
    EXPECT_EQ (compressor->thresholdVoltage.countdown, 100);

    compressor->setRatio (1, false);
    EXPECT_EQ (compressor->ratioDivider.target, 0.364102564);
    EXPECT_NEAR (compressor->thresholdVoltage.target, -1401.0 / 5601.0 * 10.0, 1.0e-14);

    // The same row again without force changes nothing, not even a running ramp.
    compressor->ratioDivider.next();
    const auto countdown = compressor->ratioDivider.countdown;
    compressor->thresholdScale = 0.544;
    compressor->setRatio (1, false);
    EXPECT_EQ (compressor->ratioDivider.countdown, countdown);
    EXPECT_NEAR (compressor->biasVoltage.target, -1.82841, 1.0e-14);

    compressor->setRatio (1, true);
    EXPECT_NEAR (compressor->thresholdVoltage.target, -1289.0 / 5489.0 * 10.0, 1.0e-14);
    EXPECT_NEAR (compressor->biasVoltage.target, -3.04735 * 0.544, 1.0e-14);

    // An unknown row is remembered but changes nothing; row 0 then applies.
    compressor->setRatio (3, false);
    EXPECT_EQ (compressor->ratioIndex, 3);
    EXPECT_EQ (compressor->ratioDivider.target, 0.364102564);
    compressor->setRatio (0, false);
    EXPECT_EQ (compressor->ratioDivider.target, 0.348717949);

    compressor->setRatio (2, false);
    EXPECT_EQ (compressor->ratioDivider.target, 0.548387097);
    EXPECT_NEAR (compressor->thresholdVoltage.target, -1238.0 / 3438.0 * 10.0, 1.0e-14);
    EXPECT_NEAR (compressor->biasVoltage.target, -4.16949 * 0.544, 1.0e-14);
}

TEST_F (CompressorTest, PreparationSettlesTheSettingsAndRebuildsEveryChannel)
{
    compressor->hpfIndex = 2;
    compressor->prepareToPlay (48000.0, 2);

    for (auto* ramp : { &compressor->ratioDivider, &compressor->thresholdVoltage, &compressor->biasVoltage,
                        &compressor->attackResistance, &compressor->releaseResistance })
    {
        EXPECT_EQ (ramp->steps, 4800);
        EXPECT_FALSE (ramp->isRamping());
        EXPECT_EQ (ramp->current, ramp->target);
    }

    EXPECT_EQ (compressor->hpfIndex, 0);
    ASSERT_EQ (compressor->channels.size(), 2);

    for (auto* ch : compressor->channels)
    {
        EXPECT_EQ (ch->attackNetwork.voltage, compressor->biasVoltage.target);
        EXPECT_EQ (ch->releaseNetwork.voltage, compressor->biasVoltage.target);
        EXPECT_EQ (ch->outputStage.maxStep, 62.5);
        EXPECT_EQ (ch->lastGain, 1.0);
        EXPECT_EQ (ch->sidechainFilter.mix.target, 0.0);  // the identity filter fades out
        EXPECT_EQ (ch->sidechainFilter.mix.steps, 4800);
    }

    compressor->prepareToPlay (44100.0, 1);
    ASSERT_EQ (compressor->channels.size(), 1);
    EXPECT_NEAR (channel (0).outputStage.maxStep, 68.027, 1.0e-3);
    EXPECT_EQ (channel (0).outputStage.gain, 3.540920640548366);
    EXPECT_NEAR (juce::Decibels::gainToDecibels (compressor->getMaxGainFallPerSample()), 4.535, 1.0e-3);
    EXPECT_NEAR (juce::Decibels::gainToDecibels (compressor->getMaxGainRisePerSample()), 0.00907, 1.0e-5);
}

TEST_F (CompressorTest, SilenceTakesOneSolverRoundAndRelaxesTheCircuit)
{
    prepare (48000.0, 1);
    live.input.setTarget (1.0);
    live.input.snapToTarget();
    for (int i = 0; i < 200; ++i)
        processFrame ({ 3.0f * std::sin ((float) i * 0.2f) });

    const double bias = compressor->biasVoltage.target;
    const auto controlDistance = [this, bias]
    {
        return std::abs ((channel (0).attackNetwork.voltage + channel (0).releaseNetwork.voltage) * 0.5 - bias);
    };
    const double attackDistance = std::abs (channel (0).attackNetwork.voltage - bias);
    const double startDistance = controlDistance();
    ASSERT_GT (attackDistance, 0.1);

    for (int i = 0; i < 2000; ++i)
    {
        ASSERT_EQ (processFrame ({ 0.0f })[0], 0.0f) << i;  // the output stage is back at 0 at once
        ASSERT_EQ (channel (0).lastSolverRounds, 1);
    }

    EXPECT_LT (std::abs (channel (0).attackNetwork.voltage - bias), 0.5 * attackDistance);
    EXPECT_LT (controlDistance(), startDistance);
}

TEST_F (CompressorTest, TheSolvedGainMovesWithinThePerSampleLimits)
{
    prepare (48000.0, 1);
    live.input.setTarget (1.0);
    live.input.snapToTarget();
    const auto& table = compressor->getGainTable();
    const double fall = compressor->getMaxGainFallPerSample();
    const double rise = compressor->getMaxGainRisePerSample();
    bool fallLimitReached = false;

    for (int i = 0; i < 2000; ++i)
    {
        const double previous = channel (0).lastGain;
        processFrame ({ i < 100 ? 0.0f : 2.0f * std::sin ((float) i * 0.05f) });

        const auto& ch = channel (0);

        if (ch.lastDetectorLevel < 1.0e-3)
            continue;

        const double gain = ch.lastLevel / ch.lastDetectorLevel;
        const double lowest = std::max (previous / fall - 5.0e-6, (double) table.front());
        const double highest = std::min (previous * rise + 5.0e-6, (double) table.back());
        ASSERT_GE (gain, lowest * (1.0 - 1.0e-12)) << i;
        ASSERT_LE (gain, highest * (1.0 + 1.0e-12)) << i;
        fallLimitReached = fallLimitReached || gain < lowest * (1.0 + 1.0e-4);
    }

    EXPECT_TRUE (fallLimitReached);
}

TEST_F (CompressorTest, TheSolverStopsAtItsWidthOrAfterTwentyRounds)
{
    prepare (48000.0, 1);
    live.input.setTarget (1.0);
    live.input.snapToTarget();

    processFrame ({ 0.5f });
    EXPECT_GT (channel (0).lastSolverRounds, 2);
    EXPECT_LT (channel (0).lastSolverRounds, 20);

    processFrame ({ 1.0e7f });  // twenty halvings cannot reach the width
    EXPECT_EQ (channel (0).lastSolverRounds, 20);
}

TEST_F (CompressorTest, TheDriveIsLimitedInTheSolverButNotInTheCommit)
{
    compressor->attackResistance.setTarget (467.73);
    prepare (48000.0, 1);
    live.input.setTarget (1.0);
    live.input.snapToTarget();

    processFrame ({ 2000.0f });
    EXPECT_GT (channel (0).attackNetwork.voltage, compressor->thresholdVoltage.target + 16.0);
}

TEST_F (CompressorTest, TheOutputStageSlewsAndClipsAtItsRails)
{
    prepare (384000.0, 1);  // 3 V/us: 7.8125 V per sample
    live.output.setTarget (1.0);
    live.output.snapToTarget();

    EXPECT_EQ (processFrame ({ 100.0f })[0], 7.8125f);
    EXPECT_EQ (processFrame ({ 100.0f })[0], 15.0f);
    EXPECT_EQ (processFrame ({ -100.0f })[0], 7.1875f);
}

TEST_F (CompressorTest, TheStereoLinkBlendsTheChannelsDetectors)
{
    prepare (48000.0, 2);
    processFrame ({ 1.0f, 0.0f });
    EXPECT_GT (channel (0).lastDetectorLevel, 0.0);
    EXPECT_EQ (channel (1).lastDetectorLevel, 0.0);

    live.linkOn.setTarget (1.0);
    live.stereoLink.setTarget (1.0);
    settle (*compressor, live, 48000.0);
    processFrame ({ 1.0f, 0.0f });
    EXPECT_GT (channel (1).lastDetectorLevel, 0.0);
    EXPECT_EQ (channel (1).lastDetectorLevel, channel (0).lastDetectorLevel);
}

TEST_F (CompressorTest, MixAtZeroReturnsTheInputWhileTheCircuitRuns)
{
    prepare (48000.0, 2);
    live.mix.setTarget (0.0);
    settle (*compressor, live, 48000.0);
    const double rest = channel (0).attackNetwork.voltage;

    for (int i = 0; i < 100; ++i)
    {
        const std::vector<float> in { 3.0f * std::sin ((float) i * 0.3f), -1.7f };
        ASSERT_EQ (processFrame (in), in);
    }

    EXPECT_NE (channel (0).attackNetwork.voltage, rest);
}

TEST_F (CompressorTest, MinGainIsTheSmallestGainCommittedInTheBlock)
{
    prepare (48000.0, 1);
    ProgramState otherLive;
    OrvikQ4Compression perSample (&otherLive);
    perSample.prepareToPlay (48000.0, 1);
    settle (perSample, otherLive, 48000.0);

    Block block { std::vector<float> (256) };

    for (size_t i = 0; i < 256; ++i)
        block[0][i] = i < 128 ? 0.0f : 2.5f * std::sin ((float) i * 0.2f);

    double smallest = 22.25;

    for (float x : block[0])
    {
        float* pointer[] = { &x };
        perSample.processSamples (pointer, 1);
        smallest = std::min (smallest, perSample.channels[0]->minGain);
    }

    process (block);
    EXPECT_EQ (channel (0).minGain, smallest);
    EXPECT_LT (smallest, 22.0);

    compressor->processSamples (nullptr, 0);
    EXPECT_EQ (channel (0).minGain, 22.25);
}

TEST_F (CompressorTest, WithoutChannelsOnlyTheSettingsAdvance)
{
    prepare (48000.0, 0);
    live.mix.setTarget (0.5);
    compressor->setRatio (2, false);
    compressor->processSamples (nullptr, 100);
    EXPECT_EQ (live.mix.countdown, 4700);
    EXPECT_EQ (compressor->ratioDivider.countdown, 4700);

    // The one-channel operation never touches the data.
    prepare (48000.0, 1);
    std::vector<float> data { 1.0f, 2.0f, 3.0f };
    compressor->processSamples (data.data(), 3, 0);
    EXPECT_EQ (data, (std::vector<float> { 1.0f, 2.0f, 3.0f }));
}

TEST_F (CompressorTest, NonFiniteInputCountsAsSilence)
{
    ProgramState cleanLive;
    OrvikQ4Compression clean (&cleanLive);
    clean.prepareToPlay (48000.0, 2);
    settle (clean, cleanLive, 48000.0);
    prepare (48000.0, 2);

    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();

    for (int i = 0; i < 2000; ++i)
    {
        const float x = programmeAt (0, i, 48000.0);
        const bool bad = i >= 500 && i < 520;
        const std::vector<float> out = processFrame ({ bad ? nan : x, bad ? (i % 2 == 0 ? inf : -inf) : x });

        float dirty[] = { bad ? 0.0f : x, bad ? 0.0f : x };
        float* pointers[] = { &dirty[0], &dirty[1] };
        clean.processSamples (pointers, 1);

        ASSERT_TRUE (std::isfinite (out[0]) && std::isfinite (out[1])) << i;
        ASSERT_EQ (out[0], dirty[0]) << i;
        ASSERT_EQ (out[1], dirty[1]) << i;
    }

    EXPECT_EQ (channel (0).attackNetwork.voltage, clean.channels[0]->attackNetwork.voltage);
    EXPECT_EQ (channel (1).outputStage.lastOutput, clean.channels[1]->outputStage.lastOutput);
}

TEST_F (CompressorTest, HugeInputsAndAbsurdSettingsKeepTheStateFinite)
{
    compressor->attackResistance.setTarget (-1.0e-12);  // a negative resistance would run away
    prepare (48000.0, 2);

    for (auto* ch : compressor->channels)
        ch->sidechainFilter.setCoefficients (highPass (100.0, 48000.0));

    live.input.setTarget (1.0e30);
    live.stereoLink.setTarget (-3.0e30);
    live.linkOn.setTarget (1.0);
    settle (*compressor, live, 48000.0);

    const auto allFinite = [this]
    {
        for (auto* ch : compressor->channels)
            if (! (std::isfinite (ch->attackNetwork.voltage) && std::isfinite (ch->releaseNetwork.voltage)
                   && std::isfinite (ch->outputStage.lastOutput) && std::isfinite (ch->lastGain)
                   && std::isfinite (ch->sidechainFilter.filter.state1()) && std::isfinite (ch->sidechainFilter.filter.state2())))
                return false;

        return true;
    };

    for (int i = 0; i < 200; ++i)
    {
        const float x = (i % 3 == 0) ? FLT_MAX : -FLT_MAX;
        processFrame ({ x, -x });
        ASSERT_TRUE (allFinite()) << i;
    }

    EXPECT_EQ (channel (0).lastDetectorLevel, (double) FLT_MAX);  // an overflowed side chain is as loud as a float gets

    compressor->attackResistance.setTarget (467.73);
    settle (*compressor, live, 48000.0);

    for (int i = 0; i < 200; ++i)
    {
        const auto out = processFrame ({ std::sin ((float) i * 0.1f), 0.5f });
        ASSERT_TRUE (allFinite() && std::isfinite (out[0]) && std::isfinite (out[1])) << i;
    }
}

TEST_F (CompressorTest, BlocksUpToTheReservedSizeNeverReallocate)
{
    prepare (48000.0, 1);
    compressor->reserveBlockSize (512);
    const float* reserved = compressor->settingRamps.getReadPointer (0);

    for (int n : { 512, 100, 1, 512 })
    {
        Block block { std::vector<float> ((size_t) n, 0.25f) };
        process (block);
        ASSERT_EQ (compressor->settingRamps.getReadPointer (0), reserved) << n;
    }
}


namespace
{
    /** Setting changes along the programme, applied the same way to both implementations. */
    template <typename Compressor>
    void applyChangesAt (double t, double sampleRate, Compressor& c, ProgramState& live)
    {
        auto forEachFilter = [&c] (auto&& fn) { for (auto& ch : c.channels) fn (ch->sidechainFilter); };

        if (t == 0.1)  { c.attackResistance.setTarget (467.73); live.input.setTarget (0.15); }
        if (t == 0.2)  forEachFilter ([&] (auto& f) { f.setCoefficients (highPass (100.0, sampleRate)); });
        if (t == 0.25) forEachFilter ([&] (auto& f) { f.setCoefficients (highPass (300.0, sampleRate)); });
        if (t == 0.3)  c.setRatio (2, false);
        if (t == 0.4)  { live.linkOn.setTarget (1.0); live.stereoLink.setTarget (0.8); }
        if (t == 0.5)  { c.releaseResistance.setTarget (4590000.0); live.mix.setTarget (0.6); }
        if (t == 0.6)  forEachFilter ([] (auto& f) { f.mix.setTarget (0.0); });
        if (t == 0.65) forEachFilter ([&] (auto& f) { f.setCoefficients (highPass (100.0, sampleRate)); });
        if (t == 0.7)  { c.attackResistance.setTarget (50465.62); c.setRatio (1, false); live.output.setTarget (0.2); }
        if (t == 0.8)  { c.thresholdScale = 0.6; c.setRatio (c.ratioIndex, true); }
        if (t == 0.9)  { c.releaseResistance.setTarget (942517.99); live.stereoLink.setTarget (0.3); }
    }

    class CompressorGoldenTest : public ::testing::TestWithParam<int>
    {
    };
}

TEST_P (CompressorGoldenTest, MatchesAStraightStatementOfTheCircuitBitForBit)
{
    constexpr double sampleRate = 48000.0;
    const int numChannels = GetParam();
    const int length = (int) (1.2 * sampleRate);

    ProgramState live, referenceLive;
    auto compressor = std::make_unique<OrvikQ4Compression> (&live);
    auto straight = std::make_unique<reference::Compressor> (&referenceLive);

    // The processor's defaults: slow attack, fast release, 4:1, its own threshold scale.
    const auto setUp = [sampleRate, numChannels] (auto& c, ProgramState& state)
    {
        c.prepareToPlay (sampleRate, numChannels);
        c.attackResistance.setTarget (97000.0);
        c.thresholdScale = 0.544;
        c.setRatio (0, true);
        settle (c, state, sampleRate);
    };

    setUp (*compressor, live);
    setUp (*straight, referenceLive);

    const int blockSizes[] = { 512, 1, 37, 480, 1024, 7, 333 };
    juce::ScopedNoDenormals noDenormals;  // the production loop sets it; compare like with like

    for (int start = 0, b = 0; start < length; ++b)
    {
        const int n = std::min (blockSizes[b % 7], length - start);

        for (int i = start; i < start + n; ++i)
        {
            const double t = std::round (i / sampleRate * 100.0) / 100.0;

            if (i == (int) std::round (t * sampleRate))
            {
                applyChangesAt (t, sampleRate, *compressor, live);
                applyChangesAt (t, sampleRate, *straight, referenceLive);
            }
        }

        Block a ((size_t) numChannels, std::vector<float> ((size_t) n));

        for (int c = 0; c < numChannels; ++c)
            for (int i = 0; i < n; ++i)
                a[(size_t) c][(size_t) i] = programmeAt (c, start + i, sampleRate);

        Block b2 = a;
        std::vector<float*> pa, pb;

        for (int c = 0; c < numChannels; ++c)
        {
            pa.push_back (a[(size_t) c].data());
            pb.push_back (b2[(size_t) c].data());
        }

        compressor->processSamples (pa.data(), n);
        straight->processSamples (pb.data(), n);

        for (int c = 0; c < numChannels; ++c)
        {
            for (int i = 0; i < n; ++i)
                ASSERT_EQ (std::memcmp (&a[(size_t) c][(size_t) i], &b2[(size_t) c][(size_t) i], sizeof (float)), 0)
                    << "channel " << c << " sample " << start + i << ": " << a[(size_t) c][(size_t) i]
                    << " vs " << b2[(size_t) c][(size_t) i];

            ASSERT_EQ (compressor->channels[c]->minGain, straight->channels[(size_t) c]->minGain) << start;
        }

        start += n;
    }

    for (int c = 0; c < numChannels; ++c)
    {
        EXPECT_EQ (compressor->channels[c]->attackNetwork.voltage, straight->channels[(size_t) c]->attackNetwork.voltage);
        EXPECT_EQ (compressor->channels[c]->releaseNetwork.voltage, straight->channels[(size_t) c]->releaseNetwork.voltage);
        EXPECT_EQ (compressor->channels[c]->lastGain, straight->channels[(size_t) c]->lastGain);
        EXPECT_EQ (compressor->channels[c]->outputStage.lastOutput, straight->channels[(size_t) c]->lastOutput);
    }

    // The programme reached both stopping rules and the drive limit.
    EXPECT_GT (straight->rounds[0], straight->rounds[1]);
    EXPECT_GT (straight->rounds[19], 0);
    EXPECT_TRUE (straight->saturatedDrive);
}

INSTANTIATE_TEST_SUITE_P (ChannelCounts, CompressorGoldenTest, ::testing::Values (1, 2, 3));
