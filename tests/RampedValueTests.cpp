#include "dsp/NRVEffect.h"
#include "dsp/RampedValue.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
    RampedValue rampOf (int length, double start = 0.0)
    {
        RampedValue ramp;
        ramp.setRampLength (length);
        ramp.current = start;
        ramp.target = start;
        return ramp;
    }
}

TEST (RampedValue, UnpreparedRampTakesOneHundredSamples)
{
    RampedValue ramp;
    ramp.setTarget (1.0);

    EXPECT_EQ (ramp.countdown, 100);

    for (int i = 0; i < 99; ++i)
        ramp.next();

    EXPECT_NE (ramp.current, 1.0);
    EXPECT_EQ (ramp.next(), 1.0);
    EXPECT_FALSE (ramp.isRamping());
}

TEST (RampedValue, LastStepLandsExactlyOnTarget)
{
    auto ramp = rampOf (4410);
    ramp.setTarget (1.0);

    // The 4409th value is the accumulated sum of 4409 steps of 1/4410, not 4409/4410.
    double accumulated = 0.0;
    const double step = 1.0 / 4410;

    for (int i = 0; i < 4409; ++i)
    {
        accumulated += step;
        ASSERT_EQ (ramp.next(), accumulated) << "sample " << i;
    }

    EXPECT_EQ (ramp.next(), 1.0);
    EXPECT_EQ (ramp.next(), 1.0);
}

TEST (RampedValue, TargetWithinOneMillionthJumpsAndEndsRamp)
{
    auto ramp = rampOf (100);
    ramp.setTarget (1.0);
    ramp.next();
    ramp.next();

    const double near = ramp.current + 0.9e-6;
    ramp.setTarget (near);

    EXPECT_EQ (ramp.current, near);
    EXPECT_EQ (ramp.target, near);
    EXPECT_FALSE (ramp.isRamping());
}

TEST (RampedValue, TargetExactlyOneMillionthAwayRamps)
{
    // The jump needs a difference strictly below 1e-6.
    auto ramp = rampOf (10, 0.0);
    ramp.setTarget (1.0e-6);
    EXPECT_TRUE (ramp.isRamping());
    EXPECT_EQ (ramp.current, 0.0);
}

TEST (RampedValue, SameTargetDoesNotRestartRunningRamp)
{
    auto ramp = rampOf (100);
    ramp.setTarget (1.0);

    for (int i = 0; i < 30; ++i)
        ramp.next();

    const double stepBefore = ramp.step;
    ramp.setTarget (1.0);

    EXPECT_EQ (ramp.countdown, 70);
    EXPECT_EQ (ramp.step, stepBefore);
}

TEST (RampedValue, NewTargetMidRampRestartsWithFullLengthFromPresentValue)
{
    auto ramp = rampOf (100);
    ramp.setTarget (1.0);

    for (int i = 0; i < 30; ++i)
        ramp.next();

    const double from = ramp.current;
    ramp.setTarget (0.0);

    EXPECT_EQ (ramp.countdown, 100);
    EXPECT_EQ (ramp.step, (0.0 - from) / 100);
}

TEST (RampedValue, FillBlockShorterThanRampAdvancesExactlyThatManySteps)
{
    auto ramp = rampOf (100);
    ramp.setTarget (1.0);
    std::vector<float> block (40);
    ramp.fillBlock (block.data(), 40);

    double accumulated = 0.0;

    for (int i = 0; i < 40; ++i)
    {
        accumulated += 0.01;
        ASSERT_EQ (block[(size_t) i], static_cast<float> (accumulated));
    }

    EXPECT_EQ (ramp.countdown, 60);
    EXPECT_EQ (ramp.current, accumulated);
}

TEST (RampedValue, FillBlockLongerThanRampHoldsAccumulatedValueWithoutLanding)
{
    auto ramp = rampOf (10);
    ramp.setTarget (1.0);
    std::vector<float> block (16);
    ramp.fillBlock (block.data(), 16);

    double accumulated = 0.0;
    for (int i = 0; i < 10; ++i)
        accumulated += 0.1;

    EXPECT_FALSE (ramp.isRamping());
    EXPECT_EQ (ramp.current, accumulated);  // the sum, 0.9999999999999999
    EXPECT_NE (ramp.current, 1.0);

    for (int i = 10; i < 16; ++i)
        EXPECT_EQ (block[(size_t) i], static_cast<float> (accumulated));
}

