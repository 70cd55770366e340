#include "dsp/NRVHum.h"

#include "dsp/BiquadDesign.h"
#include "dsp/VectorOps.h"

#include <cmath>
#include <iterator>

namespace
{
    /** floor (u) for the phase sum. Inside the period (0 <= u < 1, all but one sample per
        period) the answer is 0 without the library call, which dominated the cost of the
        square wave; everything else, a wrap or a meaningless value, goes to std::floor. */
    inline double wholePeriods (double u) noexcept
    {
        return (u >= 0.0 && u < 1.0) ? 0.0 : std::floor (u);
    }

    constexpr double kPi = juce::MathConstants<double>::pi;
    constexpr double kSqrt2 = 1.4142135623730951;  // sqrt (2.0), correctly rounded

    constexpr double kHighPassFrequency = 150.0;  // Hz

    /** One resonance of the hum: centre in Hz, Q, and the amplitude 10^(dB/40) rounded to
        float (its square is the gain at the centre). */
    struct PeakDesign
    {
        double frequency, q, amplitude;
    };

    constexpr PeakDesign kPeak200  { 200.0,  1.0, 1.778279423713684 };   // +10 dB
    constexpr PeakDesign kPeak600  { 600.0,  5.0, 1.778279423713684 };   // +10 dB
    constexpr PeakDesign kPeak1000 { 1000.0, 5.0, 1.6788040399551392 };  // +9 dB
    constexpr PeakDesign kPeak1400 { 1400.0, 5.0, 1.4962356090545654 };  // +7 dB
}

//==============================================================================
juce::IIRCoefficients HumChannel::makeHighPass (double sampleRate) noexcept
{
    // Butterworth: 1/Q = sqrt 2.
    return BiquadDesign::highPass (std::tan (kPi * kHighPassFrequency / sampleRate), kSqrt2);
}

juce::IIRCoefficients HumChannel::makePeak (double sampleRate, double frequency, double q,
                                            double amplitude) noexcept
{
    const double omega = 2.0 * kPi * frequency / sampleRate;
    const double alpha = 0.5 * std::sin (omega) / q;
    const double a0 = 1.0 + alpha / amplitude;
    const double b1 = -2.0 * std::cos (omega) / a0;

    // Each term is divided by a0 rather than multiplied by 1 / a0: the two round differently
    // in the last bit, and these coefficients are defined by the division.
    return BiquadDesign::fromDoubles ((1.0 + alpha * amplitude) / a0,
                             b1,
                             (1.0 - alpha * amplitude) / a0,
                             b1,
                             (1.0 - alpha / amplitude) / a0);
}

HumChannel::HumChannel (double sampleRate)
{
    highPass.setCoefficients (makeHighPass (sampleRate));
    peak200.setCoefficients (makePeak (sampleRate, kPeak200.frequency, kPeak200.q, kPeak200.amplitude));
    peak600.setCoefficients (makePeak (sampleRate, kPeak600.frequency, kPeak600.q, kPeak600.amplitude));
    peak1000.setCoefficients (makePeak (sampleRate, kPeak1000.frequency, kPeak1000.q, kPeak1000.amplitude));
    peak1400.setCoefficients (makePeak (sampleRate, kPeak1400.frequency, kPeak1400.q, kPeak1400.amplitude));
}

void HumChannel::generate (float* destination, int numSamples, double phaseIncrement) noexcept
{
    double p = phase;

    for (int i = 0; i < numSamples; ++i)
    {
        // Advance before taking the sample: a fresh state's first sample already sits one
        // increment into the period. Exactly half a period counts as the negative half.
        const double u = p + phaseIncrement;
        p = u - wholePeriods (u);
        destination[i] = p < 0.5 ? kSquareLevel : -kSquareLevel;
    }

    phase = p;
}

