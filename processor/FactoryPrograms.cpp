#include "processor/ParameterMapping.h"
#include "processor/PluginProcessor.h"

namespace OrvikQ4
{

namespace
{
    struct FactoryProgram
    {
        const char* name;
        int attack, release, ratio, hpf;
        bool contOn;
        // Continuous values in internal units. Programs 1 ... 10 hold single-precision numbers
        // widened to double; each literal below is such a number written out exactly.
        double input, output, mix, contAttack, contRelease, stereoLink, linkOn;
    };

    const FactoryProgram cFactoryPrograms[kNumPrograms] = {
        { "Default", 2, 0, 0, 0, false,
          0.075, 0.075, 1.0, 0.5, 0.5, 0.5, 0.0 },
        { "BASS GUITAR- Clean", 2, 0, 0, 1, true,
          0.11100000888109207, 0.056000009179115295, 0.800000011920929, 0.46799999475479126, 1.0, 0.5, 0.0 },
        { "BASS GUITAR- Dist", 2, 0, 2, 1, true,
          0.20100004971027374, 0.04700000584125519, 1.0, 0.8479999899864197, 1.0, 0.5, 0.0 },
        { "DRUMS- Parallel Compression", 2, 0, 1, 1, true,
          0.14900000393390656, 0.0690000057220459, 0.25200000405311584, 0.1120000034570694, 0.8920000195503235, 0.6079999804496765, 1.0 },
        { "DRUMS- Room Ala Hallorn", 2, 0, 0, 1, true,
          0.4305000305175781, 0.06100000441074371, 0.7080000042915344, 0.0, 0.8659687638282776, 0.5, 0.0 },
        { "DRUMS- Snappy Snare", 2, 0, 0, 0, true,
          0.14600001275539398, 0.049000002443790436, 1.0, 0.21199999749660492, 0.8799999952316284, 0.5, 0.0 },
        { "MIX- Master Mix", 1, 1, 0, 1, true,
          0.03595703840255737, 0.1283242255449295, 0.26128125190734863, 0.41200000047683716, 0.7200000882148743, 0.5, 0.0 },
        { "MIX- Pumpy Drum Bus", 1, 0, 1, 1, true,
          0.4645000696182251, 0.03500000387430191, 0.8880000114440918, 0.0, 0.671999990940094, 1.0, 1.0 },
        { "VOCALS- Basic", 2, 0, 0, 0, true,
          0.12099999934434891, 0.07500000298023224, 0.6959999799728394, 0.5, 1.0, 0.5, 0.0 },
        { "VOCALS- Rock All In", 2, 0, 2, 0, true,
          0.2690000832080841, 0.10200001299381256, 1.0, 0.3760000169277191, 1.0, 0.5, 0.0 },
        { "VOCALS- Smooth", 1, 0, 0, 1, false,
          0.12700000405311584, 0.08100000023841858, 0.5040000081062317, 0.514578104019165, 1.0, 0.5, 0.0 },
    };

    constexpr juce::uint32 kProgramHoldAfterStateLoadMs = 500;
}

void TarskAudioProcessor::writeFactoryPrograms()
{
    for (int p = 0; p < kNumPrograms; ++p)
    {
        const auto& source = cFactoryPrograms[p];
        programNames[p] = source.name;

        if (p == 0)
            continue;  // program 0 keeps the defaults it was constructed with

        auto& state = programStates[p];
        state.input.setTarget (source.input);
        state.output.setTarget (source.output);
        state.attack = source.attack;
        state.release = source.release;
        state.mix.setTarget (source.mix);
        state.ratio = source.ratio;
        state.hpf = source.hpf;
        state.contAttack = source.contAttack;
        state.contRelease = source.contRelease;
        state.stereoLink.setTarget (source.stereoLink);
        state.bypass.setTarget (0.0);
        state.contOn = source.contOn;
        state.linkOn.setTarget (source.linkOn);
        state.analogOn.setTarget (1.0);
    }
}

int TarskAudioProcessor::getNumPrograms()
{
    return kNumPrograms;
}

int TarskAudioProcessor::getCurrentProgram()
{
    return currentProgram.load();
}

void TarskAudioProcessor::setCurrentProgram (int index)
{
    const int program = juce::jlimit (0, kNumPrograms - 1, index);
    currentProgram.store (program);

    // Hosts restoring a project load the state and then select the stored program number;
    // for a moment after a state load the selection is recorded but the loaded values stay.
    if (stateLoaded.load() && now() - lastStateLoadMs.load() < kProgramHoldAfterStateLoadMs)
        return;

    SettingChange change { SettingChange::Kind::program, program };
    publishProgram (program, change);

    // The meter restarts from the program's 0 dB at once, also while the host processes no
    // blocks; the next block falls from there as before.
    publishedGainReductionDb.store (programStates[program].gainReductionDb, std::memory_order_relaxed);
    handOver (change);

    // Hosts learn the program's values from the message thread (see timerCallback).
    programValuesToAnnounce.store (true);
}

void TarskAudioProcessor::timerCallback()
{
    // Tell the format wrappers, and through them the host's displays and automation lanes,
    // that every parameter now has the selected program's value. This runs after the
    // selection call has returned: wrappers ignore parameter news during their own calls.
    if (programValuesToAnnounce.exchange (false))
        for (auto* parameter : getParameters())
            parameter->sendValueChangedMessageToListeners (parameter->getValue());
}

const juce::String TarskAudioProcessor::getProgramName (int index)
{
    if (! juce::isPositiveAndBelow (index, kNumPrograms))
        return {};

    return programNames[index];
}

void TarskAudioProcessor::changeProgramName (int, const juce::String&)
{
    // Factory programs are read-only.
}

void TarskAudioProcessor::applyProgram (const SettingChange& change) noexcept
{
    // A setting that a later call has changed already keeps that call's value; a selection
    // that a resynchronisation has overtaken entirely changes nothing at all.
    std::uint32_t settings = 0;

    for (int i = 0; i < kNumParameters; ++i)
        if (takeIfNewer (change, i))
            settings |= 1u << i;

    if (settings != 0)
        takeProgram (change.index, settings);
}

void TarskAudioProcessor::takeProgram (int index, std::uint32_t settings) noexcept
{
    const auto& p = programStates[juce::jlimit (0, kNumPrograms - 1, index)];

    // Copied in field order (the parameters' order); every value is in place from the next
    // sample on, without a ramp.
    for (int i = 0; i < kNumParameters; ++i)
        if (((settings >> i) & 1u) != 0)
            ParameterMapping::store (liveState, i, ParameterMapping::read (p, i));

    liveState.thresholdScale = p.thresholdScale;
    liveState.drive = p.drive;
    liveState.gainReductionDb = p.gainReductionDb;
    publishedGainReductionDb.store (liveState.gainReductionDb, std::memory_order_relaxed);

    const int steps = RampedValue::rampLengthFor (getSampleRate());

    liveState.forEachRamp ([steps] (RampedValue& ramp)
    {
        ramp.setRampLength (steps);
        ramp.snapToTarget();
    });

    updateCompression();
}

} // namespace OrvikQ4
