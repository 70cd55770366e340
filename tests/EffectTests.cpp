#include "DspTestUtils.h"
#include "dsp/NRVHum.h"
#include "dsp/OrvikQ4Compression.h"
#include "dsp/OrvikQ4Transfo.h"

#include <gtest/gtest.h>

#include <limits>

// The effects' rules at their edges (bad input, calls without a matching state, ramp and flush
// limits); their sound is pinned by the recorded outputs.
using namespace dsptest;

namespace
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();

    /** A value at 0 sent toward 1 with ramps of `length` samples. */
    RampedValue rampToOne (int length)
    {
        RampedValue ramp;
        ramp.setRampLength (length);
        ramp.setTarget (1.0);
        return ramp;
    }

    /** A 48 kHz signal of tone and noise bursts, different on each channel. */
    float drums (int channel, int i)
    {
        const auto h = (static_cast<std::uint32_t> (i) * 2654435761u + static_cast<std::uint32_t> (channel) * 40503u) >> 16;
        return (0.2f + std::exp (-0.04f * (float) ((i + 300 * channel) % 2400))) * (std::sin (0.012f * (float) i) + (float) h / 65536.0f - 0.5f);
    }

    /** Two stereo compressors at the default settings with Link ON, prepared and settled. */
    struct LinkedTwins
    {
        LinkedTwins()
        {
            for (int k = 0; k < 2; ++k)
            {
                live[k].linkOn.setTarget (1.0);
                compressors[k].prepareToPlay (48000.0, 2);
                settle (compressors[k], live[k], 48000.0);
            }
        }

        ProgramState live[2];
        OrvikQ4Compression compressors[2] { OrvikQ4Compression (&live[0]), OrvikQ4Compression (&live[1]) };
    };

    Block run (OrvikQ4Transfo& t, Block s, int channel = 0) { t.processSamples (s.data(), (int) s.size(), channel); return s; }
}

//==============================================================================
TEST (RampedValue, RampsAccumulateTheirStepsAndLandExactlyOnTheTarget)
{
    auto ramp = rampToOne (4410);
    double accumulated = 0.0;
    for (int i = 0; i < 4409; ++i)  // the 4409th value is the sum of 4409 steps, not 4409 / 4410
        ASSERT_EQ (ramp.next(), accumulated += 1.0 / 4410) << i;
    EXPECT_EQ (ramp.next(), 1.0);
    EXPECT_FALSE (ramp.isRamping());
}

TEST (RampedValue, OnlyANewTargetAtLeastOneMillionthAwayStartsAFullRamp)
{
    auto ramp = rampToOne (100);
    ramp.next();
    ramp.setTarget (ramp.current + 0.9e-6);  // taken at once
    EXPECT_TRUE (! ramp.isRamping() && ramp.current == ramp.target);

    RampedValue exact;
    exact.setTarget (1.0e-6);  // exactly 1e-6 away: ramps
    EXPECT_TRUE (exact.isRamping() && exact.current == 0.0);

    ramp = rampToOne (100);
    for (int i = 0; i < 30; ++i)
        ramp.next();
    ramp.setTarget (1.0);  // the same target: the running ramp goes on
    EXPECT_TRUE (ramp.countdown == 70 && ramp.step == 0.01);

    const double from = ramp.current;
    ramp.setTarget (0.0);  // a new one: full length from the present value
    EXPECT_TRUE (ramp.countdown == 100 && ramp.step == -from / 100);
}

TEST (RampedValue, FillBlockHoldsTheSumOfItsStepsWithoutLanding)
{
    auto ramp = rampToOne (10);
    Block block (16, 0.0f);
    ramp.fillBlock (block.data(), -5);  // no samples, no step
    ramp.fillBlock (block.data(), 16);
    double accumulated = 0.0;
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ (block[(size_t) i], static_cast<float> (accumulated += 0.1));
    EXPECT_TRUE (! ramp.isRamping() && ramp.current == accumulated);  // 0.9999999999999999, not the target
    EXPECT_EQ (block[15], static_cast<float> (accumulated));
}

TEST (RampedValue, RampLengthIsOneHundredMillisecondsWithinTheSixteenBitCount)
{
    for (auto [rate, length] : { std::pair (44100.0, 4410), { 22050.5, 2205 }, { 655359.0, 65535 }, { 655360.0, 65535 },
                                 { 1.0e7, 65535 }, { 10.0, 1 }, { 9.0, 1 }, { -48000.0, 1 } })
        EXPECT_EQ (RampedValue::rampLengthFor (rate), length) << rate;

    auto ramp = rampToOne (0);  // a zero length would divide by zero: one sample
    EXPECT_EQ (ramp.next(), 1.0);
    ramp.setRampLength (70000);
    EXPECT_EQ (ramp.steps, 65535);
}

//==============================================================================
TEST (SmoothedFilter, NewFilterPassesTheSignalAndFlushesOutputsOfTenNanoVolts)
{
    SmoothedFilter<juce::SingleThreadedIIRFilter> filter;
    EXPECT_EQ (filter.processSample (0.7f), 0.7f);
    for (float tiny : { 1.0e-8f, -1.0e-8f, kNaN })
        EXPECT_EQ (filter.processSample (tiny), 0.0f);
    EXPECT_EQ (filter.processSample (1.5e-8f), 1.5e-8f);
}

