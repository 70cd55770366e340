#include "ProcessorTestUtils.h"
#include "processor/ParameterMapping.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

namespace
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();
}

class Parameters : public ::testing::Test
{
protected:
    std::unique_ptr<TarskAudioProcessor> processor = createProcessor();

    juce::AudioProcessorParameter& param (int index) { return parameter (*processor, index); }
};

// The rows run in order on one processor, so a non-finite value shows it leaves the previous one.
TEST_F (Parameters, SetValueStoresTheInternalFormAndGetValueReportsItBack)
{
    struct Case { int index; float value; double internal; float reported; double tolerance = 0.0; };
    const Case cases[] = {
        // Input and Output: two straight lines meeting at 0.6 -> 0.15; not clamped outside 0 ... 1.
        { kInput, 0.3f, 0.25 * static_cast<double> (0.3f), 0.3f }, { kInput, 0.6f, 0.15, 0.6f, 1.0e-7 },
        { kOutput, 0.8f, 0.575, 0.8f, 1.0e-7 }, { kOutput, 1.0f, 1.0, 1.0f }, { kInput, 0.0f, 0.0, 0.0f },
        { kInput, 1.5f, 1.5, 1.5f }, { kInput, -0.5f, -0.5, -0.5f }, { kInput, kInf, -0.5, -0.5f },
        // Choices: floor (v + v), reported as index / 2; huge values stay representable.
        { kAttack, 0.49f, 0, 0.0f }, { kAttack, 0.5f, 1, 0.5f }, { kRatio, 0.99f, 1, 0.5f },
        { kRelease, 1.0f, 2, 1.0f }, { kHPF, 1.5f, 3, 1.5f }, { kAttack, -0.1f, -1, -0.5f },
        { kHPF, 3.0e38f, INT_MAX, static_cast<float> (INT_MAX) * 0.5f },
        // Switches need strictly more than half.
        { kBypass, 0.5f, 0.0, 0.0f }, { kBypass, 0.51f, 1.0, 1.0f },
        { kContOn, 0.5f, 0.0, 0.0f }, { kContOn, 0.5000001f, 1.0, 1.0f },
        // Fractions are taken as they come.
        { kMix, 0.4f, static_cast<double> (0.4f), 0.4f }, { kMix, kNaN, static_cast<double> (0.4f), 0.4f },
        { kContAttack, 0.25f, 0.25, 0.25f }, { kStereoLink, 1.25f, 1.25, 1.25f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << "parameter " << c.index << " value " << c.value);
        param (c.index).setValue (c.value);

        const double live = ParameterMapping::read (settled (*processor), c.index);
        EXPECT_NEAR (live, c.internal, c.tolerance);
        EXPECT_EQ (processor->getSetting (c.index), live);  // what readers see is what the audio side uses
        EXPECT_EQ (param (c.index).getValue(), c.reported);
    }
}

TEST_F (Parameters, NamesAreFullAndIndicesOutsideTheTableGiveNeutralAnswers)
{
    juce::StringArray names;
    for (int i = 0; i < kNumParameters; ++i)
        names.add (param (i).getName (4));  // whatever length is asked for
    EXPECT_EQ (names.joinIntoString (","), "Input,Output,Attack,Release,Mix,Ratio,SC High Pass Filter,Continuous Attack,"
                                           "Continuous Release,Stereo Link,Bypass,Continuous ON,Link ON,Analog ON");

    EXPECT_EQ (TarskAudioProcessor::getParameterShortName (14), "");
    EXPECT_EQ (TarskAudioProcessor::getParameterShortName (-1), "");
    EXPECT_EQ (processor->parameterGetText (14, 0.5f, 10), "");
    EXPECT_EQ (processor->parameterGetText (-1, 0.5f, 10), "");
    EXPECT_EQ (processor->parameterGetValueForText (99, "5"), 0.0f);
}

