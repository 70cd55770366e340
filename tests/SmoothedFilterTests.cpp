#include "dsp/SmoothedFilter.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace
{
    using Filter = SmoothedFilter<juce::SingleThreadedIIRFilter>;

    constexpr int kRampLength = 100;

    /** Second-order Butterworth high-pass, as the processor designs the side-chain filter. */
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

    float signalAt (int i)
    {
        return static_cast<float> (0.5 + 0.5 * std::sin (i * 0.05) + 0.25 * std::sin (i * 0.31));
    }

    class SmoothedFilterTest : public ::testing::Test
    {
    protected:
        /** Runs n samples of the test signal; returns the last output. */
        float run (int n)
        {
            float y = 0.0f;

            for (int i = 0; i < n; ++i)
                y = filter.processSample (signalAt (position++));

            return y;
        }

        /** Off and settled, as after the compressor's preparation. */
        void switchOff()
        {
            filter.mix.setTarget (0.0);
            run (kRampLength);
        }

        /** Switched on at 100 Hz and settled. */
        void switchOnAt100Hz()
        {
            switchOff();
            filter.setCoefficients (hp100);
            run (2 * kRampLength);
        }

        float coefficient (int i) const { return filter.filter.getCoefficients().coefficients[i]; }

        bool coefficientsEqual (const juce::IIRCoefficients& expected) const
        {
            for (int i = 0; i < Filter::kNumCoefficients; ++i)
                if (coefficient (i) != expected.coefficients[i])
                    return false;

            return true;
        }

        Filter filter;
        int position = 0;
        const juce::IIRCoefficients hp100 = highPass (100.0, 44100.0);
        const juce::IIRCoefficients hp300 = highPass (300.0, 44100.0);
    };
}

TEST_F (SmoothedFilterTest, NewFilterPassesTheSignalThroughAnIdentityBiquad)
{
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ (filter.processSample (signalAt (i)), signalAt (i));

    EXPECT_FALSE (filter.mix.isRamping());
}

TEST_F (SmoothedFilterTest, OutputsOfAtMostTenNanoVoltsAreFlushedToZero)
{
    EXPECT_EQ (filter.processSample (1.0e-8f), 0.0f);
    EXPECT_EQ (filter.processSample (-1.0e-8f), 0.0f);
    EXPECT_EQ (filter.processSample (std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ (filter.processSample (1.5e-8f), 1.5e-8f);
}

TEST_F (SmoothedFilterTest, SwitchingOnFromOffClearsTheStateAndFadesInTheNewSet)
{
    switchOnAt100Hz();
    filter.mix.setTarget (0.0);
    run (kRampLength);
    ASSERT_NE (filter.filter.state1(), 0.0f);  // fading out left the state as it was

    filter.setCoefficients (hp300);
    EXPECT_EQ (filter.filter.state1(), 0.0f);
    EXPECT_EQ (filter.filter.state2(), 0.0f);
    EXPECT_TRUE (coefficientsEqual (hp300));
    EXPECT_TRUE (filter.mix.isRamping());

    juce::SingleThreadedIIRFilter plain;
    plain.setCoefficients (hp300);

    for (int i = 0; i < 3 * kRampLength; ++i)
    {
        const float x = signalAt (position++);
        const float filtered = plain.processSingleSampleRaw (x);
        const float y = filter.processSample (x);

        if (i == 0)
        {
            EXPECT_NEAR (y, 0.99 * (double) x + 0.01 * (double) filtered, 1.0e-6);  // first step of the fade
        }
        else if (i >= kRampLength - 1)
        {
            ASSERT_EQ (y, filtered) << "sample " << i;  // fully in: the plain biquad, bit for bit
        }
    }
}

TEST_F (SmoothedFilterTest, SwitchingOnWhileTheFadeOutHasNotMovedYetIsImmediate)
{
    filter.mix.setTarget (0.0);  // as right after preparation
    filter.setCoefficients (hp100);
    EXPECT_FALSE (filter.mix.isRamping());

    juce::SingleThreadedIIRFilter plain;
    plain.setCoefficients (hp100);

    for (int i = 0; i < 50; ++i)
        ASSERT_EQ (filter.processSample (signalAt (i)), plain.processSingleSampleRaw (signalAt (i)));
}

TEST_F (SmoothedFilterTest, RetuningWhileOnGlidesTheCoefficientsAndKeepsTheState)
{
    switchOnAt100Hz();
    const float s1 = filter.filter.state1(), s2 = filter.filter.state2();

    filter.setCoefficients (hp300);
    EXPECT_EQ (filter.filter.state1(), s1);
    EXPECT_EQ (filter.filter.state2(), s2);
    EXPECT_TRUE (coefficientsEqual (hp100));
    EXPECT_FALSE (filter.mix.isRamping());

    float previous = coefficient (0);

    for (int i = 0; i < kRampLength; ++i)
    {
        run (1);
        ASSERT_LE (coefficient (0), previous);
        ASSERT_GE (coefficient (0), hp300.coefficients[0]);
        previous = coefficient (0);
    }

    EXPECT_TRUE (coefficientsEqual (hp300));
}

TEST_F (SmoothedFilterTest, RetuningInTheMiddleOfAGlideStartsFromTheSetOneSampleOn)
{
    switchOnAt100Hz();
    filter.setCoefficients (hp300);
    run (kRampLength / 2);
    const float reached = coefficient (0);

    filter.setCoefficients (hp100);
    const double oneSampleOn = (double) hp100.coefficients[0] + 0.51 * (double) (hp300.coefficients[0] - hp100.coefficients[0]);
    EXPECT_LT (coefficient (0), reached);
    EXPECT_NEAR (coefficient (0), oneSampleOn, 1.0e-7);

    run (kRampLength);
    EXPECT_TRUE (coefficientsEqual (hp100));
}

TEST_F (SmoothedFilterTest, SwitchingOffFadesToTheInputThenPassesItUntouched)
{
    switchOnAt100Hz();
    filter.mix.setTarget (0.0);
    run (kRampLength);
    const float s1 = filter.filter.state1();

    for (int i = 0; i < 50; ++i)
        ASSERT_EQ (filter.processSample (signalAt (i)), signalAt (i));

    EXPECT_EQ (filter.filter.state1(), s1);
}

TEST_F (SmoothedFilterTest, AStateThatOverflowsStartsAgainFromRest)
{
    switchOnAt100Hz();
    filter.processSample (FLT_MAX);
    EXPECT_EQ (filter.filter.state1(), 0.0f);
    EXPECT_EQ (filter.filter.state2(), 0.0f);

    juce::SingleThreadedIIRFilter plain;
    plain.setCoefficients (hp100);

    for (int i = 0; i < 50; ++i)
        ASSERT_EQ (filter.processSample (signalAt (i)), plain.processSingleSampleRaw (signalAt (i)));
}
