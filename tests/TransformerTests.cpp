#include "dsp/OrvikQ4Transfo.h"
#include "dsp/SoftClip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
    using Block = std::vector<float>;
    constexpr double kTwoPi = 2.0 * 3.14159265358979323846;

    /** 2nd-order high-pass from pi x f, 1/Q and the rate, as the floats b0, b1, b2, a1, a2. */
    Block highPass (double piF, double inverseQ, double rate)
    {
        const double k = std::tan (piF / rate), c = 1.0 / (1.0 + k * inverseQ + k * k);
        return { float (c), float (-2.0 * c), float (c), float (2.0 * (k * k - 1.0) * c), float ((1.0 - k * inverseQ + k * k) * c) };
    }

    Block lowCorner (double rate)  { return highPass (131.94689145077132, 0.3448275862068966, rate); }   // 42 Hz, Q 2.9
    Block highCorner (double rate) { return highPass (56.548667764616276, 0.45454545454545453, rate); }  // 18 Hz, Q 2.2

    /** Reference channel written sample by sample from the transformer's description, sharing
        no code with OrvikQ4Transfo: envelope and soft-clip morph, float coefficient blend and
        flushed float biquad; flux integrator, envelope, saturation and differentiator in
        double; the float trim. */
    struct ReferenceTransformer
    {
        static double softClip (double s) { return s < -3.0 ? -1.0 : s > 3.0 ? 1.0 : s * (s * s + 27.0) / (9.0 * (s * s) + 27.0); }

        explicit ReferenceTransformer (double rate)
            : base (lowCorner (rate)), target (highCorner (rate)), c (base), envCoeff (1.0 - std::exp ((1.0 / rate) / -0.005)),
              intCoeff (1.0 - std::exp ((1.0 / rate) / -0.0025)), satLevel (100.0 / rate), weight (500.0 / rate) {}

        float process (float x)
        {
            env = double (std::abs (x)) * envCoeff + env * (1.0 - envCoeff);
            if (const double m = softClip (5.0 * env); m != morph)
            {
                for (size_t k = 0; k < 5; ++k)
                    c[k] = float (double (target[k] - base[k]) * m + double (base[k]));
                morph = m;
            }

            float y = c[0] * x + s1;
            if (! (double (y) > 1.0e-8 || double (y) < -1.0e-8)) y = 0.0f;
            s1 = (c[1] * x - c[3] * y) + s2;
            s2 = c[2] * x - c[4] * y;

            flux = flux * (1.0 - intCoeff) + double (y);
            fluxEnv = std::abs (flux * weight + double (y)) * envCoeff + fluxEnv * (1.0 - envCoeff);
            const double scale = satLevel / std::max (fluxEnv, 0.001);
            const double out = 1.4 * flux - 0.4 * softClip (flux * scale) / scale;
            const float result = float (out - last * (1.0 - intCoeff));
            last = out;
            return result * 1.0471285f;
        }

        Block base, target, c;
        double envCoeff, intCoeff, satLevel, weight, env = 0.0, morph = 0.0, flux = 0.0, fluxEnv = 0.0, last = 0.0;
        float s1 = 0.0f, s2 = 0.0f;
    };

    /** 50 Hz plus 3 kHz under a swell to 1.2 and back to silence: sweeps the whole morph range. */
    Block burst (int n, double rate, double phase = 0.0)
    {
        Block s ((size_t) n);
        for (int i = 0; i < n; ++i)
            s[(size_t) i] = float (1.2 * std::sin (kTwoPi / 2.0 * std::min (1.0, 2.0 * i / n))
                                   * (0.8 * std::sin (kTwoPi * 50.0 * i / rate + phase) + 0.2 * std::sin (kTwoPi * 3000.0 * i / rate)));
        return s;
    }

    Block sine (int n, float amplitude, double frequency, double rate)
    {
        Block s ((size_t) n);
        for (int i = 0; i < n; ++i)
            s[(size_t) i] = amplitude * float (std::sin (kTwoPi * frequency * i / rate));
        return s;
    }

    Block coefficientsOf (const OrvikQ4DynamicHiPass& hp) { return { hp.filter.coefficientData(), hp.filter.coefficientData() + 5 }; }

    class TransformerTest : public ::testing::Test
    {
    protected:
        static Block run (OrvikQ4Transfo& t, Block s, int channel = 0)
        {
            t.processSamples (s.data(), (int) s.size(), channel);
            return s;
        }

        OrvikQ4Transfo transfo;
    };
}