void HumChannel::filter (float* samples, int numSamples) noexcept
{
    // Each section computes exactly what the framework's block processing computes (same
    // expressions, same order, float throughout), but the five run interleaved with their
    // values in locals: the sections no longer wait for each other's whole block, which makes
    // the cascade about two and a half times faster. (The framework skips an inactive filter;
    // these are active from construction, when their coefficients are set.)
    struct Section
    {
        float b0, b1, b2, a1, a2, s1, s2;
    };

    NRVBiquad* const filters[] { &highPass, &peak200, &peak600, &peak1000, &peak1400 };
    constexpr int numSections = (int) std::size (filters);
    Section sections[numSections];

    for (int k = 0; k < numSections; ++k)
    {
        const float* c = filters[k]->coefficientData();
        sections[k] = { c[0], c[1], c[2], c[3], c[4], filters[k]->state1(), filters[k]->state2() };
    }

    for (int i = 0; i < numSamples; ++i)
    {
        float x = samples[i];

        for (auto& f : sections)
        {
            const float y = f.b0 * x + f.s1;
            f.s1 = f.b1 * x - f.a1 * y + f.s2;
            f.s2 = f.b2 * x - f.a2 * y;
            x = y;
        }

        samples[i] = x;
    }

    // As the framework does at the end of each block (on the platforms where it does).
    for (int k = 0; k < numSections; ++k)
    {
        JUCE_SNAP_TO_ZERO (sections[k].s1);
        JUCE_SNAP_TO_ZERO (sections[k].s2);
        filters[k]->state1() = sections[k].s1;
        filters[k]->state2() = sections[k].s2;
    }
}

//==============================================================================
NRVHum::NRVHum() = default;

NRVHum::~NRVHum() = default;

void NRVHum::prepareToPlay (double newSampleRate, int newNumChannels)
{
    sampleRate = newSampleRate;
    numChannels = newNumChannels;
    inverseSampleRate = 1.0 / newSampleRate;

    // Deletes the old states last first and frees the array's storage.
    channels.clear();

    // No usable rate: better no hum than filters designed from a meaningless rate.
    if (newNumChannels < 1 || ! (newSampleRate > 0.0 && std::isfinite (newSampleRate)))
        return;

    channels.ensureStorageAllocated (newNumChannels);

    for (int c = 0; c < newNumChannels; ++c)
        channels.add (new HumChannel (newSampleRate));
}

void NRVHum::releaseResources()
{
    channels.clear();
}

void NRVHum::reserveBlockSize (int maxSamples)
{
    if (maxSamples > humBuffer.getNumSamples())
        humBuffer.setSize (1, maxSamples, false, false, true);
}

const float* NRVHum::renderHum (HumChannel& state, int numSamples)
{
    // Keeps the largest allocation so far: a shorter block never reallocates.
    humBuffer.setSize (1, numSamples, false, false, true);
    float* hum = humBuffer.getWritePointer (0);

    state.generate (hum, numSamples, HumChannel::kMainsFrequency * inverseSampleRate);
    state.filter (hum, numSamples);
    return hum;
}

void NRVHum::processSamples (float* data, int numSamples, int channel)
{
    // A host calling without a matching state (unprepared, released, or a channel the effect
    // was not prepared for) gets its audio back untouched.
    if (data == nullptr || numSamples <= 0 || ! juce::isPositiveAndBelow (channel, channels.size()))
        return;

    const float* hum = renderHum (*channels.getUnchecked (channel), numSamples);
    VectorOps::add (data, hum, data, numSamples);
}

void NRVHum::processSamples (float** data, int numSamples)
{
    if (data == nullptr || numSamples <= 0 || channels.isEmpty())
        return;

    // One hum for all channels, from channel 0's state; the states exist for exactly the
    // prepared channels, so this adds to data[0] ... data[numChannels - 1].
    const float* hum = renderHum (*channels.getUnchecked (0), numSamples);

    for (int c = 0; c < channels.size(); ++c)
        VectorOps::add (data[c], hum, data[c], numSamples);
}
