#pragma once

#include "dsp/NRVEffect.h"
#include "dsp/OrvikQ4DynamicHiPass.h"

#include <juce_audio_basics/juce_audio_basics.h>

/**
    One channel's transformer state: the level-dependent high-pass (stage 1) and the flux
    stage (stage 2), which integrates the signal into a core flux, bends the flux through the
    soft saturation curve and differentiates it back.
*/
struct OrvikQ4TransfoChannel
{
    /** Sets the channel up for a sample rate: designs the high-pass, clears the integrator and
        the differentiator memory. The filter state and the flux envelope are left as they are
        (a new channel starts with them at 0). */
    void init (double sampleRate);

    /** Returns to the state of a freshly prepared channel without redesigning anything. */
    void reset() noexcept;

    /** True when every state value is a finite number. */
    bool isFinite() const noexcept;

    /** Stage 1. */
    OrvikQ4DynamicHiPass hiPass;

    /** Level envelope of the flux stage; sets how hard the flux saturates. */
    double fluxEnvelope = 0.0;

    /** Leaky integral of the stage-2 input: the core flux. */
    double flux = 0.0;

    /** The previous sample's saturated flux, for the differentiator. */
    double lastOutput = 0.0;

    /** Leak of the integrator per sample (2.5 ms time constant). */
    double integratorCoeff = 0.0;

    /** The differentiator's coefficient: equal to integratorCoeff, so that at low levels the
        differentiator exactly undoes the integration. */
    double differentiatorCoeff = 0.0;
};

/**
    The transformer of the analog colour: a high-pass whose corner slides down with level,
    a flux stage that saturates the low end softly, and a fixed +0.4 dB trim.

    Each channel has its own state and changes only when that channel is processed; the
    all-channel form of the base processes channels 0 ... numChannels - 1 one after the other.

    Threads: every call comes from the audio thread or during preparation, never concurrently;
    processing neither locks nor allocates.
*/
class OrvikQ4Transfo : public NRVEffect
{
public:
    OrvikQ4Transfo();
    ~OrvikQ4Transfo() override;

    using NRVEffect::processSamples;

    /** Rebuilds every channel from scratch for the rate. A channel count below 1, or a rate
        that is not a positive finite number, leaves no channel states. */
    void prepareToPlay (double newSampleRate, int newNumChannels) override;

    /** Runs the high-pass, the flux stage and the trim over one channel's block in place.
        Does nothing without a state for that channel (before preparation, or a channel out of
        range). A state that has become non-finite (a NaN or infinity reached the transformer)
        is reset at the end of the block, so it cannot stay broken. */
    void processSamples (float* data, int numSamples, int channel) noexcept override;

    /** Output trim, +0.4 dB. */
    static constexpr float kTrim = 1.0471285f;

    /** One state per prepared channel. */
    juce::OwnedArray<OrvikQ4TransfoChannel> channels;

    /** Per-sample weight of the new level in the flux envelope (5 ms time constant). */
    double fluxEnvelopeCoeff = 0.01;

    /** Saturation scale numerator: the flux enters the curve multiplied by
        saturationLevel / flux envelope. */
    double saturationLevel = 100.0 / 44100.0;

    /** Weight of the flux against the input in the flux envelope. */
    double fluxWeight = 500.0 / 44100.0;

private:
    /** Stage 2 over a block in place. */
    void processFlux (OrvikQ4TransfoChannel& state, float* data, int numSamples) const noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OrvikQ4Transfo)
};
