#pragma once

#include "dsp/NRVBiquad.h"
#include "dsp/NRVEffect.h"

#include <juce_audio_basics/juce_audio_basics.h>

/**
    One channel's hum source: the position in the 50 Hz mains period and the five biquads that
    turn the raw square wave into the hum of a power supply leaking into the audio (a 150 Hz
    high-pass that removes the fundamental's weight, then resonances at 200, 600, 1000 and
    1400 Hz).

    The filters are the framework's lock-free biquad: they are only touched by the audio thread
    or during preparation, never concurrently. They run interleaved, sample by sample, with the
    framework's block arithmetic (see filter()).
*/
struct HumChannel
{
    /** Mains frequency in Hz. */
    static constexpr double kMainsFrequency = 50.0;

    /** Amplitude of the raw square wave (about -110 dBFS). */
    static constexpr float kSquareLevel = 3.0e-6f;

    /** A state for a sample rate: phase 0, silent filters with their coefficients set. */
    explicit HumChannel (double sampleRate);

    /** Writes a block of the raw square wave, advancing the phase by phaseIncrement (in periods
        per sample) before each sample; the phase is kept between blocks. */
    void generate (float* destination, int numSamples, double phaseIncrement) noexcept;

    /** Runs the five shaping filters over a block in place, high-pass first. The result is that
        of the framework's block processing of each filter in turn, including its flush of state
        values within 1e-8 of 0 at the end of the block. */
    void filter (float* samples, int numSamples) noexcept;

    /** Position in the mains period, 0 <= phase < 1. */
    double phase = 0.0;

    /** 2nd-order high-pass at 150 Hz. */
    NRVBiquad highPass;

    /** Resonances: +10 dB at 200 Hz (Q 1), +10 dB at 600 Hz, +9 dB at 1 kHz, +7 dB at 1.4 kHz
        (Q 5). */
    NRVBiquad peak200, peak600, peak1000, peak1400;

    /** The high-pass design for a sample rate (bilinear, pre-warped, Q 1/sqrt 2). */
    static juce::IIRCoefficients makeHighPass (double sampleRate) noexcept;

    /** A resonance design: gain amplitude squared at the centre frequency, amplitude being the
        float-rounded 10^(dB/40). */
    static juce::IIRCoefficients makePeak (double sampleRate, double frequency, double q,
                                          double amplitude) noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HumChannel)
};

/**
    The mains hum of the analog colour: a very low-level, filtered 50 Hz square wave added to
    the audio.

    The all-channel form computes one block of hum from channel 0's state and adds the same
    samples to every prepared channel, as hum induced into a shared power supply would; the
    other channels' states stay as prepared. The one-channel form uses and advances the state
    of the channel it is given.

    Threads: every call comes from the audio thread or during preparation, never concurrently.
    The block path neither locks nor allocates, except that a block longer than any before it
    (and than reserveBlockSize announced) grows the hum buffer; that growth is the only thing
    in it that can throw.
*/
class NRVHum : public NRVEffect
{
public:
    NRVHum();
    ~NRVHum() override;

    using NRVEffect::processSamples;

    /** Rebuilds one state per channel for the rate: phase 0, silent filters. A channel count
        below 1, or a rate that is not a positive finite number, leaves no states. */
    void prepareToPlay (double newSampleRate, int newNumChannels) override;

    /** Deletes the channel states; processing then does nothing until the next preparation. */
    void releaseResources() override;

    /** Adds the hum of the given channel's state to that channel. Does nothing without a state
        for that channel (before preparation, after release, or a channel out of range). */
    void processSamples (float* data, int numSamples, int channel) override;

    /** Adds one block of hum, generated from channel 0's state, to every prepared channel.
        Does nothing when there are no channel states. */
    void processSamples (float** data, int numSamples) override;

    /** Sizes the hum buffer so that blocks of up to maxSamples never allocate. */
    void reserveBlockSize (int maxSamples);

    /** One state per prepared channel. */
    juce::OwnedArray<HumChannel> channels;

    /** 1 / the sample rate, in seconds. */
    double getInverseSampleRate() const noexcept { return inverseSampleRate; }

    /** The hum of the latest block (one channel). */
    const juce::AudioSampleBuffer& getHumBuffer() const noexcept { return humBuffer; }

private:
    /** Generates and filters one block of hum with a state; returns the hum samples. */
    const float* renderHum (HumChannel& state, int numSamples);

    double inverseSampleRate = 1.0 / 44100.0;
    juce::AudioSampleBuffer humBuffer;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NRVHum)
};
