#include "DspTestUtils.h"
#include "ReferenceCompressor.h"
#include "dsp/OrvikQ4Compression.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>

using namespace dsptest;

namespace
{
    /** A deterministic programme at 48 kHz: tone and noise in 120 ms bursts, a very loud
        stretch at 1.0 ... 1.05 s and silence from 1.1 s; each channel differs. */
    float programmeAt (int channel, int i)
    {
        const double t = i / 48000.0;
        std::uint32_t h = static_cast<std::uint32_t> (i) * 2654435761u + static_cast<std::uint32_t> (channel) * 40503u;
        h = (h ^ (h >> 15)) * 2246822519u;
        h ^= h >> 13;
        const double noise = static_cast<double> (h & 0xffff) / 32768.0 - 1.0;
        const double tone = std::sin (2.0 * juce::MathConstants<double>::pi * (90.0 + 40.0 * channel) * t);
        const double level = (t >= 1.0 && t < 1.05) ? 40.0 : 1.9 * (0.2 + std::exp (-std::fmod (t + 0.03 * channel, 0.12) * 20.0));
        return t >= 1.1 ? 0.0f : static_cast<float> (level * (0.6 * tone + 0.4 * noise));
    }

    /** A compressor prepared for a channel count (at 48 kHz unless said otherwise), settled. */
    std::unique_ptr<OrvikQ4Compression> prepared (ProgramState& live, int numChannels, double sampleRate = 48000.0)
    {
        auto c = std::make_unique<OrvikQ4Compression> (&live);
        c->prepareToPlay (sampleRate, numChannels);
        settle (*c, live, sampleRate);
        return c;
    }

    /** Processes one sample of every channel; returns the outputs. */
    std::vector<float> processFrame (OrvikQ4Compression& c, std::vector<float> frame)
    {
        std::vector<float*> pointers;
        for (auto& x : frame)
            pointers.push_back (&x);
        c.processSamples (pointers.data(), 1);
        return frame;
    }

    class CompressorTest : public ::testing::Test
    {
    protected:
        void prepare (int numChannels, double sampleRate = 48000.0) { compressor = prepared (live, numChannels, sampleRate); }
        std::vector<float> processFrame (std::vector<float> frame) { return ::processFrame (*compressor, frame); }
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
    EXPECT_LT (table[28341], 22.25f);

