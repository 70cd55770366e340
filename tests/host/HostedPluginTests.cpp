// The built plug-in modules, loaded through the framework's own hosting as a DAW would load
// them: identity, channel layouts, parameters, programs and saved state as a host sees them.

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

namespace
{
    juce::String vst3BundlePath()
    {
        // ORVIK_VST3_MODULE is <bundle>.vst3/Contents/<arch>/<name>.so
        return juce::File (ORVIK_VST3_MODULE).getParentDirectory().getParentDirectory()
                   .getParentDirectory().getFullPathName();
    }

    struct Hosted
    {
        std::unique_ptr<juce::PluginDescription> description;
        std::unique_ptr<juce::AudioPluginInstance> instance;
    };

    Hosted load (juce::AudioPluginFormat& format, const juce::String& path)
    {
        Hosted hosted;
        juce::OwnedArray<juce::PluginDescription> types;
        format.findAllTypesForFile (types, path);

        if (types.size() != 1)
            return hosted;

        hosted.description = std::make_unique<juce::PluginDescription> (*types[0]);
        juce::String error;
        hosted.instance = format.createInstanceFromDescription (*types[0], 48000.0, 512, error);
        return hosted;
    }

    /** The plug-in's own 14 parameters by name (they come first; wrappers may append their
        own, such as a host bypass or a program-change parameter). */
    std::map<juce::String, juce::AudioProcessorParameter*> parametersByName (juce::AudioPluginInstance& instance)
    {
        std::map<juce::String, juce::AudioProcessorParameter*> byName;
        const auto& all = instance.getParameters();

        for (int i = 0; i < juce::jmin (14, all.size()); ++i)
            byName[all[i]->getName (100)] = all[i];

        return byName;
    }

    /** Lets the wrapper's and the host's message-thread updates run. */
    void pumpMessages()
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
    }

    const char* const kParameterNames[] = {
        "Input", "Output", "Attack", "Release", "Mix", "Ratio", "SC High Pass Filter",
        "Continuous Attack", "Continuous Release", "Stereo Link", "Bypass", "Continuous ON",
        "Link ON", "Analog ON"
    };

    const char* const kProgramNames[] = {
        "Default", "BASS GUITAR- Clean", "BASS GUITAR- Dist", "DRUMS- Parallel Compression",
        "DRUMS- Room Ala Hallorn", "DRUMS- Snappy Snare", "MIX- Master Mix", "MIX- Pumpy Drum Bus",
        "VOCALS- Basic", "VOCALS- Rock All In", "VOCALS- Smooth"
    };

    juce::AudioProcessor::BusesLayout layout (const juce::AudioChannelSet& in, const juce::AudioChannelSet& out)
    {
        juce::AudioProcessor::BusesLayout l;
        l.inputBuses.add (in);
        l.outputBuses.add (out);
        return l;
    }

    bool processesFiniteAudio (juce::AudioPluginInstance& instance, int channels)
    {
        instance.setPlayConfigDetails (channels, channels, 48000.0, 512);
        instance.prepareToPlay (48000.0, 512);

        juce::AudioBuffer<float> buffer (channels, 512);
        juce::MidiBuffer midi;
        bool finite = true;

        for (int block = 0; block < 20; ++block)
        {
            for (int c = 0; c < channels; ++c)
                for (int i = 0; i < 512; ++i)
                    buffer.setSample (c, i, 0.3f * std::sin (0.05f * (float) (block * 512 + i)));

            instance.processBlock (buffer, midi);

            for (int c = 0; c < channels; ++c)
                for (int i = 0; i < 512; ++i)
                    finite = finite && std::isfinite (buffer.getSample (c, i));
        }

        instance.releaseResources();
        return finite;
    }
}

//==============================================================================
class HostedVST3 : public ::testing::Test
{
protected:
    juce::VST3PluginFormat format;
};

TEST_F (HostedVST3, IdentityAsTheHostSeesIt)
{
    auto hosted = load (format, vst3BundlePath());
    ASSERT_NE (hosted.instance, nullptr) << vst3BundlePath();

    const auto& d = *hosted.description;
    EXPECT_EQ (d.name, "Orvik Q4-300");
    EXPECT_EQ (d.manufacturerName, "Norrhaven");
    EXPECT_EQ (d.version, "1.2.0");
    EXPECT_TRUE (d.category.contains ("Dynamics")) << d.category;
    EXPECT_FALSE (d.isInstrument);
    EXPECT_EQ (d.numInputChannels, 2);
    EXPECT_EQ (d.numOutputChannels, 2);

    auto& p = *hosted.instance;
    EXPECT_EQ (p.getName(), "Orvik Q4-300");
    EXPECT_FALSE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
    EXPECT_EQ (p.getLatencySamples(), 0);
    EXPECT_EQ (p.getTailLengthSeconds(), 0.0);
}

