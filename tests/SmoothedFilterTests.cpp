#include "DspTestUtils.h"
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