    for (size_t i = 1; i < table.size(); ++i)
    {
        ASSERT_GE (table[i], table[i - 1]) << i;
        if (i >= 28342)
            ASSERT_EQ (table[i], 22.25f) << i;  // no reduction from here to entry 32767
    }
}

TEST_F (CompressorTest, RatioRowsFollowTheThresholdScaleOnlyWhenChangedOrForced)
{
    auto& c = *compressor;  // as constructed: row 0 at scale 0.6, ramping from 0 over 100 samples
    EXPECT_EQ (c.ratioDivider.target, 0.348717949);
    EXPECT_NEAR (c.thresholdVoltage.target, -2.41028387787895, 1.0e-14);
    EXPECT_NEAR (c.biasVoltage.target, -1.82841, 1.0e-14);
    EXPECT_EQ (c.thresholdVoltage.countdown, 100);

    c.setRatio (1, false);
    c.ratioDivider.next();
    c.thresholdScale = 0.544;
    c.setRatio (1, false);  // the same row unforced: nothing changes, not even the running ramp
    EXPECT_EQ (c.ratioDivider.countdown, 99);
    EXPECT_NEAR (c.thresholdVoltage.target, -1401.0 / 5601.0 * 10.0, 1.0e-14);
    c.setRatio (3, false);  // remembered, but no such row: nothing changes
    EXPECT_TRUE (c.ratioIndex == 3 && c.ratioDivider.target == 0.364102564);

    // Forced, or any other row, at scale 0.544: divider, threshold and bias of the row.
    const double rows[][4] { { 1, 0.364102564, -1289.0 / 5489.0, -3.04735 }, { 0, 0.348717949, -1238.0 / 5489.0, -3.04735 },
                             { 2, 0.548387097, -1238.0 / 3438.0, -4.16949 } };
    for (auto& row : rows)
    {
        c.setRatio ((int) row[0], row[0] == 1);
        EXPECT_EQ (c.ratioDivider.target, row[1]) << row[0];
        EXPECT_NEAR (c.thresholdVoltage.target, row[2] * 10.0, 1.0e-14) << row[0];
        EXPECT_NEAR (c.biasVoltage.target, row[3] * 0.544, 1.0e-14) << row[0];
    }
}

TEST_F (CompressorTest, PreparationRebuildsEveryChannelAndSetsTheRatesLimits)
{
    auto& c = *compressor;
    c.prepareToPlay (48000.0, 2);
    c.prepareToPlay (44100.0, 1);
    ASSERT_EQ (c.channels.size(), 1);
    EXPECT_NEAR (channel (0).outputStage.maxStep, 68.027, 1.0e-3);
    EXPECT_NEAR (juce::Decibels::gainToDecibels (c.getMaxGainFallPerSample()), 4.535, 1.0e-3);
    EXPECT_NEAR (juce::Decibels::gainToDecibels (c.getMaxGainRisePerSample()), 0.00907, 1.0e-5);

    live.output.setTarget (1.0);
    prepare (1, 384000.0);  // 3 V/us: the output slews 7.8125 V per sample and clips at 15 V
    EXPECT_EQ (processFrame ({ 100.0f })[0], 7.8125f);
    EXPECT_EQ (processFrame ({ 100.0f })[0], 15.0f);
    EXPECT_EQ (processFrame ({ -100.0f })[0], 7.1875f);
}

//==============================================================================
TEST_F (CompressorTest, MixAtZeroReturnsTheInputWhileTheCircuitRuns)
{
    live.mix.setTarget (0.0);
    prepare (2);
    const double rest = channel (0).attackNetwork.voltage;
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ (processFrame ({ programmeAt (0, i), -1.7f }), (std::vector<float> { programmeAt (0, i), -1.7f })) << i;
    EXPECT_NE (channel (0).attackNetwork.voltage, rest);
}

TEST_F (CompressorTest, BlocksAdvanceTheSettingsEvenWithoutChannels)
{
    prepare (0);
    live.mix.setTarget (0.5);
    compressor->setRatio (2, false);
    compressor->processSamples (nullptr, 100);
    EXPECT_EQ (live.mix.countdown, 4700);
    EXPECT_EQ (compressor->ratioDivider.countdown, 4700);
}

TEST_F (CompressorTest, NonFiniteInputCountsAsSilenceAndSparesTheLinkedChannel)
{
    ProgramState cleanLive;
    live.linkOn.setTarget (1.0);
    cleanLive.linkOn.setTarget (1.0);
    prepare (2);
    auto clean = prepared (cleanLive, 2);
    const float inf = std::numeric_limits<float>::infinity(), bad[] { std::numeric_limits<float>::quiet_NaN(), inf, -inf };

    for (int i = 0; i < 2000; ++i)
    {
        const bool broken = i >= 500 && i < 520;
        const auto out = processFrame ({ broken ? bad[i % 3] : programmeAt (0, i), programmeAt (1, i) });
        ASSERT_EQ (out, ::processFrame (*clean, { broken ? 0.0f : programmeAt (0, i), programmeAt (1, i) })) << i;
    }
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ (channel (c).attackNetwork.voltage, clean->channels[c]->attackNetwork.voltage);
}

//==============================================================================
namespace
{
    /** Setting changes along the programme that fall in samples [from, to), applied the same
        way to both implementations before the block. */
    template <typename Compressor>
    void applyChanges (int from, int to, Compressor& c, ProgramState& live)
    {
        const auto at = [=] (double t) { const int i = (int) std::lround (t * 48000.0); return from <= i && i < to; };
        const auto filters = [&c] (auto&& fn) { for (auto& ch : c.channels) fn (ch->sidechainFilter); };
        const auto retune = [&] (double hz) { filters ([&] (auto& f) { f.setCoefficients (highPass (hz, 48000.0)); }); };

        if (at (0.1))  { c.attackResistance.setTarget (467.73); live.input.setTarget (0.15); }
        if (at (0.2))  retune (100.0);
        if (at (0.25)) retune (300.0);
        if (at (0.3))  c.setRatio (2, false);
        if (at (0.4))  { live.linkOn.setTarget (1.0); live.stereoLink.setTarget (0.8); }
        if (at (0.5))  { c.releaseResistance.setTarget (4590000.0); live.mix.setTarget (0.6); }
        if (at (0.6))  filters ([] (auto& f) { f.mix.setTarget (0.0); });
        if (at (0.65)) retune (100.0);
        if (at (0.7))  { c.attackResistance.setTarget (50465.62); c.setRatio (1, false); live.output.setTarget (0.2); }
        if (at (0.8))  { c.thresholdScale = 0.6; c.setRatio (c.ratioIndex, true); }
        if (at (0.9))  { c.releaseResistance.setTarget (942517.99); live.stereoLink.setTarget (0.3); }
    }

