#pragma once

#include "dsp/RampedValue.h"
#include "processor/ProgramState.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

//==============================================================================
// A straight statement of the circuit model, written from its description without the
// production loop's shortcuts: no coefficient caches, channels one after the other, every
// round in order, no bad-input handling. The production loop must give the same
// samples and state bit for bit.
namespace reference
{
    /** The fraction of the way to its target a 220 nF capacitor charges through r ohms in one
        sample: the exponential taken in single precision. */
    inline double charge (double samplePeriod, double r) { return 1.0 - (double) expf ((float) (-samplePeriod / (r * 2.2e-7))); }

    struct Network { double voltage; };

    /** The side-chain biquad: float coefficients glided in double, crossfaded in and out. */
    struct Filter
    {
        float c[5] = { 1, 0, 0, 0, 0 }, s1 = 0, s2 = 0;
        double base[5] = { 1, 0, 0, 0, 0 }, delta[5] = {}, lastMorph = 0;
        RampedValue morph, mix;

        Filter() { morph.current = morph.target = mix.current = mix.target = 1; }  // on, as the identity

        void setCoefficients (const juce::IIRCoefficients& n)
        {
            const bool on = mix.target >= 0.5;
            const double t = on ? morph.next() : 0.0;
            if (! on)
            {
                s1 = s2 = 0;
                mix.setTarget (1.0);
            }

            for (int i = 0; i < 5; ++i)
            {
                const float start = on ? (float) (delta[i] * t + base[i]) : n.coefficients[i];
                base[i] = c[i] = start;
                delta[i] = (double) (n.coefficients[i] - start);
            }

            lastMorph = morph.current = 0;
            morph.target = 1;
            morph.step = 1.0 / morph.steps;
            morph.countdown = morph.steps;
        }

        float processSample (float x)
        {
            if (mix.target < 0.5 && ! mix.isRamping())
                return x;

            const double tf = (float) morph.next();
            const bool fading = mix.isRamping();
            const float m = fading ? (float) mix.next() : 0.0f;
            if (tf != lastMorph)
            {
                for (int i = 0; i < 5; ++i)
                    c[i] = (float) (delta[i] * tf + base[i]);
                lastMorph = tf;
            }

            float y = c[0] * x + s1;
            if (((double) y >= -1e-8 && (double) y <= 1e-8) || std::isnan (y))
                y = 0;
            s1 = c[1] * x - c[3] * y + s2;
            s2 = c[2] * x - c[4] * y;
            return fading ? (float) ((1.0 - (double) m) * (double) x + (double) (y * m)) : y;
        }
    };

    struct Channel
    {
        Filter sidechainFilter;
        Network attackNetwork, releaseNetwork;
        double maxStep, lastOutput = 0, minGain = 22.25, lastGain = 1;
    };

    struct Compressor
    {
        explicit Compressor (ProgramState* l) : live (l), table (32768)
        {
            for (int i = 0; i < 32768; ++i)
            {
                const double x = (i * -2.0 * std::pow (2.0, -15)) / -1.1, y = x > 0 ? 30 * (1 - x) : 30;
                const double u = 1 - ((1 - std::log (std::exp (y) + 1) / 30) * -1.1) / -1.1;
                table[(size_t) i] = (float) (1 / (1 / (0.6 / u) + 1 / 22.25));
            }

            attackResistance.current = attackResistance.target = 467.73;
            releaseResistance.current = releaseResistance.target = 255000;
            setRatio (0, true);
        }

        void setRatio (int index, bool force)
        {
            if (index == ratioIndex && ! force)
                return;

            // Rows: divider, threshold offset and load, bias per unit of threshold scale.
            const double rows[3][4] = { { 0.348717949, 150, 4401, -3.04735 }, { 0.364102564, 201, 4401, -3.04735 }, { 0.548387097, 150, 2350, -4.16949 } };
            const double x = 2000 * thresholdScale;
            if (index >= 0 && index < 3)
            {
                ratioDivider.setTarget (rows[index][0]);
                thresholdVoltage.setTarget ((rows[index][1] + x) / (x + rows[index][2]) * -10);
                biasVoltage.setTarget (rows[index][3] * thresholdScale);
            }
            ratioIndex = index;
        }

        void prepareToPlay (double rate, int n)
        {
            numChannels = n;
            samplePeriod = 1 / rate;
            channels.clear();
            const auto steps = (int) (0.1 * rate);

            for (int c = 0; c < n; ++c)
            {
                auto& ch = *channels.emplace_back (std::make_unique<Channel>());
                auto& f = ch.sidechainFilter;
                f.morph.setRampLength (steps);
                f.mix.setRampLength (steps);
                f.mix.setTarget (0.0);
                ch.attackNetwork.voltage = ch.releaseNetwork.voltage = biasVoltage.target;
                ch.maxStep = 3 * 1e6 / rate;
            }

            fall = std::pow (10.0, (200000 / rate) * 0.05);
            rise = std::pow (10.0, (400 / rate) * 0.05);
            for (auto* r : { &ratioDivider, &thresholdVoltage, &biasVoltage, &attackResistance, &releaseResistance })
            {
                r->setRampLength (steps);
                r->snapToTarget();
            }
        }