TEST_F (HostedVST3, OffersStereoAndMonoLayoutsOnly)
{
    auto hosted = load (format, vst3BundlePath());
    ASSERT_NE (hosted.instance, nullptr);
    auto& p = *hosted.instance;
    using Set = juce::AudioChannelSet;

    EXPECT_TRUE (p.checkBusesLayoutSupported (layout (Set::stereo(), Set::stereo())));
    EXPECT_TRUE (p.checkBusesLayoutSupported (layout (Set::mono(), Set::mono())));
    EXPECT_FALSE (p.checkBusesLayoutSupported (layout (Set::mono(), Set::stereo())));
    EXPECT_FALSE (p.checkBusesLayoutSupported (layout (Set::stereo(), Set::mono())));

    EXPECT_TRUE (processesFiniteAudio (p, 2));
    ASSERT_TRUE (p.setBusesLayout (layout (Set::mono(), Set::mono())));
    EXPECT_TRUE (processesFiniteAudio (p, 1));
}

TEST_F (HostedVST3, ParametersNamesStepsAndTexts)
{
    auto hosted = load (format, vst3BundlePath());
    ASSERT_NE (hosted.instance, nullptr);
    auto byName = parametersByName (*hosted.instance);

    for (auto* name : kParameterNames)
        ASSERT_TRUE (byName.count (name) == 1) << name;

    // The wrapper appends a host-bypass and a program-change parameter of its own.
    EXPECT_EQ (hosted.instance->getParameters().size(), 16);

    EXPECT_EQ (byName["Ratio"]->getNumSteps(), 3);
    EXPECT_EQ (byName["Attack"]->getNumSteps(), 3);
    EXPECT_EQ (byName["Analog ON"]->getNumSteps(), 2);
    EXPECT_EQ (byName["Bypass"]->getNumSteps(), 2);
    EXPECT_EQ (byName["Mix"]->getNumSteps(), juce::AudioProcessor::getDefaultNumParameterSteps());

    EXPECT_EQ (byName["Input"]->getText (0.3f, 100), "3.0");
    EXPECT_EQ (byName["Stereo Link"]->getText (0.5f, 100), "50%");
    EXPECT_EQ (byName["Attack"]->getText (0.5f, 100), "Medium");
    EXPECT_EQ (byName["SC High Pass Filter"]->getText (1.0f, 100), "300Hz");
    EXPECT_EQ (byName["Bypass"]->getText (1.0f, 100), "Byp");

    EXPECT_FLOAT_EQ (byName["Stereo Link"]->getValueForText ("75%"), 0.75f);
    EXPECT_FLOAT_EQ (byName["Release"]->getValueForText ("slow"), 1.0f);
    EXPECT_FLOAT_EQ (byName["Link ON"]->getValueForText ("On"), 1.0f);

    EXPECT_FLOAT_EQ (byName["Input"]->getDefaultValue(), 0.3f);
    EXPECT_FLOAT_EQ (byName["Attack"]->getValue(), 1.0f);
    EXPECT_FLOAT_EQ (byName["Analog ON"]->getValue(), 1.0f);
}

TEST_F (HostedVST3, ListsAndSelectsFactoryPrograms)
{
    auto hosted = load (format, vst3BundlePath());
    ASSERT_NE (hosted.instance, nullptr);
    auto& p = *hosted.instance;

    ASSERT_EQ (p.getNumPrograms(), 11);

    for (int i = 0; i < 11; ++i)
        EXPECT_EQ (p.getProgramName (i), kProgramNames[i]);

    p.setCurrentProgram (7);
    EXPECT_EQ (p.getCurrentProgram(), 7);
    pumpMessages();

    auto byName = parametersByName (p);
    EXPECT_FLOAT_EQ (byName["Link ON"]->getValue(), 1.0f);
    EXPECT_FLOAT_EQ (byName["Ratio"]->getValue(), 0.5f);
    EXPECT_FLOAT_EQ (byName["Mix"]->getValue(), 0.8880000114440918f);
}

