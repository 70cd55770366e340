#include "dsp/NRVHum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace
{
    using Block = std::vector<float>;
    using Channels = std::vector<Block>;

    /** Reference hum written from the hum's description, sharing no code with NRVHum:
        coefficients from the design formulas in double (peak amplitudes as float (10^(dB/40))),
        rounded once to float; each filter a plain transposed direct form II over the block,
        flushing its two state values within 1e-8 of 0 at the block's end as the framework's
        block processing does; the phase advanced by 50 x (1 / rate) before each sample. */
    struct ReferenceHum
    {
        struct Biquad
        {
            float c[5], v1 = 0.0f, v2 = 0.0f;

            void run (Block& s)
            {
                for (auto& x : s)
                {
                    const float out = c[0] * x + v1;
                    v1 = c[1] * x - c[3] * out + v2;
                    v2 = c[2] * x - c[4] * out;
                    x = out;
                }
                if (std::abs (v1) <= 1.0e-8f) v1 = 0.0f;
                if (std::abs (v2) <= 1.0e-8f) v2 = 0.0f;
            }
        };

        explicit ReferenceHum (double rate) : increment (50.0 * (1.0 / rate))
        {
            const double pi = 3.14159265358979323846, k = std::tan (pi * 150.0 / rate), r2 = std::sqrt (2.0);
            const double c = 1.0 / (1.0 + r2 * k + k * k);
            filters.push_back ({ { float (c), float (-2.0 * c), float (c), float (2.0 * (k * k - 1.0) * c), float ((1.0 - r2 * k + k * k) * c) } });

            for (auto [f, q, db] : { std::tuple (200.0, 1.0, 10.0), { 600.0, 5.0, 10.0 }, { 1000.0, 5.0, 9.0 }, { 1400.0, 5.0, 7.0 } })
            {
                const double a = float (std::pow (10.0, db / 40.0)), w = 2.0 * pi * f / rate;
                const double alpha = 0.5 * std::sin (w) / q, a0 = 1.0 + alpha / a;
                filters.push_back ({ { float ((1.0 + alpha * a) / a0), float (-2.0 * std::cos (w) / a0), float ((1.0 - alpha * a) / a0),
                                       float (-2.0 * std::cos (w) / a0), float ((1.0 - alpha / a) / a0) } });
            }
        }

        Block block (int n)
        {
            Block s ((size_t) n);
            for (auto& x : s)
            {
                phase = phase + increment - std::floor (phase + increment);
                x = phase < 0.5 ? 3.0e-6f : -3.0e-6f;
            }
            for (auto& f : filters)
                f.run (s);
            return s;
        }

        double increment, phase = 0.0;
        std::vector<Biquad> filters;
    };

    class HumTest : public ::testing::Test
    {
    protected:
        /** The all-channel form over every given channel; returns them. */
        Channels process (Channels audio)
        {
            std::vector<float*> pointers;
            for (auto& c : audio)
                pointers.push_back (c.data());
            hum.processSamples (pointers.data(), (int) audio[0].size());
            return audio;
        }

        static Channels silence (int numChannels, int n) { return Channels ((size_t) numChannels, Block ((size_t) n, 0.0f)); }

        NRVHum hum;
    };
}

TEST_F (HumTest, OutputMatchesReferenceModelAcrossUnevenBlocks)
{
    for (double rate : { 22050.0, 44100.0, 48000.0, 48048.0, 96000.0, 192000.0 })
    {
        hum.prepareToPlay (rate, 2);
        ReferenceHum reference (rate);
        const NRVBiquad* filters[] { &hum.channels[0]->highPass, &hum.channels[0]->peak200, &hum.channels[0]->peak600,
                                     &hum.channels[0]->peak1000, &hum.channels[0]->peak1400 };
        for (size_t f = 0; f < 5; ++f)
            for (int k = 0; k < 5; ++k)
                EXPECT_EQ (filters[f]->coefficientData()[k], reference.filters[f].c[k]) << rate << " Hz, filter " << f;

        for (int n : { 64, 17, 1, 480, 300 })
        {
            Channels input (2, Block ((size_t) n));
            for (int i = 0; i < n; ++i)
                input[0][(size_t) i] = 0.25f * std::sin (0.01f * (float) i), input[1][(size_t) i] = -1.0e-5f * (float) (i % 7);

            const auto out = process (input);
            const auto expected = reference.block (n);
            for (size_t c = 0; c < 2; ++c)
                for (size_t i = 0; i < (size_t) n; ++i)
                    ASSERT_EQ (out[c][i], input[c][i] + expected[i]) << rate << " Hz, channel " << c << " sample " << i;
        }
        EXPECT_EQ (hum.channels[0]->phase, reference.phase);
    }
}

TEST_F (HumTest, FilterCascadeEqualsTheFrameworksBlockProcessing)
{
    HumChannel state (44100.0);
    juce::SingleThreadedIIRFilter framework[] { state.highPass, state.peak200, state.peak600, state.peak1000, state.peak1400 };

    // Enough blocks that some end with a state value inside the 1e-8 flush range.
    for (int block = 0; block < 200; ++block)
    {
        Block ours ((size_t) ((block * 97) % 300 + 1));
        state.generate (ours.data(), (int) ours.size(), 0.013);
        auto theirs = ours;
        state.filter (ours.data(), (int) ours.size());
        for (auto& f : framework)
            f.processSamples (theirs.data(), (int) theirs.size());
        ASSERT_EQ (ours, theirs) << "block " << block;
    }
}