        double gainAt (double t) const { return table[(size_t) (t >= 32767 ? 32767 : (t > 0 ? (int) t : 0))]; }

        void processSamples (float** data, int n)
        {
            RampedValue* settings[5] = { &ratioDivider, &thresholdVoltage, &biasVoltage, &attackResistance, &releaseResistance };
            for (auto& ch : channels)
                ch->minGain = 22.25;

            for (int i = 0; i < n; ++i)
            {
                const double in = live->input.next(), out = live->output.next();
                const double linkOn = live->linkOn.next(), link = live->stereoLink.next(), mix = live->mix.next();
                double sum = 0;
                for (int c = 0; c < numChannels; ++c)
                    sum += (double) data[c][i];

                float ramp[5];  // the settings as float, one sample at a time: the values of a whole block
                for (int r = 0; r < 5; ++r)
                    settings[r]->fillBlock (&ramp[r], 1);

                const double mean = sum / numChannels, L = linkOn * link, dry = 1 - mix;
                const double r0 = ramp[0], r1 = ramp[1], r2 = ramp[2], r3 = ramp[3], r4 = ramp[4];

                for (int c = 0; c < numChannels; ++c)
                {
                    auto& ch = *channels[(size_t) c];
                    const double x = data[c][i], a = x * 0.5 * in;
                    const double s = std::abs ((double) ch.sidechainFilter.processSample ((float) (((1 - L) * x + mean * L) * 0.5 * in)));
                    const double A = ch.attackNetwork.voltage, B = ch.releaseNetwork.voltage;

                    // Bisection of the level within the per-sample gain limits.
                    double lo = std::max (ch.lastGain / fall - 5e-6, (double) table[0]) * s;
                    double hi = std::min (ch.lastGain * rise + 5e-6, (double) table[32767]) * s;
                    double m = 0, g = 0;

                    for (int k = 0; k < 20 && (k == 0 || hi - lo > 5e-6); ++k)
                    {
                        m = (lo + hi) * 0.5;
                        const double drive = std::min (r0 * m * 6.464480874, 16.0);
                        rounds[(size_t) k]++;
                        saturatedDrive = saturatedDrive || drive == 16.0;
                        const double target = r1 + drive;
                        const double A1 = A >= target ? A : (target - A) * charge (samplePeriod, r3) + A;
                        g = gainAt (((float) ((A1 + B) * 0.5) - 0.02 * s) * -16383.5);
                        (s * g < m ? hi : lo) = m;
                    }

                    // Commit the networks to the solved level, then the output stage and Mix.
                    ch.lastGain = g;
                    const double target = r1 + std::abs (r0 * m) * 6.464480874;
                    const double A1 = target >= A ? (target - A) * charge (samplePeriod, r3) + A : A;
                    const double exchange = (B - A) * charge (samplePeriod, 2.2e6);
                    ch.attackNetwork.voltage = (A1 + exchange) + (r2 - A) * charge (samplePeriod, r4);
                    ch.releaseNetwork.voltage = (B - exchange) + (r2 - B) * charge (samplePeriod, r4 + 4.4e6);
                    const double G = gainAt ((a * -0.02 + (float) ((ch.releaseNetwork.voltage + ch.attackNetwork.voltage) * 0.5)) * -16383.5);
                    ch.minGain = std::min (ch.minGain, G);

                    const double delta = (out * (a * G)) * 5.3 * (4300 / 1692.3 + 1) - ch.lastOutput;
                    ch.lastOutput = std::min (std::max (std::max (std::min (delta, ch.maxStep), -ch.maxStep) + ch.lastOutput, -15.0), 15.0);
                    data[c][i] = (float) (x * dry + ch.lastOutput * mix);
                }
            }
        }

        ProgramState* live;
        std::vector<float> table;
        int numChannels = 1, ratioIndex = 0;
        double thresholdScale = 0.6, fall = 1, rise = 1, samplePeriod = 1.0 / 44100;
        RampedValue ratioDivider, thresholdVoltage, biasVoltage, attackResistance, releaseResistance;
        std::vector<std::unique_ptr<Channel>> channels;
        std::vector<int> rounds = std::vector<int> (20);  // solves that reached each round
        bool saturatedDrive = false;
    };
}
