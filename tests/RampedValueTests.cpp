#include "dsp/NRVEffect.h"
#include "dsp/RampedValue.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
    /** A value at 0 sent toward 1 with ramps of `length` samples. */
    RampedValue rampToOne (int length)
    {
        RampedValue ramp;
        ramp.setRampLength (length);
        ramp.setTarget (1.0);
        return ramp;
    }
}

TEST (RampedValue, RampsAccumulateTheirStepsAndLandExactlyOnTheTarget)
{
    auto ramp = rampToOne (4410);
    double accumulated = 0.0;
    for (int i = 0; i < 4409; ++i)  // the 4409th value is the sum of 4409 steps, not 4409 / 4410
        ASSERT_EQ (ramp.next(), accumulated += 1.0 / 4410) << i;
    EXPECT_EQ (ramp.next(), 1.0);
    EXPECT_FALSE (ramp.isRamping());

    RampedValue unprepared;  // never given a length: 100 samples
    unprepared.setTarget (1.0);
    for (int i = 0; i < 99; ++i)
        ASSERT_NE (unprepared.next(), 1.0);
    EXPECT_EQ (unprepared.next(), 1.0);
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

TEST (RampedValue, FillBlockAccumulatesStepsAndHoldsTheSumWithoutLanding)
{
    auto ramp = rampToOne (100);
    std::vector<float> block (40);
    ramp.fillBlock (block.data(), 40);
    double accumulated = 0.0;
    for (float value : block)
        ASSERT_EQ (value, static_cast<float> (accumulated += 0.01));
    EXPECT_TRUE (ramp.countdown == 60 && ramp.current == accumulated);

    ramp = rampToOne (10);
    block.assign (16, 0.0f);
    ramp.fillBlock (block.data(), -5);  // no samples, no step
    ramp.fillBlock (block.data(), 16);
    accumulated = 0.0;
    for (int i = 0; i < 10; ++i)
        accumulated += 0.1;
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
TEST (NRVEffect, AllChannelProcessingVisitsThePreparedChannelsInOrder)
{
    struct Recording : NRVEffect
    {
        using NRVEffect::processSamples;
        void prepareToPlay (double, int channels) override { numChannels = channels; }
        void processSamples (float* data, int, int channel) override { calls.push_back ({ data, channel }); }
        std::vector<std::pair<float*, int>> calls;
    } effect;

    float a[4] {}, b[4] {}, c[4] {};
    float* channels[] = { a, b, c };
    effect.prepareToPlay (48000.0, 2);
    effect.processSamples (channels, 4);
    effect.prepareToPlay (48000.0, 0);
    effect.processSamples (channels, 4);  // no channels, no calls
    EXPECT_EQ (effect.calls, (std::vector<std::pair<float*, int>> { { a, 0 }, { b, 1 } }));
}
