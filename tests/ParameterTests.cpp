#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

class Parameters : public ::testing::Test
{
protected:
    std::unique_ptr<TarskAudioProcessor> processor = createProcessor();

    juce::AudioProcessorParameter& param (int index) { return parameter (*processor, index); }
    const ProgramState& live() { return settled (*processor); }
    juce::String text (int index, float value) { return param (index).getText (value, 100); }
    float valueFor (int index, const char* t) { return param (index).getValueForText (t); }
};

TEST_F (Parameters, InputAndOutputGainHaveAKneeAtPointSix)
{
    param (kInput).setValue (0.3f);
    EXPECT_EQ (live().input.target, 0.25 * static_cast<double> (0.3f));
    EXPECT_EQ (param (kInput).getValue(), 0.3f);

    param (kInput).setValue (0.6f);
    EXPECT_NEAR (live().input.target, 0.15, 1.0e-7);
    EXPECT_EQ (param (kInput).getValue(), 0.6f);

    param (kOutput).setValue (1.0f);
    EXPECT_EQ (live().output.target, 1.0);
    EXPECT_EQ (param (kOutput).getValue(), 1.0f);

    param (kOutput).setValue (0.8f);
    EXPECT_NEAR (live().output.target, 2.125 * 0.8 - 1.125, 1.0e-7);
    EXPECT_FLOAT_EQ (param (kOutput).getValue(), 0.8f);

    param (kInput).setValue (0.0f);
    EXPECT_EQ (live().input.target, 0.0);
    EXPECT_EQ (param (kInput).getValue(), 0.0f);
}

TEST_F (Parameters, GainOutsideTheUnitRangeIsNotClamped)
{
    param (kInput).setValue (1.5f);
    EXPECT_EQ (live().input.target, 1.5);
    EXPECT_EQ (param (kInput).getValue(), 1.5f);

    param (kInput).setValue (-0.5f);
    EXPECT_EQ (live().input.target, -0.5);
    EXPECT_EQ (param (kInput).getValue(), -0.5f);
}

TEST_F (Parameters, ChoicesFloorTwiceTheValue)
{
    const std::pair<float, int> cases[] = { { 0.49f, 0 }, { 0.5f, 1 }, { 0.99f, 1 }, { 1.0f, 2 },
                                            { 1.5f, 3 }, { -0.1f, -1 } };

    for (auto [value, index] : cases)
    {
        param (kAttack).setValue (value);
        EXPECT_EQ (live().attack, index) << "value " << value;
    }

    param (kRatio).setValue (0.49f);
    EXPECT_EQ (param (kRatio).getValue(), 0.0f);
    param (kRatio).setValue (0.99f);
    EXPECT_EQ (param (kRatio).getValue(), 0.5f);
    param (kRatio).setValue (1.0f);
    EXPECT_EQ (param (kRatio).getValue(), 1.0f);

    // Huge values stay representable instead of overflowing the index.
    param (kHPF).setValue (3.0e38f);
    EXPECT_EQ (live().hpf, std::numeric_limits<int>::max());
}

TEST_F (Parameters, SwitchesNeedStrictlyMoreThanHalf)
{
    param (kBypass).setValue (0.5f);
    EXPECT_EQ (live().bypass.target, 0.0);
    EXPECT_EQ (param (kBypass).getValue(), 0.0f);

    param (kBypass).setValue (0.51f);
    EXPECT_EQ (live().bypass.target, 1.0);
    EXPECT_EQ (param (kBypass).getValue(), 1.0f);

    param (kContOn).setValue (0.5f);
    EXPECT_FALSE (live().contOn);
    param (kContOn).setValue (0.5000001f);
    EXPECT_TRUE (live().contOn);
    EXPECT_EQ (param (kContOn).getValue(), 1.0f);
}

TEST_F (Parameters, SwitchChangesRampAndFractionsDoNot)
{
    prepare (*processor, 44100.0, 512);

    param (kAnalogOn).setValue (0.0f);
    EXPECT_EQ (live().analogOn.countdown, 4410);

    param (kContAttack).setValue (0.25f);
    EXPECT_EQ (live().contAttack, 0.25);
}

TEST_F (Parameters, NonFiniteValuesAreIgnored)
{
    param (kMix).setValue (0.4f);
    param (kMix).setValue (std::numeric_limits<float>::quiet_NaN());
    param (kInput).setValue (std::numeric_limits<float>::infinity());

    EXPECT_FLOAT_EQ (param (kMix).getValue(), 0.4f);
    EXPECT_EQ (live().mix.target, static_cast<double> (0.4f));
    EXPECT_EQ (param (kInput).getValue(), 0.3f);
}

