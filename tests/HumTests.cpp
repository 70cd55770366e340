#include "DspTestUtils.h"
#include "dsp/NRVHum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace dsptest;

namespace
{
    /** Reference hum written from the hum's description, sharing no code with NRVHum: the
        coefficients from the design formulas in double (peak amplitudes as float (10^(dB/40))),
        rounded once to float; the framework's biquad over the block for each filter in turn;
        the phase advanced by 50 x (1 / rate) before each sample. */
    struct ReferenceHum
    {
        explicit ReferenceHum (double rate) : increment (50.0 * (1.0 / rate))
        {
            filters[0].setCoefficients (highPass (150.0, rate));
            auto* peak = &filters[1];
            for (auto [f, q, db] : { std::tuple (200.0, 1.0, 10.0), { 600.0, 5.0, 10.0 }, { 1000.0, 5.0, 9.0 }, { 1400.0, 5.0, 7.0 } })
            {
                const double a = float (std::pow (10.0, db / 40.0)), w = 2.0 * juce::MathConstants<double>::pi * f / rate;
                const double alpha = 0.5 * std::sin (w) / q, a0 = 1.0 + alpha / a;
                const double designed[] { (1.0 + alpha * a) / a0, -2.0 * std::cos (w) / a0, (1.0 - alpha * a) / a0, -2.0 * std::cos (w) / a0, (1.0 - alpha / a) / a0 };
                juce::IIRCoefficients c;
                std::copy (std::begin (designed), std::end (designed), c.coefficients);
                (peak++)->setCoefficients (c);
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
                f.processSamples (s.data(), n);
            return s;
        }

        double increment, phase = 0.0;
        juce::SingleThreadedIIRFilter filters[5];
    };

    Channels process (NRVHum& hum, Channels audio)
    {
        hum.processSamples (pointersTo (audio).data(), (int) audio[0].size());
        return audio;
    }
}

TEST (Hum, AddsTheSameHumAsAReferenceModelToEveryChannel)
{
    NRVHum hum;
    for (double rate : { 22050.0, 44100.0, 48000.0, 48048.0, 96000.0, 192000.0 })
    {
        hum.prepareToPlay (rate, 2);
        ReferenceHum reference (rate);
        for (int b = 0; b < 40; ++b)
        {
            const int n = (b * 97) % 300 + 1;
            Channels input (2, Block ((size_t) n));
            for (int i = 0; i < n; ++i)
                input[0][(size_t) i] = 0.25f * std::sin (0.01f * (float) i), input[1][(size_t) i] = -1.0e-5f * (float) (i % 7);

            const auto out = process (hum, input);
            const auto expected = reference.block (n);
            for (size_t c = 0; c < 2; ++c)
                for (size_t i = 0; i < (size_t) n; ++i)
                    ASSERT_EQ (out[c][i], input[c][i] + expected[i]) << rate << " Hz, block " << b << ", channel " << c << " sample " << i;
        }
        EXPECT_EQ (hum.channels[0]->phase, reference.phase);
    }
}

TEST (Hum, SquareWaveIsNegativeFromExactlyHalfAPeriod)
{
    HumChannel state (48000.0);
    Block square (4);
    state.generate (square.data(), 4, 0.25);  // phases 0.25, 0.5, 0.75, 0.0
    EXPECT_EQ (square, (Block { 3.0e-6f, -3.0e-6f, -3.0e-6f, 3.0e-6f }));
}

// (Preparing again restarts every state: the reference test prepares one hum for each rate.)
TEST (Hum, EachChannelsStateAdvancesOnlyWhenUsed)
{
    NRVHum hum, fresh;
    hum.prepareToPlay (48000.0, 2);
    fresh.prepareToPlay (48000.0, 1);
    process (hum, Channels (2, Block (333, 0.0f)));  // every channel's hum comes from channel 0's state
    EXPECT_TRUE (hum.channels[0]->phase > 0.0 && hum.channels[1]->phase == 0.0);

    const double phase = hum.channels[0]->phase;
    Block channelOne (256, 0.0f), expected (256, 0.0f);
    hum.processSamples (channelOne.data(), 256, 1);  // the one-channel form uses that channel's own state
    fresh.processSamples (expected.data(), 256, 0);
    EXPECT_EQ (channelOne, expected);
    EXPECT_EQ (hum.channels[0]->phase, phase);
}

TEST (Hum, CallsWithoutAMatchingStateLeaveTheAudioAlone)
{
    NRVHum unprepared, none, noRate, stereo;
    none.prepareToPlay (48000.0, 0);
    noRate.prepareToPlay (0.0, 2);
    stereo.prepareToPlay (48000.0, 2);
    const Channels audio (2, Block (64, 0.5f));
    for (auto* hum : { &unprepared, &none, &noRate })
        EXPECT_EQ (process (*hum, audio), audio);

    auto channel = audio[0];
    stereo.processSamples (channel.data(), 64, 2);
    stereo.processSamples (channel.data(), 64, -1);
    stereo.releaseResources();
    EXPECT_EQ (process (stereo, audio), audio);
    EXPECT_EQ (channel, audio[0]);
}
