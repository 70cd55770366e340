#include "processor/PluginProcessor.h"
#include "processor/ParameterMapping.h"
#include "ui/PluginEditor.h"

#include <cstring>

namespace OrvikQ4
{

namespace
{
    juce::uint32 systemMillisecondCounter()
    {
        return juce::Time::getMillisecondCounter();
    }

    static_assert (SettingChange::kMaxSettings == kNumParameters, "a change carries every parameter");
    static_assert (std::atomic<juce::uint64>::is_always_lock_free, "published settings must never lock");

    // A published setting: version in bits 33 ... 63, the program flag in bit 32, the normalised
    // value's float bits (or the program's number) in bits 0 ... 31.
    constexpr juce::uint32 kVersionMask = 0x7fffffffu;
    constexpr juce::uint64 kFromProgram = juce::uint64 (1) << 32;

    constexpr juce::uint32 versionOf (juce::uint64 published) noexcept
    {
        return static_cast<juce::uint32> (published >> 33);
    }

    constexpr juce::uint64 withVersion (juce::uint64 setting, juce::uint32 version) noexcept
    {
        return (juce::uint64 (version & kVersionMask) << 33) | (setting & ((juce::uint64 (1) << 33) - 1));
    }

    juce::uint64 normalisedSetting (float value) noexcept
    {
        juce::uint32 bits;
        std::memcpy (&bits, &value, sizeof (bits));
        return bits;
    }

    juce::uint64 programSetting (int program) noexcept
    {
        return kFromProgram | static_cast<juce::uint32> (program);
    }

    /** True when version a was written after version b. Versions wrap at 31 bits; the ones
        the audio side compares are at most about a queue's length of changes apart. */
    constexpr bool isNewer (juce::uint32 a, juce::uint32 b) noexcept
    {
        const auto distance = (a - b) & kVersionMask;
        return distance != 0 && distance < 0x40000000u;
    }
}

thread_local TarskAudioProcessor::StateLoad* TarskAudioProcessor::stateLoadOnThisThread = nullptr;

TarskAudioProcessor::TarskAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    writeFactoryPrograms();

    // Readers see the live settings from the start (program 0 holds the same defaults); the
    // audio side has applied this version 0 of every setting.
    for (auto& setting : publishedSettings)
        setting.store (withVersion (programSetting (0), 0), std::memory_order_relaxed);

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

    return settingFrom (index, publishedSettings[(size_t) index].load (std::memory_order_relaxed));
}

double TarskAudioProcessor::settingFrom (int index, juce::uint64 published) const noexcept
{
    const auto payload = static_cast<juce::uint32> (published);

    // Program settings never change after construction, so they can be read from any thread.
    if ((published & kFromProgram) != 0)
        return ParameterMapping::read (programStates[juce::jmin (payload, (juce::uint32) kNumPrograms - 1)], index);

    float value;
    std::memcpy (&value, &payload, sizeof (value));
    return ParameterMapping::toInternal (index, value);
}

double TarskAudioProcessor::getGainReductionDb() const noexcept
{
    return publishedGainReductionDb.load (std::memory_order_relaxed);
}

juce::uint32 TarskAudioProcessor::now() const noexcept
{
    return millisecondClock.load()();
}

juce::uint32 TarskAudioProcessor::publish (int index, juce::uint64 setting) noexcept
{
    // The next version of this parameter's setting, taken in the same step as the value is
    // published: versions follow the order in which the writes took effect.
    auto& slot = publishedSettings[(size_t) index];
    auto present = slot.load (std::memory_order_relaxed);

    for (;;)
    {
        const auto version = (versionOf (present) + 1) & kVersionMask;

        if (slot.compare_exchange_weak (present, withVersion (setting, version), std::memory_order_relaxed))
            return version;
    }
}

void TarskAudioProcessor::publishProgram (int index, SettingChange& change) noexcept
{
    for (int i = 0; i < kNumParameters; ++i)
    {
        change.versions[(size_t) i] = publish (i, programSetting (index));
        change.written |= 1u << i;
    }
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
    // At most one queue's worth per call: callers that keep pushing while the audio side
    // applies could otherwise keep a block from ever starting. What is left waits, in order,
    // for the next block.
    pendingSettings.popAtMost (SettingsQueue::kCapacity, [this] (const SettingChange& change) { applySetting (change); });

    if (resynchronise.exchange (false, std::memory_order_acq_rel))
        resynchroniseFromPublished();
}