TEST_F (HostedVST3, SavedStateRoundTripsThroughTheHost)
{
    auto first = load (format, vst3BundlePath());
    auto second = load (format, vst3BundlePath());
    ASSERT_NE (first.instance, nullptr);
    ASSERT_NE (second.instance, nullptr);

    auto firstParams = parametersByName (*first.instance);
    firstParams["Mix"]->setValue (0.42f);
    firstParams["Ratio"]->setValue (1.0f);
    firstParams["Stereo Link"]->setValue (0.9f);
    firstParams["Link ON"]->setValue (1.0f);

    juce::MemoryBlock state;
    first.instance->getStateInformation (state);
    second.instance->setStateInformation (state.getData(), (int) state.getSize());

    auto secondParams = parametersByName (*second.instance);

    for (auto* name : kParameterNames)
        EXPECT_FLOAT_EQ (secondParams[name]->getValue(), firstParams[name]->getValue()) << name;
}

//==============================================================================
class HostedVST2 : public ::testing::Test
{
protected:
    juce::VSTPluginFormat format;
};

TEST_F (HostedVST2, IdentityLayoutsAndProcessing)
{
    auto hosted = load (format, ORVIK_VST_MODULE);
    ASSERT_NE (hosted.instance, nullptr) << ORVIK_VST_MODULE;

    const auto& d = *hosted.description;
    EXPECT_EQ (d.name, "Orvik Q4-300");
    EXPECT_EQ (d.descriptiveName, "Orvik Q4-300");
    EXPECT_EQ (d.manufacturerName, "Norrhaven");
    EXPECT_TRUE (d.version.startsWith ("1.2.0")) << d.version;  // the host writes four fields
    EXPECT_FALSE (d.isInstrument);
    EXPECT_EQ (d.numInputChannels, 2);
    EXPECT_EQ (d.numOutputChannels, 2);

    auto& p = *hosted.instance;
    EXPECT_FALSE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
    EXPECT_EQ (p.getLatencySamples(), 0);
    EXPECT_TRUE (processesFiniteAudio (p, 2));
}

TEST_F (HostedVST2, ParametersAndPrograms)
{
    auto hosted = load (format, ORVIK_VST_MODULE);
    ASSERT_NE (hosted.instance, nullptr);
    auto& p = *hosted.instance;

    ASSERT_EQ (p.getParameters().size(), 14);

    for (int i = 0; i < 14; ++i)
        EXPECT_EQ (p.getParameters()[i]->getName (100), kParameterNames[i]);

    // A VST 2.4 host can only ask for the text of the present value.
    p.getParameters()[9]->setValue (0.5f);
    EXPECT_EQ (p.getParameters()[9]->getCurrentValueAsText(), "50%");
    p.getParameters()[5]->setValue (1.0f);
    EXPECT_EQ (p.getParameters()[5]->getCurrentValueAsText(), "100:1");

    ASSERT_EQ (p.getNumPrograms(), 11);

    // The format's program names hold 24 characters.
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ (p.getProgramName (i), juce::String (kProgramNames[i]).substring (0, 24));

    p.setCurrentProgram (3);
    EXPECT_EQ (p.getCurrentProgram(), 3);
    EXPECT_FLOAT_EQ (p.getParameters()[12]->getValue(), 1.0f);  // Link ON
    EXPECT_FLOAT_EQ (p.getParameters()[4]->getValue(), 0.25200000405311584f);
}

TEST_F (HostedVST2, SavedStateRoundTripsThroughTheHost)
{
    auto first = load (format, ORVIK_VST_MODULE);
    auto second = load (format, ORVIK_VST_MODULE);
    ASSERT_NE (first.instance, nullptr);
    ASSERT_NE (second.instance, nullptr);

    first.instance->getParameters()[4]->setValue (0.42f);
    first.instance->getParameters()[6]->setValue (1.0f);
    first.instance->getParameters()[11]->setValue (1.0f);

    juce::MemoryBlock state;
    first.instance->getStateInformation (state);
    second.instance->setStateInformation (state.getData(), (int) state.getSize());

    for (int i = 0; i < 14; ++i)
        EXPECT_FLOAT_EQ (second.instance->getParameters()[i]->getValue(),
                         first.instance->getParameters()[i]->getValue()) << kParameterNames[i];
}