TEST_F (TransformerTest, OutputMatchesReferenceModelAcrossUnevenBlocks)
{
    // Channel 0 sweeps the corner through its range; channel 1 stays near the 1e-8 level where
    // the high-pass flushes its output.
    for (double rate : { 44100.0, 96000.0 })
    {
        transfo.prepareToPlay (rate, 2);
        ReferenceTransformer reference[2] { ReferenceTransformer (rate), ReferenceTransformer (rate) };
        Block input[2] { burst (6000, rate), burst (6000, rate, 1.0) };
        for (auto& x : input[1])
            x *= 2.5e-8f;

        int start = 0;
        for (int n : { 1, 700, 64, 2235, 3000 })
        {
            for (size_t c = 0; c < 2; ++c)
            {
                const auto out = run (transfo, Block (input[c].begin() + start, input[c].begin() + start + n), (int) c);
                for (int i = 0; i < n; ++i)
                    ASSERT_EQ (out[(size_t) i], reference[c].process (input[c][(size_t) (start + i)])) << "channel " << c << " sample " << start + i;
            }
            start += n;
        }

        for (size_t c = 0; c < 2; ++c)
        {
            const auto& state = *transfo.channels[(int) c];
            EXPECT_EQ (state.hiPass.envelope, reference[c].env);
            EXPECT_EQ (state.hiPass.lastMorph, reference[c].morph);
            EXPECT_EQ (state.flux, reference[c].flux);
            EXPECT_EQ (state.fluxEnvelope, reference[c].fluxEnv);
            EXPECT_EQ (state.lastOutput, reference[c].last);
        }
        EXPECT_GT (reference[0].morph, 0.0);
    }
}

TEST_F (TransformerTest, SilenceGivesExactZerosAndLeavesTheCornerAt42Hz)
{
    transfo.prepareToPlay (44100.0, 1);
    EXPECT_EQ (run (transfo, Block (4096, 0.0f)), Block (4096, 0.0f));
    EXPECT_EQ (transfo.channels[0]->hiPass.lastMorph, 0.0);
    EXPECT_EQ (coefficientsOf (transfo.channels[0]->hiPass), lowCorner (44100.0));
}

TEST_F (TransformerTest, ConstantInputDecaysToZero)
{
    // The float biquad settles on a rounding residual (about -75 dB here), not an exact 0.
    transfo.prepareToPlay (48000.0, 1);
    const auto out = run (transfo, Block (96000, 0.3f));
    EXPECT_GT (std::abs (out[10]), 0.1f);
    for (size_t i = 72000; i < out.size(); ++i)
        ASSERT_LT (std::abs (out[i]), 0.3f * 1.0e-3f) << i;
}

TEST_F (TransformerTest, SmallSignalsLeaveOnlyTheHighPassAndTheTrim)
{
    // Integrator and differentiator cancel at low level (within -80 dB); a loud bass note is
    // bent by more than 0.3 % of its level.
    for (auto [amplitude, transparent] : { std::pair (1.0e-5f, true), std::pair (1.0f, false) })
    {
        transfo.prepareToPlay (48000.0, 1);
        OrvikQ4DynamicHiPass stageOne;
        stageOne.init (48000.0);
        const auto in = sine (9600, amplitude, 60.0, 48000.0);
        auto expected = in;
        stageOne.process (expected.data(), (int) expected.size());
        const auto out = run (transfo, in);

        double worst = 0.0;
        for (size_t i = 0; i < in.size(); ++i)
            worst = std::max (worst, std::abs (double (out[i]) - double (expected[i]) * double (OrvikQ4Transfo::kTrim)) / double (amplitude));
        EXPECT_EQ (worst < 1.0e-4, transparent) << worst;
        EXPECT_EQ (worst > 3.0e-3, ! transparent) << worst;
    }
}

