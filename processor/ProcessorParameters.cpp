#include "dsp/BiquadDesign.h"
#include "processor/ParameterMapping.h"
#include "processor/PluginProcessor.h"
#include "processor/ValueText.h"

#include <cmath>
#include <limits>

namespace OrvikQ4
{

const float cDefaultValues[kNumParameters] = { 0.3f, 0.3f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                                                0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 1.0f };

namespace
{
    constexpr int kDefaultNumSteps = 0x7fffffff;
    constexpr int kLowResNumSteps = 10000;

    const char* const cNames[kNumParameters] = {
        "Input", "Output", "Attack", "Release", "Mix", "Ratio", "SC High Pass Filter",
        "Continuous Attack", "Continuous Release", "Stereo Link", "Bypass", "Continuous ON",
        "Link ON", "Analog ON"
    };

    const char* const cShortNames[kNumParameters] = {
        "Input", "Output", "Attack", "Release", "Mix", "Ratio", "HPF", "ContAttack",
        "ContRelease", "StereoLink", "Bypass", "ContOn", "LinkOn", "AnalogOn"
    };

    const char* const cTimingTexts[] = { "Fast", "Medium", "Slow" };
    const char* const cRatioTexts[] = { "4:1", "12:1", "100:1" };
    const char* const cHPFTexts[] = { "OFF", "100Hz", "300Hz" };

    // The low-resolution step count is decided once per process, by the first processor
    // that is asked for a step count: -1 undecided, 0 full resolution, 1 low resolution.
    std::atomic<int> lowResWrapperDecision { -1 };

    bool isLowResWrapper (juce::AudioProcessor::WrapperType type) noexcept
    {
        int expected = -1;
        const int decision = type == juce::AudioProcessor::wrapperType_AAX ? 1 : 0;
        lowResWrapperDecision.compare_exchange_strong (expected, decision);
        return lowResWrapperDecision.load() == 1;
    }

    // The comparisons of the value mappings: the first operand when it is less (greater)
    // than the second, else the second.
    double minOf (double a, double b) noexcept { return a < b ? a : b; }
    double maxOf (double a, double b) noexcept { return a > b ? a : b; }

    /** floor (v + v) in float, as a choice index (limited to the int range). */
    int choiceIndexFor (float v) noexcept
    {
        const float f = std::floor (v + v);

        if (f >= 2147483647.0f)
            return std::numeric_limits<int>::max();

        if (f <= -2147483648.0f)
            return std::numeric_limits<int>::min();

        return static_cast<int> (f);
    }

    /** Position 0 ... 2 of the text shown for a choice value: (v + v) in float, + 0.5 in
        double, truncated; positions beyond the table show its first or last entry. */
    int choiceTextPosition (float value) noexcept
    {
        const double position = static_cast<double> (value + value) + 0.5;

        if (! (position >= 1.0))
            return 0;

        return position < 2.0 ? 1 : 2;
    }

    const char* const* choiceTextsFor (int index) noexcept
    {
        switch (index)
        {
            case kAttack:
            case kRelease: return cTimingTexts;
            case kRatio:   return cRatioTexts;
            case kHPF:     return cHPFTexts;
            default:       return nullptr;
        }
    }

    RampedValue* rampFor (ProgramState& state, int index) noexcept
    {
        switch (index)
        {
            case kInput:      return &state.input;
            case kOutput:     return &state.output;
            case kMix:        return &state.mix;
            case kStereoLink: return &state.stereoLink;
            case kBypass:     return &state.bypass;
            case kLinkOn:     return &state.linkOn;
            case kAnalogOn:   return &state.analogOn;
            default:          return nullptr;
        }
    }

    const RampedValue* rampFor (const ProgramState& state, int index) noexcept
    {
        return rampFor (const_cast<ProgramState&> (state), index);
    }

    int* choiceFor (ProgramState& state, int index) noexcept
    {
        switch (index)
        {
            case kAttack:  return &state.attack;
            case kRelease: return &state.release;
            case kRatio:   return &state.ratio;
            case kHPF:     return &state.hpf;
            default:       return nullptr;
        }
    }
}

//==============================================================================
namespace ParameterMapping
{
    bool isStorable (int index, float normalised) noexcept
    {
        return juce::isPositiveAndBelow (index, (int) kNumParameters) && std::isfinite (normalised);
    }

    double gainToNormalised (double gain) noexcept
    {
        return maxOf (minOf ((gain + 1.125) / 2.125, 4.0 * gain), gain);
    }