//==============================================================================
TEST (Compressor, BlocksAdvanceTheSettingsEvenWithoutChannels)
{
    ProgramState live;
    OrvikQ4Compression c (&live);
    c.prepareToPlay (48000.0, 0);
    settle (c, live, 48000.0);
    live.mix.setTarget (0.5);
    c.setRatio (2, false);
    c.processSamples (nullptr, 100);
    EXPECT_EQ (live.mix.countdown, 4700);
    EXPECT_EQ (c.ratioDivider.countdown, 4700);
}

TEST (Compressor, NonFiniteInputCountsAsSilenceAndSparesTheLinkedChannel)
{
    LinkedTwins twins;
    auto& broken = twins.compressors[0];
    auto& clean = twins.compressors[1];

    const float bad[] { kNaN, kInf, -kInf };
    for (int i = 0; i < 2000; ++i)
    {
        const bool poisoned = i >= 500 && i < 520;
        float a[] { poisoned ? bad[i % 3] : drums (0, i), drums (1, i) }, b[] { poisoned ? 0.0f : drums (0, i), drums (1, i) };
        float* pa[] { a, a + 1 }, *pb[] { b, b + 1 };
        broken.processSamples (pa, 1);
        clean.processSamples (pb, 1);
        ASSERT_TRUE (a[0] == b[0] && a[1] == b[1]) << i;
    }
}

// At rest in silence a block of zeros is written without running the circuit. Against a twin
// that takes the same input but leaves its rest before every block (a ratio update of the same
// row changes nothing else), blocks with a single sample that is not zero, first or last, and a
// run of one-sample blocks give exactly the same samples and meter gains.
TEST (Compressor, AtRestInSilenceEveryBlockGivesWhatTheFullComputationGives)
{
    LinkedTwins twins;
    auto& atRest = twins.compressors[0];
    auto& twin = twins.compressors[1];

    const auto run = [&] (int n, int channel = 0, int at = -1, float value = 0.0f)
    {
        Channels a (2, Block ((size_t) n, 0.0f));
        if (at >= 0)
            a[(size_t) channel][(size_t) at] = value;
        auto b = a;
        twin.setRatio (twin.ratioIndex, false);
        atRest.processSamples (pointersTo (a).data(), n);
        twin.processSamples (pointersTo (b).data(), n);
        for (int c = 0; c < 2; ++c)
            EXPECT_TRUE (a[(size_t) c] == b[(size_t) c] && atRest.channels[c]->minGain == twin.channels[c]->minGain) << n << " samples, channel " << c;
    };
    const auto rest = [&]
    {
        for (int k = 0; k < 20000 && ! atRest.isSettled(); ++k)
            run (480);
        ASSERT_TRUE (atRest.isSettled());
    };

    for (int k = 0; k < 2000; ++k)
        run (1, k % 2, 0, drums (k % 2, k));
    rest();
    run (480, 1, 479, 0.5f);   // the last sample only
    rest();
    run (480, 0, 0, -0.25f);   // the first only
    rest();
    for (int k = 0; k < 64; ++k)
        run (1, 0, 0, k == 40 ? 0.125f : 0.0f);
}

//==============================================================================
TEST (Hum, SquareWaveIsNegativeFromExactlyHalfAPeriod)
{
    HumChannel state (48000.0);
    Block square (4);
    state.generate (square.data(), 4, 0.25);  // phases 0.25, 0.5, 0.75, 0.0
    EXPECT_EQ (square, (Block { 3.0e-6f, -3.0e-6f, -3.0e-6f, 3.0e-6f }));
}

TEST (Hum, CallsWithoutAMatchingStateLeaveTheAudioAlone)
{
    NRVHum unprepared, none, noRate;
    none.prepareToPlay (48000.0, 0);
    noRate.prepareToPlay (0.0, 2);
    const Channels audio (2, Block (64, 0.5f));
    for (auto* hum : { &unprepared, &none, &noRate })
    {
        auto copy = audio;
        hum->processSamples (pointersTo (copy).data(), 64);
        EXPECT_EQ (copy, audio);
    }
}

//==============================================================================
TEST (Transformer, NonFiniteInputOrCallsWithoutAStateNeverLeaveAChannelBroken)
{
    Block tone (2000);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = 1.2f * std::sin (0.0065f * (float) i);

    for (float bad : { kNaN, kInf })
    {
        OrvikQ4Transfo transfo, fresh;
        transfo.prepareToPlay (48000.0, 1);
        fresh.prepareToPlay (48000.0, 1);
        auto poisoned = tone;
        poisoned[100] = bad;
        run (transfo, poisoned);
        EXPECT_EQ (run (transfo, tone), run (fresh, tone));
    }

    // No channel states, a channel out of range or no usable rate: the audio passes untouched.
    const Block audio (64, 0.5f);
    OrvikQ4Transfo none, stereo, noRate;
    none.prepareToPlay (48000.0, 0);
    stereo.prepareToPlay (48000.0, 2);
    noRate.prepareToPlay (kNaN, 1);
    for (auto [effect, channel] : { std::pair (&none, 0), { &stereo, 2 }, { &stereo, -1 }, { &noRate, 0 } })
        EXPECT_EQ (run (*effect, audio, channel), audio) << channel;
}
