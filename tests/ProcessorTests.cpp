#include "ProcessorTestUtils.h"
#include "processor/ParameterMapping.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

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

// The audio side applies at most a queue's worth of changes per block, so that callers who keep
// pushing cannot hold a block back; what arrives meanwhile waits for the next block, in order.
TEST (SettingsHandOver, ChangesArrivingWhileAFullQueueDrainsWaitForTheNextCall)
{
    constexpr int kCapacity = (int) SettingsQueue::kCapacity;
    auto queue = std::make_unique<SettingsQueue>();
    SettingChange change;
    for (change.index = 0; change.index < kCapacity; ++change.index)
        ASSERT_TRUE (queue->push (change));

    std::vector<int> applied;
    const auto drain = [&]
    {
        return queue->popAtMost (SettingsQueue::kCapacity, [&] (const SettingChange& c)
        {
            applied.push_back (c.index);
            if (c.index < 2)  // two more arrive while the first are applied
                queue->push (SettingChange { SettingChange::Kind::parameter, kCapacity + c.index });
        });
    };
    EXPECT_EQ (drain(), SettingsQueue::kCapacity);
    EXPECT_EQ (drain(), 2u);
    ASSERT_EQ (applied.size(), (size_t) kCapacity + 2);
    for (int k = 0; k < kCapacity + 2; ++k)
        ASSERT_EQ (applied[(size_t) k], k);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
