#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

TEST (Processor, AnswersHostQueries)
{
    auto p = createProcessor();

    EXPECT_EQ (p->getName(), "Orvik Q4-300");
    EXPECT_EQ (p->getInputChannelName (0), "1");
    EXPECT_EQ (p->getOutputChannelName (1), "2");
    EXPECT_EQ (p->getInputChannelName (-1), "0");
    EXPECT_TRUE (p->isInputChannelStereoPair (0));
    EXPECT_TRUE (p->isOutputChannelStereoPair (7));
    EXPECT_FALSE (p->silenceInProducesSilenceOut());
    EXPECT_EQ (p->getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (p->acceptsMidi());
    EXPECT_FALSE (p->producesMidi());
    EXPECT_TRUE (p->hasEditor());
    EXPECT_EQ (p->getLatencySamples(), 0);
}

TEST (Processor, SupportsStereoThenMonoOnly)
{
    auto p = createProcessor();
    using Set = juce::AudioChannelSet;

    auto layout = [] (Set in, Set out)
    {
        juce::AudioProcessor::BusesLayout l;
        l.inputBuses.add (in);
        l.outputBuses.add (out);
        return l;
    };

    EXPECT_EQ (p->getTotalNumInputChannels(), 2);
    EXPECT_EQ (p->getTotalNumOutputChannels(), 2);
    EXPECT_TRUE (p->checkBusesLayoutSupported (layout (Set::stereo(), Set::stereo())));
    EXPECT_TRUE (p->checkBusesLayoutSupported (layout (Set::mono(), Set::mono())));
    EXPECT_FALSE (p->checkBusesLayoutSupported (layout (Set::mono(), Set::stereo())));
    EXPECT_FALSE (p->checkBusesLayoutSupported (layout (Set::create5point1(), Set::create5point1())));
}

TEST (Processor, StartsInProgramZeroWithDefaultParameters)
{
    auto p = createProcessor();

    EXPECT_EQ (p->getCurrentProgram(), 0);
    EXPECT_EQ (p->getNumParameters(), 14);

    for (int i = 0; i < 14; ++i)
    {
        EXPECT_EQ (p->getParameter (i), cDefaultValues[i]) << "parameter " << i;
        EXPECT_EQ (parameter (*p, i).getDefaultValue(), cDefaultValues[i]);
    }
}

TEST (Processor, LiveSettingsEqualProgramZeroAfterCreation)
{
    auto p = createProcessor();
    const auto& live = p->getLiveState();
    const auto& program = p->getProgramState (0);

    auto sameRamp = [] (const RampedValue& a, const RampedValue& b)
    {
        return a.steps == b.steps && a.countdown == b.countdown && a.current == b.current
            && a.target == b.target && a.step == b.step;
    };

    EXPECT_TRUE (sameRamp (live.input, program.input));
    EXPECT_TRUE (sameRamp (live.output, program.output));
    EXPECT_TRUE (sameRamp (live.mix, program.mix));
    EXPECT_TRUE (sameRamp (live.stereoLink, program.stereoLink));
    EXPECT_TRUE (sameRamp (live.bypass, program.bypass));
    EXPECT_TRUE (sameRamp (live.linkOn, program.linkOn));
    EXPECT_TRUE (sameRamp (live.analogOn, program.analogOn));
    EXPECT_EQ (live.attack, program.attack);
    EXPECT_EQ (live.release, program.release);
    EXPECT_EQ (live.ratio, program.ratio);
    EXPECT_EQ (live.hpf, program.hpf);
    EXPECT_EQ (live.contAttack, program.contAttack);
    EXPECT_EQ (live.contRelease, program.contRelease);
    EXPECT_EQ (live.contOn, program.contOn);
    EXPECT_EQ (live.thresholdScale, 0.544);
    EXPECT_EQ (live.drive, 7.65);
    EXPECT_EQ (live.gainReductionDb, 0.0);
}

TEST (Processor, DefaultRampsStartFromZeroAndPreparationSnapsThem)
{
    auto p = createProcessor();

    EXPECT_EQ (p->getLiveState().input.current, 0.0);
    EXPECT_EQ (p->getLiveState().input.target, 0.075);
    EXPECT_EQ (p->getLiveState().input.countdown, 100);
    EXPECT_EQ (p->getLiveState().bypass.countdown, 0);

    prepare (*p, 48000.0, 512);

    const auto& live = p->getLiveState();
    EXPECT_EQ (live.input.current, 0.075);
    EXPECT_EQ (live.input.countdown, 0);
    EXPECT_EQ (live.input.steps, 4800);

    for (int program = 0; program < kNumPrograms; ++program)
    {
        const auto& state = p->getProgramState (program);
        EXPECT_FALSE (state.input.isRamping() || state.mix.isRamping() || state.analogOn.isRamping());
        EXPECT_EQ (state.stereoLink.steps, 4800);
    }
}

TEST (Processor, IndexedParameterCallsReachTheirParameterObject)
{
    auto p = createProcessor();

    for (int i = 0; i < 14; ++i)
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
    EXPECT_EQ (aax->wrapperType, 5);

    prepare (*aax, 44100.0, 256);
    aax->releaseResources();
    EXPECT_EQ (aax->wrapperType, 5);

    EXPECT_EQ (createProcessor (juce::AudioProcessor::wrapperType_VST3)->wrapperType, 2);
    EXPECT_EQ (createProcessor (juce::AudioProcessor::wrapperType_VST)->wrapperType, 1);
}

TEST (Processor, FactoryFunctionMakesAProcessor)
{
    std::unique_ptr<juce::AudioProcessor> p (createPluginFilter());
    ASSERT_NE (dynamic_cast<TarskAudioProcessor*> (p.get()), nullptr);
    EXPECT_EQ (p->getName(), "Orvik Q4-300");
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
