#include "DspTestUtils.h"
#include "dsp/NRVHum.h"

#include <gtest/gtest.h>

using namespace dsptest;

namespace
{
    Channels process (NRVHum& hum, Channels audio)
    {
        hum.processSamples (pointersTo (audio).data(), (int) audio[0].size());
        return audio;
    }
}

TEST (Hum, SquareWaveIsNegativeFromExactlyHalfAPeriod)
{
    HumChannel state (48000.0);
    Block square (4);
    state.generate (square.data(), 4, 0.25);  // phases 0.25, 0.5, 0.75, 0.0
    EXPECT_EQ (square, (Block { 3.0e-6f, -3.0e-6f, -3.0e-6f, 3.0e-6f }));
}

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
