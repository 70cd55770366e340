// The built plug-in modules, loaded through the framework's own hosting as a DAW would load
// them (only the framework is linked here): identity, channel layouts, parameters, programs
// and saved state as a host sees them.

#include "../AudioTestUtils.h"
#include "../MessageLoop.h"

#include <gtest/gtest.h>

#include <memory>

using namespace OrvikQ4::test;

namespace
{
    /** Prepares for a channel count and runs blocks of a tone through the instance. */
    bool processesFiniteAudio (juce::AudioPluginInstance& instance, int channels)
    {
        instance.setPlayConfigDetails (channels, channels, 48000.0, 512);
        instance.prepareToPlay (48000.0, 512);
        juce::MidiBuffer midi;
        bool finite = true;
        for (long block = 0; block < 20; ++block)
        {
            auto buffer = tone (512, block * 512, channels);
            instance.processBlock (buffer, midi);
            finite = finite && allFinite (buffer);
        }
        instance.releaseResources();
        return finite;
    }
}

//==============================================================================
/** One loaded instance of the VST3 (parameter true) or the VST 2.4 module. */
class Hosted : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        plugin = load (&description);
        ASSERT_NE (plugin, nullptr) << path();
    }

    bool isVST3() const { return GetParam(); }

    juce::String path() const
    {
        // ORVIK_VST3_MODULE is <bundle>.vst3/Contents/<arch>/<name>.so
        return isVST3() ? juce::File (ORVIK_VST3_MODULE).getParentDirectory().getParentDirectory()
                              .getParentDirectory().getFullPathName()
                        : juce::String (ORVIK_VST_MODULE);
    }

    std::unique_ptr<juce::AudioPluginInstance> load (juce::PluginDescription* found = nullptr)
    {
        auto& format = isVST3() ? static_cast<juce::AudioPluginFormat&> (vst3Format) : vstFormat;
        juce::OwnedArray<juce::PluginDescription> types;
        format.findAllTypesForFile (types, path());
        if (types.size() != 1)
            return nullptr;
        if (found != nullptr)
            *found = *types[0];
        juce::String error;
        return format.createInstanceFromDescription (*types[0], 48000.0, 512, error);
    }

    /** The plug-in's own parameters come first; the VST3 wrapper appends a host bypass and a
        program-change parameter. */
    juce::AudioProcessorParameter& param (int index) { return *plugin->getParameters()[index]; }

    juce::VST3PluginFormat vst3Format;
    juce::VSTPluginFormat vstFormat;
    juce::PluginDescription description;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
};

TEST_P (Hosted, IdentityLayoutsAndProcessing)
{
    EXPECT_EQ (description.name, "Orvik Q4-300");
    EXPECT_EQ (description.manufacturerName, "Norrhaven");
    EXPECT_TRUE (description.version.startsWith ("1.2.0")) << description.version;  // VST 2.4 writes four fields
    EXPECT_FALSE (description.isInstrument);
    EXPECT_EQ (description.numInputChannels, 2);
    EXPECT_EQ (description.numOutputChannels, 2);
    EXPECT_EQ (plugin->getName(), "Orvik Q4-300");
    EXPECT_FALSE (plugin->acceptsMidi() || plugin->producesMidi());
    EXPECT_EQ (plugin->getLatencySamples(), 0);
    EXPECT_EQ (plugin->getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (processesFiniteAudio (*plugin, 2));

    if (! isVST3())
    {
        EXPECT_EQ (description.descriptiveName, "Orvik Q4-300");
        return;  // a VST 2.4 host only learns the channel counts
    }

    using Set = juce::AudioChannelSet;
    EXPECT_TRUE (description.category.contains ("Dynamics")) << description.category;
    EXPECT_TRUE (plugin->checkBusesLayoutSupported (layout (Set::stereo(), Set::stereo())));
    EXPECT_FALSE (plugin->checkBusesLayoutSupported (layout (Set::mono(), Set::stereo())));
    ASSERT_TRUE (plugin->setBusesLayout (layout (Set::mono(), Set::mono())));
    EXPECT_TRUE (processesFiniteAudio (*plugin, 1));
}

// What a host sees of each kind, once: the rules behind the texts, parsing, steps and programs
// are the unit tests' subject (ParameterTests, SavedStateTests).
TEST_P (Hosted, ParameterNamesStepsTextsAndParsing)
{
    ASSERT_EQ (plugin->getParameters().size(), isVST3() ? 16 : 14);
    EXPECT_EQ (param (6).getName (100), "SC High Pass Filter");  // longer than a VST 2.4 name field
    EXPECT_FLOAT_EQ (param (13).getValue(), 1.0f);                // Analog ON by default

    param (6).setValue (1.0f);  // a VST 2.4 host can only ask for the text of the present value
    EXPECT_EQ (param (6).getCurrentValueAsText(), "300Hz");

    if (! isVST3())
        return;  // nor does it learn step counts, defaults or parsing

    EXPECT_EQ (param (5).getNumSteps(), 3);   // Ratio
    EXPECT_EQ (param (12).getNumSteps(), 2);  // Link ON
    EXPECT_FLOAT_EQ (param (0).getDefaultValue(), 0.3f);
    EXPECT_FLOAT_EQ (param (9).getValueForText ("75%"), 0.75f);
}

TEST_P (Hosted, ListsAndSelectsFactoryPrograms)
{
    ASSERT_EQ (plugin->getNumPrograms(), 11);
    EXPECT_EQ (plugin->getProgramName (10), "VOCALS- Smooth");
    // VST 2.4 program names hold 24 characters.
    EXPECT_EQ (plugin->getProgramName (3), isVST3() ? "DRUMS- Parallel Compression" : "DRUMS- Parallel Compress");

    plugin->setCurrentProgram (7);
    EXPECT_EQ (plugin->getCurrentProgram(), 7);

    if (isVST3())  // the wrapper passes the program's values on from the message thread
        OrvikQ4::test::runMessageLoopFor (300);

    EXPECT_FLOAT_EQ (param (12).getValue(), 1.0f);  // Link ON
    EXPECT_FLOAT_EQ (param (4).getValue(), 0.8880000114440918f);
}

TEST_P (Hosted, SavedStateRoundTripsThroughTheHost)
{
    auto second = load();
    ASSERT_NE (second, nullptr);

    for (auto [index, value] : { std::pair (4, 0.42f), { 5, 1.0f }, { 6, 1.0f }, { 9, 0.9f }, { 11, 1.0f }, { 12, 1.0f } })
        param (index).setValue (value);

    juce::MemoryBlock state;
    plugin->getStateInformation (state);
    second->setStateInformation (state.getData(), (int) state.getSize());

    for (int i = 0; i < 14; ++i)
        EXPECT_FLOAT_EQ (second->getParameters()[i]->getValue(), param (i).getValue()) << "parameter " << i;
}

INSTANTIATE_TEST_SUITE_P (Formats, Hosted, ::testing::Values (true, false),
                          [] (const auto& info) { return info.param ? "VST3" : "VST2"; });
