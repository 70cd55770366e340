#include "DspTestUtils.h"
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