bool TarskAudioProcessor::takeIfNewer (const SettingChange& change, int index) noexcept
{
    // A change overtaken by a later write to the same setting (whose change is applied, or
    // still to come) leaves that setting alone.
    if (! change.wrote (index) || ! isNewer (change.versions[(size_t) index], appliedVersions[(size_t) index]))
        return false;

    appliedVersions[(size_t) index] = change.versions[(size_t) index];
    return true;
}

void TarskAudioProcessor::applySetting (const SettingChange& change) noexcept
{
    switch (change.kind)
    {
        case SettingChange::Kind::parameter:
            if (takeIfNewer (change, change.index))
                ParameterMapping::store (liveState, change.index,
                                         ParameterMapping::toInternal (change.index, change.value));

            updateCompression();
            break;

        case SettingChange::Kind::program:
            applyProgram (change);
            break;

        case SettingChange::Kind::state:
            // Each parameter the state set, in order, as its own setValue would.
            for (int i = 0; i < kNumParameters; ++i)
            {
                if (! change.wrote (i))
                    continue;

                if (takeIfNewer (change, i))
                    ParameterMapping::store (liveState, i, ParameterMapping::toInternal (i, change.values[(size_t) i]));

                updateCompression();
            }
            break;
    }
}

void TarskAudioProcessor::resynchroniseFromPublished() noexcept
{
    // The queue lost the order of the changes it could not take, not their result: each
    // published word is the last write of its setting. Those the audio side has not applied
    // yet are applied as their own calls would have been.
    std::array<juce::uint64, kNumParameters> published;
    std::uint32_t unapplied = 0, fromProgram = 0;
    int program = -1;

    for (int i = 0; i < kNumParameters; ++i)
    {
        published[(size_t) i] = publishedSettings[(size_t) i].load (std::memory_order_relaxed);

        if (isNewer (versionOf (published[(size_t) i]), appliedVersions[(size_t) i]))
        {
            unapplied |= 1u << i;

            if ((published[(size_t) i] & kFromProgram) != 0)
            {
                // A selection publishes its settings in index order, so the first one shows the
                // latest selection; one caught while publishing leaves the earlier selection's
                // settings after it, which are taken as they are.
                const auto number = static_cast<int> (static_cast<juce::uint32> (published[(size_t) i]));

                if (program < 0)
                    program = number;

                if (number == program)
                    fromProgram |= 1u << i;
            }
        }

        appliedVersions[(size_t) i] = versionOf (published[(size_t) i]);
    }

    // A program selection among them came after every change applied so far; it is taken
    // whole, as the queue takes one (its values in place at once, the meter from 0 dB). The
    // settings that still show a value of its own were not written after it; every other one
    // is written again on top of it, with its own value.
    constexpr std::uint32_t everySetting = (1u << kNumParameters) - 1u;
    std::uint32_t toStore = unapplied;

    if (program >= 0)
    {
        takeProgram (program, everySetting);
        toStore = everySetting & ~fromProgram;
    }

    for (int i = 0; i < kNumParameters; ++i)
    {
        if (((toStore >> i) & 1u) != 0)
        {
            ParameterMapping::store (liveState, i, settingFrom (i, published[(size_t) i]));
            updateCompression();
        }
    }
}

void TarskAudioProcessor::setParameterValue (int index, float value) noexcept
{
    SettingChange change { SettingChange::Kind::parameter, index, value };
    auto* stateLoad = stateLoadOnThisThread;

    if (stateLoad != nullptr && stateLoad->owner != this)
        stateLoad = nullptr;

    if (ParameterMapping::isStorable (index, value))
    {
        const auto version = publish (index, normalisedSetting (value));
        auto& target = stateLoad != nullptr ? stateLoad->change : change;
        target.written |= 1u << index;
        target.versions[(size_t) index] = version;
        target.values[(size_t) index] = value;
    }

    // A state load hands its values over together when it ends.
    if (stateLoad == nullptr)
        handOver (change);
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