TEST_F (Parameters, NamesAreFullWhateverTheMaximumLength)
{
    EXPECT_EQ (param (kHPF).getName (4), "SC High Pass Filter");
    EXPECT_EQ (param (kContRelease).getName (8), "Continuous Release");
    EXPECT_EQ (param (kAnalogOn).getName (100), "Analog ON");
    EXPECT_EQ (param (kInput).getLabel(), "");
    EXPECT_FALSE (param (kLinkOn).isMetaParameter());
    EXPECT_TRUE (param (kLinkOn).isAutomatable());
}

TEST_F (Parameters, ShortNamesOutsideTheTableAreEmpty)
{
    EXPECT_EQ (TarskAudioProcessor::getParameterShortName (kHPF), "HPF");
    EXPECT_EQ (TarskAudioProcessor::getParameterShortName (kStereoLink), "StereoLink");
    EXPECT_EQ (TarskAudioProcessor::getParameterShortName (14), "");
    EXPECT_EQ (TarskAudioProcessor::getParameterShortName (-1), "");
}

TEST_F (Parameters, OutOfRangeIndicesGiveNeutralAnswers)
{
    EXPECT_EQ (processor->parameterGetText (14, 0.5f, 10), "");
    EXPECT_EQ (processor->parameterGetText (-1, 0.5f, 10), "");
    EXPECT_EQ (processor->parameterGetValueForText (99, "5"), 0.0f);
    EXPECT_EQ (processor->parameterGetNumSteps (14), processor->parameterGetNumSteps (kMix));
}

TEST_F (Parameters, NumberTextsRunFromZeroToTen)
{
    EXPECT_EQ (text (kInput, 0.3f), "3.0");
    EXPECT_EQ (text (kContAttack, 0.5f), "5.0");
    EXPECT_EQ (text (kMix, 1.0f), "10.0");
    EXPECT_EQ (text (kOutput, 0.0f), "0.0");
    EXPECT_EQ (text (kMix, 0.125f), "1.3");  // halves round up, not to even
    EXPECT_EQ (text (kMix, 0.04f), "0.4");
    EXPECT_EQ (text (kMix, -0.25f), "-2.5");
    EXPECT_EQ (text (kMix, -0.001f), "-0.0");
    EXPECT_EQ (text (kContRelease, 1.5f), "15.0");
}

TEST_F (Parameters, StereoLinkTextIsAPercentage)
{
    EXPECT_EQ (text (kStereoLink, 0.5f), "50%");
    EXPECT_EQ (text (kStereoLink, 1.0f), "100%");
    EXPECT_EQ (text (kStereoLink, 0.0f), "0%");
    EXPECT_EQ (text (kStereoLink, 0.333f), "33.3%");
    EXPECT_EQ (text (kStereoLink, 0.123456f), "12.3456%");
}

TEST_F (Parameters, ChoiceTextsRoundWhereSetValueFloors)
{
    EXPECT_EQ (text (kAttack, 0.24f), "Fast");
    EXPECT_EQ (text (kAttack, 0.25f), "Medium");
    EXPECT_EQ (text (kRelease, 0.75f), "Slow");
    EXPECT_EQ (text (kRatio, 0.5f), "12:1");
    EXPECT_EQ (text (kRatio, 1.0f), "100:1");
    EXPECT_EQ (text (kHPF, 0.0f), "OFF");
    EXPECT_EQ (text (kHPF, 0.6f), "100Hz");

    // Values beyond the table show its first or last entry.
    EXPECT_EQ (text (kHPF, 7.0f), "300Hz");
    EXPECT_EQ (text (kHPF, -3.0f), "OFF");
    EXPECT_EQ (text (kHPF, std::numeric_limits<float>::quiet_NaN()), "OFF");

    param (kAttack).setValue (0.25f);
    EXPECT_EQ (live().attack, 0);
}

TEST_F (Parameters, SwitchTextsTurnAtHalf)
{
    EXPECT_EQ (text (kBypass, 0.5f), "Byp");
    EXPECT_EQ (text (kBypass, 0.49f), "In");
    EXPECT_EQ (text (kLinkOn, 0.5f), "On");
    EXPECT_EQ (text (kAnalogOn, 0.0f), "Off");
    EXPECT_EQ (text (kContOn, 1.0f), "On");
}