    double toInternal (int index, float normalised) noexcept
    {
        const double v = normalised;

        switch (index)
        {
            case kInput:
            case kOutput:
                // Two straight lines meeting at v = 0.6, g = 0.15; g = v outside 0 ... 1.
                return minOf (maxOf (2.125 * v - 1.125, 0.25 * v), v);

            case kAttack:
            case kRelease:
            case kRatio:
            case kHPF:
                return choiceIndexFor (normalised);

            case kMix:
            case kStereoLink:
            case kContAttack:
            case kContRelease:
                return v;

            case kBypass:
            case kLinkOn:
            case kAnalogOn:
            case kContOn:
                return normalised > 0.5f ? 1.0 : 0.0;

            default:
                return 0.0;
        }
    }

    float toNormalised (int index, double internal) noexcept
    {
        switch (index)
        {
            case kInput:
            case kOutput:
                return static_cast<float> (gainToNormalised (internal));

            case kAttack:
            case kRelease:
            case kRatio:
            case kHPF:
                return static_cast<float> (static_cast<int> (internal)) * 0.5f;

            case kMix:
            case kStereoLink:
            case kContAttack:
            case kContRelease:
                return static_cast<float> (internal);

            case kBypass:
            case kLinkOn:
            case kAnalogOn:
                return internal >= 0.5 ? 1.0f : 0.0f;

            case kContOn:
                return internal != 0.0 ? 1.0f : 0.0f;

            default:
                return 0.0f;
        }
    }

    void store (ProgramState& state, int index, double internal) noexcept
    {
        if (auto* ramp = rampFor (state, index))
            ramp->setTarget (internal);
        else if (auto* choice = choiceFor (state, index))
            *choice = static_cast<int> (internal);
        else if (index == kContAttack)
            state.contAttack = internal;
        else if (index == kContRelease)
            state.contRelease = internal;
        else if (index == kContOn)
            state.contOn = internal != 0.0;
    }

