#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

TEST (Processor, AnswersHostQueriesAndOffersStereoOrMonoOnly)
{
    auto p = createProcessor();

    EXPECT_EQ (p->getName(), "Orvik Q4-300");
    EXPECT_EQ (p->getInputChannelName (0), "1");
    EXPECT_EQ (p->getOutputChannelName (1), "2");
    EXPECT_EQ (p->getInputChannelName (-1), "0");
    EXPECT_TRUE (p->isInputChannelStereoPair (0) && p->isOutputChannelStereoPair (7));
    EXPECT_FALSE (p->silenceInProducesSilenceOut());
    EXPECT_EQ (p->getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (p->acceptsMidi() || p->producesMidi());
    EXPECT_EQ (p->getLatencySamples(), 0);
    EXPECT_TRUE (p->hasEditor());

    using Set = juce::AudioChannelSet;
    auto supports = [&p] (Set in, Set out)
    {
        juce::AudioProcessor::BusesLayout l;
        l.inputBuses.add (in);
        l.outputBuses.add (out);
        return p->checkBusesLayoutSupported (l);
    };

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

    for (int i = 0; i < kNumParameters; ++i)
    {
        EXPECT_EQ (p->getParameter (i), cDefaultValues[i]) << "parameter " << i;
        EXPECT_EQ (parameter (*p, i).getDefaultValue(), cDefaultValues[i]) << "parameter " << i;
    }

    // The live settings are program 0 down to the last ramp field.
    auto fields = [] (ProgramState s)
    {
        std::vector<double> v { (double) s.attack, (double) s.release, (double) s.ratio, (double) s.hpf,
                                s.contAttack, s.contRelease, (double) s.contOn };
        s.forEachRamp ([&v] (RampedValue& r)
                       { v.insert (v.end(), { (double) r.steps, (double) r.countdown, r.current, r.target, r.step }); });
        return v;
    };

    const auto& live = p->getLiveState();
    EXPECT_EQ (fields (live), fields (p->getProgramState (0)));
    EXPECT_EQ (std::make_tuple (live.thresholdScale, live.drive, live.gainReductionDb), std::make_tuple (0.544, 7.65, 0.0));

    // Ramped defaults start from 0; preparation snaps the live settings and every program.
    EXPECT_EQ (live.input.current, 0.0);
    EXPECT_EQ (live.input.target, 0.075);
    EXPECT_EQ (live.input.countdown, 100);

    prepare (*p, 48000.0, 512);
    EXPECT_EQ (live.input.current, 0.075);
    EXPECT_EQ (live.input.countdown, 0);
    EXPECT_EQ (live.input.steps, 4800);

    for (int i = 0; i < kNumPrograms; ++i)
    {
        const auto& state = p->getProgramState (i);
        EXPECT_FALSE (state.input.isRamping() || state.mix.isRamping() || state.analogOn.isRamping()) << "program " << i;
        EXPECT_EQ (state.stereoLink.steps, 4800) << "program " << i;
    }
}

TEST (Processor, IndexedParameterCallsReachTheirParameterObject)
{
    auto p = createProcessor();

    for (int i = 0; i < kNumParameters; ++i)
    {
        auto* object = dynamic_cast<TarskAudioProcessor::OrvikQ4Parameter*> (p->getParameters()[i]);
        ASSERT_NE (object, nullptr);
        EXPECT_EQ (object->getIndex(), i);
    }

    p->setParameter (kMix, 0.25f);
    EXPECT_EQ (parameter (*p, kMix).getValue(), 0.25f);
    EXPECT_EQ (p->getParameter (kMix), 0.25f);
    EXPECT_EQ (settled (*p).mix.target, 0.25);
}

TEST (Processor, KeepsTheWrapperTypeItWasCreatedFor)
{
    auto aax = createProcessor (juce::AudioProcessor::wrapperType_AAX);
    prepare (*aax, 44100.0, 256);
    aax->releaseResources();
    EXPECT_EQ (aax->wrapperType, 5);

    EXPECT_EQ (createProcessor (juce::AudioProcessor::wrapperType_VST3)->wrapperType, 2);
    EXPECT_EQ (createProcessor()->wrapperType, juce::AudioProcessor::wrapperType_Undefined);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