TEST (RampedValue, FillBlockOfNoSamplesChangesNothing)
{
    auto ramp = rampOf (10);
    ramp.setTarget (1.0);
    float unused = 0.0f;
    ramp.fillBlock (&unused, 0);
    ramp.fillBlock (&unused, -5);

    EXPECT_EQ (ramp.countdown, 10);
    EXPECT_EQ (ramp.current, 0.0);
}

TEST (RampedValue, SnapToTargetEndsRamp)
{
    auto ramp = rampOf (100);
    ramp.setTarget (0.25);
    ramp.next();
    ramp.snapToTarget();

    EXPECT_EQ (ramp.current, 0.25);
    EXPECT_FALSE (ramp.isRamping());
}

TEST (RampedValue, NewRampLengthLeavesRunningRampAlone)
{
    auto ramp = rampOf (100);
    ramp.setTarget (1.0);
    ramp.next();
    ramp.setRampLength (10);

    EXPECT_EQ (ramp.countdown, 99);
    EXPECT_EQ (ramp.step, 0.01);

    ramp.setTarget (0.0);
    EXPECT_EQ (ramp.countdown, 10);
}

TEST (RampedValue, RampLengthIsOneHundredMillisecondsTruncated)
{
    EXPECT_EQ (RampedValue::rampLengthFor (44100.0), 4410);
    EXPECT_EQ (RampedValue::rampLengthFor (48000.0), 4800);
    EXPECT_EQ (RampedValue::rampLengthFor (96000.0), 9600);
    EXPECT_EQ (RampedValue::rampLengthFor (22050.5), 2205);
}

TEST (RampedValue, RampLengthStaysUsableAtExtremeRates)
{
    // Rates whose 100 ms do not fit 16 bits give the longest ramp rather than wrapping to a
    // short one; rates below 10 Hz (and no rate at all) give a one-sample ramp, never zero.
    EXPECT_EQ (RampedValue::rampLengthFor (655360.0), 65535);
    EXPECT_EQ (RampedValue::rampLengthFor (1.0e7), 65535);
    EXPECT_EQ (RampedValue::rampLengthFor (9.0), 1);
    EXPECT_EQ (RampedValue::rampLengthFor (0.0), 1);
    EXPECT_EQ (RampedValue::rampLengthFor (-48000.0), 1);

    RampedValue ramp;
    ramp.setRampLength (0);
    EXPECT_EQ (ramp.steps, 1);
    ramp.setRampLength (70000);
    EXPECT_EQ (ramp.steps, 65535);

    ramp.setRampLength (0);
    ramp.setTarget (1.0);
    EXPECT_EQ (ramp.next(), 1.0);
}

//==============================================================================
namespace
{
    struct RecordingEffect : NRVEffect
    {
        using NRVEffect::processSamples;

        void prepareToPlay (double rate, int channels) override
        {
            sampleRate = rate;
            numChannels = channels;
        }

        void processSamples (float* data, int, int channel) override
        {
            calls.push_back ({ data, channel });
        }

        std::vector<std::pair<float*, int>> calls;
    };
}

TEST (NRVEffect, StartsAt44100HzWithOneChannel)
{
    RecordingEffect effect;
    EXPECT_EQ (effect.getSampleRate(), 44100.0);
    EXPECT_EQ (effect.getNumChannels(), 1);
}

TEST (NRVEffect, AllChannelProcessingVisitsPreparedChannelsInOrder)
{
    RecordingEffect effect;
    float a[4] {}, b[4] {}, c[4] {};
    float* channels[] = { a, b, c };

    effect.prepareToPlay (48000.0, 2);
    effect.processSamples (channels, 4);

    ASSERT_EQ (effect.calls.size(), 2u);
    EXPECT_EQ (effect.calls[0], std::make_pair (a, 0));
    EXPECT_EQ (effect.calls[1], std::make_pair (b, 1));

    effect.calls.clear();
    effect.prepareToPlay (48000.0, 0);
    effect.processSamples (channels, 4);
    EXPECT_TRUE (effect.calls.empty());
}
