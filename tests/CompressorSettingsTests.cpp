#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <array>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

namespace
{
    // Side-chain high-pass coefficients (b0, b1, b2, a1, a2) at 44.1 kHz.
    constexpr std::array<double, 5> k100Hz { 0.989976, -1.979952, 0.989976, -1.979852, 0.980053 };
    constexpr std::array<double, 5> k300Hz { 0.970228, -1.940457, 0.970228, -1.939570, 0.941343 };
}

class CompressorSettings : public ::testing::Test
{
protected:
    void set (int index, float value) { parameter (*processor, index).setValue (value); }

    /** The compressor once the changes made so far have been applied. */
    const OrvikQ4Compression& compressor()
    {
        processor->applyPendingSettings();
        return processor->getCompressor();
    }

    const auto& highPass (int channel) { return compressor().channels[channel]->sidechainFilter; }

    void expectCoefficients (int channel, const std::array<double, 5>& expected)
    {
        const float* c = highPass (channel).filter.coefficientData();
        for (size_t i = 0; i < 5; ++i)
            EXPECT_NEAR (c[i], expected[i], 1.0e-6) << "channel " << channel << " coefficient " << i;
    }

    /** Runs silence through the processor so the compressor's ramps advance. */
    void runSamples (int n)
    {
        juce::AudioBuffer<float> b (2, n);
        b.clear();
        juce::MidiBuffer midi;
        processor->processBlock (b, midi);
    }

    std::unique_ptr<TarskAudioProcessor> processor = createProcessor();
};

TEST_F (CompressorSettings, ResistancesFollowTheTimingSettings)
{
    // Stepped rows set Attack and Release, continuous rows the continuous settings.
    struct Case { bool continuous; float attack, release; double attackOhms, releaseOhms, tolerance = 0.0; };
    const Case cases[] = {
        { false, 1.0f, 0.0f, 97000.0, 255000.0 },  // the defaults
        { false, 0.0f, 0.0f, 467.73, 255000.0 },
        { false, 0.5f, 0.5f, 22467.07, 942517.99 },
        { false, 0.5f, 1.0f, 22467.07, 4590000.0 },
        { false, 0.5f, 1.6f, 22467.07, 4590000.0 },  // a choice outside the table changes nothing
        { true, 0.0f, 0.0f, 100000.0, 5000000.0 },   // 1 / (1/0 + ...) is exactly 0
        { true, 1.0f, 1.0f, 467.80, 256166.98, 0.005 },
        { true, 0.5f, 0.5f, 50465.62, 2743682.31, 0.005 },
        { false, 1.0f, 0.0f, 97000.0, 255000.0 },
    };

    for (const auto& c : cases)
    {
        set (kContOn, c.continuous ? 1.0f : 0.0f);
        set (c.continuous ? kContAttack : kAttack, c.attack);
        set (c.continuous ? kContRelease : kRelease, c.release);
        EXPECT_NEAR (compressor().attackResistance.target, c.attackOhms, c.tolerance) << c.continuous << " " << c.attack;
        EXPECT_NEAR (compressor().releaseResistance.target, c.releaseOhms, c.tolerance) << c.continuous << " " << c.release;
    }
}

// The corners as values; how the filter fades, glides and starts: the chain's golden test.
TEST_F (CompressorSettings, HighPassChoicesSetTheirCornersForTheCompressorsRate)
{
    prepare (*processor, 44100.0, 512);
    EXPECT_FALSE (highPass (0).mix.isRamping());  // preparation leaves the side chain settled, unfiltered
    set (kHPF, 0.5f);
    EXPECT_EQ (compressor().hpfIndex, 1);
    EXPECT_TRUE (highPass (0).mix.isRamping());   // and the filter fades in from there
    for (int ch = 0; ch < 2; ++ch)
        expectCoefficients (ch, k100Hz);

    set (kHPF, 1.0f);
    runSamples (4410);
    expectCoefficients (1, k300Hz);
}