TEST_F (Parameters, NumberParsingReadsTheLeadingNumberWithoutClamping)
{
    EXPECT_EQ (valueFor (kInput, "15"), 1.5f);
    EXPECT_EQ (valueFor (kMix, "  7.5 dB"), 0.75f);
    EXPECT_EQ (valueFor (kMix, "-2"), -0.2f);
    EXPECT_EQ (valueFor (kContAttack, "5e-1"), 0.05f);
    EXPECT_EQ (valueFor (kMix, "loud"), 0.0f);
    EXPECT_EQ (valueFor (kMix, "nan"), 0.0f);
    EXPECT_EQ (valueFor (kMix, "inf"), 0.0f);
    EXPECT_EQ (valueFor (kMix, ""), 0.0f);
}

TEST_F (Parameters, StereoLinkParsingDropsPercentSigns)
{
    EXPECT_EQ (valueFor (kStereoLink, "75%"), 0.75f);
    EXPECT_EQ (valueFor (kStereoLink, "75"), 0.75f);
    EXPECT_EQ (valueFor (kStereoLink, "%%20"), 0.2f);
}

TEST_F (Parameters, ChoiceParsingIgnoresCaseAndFallsBack)
{
    EXPECT_EQ (valueFor (kRelease, "slow"), 1.0f);
    EXPECT_EQ (valueFor (kAttack, "MEDIUM"), 0.5f);
    EXPECT_EQ (valueFor (kHPF, "300hz"), 1.0f);
    EXPECT_EQ (valueFor (kRatio, "12:1"), 0.5f);

    // No match: Attack falls back to its default, the others to 0.
    EXPECT_EQ (valueFor (kAttack, "Quick"), 1.0f);
    EXPECT_EQ (valueFor (kRelease, "Quick"), 0.0f);
    EXPECT_EQ (valueFor (kRatio, "Quick"), 0.0f);
    EXPECT_EQ (valueFor (kHPF, "Quick"), 0.0f);

    // Whole-text comparison: no trimming.
    EXPECT_EQ (valueFor (kRelease, " Slow"), 0.0f);
}

TEST_F (Parameters, SwitchParsing)
{
    EXPECT_EQ (valueFor (kBypass, "Byp"), 1.0f);
    EXPECT_EQ (valueFor (kBypass, "bright"), 1.0f);
    EXPECT_EQ (valueFor (kBypass, "In"), 0.0f);
    EXPECT_EQ (valueFor (kBypass, ""), 0.0f);
    EXPECT_EQ (valueFor (kLinkOn, "oN"), 1.0f);
    EXPECT_EQ (valueFor (kLinkOn, "Off"), 0.0f);
    EXPECT_EQ (valueFor (kLinkOn, "1"), 0.0f);
    EXPECT_EQ (valueFor (kAnalogOn, "On "), 0.0f);
}

TEST_F (Parameters, StepCountsOfSteppedParametersHoldUnderEveryWrapper)
{
    for (auto type : { juce::AudioProcessor::wrapperType_VST3, juce::AudioProcessor::wrapperType_AAX })
    {
        auto p = createProcessor (type);
        EXPECT_EQ (parameter (*p, kRatio).getNumSteps(), 3);
        EXPECT_EQ (parameter (*p, kHPF).getNumSteps(), 3);
        EXPECT_EQ (parameter (*p, kAnalogOn).getNumSteps(), 2);
        EXPECT_EQ (parameter (*p, kBypass).getNumSteps(), 2);
    }
}

// The continuous step count is decided once per process by the first processor asked, so
// each of these runs in a process of its own (ctest starts one per test); when the whole
// binary runs in one process, whichever ran first has already decided and the other skips.
TEST (StepResolution, FirstProcessorCreatedForAAXMakesContinuousParametersLowResolution)
{
    if (TarskAudioProcessor::isStepResolutionDecided())
        GTEST_SKIP() << "decided earlier in this process";

    auto aax = createProcessor (juce::AudioProcessor::wrapperType_AAX);
    EXPECT_EQ (parameter (*aax, kMix).getNumSteps(), 10000);

    auto vst3 = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    EXPECT_EQ (parameter (*vst3, kInput).getNumSteps(), 10000);
}

TEST (StepResolution, FirstProcessorCreatedForVST3KeepsContinuousParametersContinuous)
{
    if (TarskAudioProcessor::isStepResolutionDecided())
        GTEST_SKIP() << "decided earlier in this process";

    auto vst3 = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    EXPECT_EQ (parameter (*vst3, kMix).getNumSteps(), 0x7fffffff);

    auto aax = createProcessor (juce::AudioProcessor::wrapperType_AAX);
    EXPECT_EQ (parameter (*aax, kStereoLink).getNumSteps(), 0x7fffffff);
}
