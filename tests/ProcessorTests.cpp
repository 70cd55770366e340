#include "ProcessorTestUtils.h"
#include "processor/ParameterMapping.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

TEST (Processor, AnswersHostQueriesAndOffersStereoOrMonoOnly)
{
    auto p = createProcessor();

    // Name, MIDI, latency and tail: as the host tests see them through both formats.
    EXPECT_EQ (p->getInputChannelName (0), "1");
    EXPECT_EQ (p->getOutputChannelName (1), "2");
    EXPECT_EQ (p->getInputChannelName (-1), "0");
    EXPECT_TRUE (p->isInputChannelStereoPair (0) && p->isOutputChannelStereoPair (7));
    EXPECT_FALSE (p->silenceInProducesSilenceOut());
    EXPECT_TRUE (p->hasEditor());

    using Set = juce::AudioChannelSet;
    auto supports = [&p] (Set in, Set out) { return p->checkBusesLayoutSupported (layout (in, out)); };

    EXPECT_EQ (p->getTotalNumInputChannels(), 2);
    EXPECT_TRUE (supports (Set::stereo(), Set::stereo()));
    EXPECT_TRUE (supports (Set::mono(), Set::mono()));
    EXPECT_FALSE (supports (Set::mono(), Set::stereo()));
    EXPECT_FALSE (supports (Set::create5point1(), Set::create5point1()));
}

TEST (Processor, StartsInProgramZeroWithTheDefaultsAndRampsThemInUntilPrepared)
{
    auto p = createProcessor();
    EXPECT_EQ (p->getCurrentProgram(), 0);

    for (int i = 0; i < kNumParameters; ++i)  // the values the default saved state holds
        EXPECT_EQ (parameter (*p, i).getDefaultValue(), p->getParameter (i)) << "parameter " << i;

    // The published values are pinned by the default saved state, the live ramps by the chain's
    // golden test (its statement runs on a default ProgramState).
    const auto& live = p->getLiveState();
    EXPECT_EQ (std::make_tuple (live.thresholdScale, live.drive, live.gainReductionDb), std::make_tuple (0.544, 7.65, 0.0));

    // Ramped defaults start from 0; preparation snaps them. (Selecting a program copies only its
    // targets, so the programs' own ramps are never heard.)
    EXPECT_EQ (std::make_tuple (live.input.current, live.input.target, live.input.countdown), std::make_tuple (0.0, 0.075, 100));
    prepare (*p, 48000.0, 512);
    EXPECT_EQ (std::make_tuple (live.input.current, live.input.countdown, live.input.steps), std::make_tuple (0.075, 0, 4800));
}

TEST (Processor, AFullSettingsHandOverResynchronisesAndLaterChangesStillApply)
{
    auto p = createProcessor();
    prepare (*p, 48000.0, 64);
    const auto applied = [&p] (int i) { return ParameterMapping::read (p->getLiveState(), i); };

    // Far more changes than the queue holds, with no block processed: the last of them counts.
    for (int k = 0; k < 3000; ++k)
        parameter (*p, k % kNumParameters).setValue ((float) (k % 7) / 8.0f);
    p->setCurrentProgram (6);
    for (int i = 1; i <= 2000; ++i)
        parameter (*p, kMix).setValue ((float) i * 0.0005f);

    juce::AudioBuffer<float> b (2, 64);
    juce::MidiBuffer midi;
    b.clear();
    p->processBlock (b, midi);
    for (int i = 0; i < kNumParameters; ++i)
        EXPECT_EQ (applied (i), p->getSetting (i)) << "parameter " << i;
    EXPECT_EQ (applied (kAttack), 1.0);  // program 6
    EXPECT_EQ (applied (kMix), (double) (2000 * 0.0005f));

    // Changes after the resynchronisation are newer than what it applied.
    parameter (*p, kMix).setValue (0.25f);
    EXPECT_EQ (settled (*p).mix.target, 0.25);
}

TEST (Processor, AProgramSelectedIntoAFullHandOverIsInPlaceAtOnceWithTheMeterAtZero)
{
    auto p = createProcessor();
    prepare (*p, 48000.0, 256);
    juce::MidiBuffer midi;
    auto loud = tone (256, 0, 2, 1.0f);
    p->processBlock (loud, midi);

    for (int k = 0; k < 1100; ++k)  // more than the queue holds, no block processed
        parameter (*p, k % kNumParameters).setValue ((float) (k % 5) / 4.0f);
    p->setCurrentProgram (3);

    auto live = settled (*p);
    for (int i = 0; i < kNumParameters; ++i)
        EXPECT_EQ (ParameterMapping::read (live, i), ParameterMapping::read (p->getProgramState (3), i)) << "parameter " << i;
    live.forEachRamp ([] (RampedValue& r) { EXPECT_TRUE (! r.isRamping() && r.current == r.target) << r.target; });
    EXPECT_EQ (live.gainReductionDb, 0.0);
}

// The audio side applies at most a queue's worth of changes per block; a change that arrives
// while it drains waits for the next block and is never lost. Probe: a queue full of program
// selections and one Ratio change made while a block drains them, as soon as the drain has
// freed a cell (the 1,025th change of that block, if the block took it).
TEST (Processor, ChangesArrivingWhileABlockDrainsAFullHandOverAreAllApplied)
{
    auto p = createProcessor();
    prepare (*p, 48000.0, 64);
    juce::AudioBuffer<float> b (2, 64);
    juce::MidiBuffer midi;
    b.clear();

    for (int round = 0; round < 20; ++round)
    {
        for (int k = 0; k < (int) SettingsQueue::kCapacity; ++k)
            p->setCurrentProgram (0);  // Ratio 4:1

        std::atomic<bool> started { false };
        std::thread audio ([&] { started = true; p->processBlock (b, midi); });
        while (! started)
            std::this_thread::yield();
        for (const auto t = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - t < std::chrono::microseconds (20);)
            std::this_thread::yield();
        parameter (*p, kRatio).setValue (1.0f);  // 100:1
        audio.join();

        p->processBlock (b, midi);
        ASSERT_EQ (p->getLiveState().ratio, 2) << "round " << round;
    }
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
