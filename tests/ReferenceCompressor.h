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
// production loop's shortcuts: one coefficient cache per network, channels one after the
// other, every round in order, no bad-input handling. The production loop must give the same
// samples and state bit for bit.
namespace reference
{
    struct Network
    {
        double capacitance, samplePeriod, voltage, cachedResistance, cachedCoefficient;

        double coefficientFor (double r)
        {
            if (r != cachedResistance)
            {
                cachedResistance = r;
                cachedCoefficient = 1.0 - (double) expf ((float) (-samplePeriod / (r * capacitance)));
            }

            return cachedCoefficient;
        }
    };

    struct Filter
    {
        float c[5] = { 1, 0, 0, 0, 0 }, s1 = 0, s2 = 0;
        double base[5] = { 1, 0, 0, 0, 0 }, delta[5] = {}, lastMorph = 0;
        RampedValue morph, mix;

        void setCoefficients (const juce::IIRCoefficients& n)
        {
            float start[5];
            const double t = mix.target >= 0.5 ? morph.next() : 0.0;

            for (int i = 0; i < 5; ++i)
                start[i] = mix.target >= 0.5 ? (float) (delta[i] * t + base[i]) : n.coefficients[i];

            if (mix.target < 0.5)
            {
                s1 = s2 = 0;
                mix.setTarget (1.0);
            }

            for (int i = 0; i < 5; ++i)
            {
                base[i] = start[i];
                delta[i] = (double) (n.coefficients[i] - start[i]);
                c[i] = start[i];
            }

            lastMorph = 0;
            morph.current = 0;
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
                const double x = (i * -2.0 * std::pow (2.0, -15)) / -1.1;
                const double y = x > 0 ? 30 * (1 - x) : 30;
                const double s = std::log (std::exp (y) + 1) / 30;
                const double u = 1 - ((1 - s) * -1.1) / -1.1;
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

            const double x = 2000 * thresholdScale;

            if (index == 0 || index == 1)
            {
                ratioDivider.setTarget (index == 0 ? 0.348717949 : 0.364102564);
                thresholdVoltage.setTarget (((index == 0 ? 150 : 201) + x) / (x + 4401) * -10);
                biasVoltage.setTarget (-3.04735 * thresholdScale);
            }
            else if (index == 2)
            {
                ratioDivider.setTarget (0.548387097);
                thresholdVoltage.setTarget ((150 + x) / (x + 2350) * -10);
                biasVoltage.setTarget (-4.16949 * thresholdScale);
            }

            ratioIndex = index;
        }

        void prepareToPlay (double rate, int n)
        {
            numChannels = n;
            channels.clear();
            const auto steps = (int) (0.1 * rate);

            for (int c = 0; c < n; ++c)
            {
                auto ch = std::make_unique<Channel>();
                auto& f = ch->sidechainFilter;
                f.morph.current = f.morph.target = f.mix.current = f.mix.target = 1;
                f.morph.setRampLength (steps);
                f.mix.setRampLength (steps);
                const double bias = biasVoltage.target;
                ch->attackNetwork = { 2.2e-7, 1 / rate, bias, 467.73, 0 };
                ch->attackNetwork.cachedCoefficient = 1.0 - (double) expf ((float) (-(1 / rate) / (467.73 * 2.2e-7)));
                ch->releaseNetwork = { 2.2e-7, 1 / rate, bias, 4.4e6, 0 };
                ch->releaseNetwork.cachedCoefficient = 1.0 - (double) expf ((float) (-(1 / rate) / (4.4e6 * 2.2e-7)));
                ch->maxStep = 3 * 1e6 / rate;
                channels.push_back (std::move (ch));
            }

            for (auto& ch : channels)
                ch->sidechainFilter.mix.setTarget (0.0);

            fall = std::pow (10.0, (200000 / rate) * 0.05);
            rise = std::pow (10.0, (400 / rate) * 0.05);

            for (auto* r : { &ratioDivider, &thresholdVoltage, &biasVoltage, &attackResistance, &releaseResistance })
            {
                r->setRampLength (steps);
                r->snapToTarget();
            }
        }

        static int indexFor (double t)
        {
            return t >= 32767 ? 32767 : (t > 0 ? (int) t : 0);
        }