TEST_F (TransformerTest, EnvelopeOfPointSixPutsTheCornerFullyAt18Hz)
{
    EXPECT_EQ (padeSoftClip (3.0), 1.0);  // 5 x 0.6
    EXPECT_EQ (padeSoftClip (-3.0), -1.0);
    EXPECT_LT (padeSoftClip (2.99), 1.0);

    transfo.prepareToPlay (48000.0, 1);
    auto& hp = transfo.channels[0]->hiPass;
    for (float level : { 0.7f, 12.0f })
    {
        run (transfo, Block (4800, level));
        EXPECT_GE (hp.envelope, 0.6);
        EXPECT_EQ (hp.lastMorph, 1.0);
        EXPECT_EQ (coefficientsOf (hp), highCorner (48000.0));
    }
}

TEST_F (TransformerTest, ChannelsKeepIndependentState)
{
    transfo.prepareToPlay (48000.0, 2);
    OrvikQ4Transfo mono;
    mono.prepareToPlay (48000.0, 1);

    const auto loud = burst (4800, 48000.0);
    EXPECT_EQ (run (transfo, loud, 0), run (mono, loud, 0));
    EXPECT_EQ (run (transfo, Block (4800, 0.0f), 1), Block (4800, 0.0f));
    EXPECT_EQ (transfo.channels[1]->hiPass.lastMorph, 0.0);
}

TEST_F (TransformerTest, RepreparingAtAnotherRateRebuildsEveryChannel)
{
    transfo.prepareToPlay (44100.0, 2);
    run (transfo, burst (3000, 44100.0), 0);
    run (transfo, burst (3000, 44100.0), 1);

    transfo.prepareToPlay (96000.0, 2);
    OrvikQ4Transfo fresh;
    fresh.prepareToPlay (96000.0, 2);
    EXPECT_EQ (coefficientsOf (transfo.channels[1]->hiPass), lowCorner (96000.0));
    EXPECT_EQ (run (transfo, burst (5000, 96000.0), 1), run (fresh, burst (5000, 96000.0), 1));
}

TEST_F (TransformerTest, NonFiniteInputDoesNotLeaveTheChannelBroken)
{
    for (float bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() })
    {
        transfo.prepareToPlay (48000.0, 1);
        OrvikQ4Transfo fresh;
        fresh.prepareToPlay (48000.0, 1);

        auto poisoned = burst (512, 48000.0);
        poisoned[100] = bad;
        run (transfo, poisoned);
        EXPECT_TRUE (transfo.channels[0]->isFinite());
        EXPECT_EQ (run (transfo, burst (2000, 48000.0)), run (fresh, burst (2000, 48000.0)));
    }
}

TEST_F (TransformerTest, CallsWithoutAMatchingStateLeaveTheAudioAlone)
{
    const Block audio (64, 0.5f);
    EXPECT_EQ (run (transfo, audio, 0), audio);  // never prepared
    transfo.prepareToPlay (48000.0, 2);
    EXPECT_EQ (run (transfo, audio, 2), audio);
    EXPECT_EQ (run (transfo, audio, -1), audio);
    transfo.prepareToPlay (48000.0, 0);
    EXPECT_EQ (run (transfo, audio, 0), audio);
    transfo.prepareToPlay (std::numeric_limits<double>::quiet_NaN(), 1);
    EXPECT_EQ (run (transfo, audio, 0), audio);
}