TEST_F (Parameters, TextsFollowFixedRules)
{
    struct Case { int index; float value; const char* text; };
    const Case cases[] = {
        // Numbers 0 ... 10 with one decimal; halves round up, not to even.
        { kInput, 0.3f, "3.0" }, { kContAttack, 0.5f, "5.0" }, { kMix, 1.0f, "10.0" },
        { kMix, 0.125f, "1.3" }, { kMix, -0.25f, "-2.5" }, { kMix, -0.001f, "-0.0" },
        { kContRelease, 1.5f, "15.0" },
        // Stereo Link: a percentage in general notation.
        { kStereoLink, 0.5f, "50%" }, { kStereoLink, 0.333f, "33.3%" }, { kStereoLink, 0.123456f, "12.3456%" },
        // Choices round where setValue floors; beyond the table its first or last entry.
        { kAttack, 0.24f, "Fast" }, { kAttack, 0.25f, "Medium" }, { kRelease, 0.75f, "Slow" },
        { kRatio, 1.0f, "100:1" }, { kHPF, 0.6f, "100Hz" }, { kHPF, 7.0f, "300Hz" },
        { kHPF, -3.0f, "OFF" }, { kHPF, kNaN, "OFF" },
        // Switches turn at half.
        { kBypass, 0.5f, "Byp" }, { kBypass, 0.49f, "In" }, { kLinkOn, 0.5f, "On" },
        { kAnalogOn, 0.0f, "Off" }, { kContOn, 1.0f, "On" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (param (c.index).getText (c.value, 100), c.text) << "parameter " << c.index << " value " << c.value;
}

TEST_F (Parameters, TextsParseBackWithoutClamping)
{
    struct Case { int index; const char* text; float value; };
    const Case cases[] = {
        // The leading number, unclamped; a text that does not start with one (nan, inf) reads 0.
        { kInput, "15", 1.5f }, { kMix, "  7.5 dB", 0.75f }, { kMix, "-2", -0.2f }, { kMix, "+3", 0.3f },
        { kContAttack, "5e-1", 0.05f }, { kMix, "loud", 0.0f }, { kMix, "nan", 0.0f },
        { kMix, "inf", 0.0f }, { kMix, "", 0.0f }, { kMix, "5e-929289550", 0.0f },
        { kMix, "5e929289550", std::numeric_limits<float>::infinity() },  // exponent beyond int
        { kStereoLink, "75%", 0.75f }, { kStereoLink, "75", 0.75f }, { kStereoLink, "%%20", 0.2f },
        // Choices: whole text, any case; no match gives Attack's default, the others 0.
        { kRelease, "slow", 1.0f }, { kAttack, "MEDIUM", 0.5f }, { kHPF, "300hz", 1.0f },
        { kRatio, "12:1", 0.5f }, { kAttack, "Quick", 1.0f }, { kRelease, "Quick", 0.0f },
        { kRatio, "Quick", 0.0f }, { kHPF, "Quick", 0.0f }, { kRelease, " Slow", 0.0f },
        // Bypass: any text starting with b; the other switches: "On" in any case, nothing else.
        { kBypass, "Byp", 1.0f }, { kBypass, "bright", 1.0f }, { kBypass, "In", 0.0f },
        { kBypass, "", 0.0f }, { kLinkOn, "oN", 1.0f }, { kLinkOn, "Off", 0.0f },
        { kLinkOn, "1", 0.0f }, { kAnalogOn, "On ", 0.0f },
    };

    for (const auto& c : cases)
        EXPECT_EQ (param (c.index).getValueForText (c.text), c.value) << "parameter " << c.index << " text '" << c.text << "'";
}

TEST_F (Parameters, SteppedParametersReportTheirStepsUnderEveryWrapper)
{
    for (auto type : { juce::AudioProcessor::wrapperType_VST3, juce::AudioProcessor::wrapperType_AAX })
    {
        auto p = createProcessor (type);
        for (int i : { kAttack, kRelease, kRatio, kHPF, kBypass, kContOn, kLinkOn, kAnalogOn })
            EXPECT_EQ (parameter (*p, i).getNumSteps(), i < kBypass ? 3 : 2) << "parameter " << i;
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