        void processSamples (float** data, int n)
        {
            for (auto& ch : channels)
                ch->minGain = 22.25;

            std::vector<float> ramps[5];
            RampedValue* settings[5] = { &ratioDivider, &thresholdVoltage, &biasVoltage, &attackResistance, &releaseResistance };

            for (int r = 0; r < 5; ++r)
            {
                ramps[r].resize ((size_t) n);
                settings[r]->fillBlock (ramps[r].data(), n);
            }

            for (int i = 0; i < n; ++i)
            {
                const double in = live->input.next(), out = live->output.next();
                const double linkOn = live->linkOn.next(), link = live->stereoLink.next(), mix = live->mix.next();
                double sum = 0;

                for (int c = 0; c < numChannels; ++c)
                    sum += (double) data[c][i];

                const double mean = sum / numChannels, L = linkOn * link, dry = 1 - mix;
                const double r0 = ramps[0][(size_t) i], r1 = ramps[1][(size_t) i], r2 = ramps[2][(size_t) i];
                const double r3 = ramps[3][(size_t) i], r4 = ramps[4][(size_t) i];

                for (int c = 0; c < numChannels; ++c)
                {
                    auto& ch = *channels[(size_t) c];
                    const double x = data[c][i];
                    const double a = x * 0.5 * in;
                    const double s = std::abs ((double) ch.sidechainFilter.processSample ((float) (((1 - L) * x + mean * L) * 0.5 * in)));
                    const double A = ch.attackNetwork.voltage, B = ch.releaseNetwork.voltage;

                    double lo = std::max (ch.lastGain / fall - 5e-6, (double) table[0]) * s;
                    double hi = std::min (ch.lastGain * rise + 5e-6, (double) table[32767]) * s;
                    double m = 0, g = 0;

                    for (int k = 0; k < 20; ++k)
                    {
                        if (k > 0 && ! (hi - lo > 5e-6))
                            break;

                        m = (lo + hi) * 0.5;
                        const double drive = std::min (r0 * m * 6.464480874, 16.0);
                        rounds[(size_t) k]++;
                        saturatedDrive = saturatedDrive || drive == 16.0;
                        const double target = r1 + drive;
                        const double A1 = A >= target ? A : (target - A) * ch.attackNetwork.coefficientFor (r3) + A;
                        const double V = (float) ((A1 + B) * 0.5);
                        g = table[(size_t) indexFor ((V - 0.02 * s) * -16383.5)];

                        if (s * g < m)
                            hi = m;
                        else
                            lo = m;
                    }

                    ch.lastGain = g;

                    const double target = r1 + std::abs (r0 * m) * 6.464480874;
                    const double A1 = target >= A ? (target - A) * ch.attackNetwork.coefficientFor (r3) + A : A;
                    const double exchange = (B - A) * ch.attackNetwork.coefficientFor (2.2e6);
                    const double newA = (A1 + exchange) + (r2 - A) * ch.attackNetwork.coefficientFor (r4);
                    const double newB = (B - exchange) + (r2 - B) * ch.releaseNetwork.coefficientFor (r4 + 4.4e6);
                    ch.attackNetwork.voltage = newA;
                    ch.releaseNetwork.voltage = newB;
                    const double Vc = (float) ((newB + newA) * 0.5);
                    const double G = table[(size_t) indexFor ((a * -0.02 + Vc) * -16383.5)];
                    ch.minGain = std::min (ch.minGain, G);

                    double delta = (out * (a * G)) * 5.3 * (4300 / 1692.3 + 1) - ch.lastOutput;
                    delta = std::max (std::min (delta, ch.maxStep), -ch.maxStep);
                    const double y = std::min (std::max (delta + ch.lastOutput, -15.0), 15.0);
                    ch.lastOutput = y;
                    data[c][i] = (float) (x * dry + y * mix);
                }
            }
        }

        ProgramState* live;
        std::vector<float> table;
        int numChannels = 1, ratioIndex = 0;
        double thresholdScale = 0.6, fall = 1, rise = 1;
        RampedValue ratioDivider, thresholdVoltage, biasVoltage, attackResistance, releaseResistance;
        std::vector<std::unique_ptr<Channel>> channels;
        std::vector<int> rounds = std::vector<int> (20);  // solves that reached each round
        bool saturatedDrive = false;
    };
}
