#include "dsp/OrvikQ4Transfo.h"

#include "dsp/SoftClip.h"
#include "dsp/VectorOps.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** Where the flux stage's double result becomes the float sample. */
    inline float toFloat (double x) noexcept { return static_cast<float> (x); }

    /** Time constants in seconds. */
    constexpr double kIntegratorTime = 0.0025;
    constexpr double kFluxEnvelopeTime = 0.005;

    /** Saturation scale and flux weight per unit of sample period (divided by the rate). */
    constexpr double kSaturationPerSecond = 100.0;
    constexpr double kFluxWeightPerSecond = 500.0;

    /** Depth of the saturation: 0.4 x the bent flux is taken from 1.4 x the flux, so at low
        level, where the curve is linear, the result is the flux itself, and at high level the
        part taken away stops growing (the curve holds at +-1). */
    constexpr double kSaturationDepth = 0.4;
    constexpr double kFluxGain = 1.4;

    /** Floor of the flux envelope in the saturation scale (keeps the division finite). */
    constexpr double kMinFluxEnvelope = 0.001;

    /** 1 - exp (-T / timeConstant): the per-sample weight of a one-pole smoother. */
    double onePoleCoefficient (double sampleRate, double timeConstant) noexcept
    {
        return 1.0 - std::exp ((1.0 / sampleRate) / -timeConstant);
    }
}

//==============================================================================
void OrvikQ4TransfoChannel::init (double sampleRate)
{
    hiPass.init (sampleRate);
    integratorCoeff = onePoleCoefficient (sampleRate, kIntegratorTime);
    differentiatorCoeff = integratorCoeff;
    flux = 0.0;
    lastOutput = 0.0;
}

void OrvikQ4TransfoChannel::reset() noexcept
{
    hiPass.reset();
    fluxEnvelope = 0.0;
    flux = 0.0;
    lastOutput = 0.0;
}

bool OrvikQ4TransfoChannel::isFinite() const noexcept
{
    return hiPass.isFinite() && std::isfinite (fluxEnvelope) && std::isfinite (flux)
        && std::isfinite (lastOutput);
}

//==============================================================================
OrvikQ4Transfo::OrvikQ4Transfo() = default;

OrvikQ4Transfo::~OrvikQ4Transfo() = default;

void OrvikQ4Transfo::prepareToPlay (double newSampleRate, int newNumChannels)
{
    sampleRate = newSampleRate;
    numChannels = newNumChannels;
    fluxEnvelopeCoeff = onePoleCoefficient (newSampleRate, kFluxEnvelopeTime);
    saturationLevel = kSaturationPerSecond / newSampleRate;
    fluxWeight = kFluxWeightPerSecond / newSampleRate;

    // Deletes the old states last first and frees the array's storage.
    channels.clear();

    // No usable rate: no states, so processing leaves the audio alone.
    if (newNumChannels < 1 || ! (newSampleRate > 0.0 && std::isfinite (newSampleRate)))
        return;

    channels.ensureStorageAllocated (newNumChannels);

    for (int c = 0; c < newNumChannels; ++c)
    {
        auto* state = new OrvikQ4TransfoChannel();
        state->init (newSampleRate);
        channels.add (state);
    }
}

void OrvikQ4Transfo::processSamples (float* data, int numSamples, int channel) noexcept
{
    // Outside the processor's contract (unprepared, or a channel it was not prepared for):
    // leave the audio alone rather than touch memory that is not there.
    if (data == nullptr || numSamples <= 0 || ! juce::isPositiveAndBelow (channel, channels.size()))
        return;

    // The envelopes and the flux decay exponentially in silence; without this they would
    // sink through the subnormal range and stay there at great cost.
    const juce::ScopedNoDenormals noDenormals;

    auto& state = *channels.getUnchecked (channel);

    state.hiPass.process (data, numSamples);
    processFlux (state, data, numSamples);
    VectorOps::multiplyScalar (data, kTrim, data, numSamples);

    // A NaN or infinity would otherwise stay in the recursions for good (and a NaN output of
    // the high-pass is flushed to 0, silencing the channel without a trace).
    if (! state.isFinite())
        state.reset();
}

void OrvikQ4Transfo::processFlux (OrvikQ4TransfoChannel& state, float* data, int numSamples) const noexcept
{
    const double integratorKeep = 1.0 - state.integratorCoeff;
    const double differentiatorKeep = 1.0 - state.differentiatorCoeff;
    const double envelopeKeep = 1.0 - fluxEnvelopeCoeff;

    double flux = state.flux;
    double fluxEnvelope = state.fluxEnvelope;

    // In chunks, three passes each: the two recursions alone, then the saturation of every
    // sample (independent of the others, so its divisions run side by side), then the
    // differentiator. bent[0] holds the previous chunk's last saturated flux.
    constexpr int kChunk = 64;
    double fluxes[kChunk], envelopes[kChunk], bent[kChunk + 1];
    bent[0] = state.lastOutput;

    for (int start = 0; start < numSamples; start += kChunk)
    {
        const int count = std::min (kChunk, numSamples - start);
        float* const block = data + start;

        for (int i = 0; i < count; ++i)
        {
            const double x = block[i];
            flux = flux * integratorKeep + x;
            fluxEnvelope = std::abs (flux * fluxWeight + x) * fluxEnvelopeCoeff + fluxEnvelope * envelopeKeep;
            fluxes[i] = flux;
            envelopes[i] = fluxEnvelope;
        }

        // The saturation works on the flux relative to its own envelope, so the curve bends
        // the shape of the low end rather than limiting its level.
        for (int i = 0; i < count; ++i)
        {
            const double scale = saturationLevel / std::max (envelopes[i], kMinFluxEnvelope);
            const double saturated = kSaturationDepth * padeSoftClip (fluxes[i] * scale);
            bent[i + 1] = kFluxGain * fluxes[i] - saturated / scale;
        }

        for (int i = 0; i < count; ++i)
            block[i] = toFloat (bent[i + 1] - bent[i] * differentiatorKeep);

        bent[0] = bent[count];
    }

    state.flux = flux;
    state.fluxEnvelope = fluxEnvelope;
    state.lastOutput = bent[0];
}