    double read (const ProgramState& state, int index) noexcept
    {
        if (const auto* ramp = rampFor (state, index))
            return ramp->target;

        switch (index)
        {
            case kAttack:      return state.attack;
            case kRelease:     return state.release;
            case kRatio:       return state.ratio;
            case kHPF:         return state.hpf;
            case kContAttack:  return state.contAttack;
            case kContRelease: return state.contRelease;
            case kContOn:      return state.contOn ? 1.0 : 0.0;
            default:           return 0.0;
        }
    }
}

//==============================================================================
TarskAudioProcessor::OrvikQ4Parameter::OrvikQ4Parameter (TarskAudioProcessor& processor, int parameterIndex)
    : owner (processor), index (parameterIndex)
{
}

float TarskAudioProcessor::OrvikQ4Parameter::getValue() const
{
    return owner.getParameterValue (index);
}

void TarskAudioProcessor::OrvikQ4Parameter::setValue (float newValue)
{
    owner.setParameterValue (index, newValue);
}

float TarskAudioProcessor::OrvikQ4Parameter::getDefaultValue() const
{
    return juce::isPositiveAndBelow (index, (int) kNumParameters) ? cDefaultValues[index] : 0.0f;
}

juce::String TarskAudioProcessor::OrvikQ4Parameter::getName (int) const
{
    return juce::isPositiveAndBelow (index, (int) kNumParameters) ? juce::String (cNames[index]) : juce::String();
}

juce::String TarskAudioProcessor::OrvikQ4Parameter::getLabel() const
{
    return {};
}

int TarskAudioProcessor::OrvikQ4Parameter::getNumSteps() const
{
    return owner.parameterGetNumSteps (index);
}

juce::String TarskAudioProcessor::OrvikQ4Parameter::getText (float value, int maximumStringLength) const
{
    return owner.parameterGetText (index, value, maximumStringLength);
}

float TarskAudioProcessor::OrvikQ4Parameter::getValueForText (const juce::String& text) const
{
    return owner.parameterGetValueForText (index, text);
}

bool TarskAudioProcessor::OrvikQ4Parameter::isMetaParameter() const
{
    return false;
}

//==============================================================================
juce::String TarskAudioProcessor::getParameterShortName (int index)
{
    if (static_cast<unsigned int> (index) >= static_cast<unsigned int> (kNumParameters))
        return {};

    return cShortNames[index];
}

bool TarskAudioProcessor::isStepResolutionDecided() noexcept
{
    return lowResWrapperDecision.load() != -1;
}

int TarskAudioProcessor::parameterGetNumSteps (int index) const
{
    const bool lowRes = isLowResWrapper (wrapperType);

    switch (index)
    {
        case kAttack:
        case kRelease:
        case kRatio:
        case kHPF:
            return 3;

        case kBypass:
        case kContOn:
        case kLinkOn:
        case kAnalogOn:
            return 2;

        default:
            return lowRes ? kLowResNumSteps : kDefaultNumSteps;
    }
}

juce::String TarskAudioProcessor::parameterGetText (int index, float value, int) const
{
    switch (index)
    {
        case kInput:
        case kOutput:
        case kMix:
        case kContAttack:
        case kContRelease:
            return ValueText::fixed (static_cast<double> (value) * 10.0, 1);

        case kStereoLink:
            return ValueText::general (static_cast<double> (value) * 100.0, 0) + "%";

        case kAttack:
        case kRelease:
        case kRatio:
        case kHPF:
            return choiceTextsFor (index)[choiceTextPosition (value)];

        case kBypass:
            return value >= 0.5f ? "Byp" : "In";

        case kContOn:
        case kLinkOn:
        case kAnalogOn:
            return value >= 0.5f ? "On" : "Off";

        default:
            return {};
    }
}

float TarskAudioProcessor::parameterGetValueForText (int index, const juce::String& text) const
{
    switch (index)
    {
        case kInput:
        case kOutput:
        case kMix:
        case kContAttack:
        case kContRelease:
            return static_cast<float> (ValueText::readLeadingNumber (text)) / 10.0f;

        case kStereoLink:
            return static_cast<float> (ValueText::readLeadingNumber (text.replace ("%", ""))) / 100.0f;

        case kAttack:
        case kRelease:
        case kRatio:
        case kHPF:
        {
            const auto* texts = choiceTextsFor (index);

            for (int i = 0; i < 3; ++i)
                if (ValueText::equalsIgnoringAsciiCase (text, texts[i]))
                    return static_cast<float> (i) * 0.5f;

            return index == kAttack ? 1.0f : 0.0f;
        }

        case kBypass:
        {
            const auto first = text.toRawUTF8()[0];
            return first == 'B' || first == 'b' ? 1.0f : 0.0f;
        }

        case kContOn:
        case kLinkOn:
        case kAnalogOn:
            return ValueText::equalsIgnoringAsciiCase (text, "On") ? 1.0f : 0.0f;

        default:
            return 0.0f;
    }
}

//==============================================================================
void TarskAudioProcessor::updateCompression() noexcept
{
    static constexpr double attackOhms[] = { 467.73, 22467.07, 97000.0 };
    static constexpr double releaseOhms[] = { 255000.0, 942517.99, 4590000.0 };

    // 1. Attack and release resistances.
    if (liveState.contOn)
    {
        // The fraction's share of the full resistance in parallel with a fixed resistor, in
        // series with the rest; a share of 0 divides by zero on purpose (infinite conductance
        // term, so the parallel part is 0).
        const double a = liveState.contAttack;
        const double r = liveState.contRelease;
        const double attackR = 1.0 / (1.0 / (a * 100000.0) + 1.0 / 470.0) + (1.0 - a) * 100000.0;
        const double releaseR = 1.0 / (1.0 / (r * 5000000.0) + 1.0 / 270000.0) + (1.0 - r) * 5000000.0;
        compressor.attackResistance.setTarget (attackR);
        compressor.releaseResistance.setTarget (releaseR);
    }
    else
    {
        if (juce::isPositiveAndBelow (liveState.attack, 3))
            compressor.attackResistance.setTarget (attackOhms[liveState.attack]);

        if (juce::isPositiveAndBelow (liveState.release, 3))
            compressor.releaseResistance.setTarget (releaseOhms[liveState.release]);
    }

    // 2. Ratio (no work when unchanged).
    compressor.setRatio (liveState.ratio, false);

    // 3. Side-chain high-pass, only when the choice changed.
    if (liveState.hpf != compressor.hpfIndex)
    {
        if (liveState.hpf == 0)
        {
            for (auto* channel : compressor.channels)
                channel->sidechainFilter.mix.setTarget (0.0);
        }
        else if (liveState.hpf == 1 || liveState.hpf == 2)
        {
            // Second-order Butterworth high-pass (1/Q = sqrt 2) at 100 or 300 Hz.
            const double piF = liveState.hpf == 1 ? 314.1592653589793 : 942.4777960769379;
            const auto coefficients = BiquadDesign::highPass (std::tan (piF / compressor.getSampleRate()),
                                                             juce::MathConstants<double>::sqrt2);

            for (auto* channel : compressor.channels)
                channel->sidechainFilter.setCoefficients (coefficients);
        }

        compressor.hpfIndex = liveState.hpf;
    }

    // 4. Threshold scale: any difference (or not a number) re-derives the ratio row.
    if (! (liveState.thresholdScale == compressor.thresholdScale))
    {
        compressor.thresholdScale = liveState.thresholdScale;
        compressor.setRatio (compressor.ratioIndex, true);
    }
}

} // namespace OrvikQ4