    class CompressorGoldenTest : public ::testing::TestWithParam<int> {};
}

TEST_P (CompressorGoldenTest, MatchesAStraightStatementOfTheCircuitBitForBit)
{
    const int numChannels = GetParam(), length = 57600;  // 1.2 s
    ProgramState live, referenceLive;
    OrvikQ4Compression compressor (&live);
    reference::Compressor straight (&referenceLive);
    const auto setUp = [numChannels] (auto& c, ProgramState& state)  // the processor's defaults: slow attack, fast release, 4:1
    {
        c.prepareToPlay (48000.0, numChannels);
        c.attackResistance.setTarget (97000.0);
        c.thresholdScale = 0.544;
        c.setRatio (0, true);
        settle (c, state, 48000.0);
    };
    setUp (compressor, live);
    setUp (straight, referenceLive);

    Channels ours ((size_t) numChannels, Block ((size_t) length));
    for (int c = 0; c < numChannels; ++c)
        for (int i = 0; i < length; ++i)
            ours[(size_t) c][(size_t) i] = programmeAt (c, i);
    Channels expected = ours;
    const int blockSizes[] = { 512, 1, 37, 480, 0, 1024, 7, 333 };  // an empty block too: it resets minGain
    juce::ScopedNoDenormals noDenormals;  // the production loop sets it; compare like with like

    for (int start = 0, b = 0, n = 0; start < length; start += n)
    {
        n = std::min (blockSizes[b++ % 8], length - start);
        applyChanges (start, start + n, compressor, live);
        applyChanges (start, start + n, straight, referenceLive);
        auto a = pointersTo (ours), e = pointersTo (expected);
        for (size_t c = 0; c < a.size(); ++c)
            a[c] += start, e[c] += start;
        compressor.processSamples (a.data(), n);
        straight.processSamples (e.data(), n);
        for (int c = 0; c < numChannels; ++c)
            ASSERT_EQ (compressor.channels[c]->minGain, straight.channels[(size_t) c]->minGain) << "block from sample " << start;
    }

    for (size_t c = 0; c < (size_t) numChannels; ++c)
    {
        for (size_t i = 0; i < (size_t) length; ++i)
            ASSERT_EQ (std::memcmp (&ours[c][i], &expected[c][i], sizeof (float)), 0)
                << "channel " << c << " sample " << i << ": " << ours[c][i] << " vs " << expected[c][i];
        EXPECT_EQ (compressor.channels[(int) c]->attackNetwork.voltage, straight.channels[c]->attackNetwork.voltage);
    }

    // The solver took as many rounds in all as the statement's (the stopping rules shape the
    // cost, not always the samples); the programme reached both rules and the drive limit.
    std::uint64_t rounds = 0;
    for (auto* ch : compressor.channels)
        rounds += ch->solverRounds;
    EXPECT_EQ (rounds, (std::uint64_t) std::accumulate (straight.rounds.begin(), straight.rounds.end(), 0L));
    EXPECT_GT (straight.rounds[0], straight.rounds[1]);
    EXPECT_GT (straight.rounds[19], 0);
    EXPECT_TRUE (straight.saturatedDrive);
}

INSTANTIATE_TEST_SUITE_P (ChannelCounts, CompressorGoldenTest, ::testing::Values (1, 2, 3));
