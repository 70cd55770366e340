#include "processor/PluginProcessor.h"
#include "processor/ParameterMapping.h"
#include "ui/PluginEditor.h"

namespace OrvikQ4
{

namespace
{
    juce::uint32 systemMillisecondCounter()
    {
        return juce::Time::getMillisecondCounter();
    }
}

TarskAudioProcessor::TarskAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    writeFactoryPrograms();

    // Readers see the live settings from the start (program 0 holds the same defaults).
    publishProgram (0);

    millisecondClock.store (&systemMillisecondCounter);

    // A program selection right after creation (a host restoring a project) must be applied:
    // the hold after a state load only starts with the first state load.
    lastStateLoadMs.store (now() - 500u);

    for (int index = 0; index < kNumParameters; ++index)
        addParameter (new OrvikQ4Parameter (*this, index));

    startTimer (100);
}

TarskAudioProcessor::~TarskAudioProcessor()
{
    stopTimer();
}

//==============================================================================
const juce::String TarskAudioProcessor::getName() const
{
    return "Orvik Q4-300";
}

const juce::String TarskAudioProcessor::getInputChannelName (int channelIndex) const
{
    return juce::String (channelIndex + 1);
}

const juce::String TarskAudioProcessor::getOutputChannelName (int channelIndex) const
{
    return juce::String (channelIndex + 1);
}

bool TarskAudioProcessor::isInputChannelStereoPair (int) const   { return true; }
bool TarskAudioProcessor::isOutputChannelStereoPair (int) const  { return true; }
bool TarskAudioProcessor::silenceInProducesSilenceOut() const    { return false; }
double TarskAudioProcessor::getTailLengthSeconds() const         { return 0.0; }
bool TarskAudioProcessor::acceptsMidi() const                    { return false; }
bool TarskAudioProcessor::producesMidi() const                   { return false; }

bool TarskAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto in = layouts.getMainInputChannelSet();
    const auto out = layouts.getMainOutputChannelSet();

    return in == out
        && (in == juce::AudioChannelSet::stereo() || in == juce::AudioChannelSet::mono());
}

//==============================================================================
juce::AudioProcessorEditor* TarskAudioProcessor::createEditor()
{
    return new TarskAudioProcessorEditor (*this);
}

bool TarskAudioProcessor::hasEditor() const
{
    return true;
}

//==============================================================================
double TarskAudioProcessor::getSetting (int index) const noexcept
{
    if (! juce::isPositiveAndBelow (index, (int) kNumParameters))
        return 0.0;

    return publishedSettings[(size_t) index].load (std::memory_order_relaxed);
}

double TarskAudioProcessor::getGainReductionDb() const noexcept
{
    return publishedGainReductionDb.load (std::memory_order_relaxed);
}

juce::uint32 TarskAudioProcessor::now() const noexcept
{
    return millisecondClock.load()();
}

void TarskAudioProcessor::handOver (const SettingChange& change) noexcept
{
    // A full queue (nobody has processed a block for a long while) loses the order of the
    // changes it could not take, not their result: the audio side then re-reads every
    // published setting.
    if (! pendingSettings.push (change))
        resynchronise.store (true, std::memory_order_release);
}

void TarskAudioProcessor::applyPendingSettings() noexcept
{
    SettingChange change;

    while (pendingSettings.pop (change))
        applySetting (change);

    if (resynchronise.exchange (false, std::memory_order_acq_rel))
        resynchroniseFromPublished();
}

void TarskAudioProcessor::applySetting (const SettingChange& change) noexcept
{
    switch (change.kind)
    {
        case SettingChange::Kind::parameter:
            if (ParameterMapping::isStorable (change.index, change.value))
                ParameterMapping::store (liveState, change.index,
                                         ParameterMapping::toInternal (change.index, change.value));

            updateCompression();
            break;

        case SettingChange::Kind::program:
            applyProgram (change.index);
            break;
    }
}

void TarskAudioProcessor::resynchroniseFromPublished() noexcept
{
    for (int i = 0; i < kNumParameters; ++i)
        ParameterMapping::store (liveState, i, publishedSettings[(size_t) i].load (std::memory_order_relaxed));

    updateCompression();
}

void TarskAudioProcessor::setParameterValue (int index, float value) noexcept
{
    if (ParameterMapping::isStorable (index, value))
        publishedSettings[(size_t) index].store (ParameterMapping::toInternal (index, value),
                                                 std::memory_order_relaxed);

    handOver ({ SettingChange::Kind::parameter, index, value });
}

float TarskAudioProcessor::getParameterValue (int index) const noexcept
{
    if (! juce::isPositiveAndBelow (index, (int) kNumParameters))
        return 0.0f;

    return ParameterMapping::toNormalised (index, getSetting (index));
}

} // namespace OrvikQ4

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new OrvikQ4::TarskAudioProcessor();
}