TEST_F (HumTest, BothChannelsReceiveTheSameHumFromChannelZerosState)
{
    hum.prepareToPlay (44100.0, 2);
    const auto out = process (silence (2, 2048));
    EXPECT_EQ (out[0], out[1]);
    EXPECT_NE (out[0], silence (1, 2048)[0]);
    EXPECT_GT (hum.channels[0]->phase, 0.0);
    EXPECT_EQ (hum.channels[1]->phase, 0.0);
}

TEST_F (HumTest, PhaseOfExactlyHalfGivesTheNegativeLevel)
{
    HumChannel state (48000.0);
    float square[4];
    state.generate (square, 4, 0.25);  // phases 0.25, 0.5, 0.75, 0.0
    EXPECT_EQ (Block (square, square + 4), (Block { 3.0e-6f, -3.0e-6f, -3.0e-6f, 3.0e-6f }));
    EXPECT_EQ (state.phase, 0.0);
}

TEST_F (HumTest, EveryMainsPeriodIsHalfPositiveAtEverySampleRate)
{
    for (double rate : { 8000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        hum.prepareToPlay (rate, 1);
        const int period = (int) (rate / 50.0);
        Block square ((size_t) period * 20);
        hum.channels[0]->generate (square.data(), (int) square.size(), 50.0 * hum.getInverseSampleRate());

        for (size_t start = 0; start < square.size(); start += (size_t) period)
        {
            const auto positive = std::count_if (square.begin() + (long) start, square.begin() + (long) start + period, [] (float x) { return x > 0.0f; });
            EXPECT_LE (std::abs (2 * (int) positive - period), 2) << rate << " Hz, sample " << start;
        }
    }
}

TEST_F (HumTest, SecondPreparationRestartsFromPhaseZeroWithSilentFilters)
{
    hum.prepareToPlay (48000.0, 1);
    const auto first = process (silence (1, 333));
    for (int i = 0; i < 10; ++i)
        process (silence (1, 500));

    hum.prepareToPlay (48000.0, 1);
    EXPECT_EQ (process (silence (1, 333)), first);
}

TEST_F (HumTest, OneChannelFormAdvancesOnlyThatChannel)
{
    hum.prepareToPlay (48000.0, 2);
    NRVHum fresh;
    fresh.prepareToPlay (48000.0, 1);

    Block channelOne (256, 0.0f), expected (256, 0.0f);
    hum.processSamples (channelOne.data(), 256, 1);
    fresh.processSamples (expected.data(), 256, 0);
    EXPECT_EQ (channelOne, expected);
    EXPECT_EQ (hum.channels[0]->phase, 0.0);
}

TEST_F (HumTest, CallsWithoutAMatchingStateLeaveTheAudioAlone)
{
    const Channels audio (2, Block (64, 0.5f));
    EXPECT_EQ (process (audio), audio);  // never prepared

    hum.prepareToPlay (48000.0, 0);
    EXPECT_TRUE (hum.channels.isEmpty());
    hum.prepareToPlay (0.0, 2);
    EXPECT_TRUE (hum.channels.isEmpty());
    EXPECT_EQ (process (audio), audio);

    hum.prepareToPlay (48000.0, 2);
    auto channel = audio[0];
    hum.processSamples (channel.data(), 64, 2);
    hum.processSamples (channel.data(), 64, -1);
    EXPECT_EQ (channel, audio[0]);

    hum.releaseResources();
    EXPECT_TRUE (hum.channels.isEmpty());
    EXPECT_EQ (process (audio), audio);
}

TEST_F (HumTest, BlocksUpToTheReservedSizeReuseOneBuffer)
{
    hum.prepareToPlay (48000.0, 2);
    hum.reserveBlockSize (512);
    const float* storage = hum.getHumBuffer().getReadPointer (0);

    for (int n : { 256, 512, 1, 512 })
    {
        process (silence (2, n));
        EXPECT_EQ (hum.getHumBuffer().getReadPointer (0), storage) << n;
    }
}

TEST_F (HumTest, ResonancesHaveTheirGainAtTheCentreFrequency)
{
    // Checked on the designs' float coefficients, the boost a listener hears.
    for (double rate : { 44100.0, 96000.0 })
        for (auto [f, q, db] : { std::tuple (200.0, 1.0, 10.0), { 600.0, 5.0, 10.0 }, { 1000.0, 5.0, 9.0 }, { 1400.0, 5.0, 7.0 } })
        {
            const auto design = HumChannel::makePeak (rate, f, q, (float) std::pow (10.0, db / 40.0));
            const float* c = design.coefficients;
            const auto z = std::polar (1.0, -2.0 * juce::MathConstants<double>::pi * f / rate);
            const auto h = (double (c[0]) + double (c[1]) * z + double (c[2]) * z * z) / (1.0 + double (c[3]) * z + double (c[4]) * z * z);
            EXPECT_NEAR (20.0 * std::log10 (std::abs (h)), db, 0.01) << f << " Hz at " << rate;
        }
}
