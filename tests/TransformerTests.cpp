#include "DspTestUtils.h"
#include "dsp/OrvikQ4Transfo.h"

#include <gtest/gtest.h>

#include <limits>

using dsptest::Block;

namespace
{
    constexpr double kTwoPi = 2.0 * 3.14159265358979323846;

    /** The stage-1 coefficients at rest (42 Hz, Q 2.9) and fully driven (18 Hz, Q 2.2). */
    Block corner (double hz, double q, double rate)
    {
        const auto c = dsptest::highPass (hz, rate, 1.0 / q);
        return { c.coefficients, c.coefficients + 5 };
    }

    /** Reference channel written sample by sample from the transformer's description, sharing
        no code with OrvikQ4Transfo: envelope and soft-clip morph, float coefficient blend and
        flushed float biquad; flux integrator, envelope, saturation and differentiator in
        double; the float trim. */
    struct ReferenceTransformer
    {
        static double softClip (double s) { return s < -3.0 ? -1.0 : s > 3.0 ? 1.0 : s * (s * s + 27.0) / (9.0 * (s * s) + 27.0); }

        explicit ReferenceTransformer (double rate)
            : base (corner (42.0, 2.9, rate)), target (corner (18.0, 2.2, rate)), c (base), envCoeff (1.0 - std::exp ((1.0 / rate) / -0.005)),
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

    Block run (OrvikQ4Transfo& t, Block s, int channel = 0)
    {
        t.processSamples (s.data(), (int) s.size(), channel);
        return s;
    }

    struct Prepared : OrvikQ4Transfo
    {
        Prepared (double rate, int numChannels) { prepareToPlay (rate, numChannels); }
    };
}

TEST (Transformer, MatchesAReferenceModelAcrossUnevenBlocks)
{
    // Channel 0 sweeps the corner through its range; channel 1 stays near the 1e-8 level where
    // the high-pass flushes its output. The second rate prepares the same effect again, which
    // must start it afresh.
    OrvikQ4Transfo transfo;
    for (double rate : { 44100.0, 96000.0 })
    {
        transfo.prepareToPlay (rate, 2);
        ReferenceTransformer reference[2] { ReferenceTransformer (rate), ReferenceTransformer (rate) };
        Block input[2] { burst (6000, rate), burst (6000, rate, 1.0) };
        for (auto& x : input[1])
            x *= 2.5e-8f;

        for (int start = 0, b = 0, sizes[] { 1, 700, 64, 2235, 3000 }; b < 5; start += sizes[b++])
            for (size_t c = 0; c < 2; ++c)
            {
                const auto out = run (transfo, Block (input[c].begin() + start, input[c].begin() + start + sizes[b]), (int) c);
                for (int i = 0; i < sizes[b]; ++i)
                    ASSERT_EQ (out[(size_t) i], reference[c].process (input[c][(size_t) (start + i)])) << "channel " << c << " sample " << start + i;
            }
        EXPECT_GT (reference[0].morph, 0.0);
    }
}

TEST (Transformer, NonFiniteInputOrCallsWithoutAStateNeverLeaveAChannelBroken)
{
    for (float bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() })
    {
        Prepared transfo (48000.0, 1), fresh (48000.0, 1);
        auto poisoned = burst (512, 48000.0);
        poisoned[100] = bad;
        run (transfo, poisoned);
        EXPECT_EQ (run (transfo, burst (2000, 48000.0)), run (fresh, burst (2000, 48000.0)));
    }

    // No channel states, a channel out of range or no usable rate: the audio passes untouched.
    const Block audio (64, 0.5f);
    Prepared none (48000.0, 0), stereo (48000.0, 2), noRate (std::numeric_limits<double>::quiet_NaN(), 1);
    for (auto [effect, channel] : { std::pair<OrvikQ4Transfo*, int> (&none, 0), { &stereo, 2 }, { &stereo, -1 }, { &noRate, 0 } })
        EXPECT_EQ (run (*effect, audio, channel), audio) << channel;
}
