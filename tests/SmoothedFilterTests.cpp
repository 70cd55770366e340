#include "DspTestUtils.h"
#include "ReferenceCompressor.h"
#include "dsp/SmoothedFilter.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
    float signalAt (int i) { return static_cast<float> (0.5 + 0.5 * std::sin (i * 0.05) + 0.25 * std::sin (i * 0.31)); }

    const juce::IIRCoefficients hp100 = dsptest::highPass (100.0, 44100.0), hp300 = dsptest::highPass (300.0, 44100.0);
}

TEST (SmoothedFilter, NewFilterPassesTheSignalAndFlushesOutputsOfTenNanoVolts)
{
    SmoothedFilter<juce::SingleThreadedIIRFilter> filter;
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ (filter.processSample (signalAt (i)), signalAt (i));
    for (float tiny : { 1.0e-8f, -1.0e-8f, std::numeric_limits<float>::quiet_NaN() })
        EXPECT_EQ (filter.processSample (tiny), 0.0f);
    EXPECT_EQ (filter.processSample (1.5e-8f), 1.5e-8f);
}

// Every way of switching and retuning, against the plain statement of the side-chain filter
// (100-sample ramps: the filters are never prepared here).
TEST (SmoothedFilter, SwitchesAndRetunesExactlyAsAStraightStatement)
{
    SmoothedFilter<juce::SingleThreadedIIRFilter> filter;
    reference::Filter straight;
    const auto retune = [&] (const juce::IIRCoefficients& set) { filter.setCoefficients (set); straight.setCoefficients (set); };
    const auto switchOff = [&] { filter.mix.setTarget (0.0); straight.mix.setTarget (0.0); };
    float s1 = 0.0f;

    for (int i = 0; i < 1600; ++i)
    {
        if (i == 0)                  // switched off and on before the fade moved: on at once
        {
            switchOff();
            retune (hp100);
            EXPECT_FALSE (filter.mix.isRamping());
        }
        if (i == 300)                // retuned while on: a glide, no fade
        {
            retune (hp300);
            EXPECT_FALSE (filter.mix.isRamping());
        }
        if (i == 350)                // retuned mid-glide: from the set reached
            retune (hp100);
        if (i == 600)                // a 100-sample fade out, then the filter no longer runs
            switchOff();
        if (i == 700)
            s1 = filter.filter.state1();
        if (i == 800)                // on from off: from rest, with the new set, fading in
        {
            EXPECT_TRUE (s1 != 0.0f && filter.filter.state1() == s1);
            retune (hp300);
            EXPECT_TRUE (filter.filter.state1() == 0.0f && filter.mix.isRamping());
        }
        if (i == 850)                // retuned while fading in
            retune (hp100);
        if (i == 1100)
            switchOff();
        if (i == 1150)               // on again while fading out
            retune (hp300);

        const float x = i >= 1400 ? 1.0e-8f * signalAt (i) : signalAt (i);  // the tail reaches the flush level
        ASSERT_EQ (filter.processSample (x), straight.processSample (x)) << "sample " << i;
    }
}
