#include "DspTestUtils.h"
#include "dsp/OrvikQ4Transfo.h"

#include <gtest/gtest.h>

#include <limits>

using dsptest::Block;

namespace
{
    Block run (OrvikQ4Transfo& t, Block s, int channel = 0)
    {
        t.processSamples (s.data(), (int) s.size(), channel);
        return s;
    }

    Block tone (int n)
    {
        Block s ((size_t) n);
        for (int i = 0; i < n; ++i)
            s[(size_t) i] = 1.2f * std::sin (0.0065f * (float) i);
        return s;
    }

    struct Prepared : OrvikQ4Transfo
    {
        Prepared (double rate, int numChannels) { prepareToPlay (rate, numChannels); }
    };
}

TEST (Transformer, NonFiniteInputOrCallsWithoutAStateNeverLeaveAChannelBroken)
{
    for (float bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() })
    {
        Prepared transfo (48000.0, 1), fresh (48000.0, 1);
        auto poisoned = tone (512);
        poisoned[100] = bad;
        run (transfo, poisoned);
        EXPECT_EQ (run (transfo, tone (2000)), run (fresh, tone (2000)));
    }

    // No channel states, a channel out of range or no usable rate: the audio passes untouched.
    const Block audio (64, 0.5f);
    Prepared none (48000.0, 0), stereo (48000.0, 2), noRate (std::numeric_limits<double>::quiet_NaN(), 1);
    for (auto [effect, channel] : { std::pair<OrvikQ4Transfo*, int> (&none, 0), { &stereo, 2 }, { &stereo, -1 }, { &noRate, 0 } })
        EXPECT_EQ (run (*effect, audio, channel), audio) << channel;
}
