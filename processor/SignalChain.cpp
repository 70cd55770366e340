#include "dsp/VectorOps.h"
#include "processor/PluginProcessor.h"

#include <cmath>

namespace OrvikQ4
{

namespace
{
    // Scratch channels of the signal chain.
    constexpr int kBypassRamp = 0;       // 0 processed ... 1 bypassed
    constexpr int kBypassRampInverse = 1;
    constexpr int kAnalogRamp = 2;       // 0 colour off ... 1 on
    constexpr int kAnalogRampInverse = 3;
    constexpr int kAnalogDry = 4;        // dry copy for the analog crossfade, reused per channel
    constexpr int kFirstBypassDry = 5;   // dry input of channel c for the bypass crossfade

    /** No-reduction gain of the compressor, the meter's 0 dB. */
    constexpr double kUnityGain = 22.25;
    constexpr double kMeterFloorDb = -100.0;

    /** Level limit in front of the transformer. */
    constexpr float kClipLevel = 16.0f;

    /** Analog noise amplitude and the scale from the random range to -1 ... 1. */
    constexpr float kNoiseAmplitude = 3.5e-05f;
    constexpr float kRandomScale = 4.656613e-10f;  // 2^-31

    double meterCoefficientFor (int numSamples, double sampleRate) noexcept
    {
        const double t = juce::jmax (0, numSamples) / sampleRate;
        return t / (t + 0.25);
    }

    /** Adds the analog noise to a block. The random numbers are drawn a chunk at a time first,
        so that the arithmetic on them runs as one vector loop. */
    void addNoise (NoiseSource& noise, float* data, int numSamples) noexcept
    {
        constexpr int kChunk = 64;
        std::int32_t draws[kChunk];

        for (int start = 0; start < numSamples; start += kChunk)
        {
            const int count = juce::jmin (kChunk, numSamples - start);
            noise.fill (draws, count);

            for (int i = 0; i < count; ++i)
                data[start + i] += ((static_cast<float> (draws[i]) * kRandomScale * 2.0f - 1.0f) * kNoiseAmplitude);
        }
    }

    void clip (float* data, int numSamples) noexcept
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const float x = data[i];
            data[i] = x >= kClipLevel ? kClipLevel : (x <= -kClipLevel ? -kClipLevel : x);
        }
    }
}

//==============================================================================
void TarskAudioProcessor::prepareToPlay (double sampleRate, int estimatedSamplesPerBlock)
{
    // Changes made before this preparation belong to the settings it starts from.
    applyPendingSettings();

    prepared = false;

    // A host that prepares with no usable rate gets its audio back unchanged.
    if (! (sampleRate > 0.0 && std::isfinite (sampleRate)))
        return;

    // Keep the framework's notion of the rate in step with the one we prepare for (the
    // wrappers set it themselves; direct callers may not).
    setRateAndBufferSizeDetails (sampleRate, estimatedSamplesPerBlock);

    const int numInputChannels = getTotalNumInputChannels();
    const int blockSize = juce::jmax (1, estimatedSamplesPerBlock);

    compressor.prepareToPlay (sampleRate, numInputChannels);
    updateCompression();
    transfo.prepareToPlay (sampleRate, numInputChannels);
    meterCoeff = meterCoefficientFor (estimatedSamplesPerBlock, sampleRate);
    hum.prepareToPlay (sampleRate, numInputChannels);

    const int steps = RampedValue::rampLengthFor (sampleRate);
    auto resetRamp = [steps] (RampedValue& ramp)
    {
        ramp.setRampLength (steps);
        ramp.snapToTarget();
    };

    liveState.forEachRamp (resetRamp);

    for (auto& program : programStates)
        program.forEachRamp (resetRamp);

    for (auto* channel : compressor.channels)
    {
        auto& filter = channel->sidechainFilter;
        filter.morph.current = 1.0;
        filter.morph.target = 1.0;
        filter.morph.countdown = 0;
        filter.mix.snapToTarget();
    }

    const int compressorSteps = RampedValue::rampLengthFor (compressor.getSampleRate());

    for (auto* ramp : { &compressor.ratioDivider, &compressor.thresholdVoltage, &compressor.biasVoltage,
                        &compressor.attackResistance, &compressor.releaseResistance })
    {
        ramp->setRampLength (compressorSteps);
        ramp->snapToTarget();
    }

    // Work buffers for the announced block size, so that blocks up to that size never allocate
    // on the audio thread.
    scratchBuffer.setSize (numInputChannels + 5, blockSize, false, false, true);
    compressor.reserveBlockSize (blockSize);
    hum.reserveBlockSize (blockSize);

    preparedChannels = numInputChannels;
    preparedSampleRate = sampleRate;
    prepared = true;
}

void TarskAudioProcessor::releaseResources()
{
    // The VST3 wrapper releases between uses that continue without a new preparation.
    if (wrapperType == wrapperType_VST3)
        return;

    compressor.releaseResources();
    hum.releaseResources();
    prepared = false;
}

//==============================================================================
void TarskAudioProcessor::processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    applyPendingSettings();

    const int numInputChannels = preparedChannels;
    const int n = buffer.getNumSamples();

    // Outside preparation, or with fewer channels than prepared for, the audio stays as it is.
    if (! prepared || buffer.getNumChannels() < numInputChannels)
        return;

    float* const* x = buffer.getArrayOfWritePointers();

    meterCoeff = meterCoefficientFor (n, preparedSampleRate);

    const bool bypassRamping = liveState.bypass.isRamping();
    const bool analogRamping = liveState.analogOn.isRamping();

    scratchBuffer.setSize (numInputChannels + 5, n, false, false, true);
    float* const* scratch = scratchBuffer.getArrayOfWritePointers();

    liveState.bypass.fillBlock (scratch[kBypassRamp], n);
    liveState.analogOn.fillBlock (scratch[kAnalogRamp], n);
    VectorOps::negate (scratch[kBypassRamp], scratch[kBypassRampInverse], n);
    VectorOps::addScalar (scratch[kBypassRampInverse], 1.0f, scratch[kBypassRampInverse], n);
    VectorOps::negate (scratch[kAnalogRamp], scratch[kAnalogRampInverse], n);
    VectorOps::addScalar (scratch[kAnalogRampInverse], 1.0f, scratch[kAnalogRampInverse], n);

    if (liveState.bypass.target >= 0.5 && ! bypassRamping)
    {
        // Bypass settled: the audio stays as the host gave it; nothing runs, the meter falls.
        liveState.gainReductionDb = (1.0 - meterCoeff) * liveState.gainReductionDb;
    }
    else
    {
        if (bypassRamping)
            for (int c = 0; c < numInputChannels; ++c)
                VectorOps::multiply (x[c], scratch[kBypassRamp], scratch[kFirstBypassDry + c], n);

        const bool analogOn = liveState.analogOn.target >= 0.5;
        const auto drive = static_cast<float> (liveState.drive);

        for (int c = 0; c < numInputChannels; ++c)
        {
            VectorOps::multiplyScalar (x[c], drive, x[c], n);

            if (analogOn)
                addNoise (noise, x[c], n);
        }

        if (analogOn)
            hum.processSamples (const_cast<float**> (x), n);

        compressor.processSamples (const_cast<float**> (x), n);

        const auto inverseDrive = static_cast<float> (1.0 / liveState.drive);

        for (int c = 0; c < numInputChannels; ++c)
        {
            if (! analogRamping)
            {
                if (analogOn)
                {
                    clip (x[c], n);
                    transfo.processSamples (x[c], n, c);
                }
            }
            else
            {
                VectorOps::multiply (x[c], scratch[kAnalogRampInverse], scratch[kAnalogDry], n);
                clip (x[c], n);
                transfo.processSamples (x[c], n, c);
                VectorOps::multiply (x[c], scratch[kAnalogRamp], x[c], n);
                VectorOps::add (x[c], scratch[kAnalogDry], x[c], n);
            }

            VectorOps::multiplyScalar (x[c], inverseDrive, x[c], n);
        }

        updateMeter();

        if (bypassRamping)
        {
            for (int c = 0; c < numInputChannels; ++c)
            {
                VectorOps::multiply (x[c], scratch[kBypassRampInverse], x[c], n);
                VectorOps::add (x[c], scratch[kFirstBypassDry + c], x[c], n);
            }
        }
    }

    publishedGainReductionDb.store (liveState.gainReductionDb, std::memory_order_relaxed);

    const int numOutputChannels = juce::jmin (getTotalNumOutputChannels(), buffer.getNumChannels());

    for (int c = numInputChannels; c < numOutputChannels; ++c)
        VectorOps::clear (x[c], n);
}

void TarskAudioProcessor::updateMeter() noexcept
{
    const double decayed = (1.0 - meterCoeff) * liveState.gainReductionDb;
    const int m = compressor.channels.size();
    double level = 0.0;

    // The mean of the channels' dB values (not the dB of the mean gain).
    for (auto* channel : compressor.channels)
    {
        const double g = channel->minGain / kUnityGain;
        const double db = g <= 0.0 ? kMeterFloorDb : juce::jmax (20.0 * std::log10 (g), kMeterFloorDb);
        level += db * (1.0 / m);
    }

    // A deeper reduction shows at once; a shallower one decays toward it.
    liveState.gainReductionDb = level < decayed ? level : decayed;
}

void TarskAudioProcessor::processBlockBypassed (juce::AudioSampleBuffer&, juce::MidiBuffer&)
{
    applyPendingSettings();

    liveState.gainReductionDb = (1.0 - meterCoeff) * liveState.gainReductionDb;
    publishedGainReductionDb.store (liveState.gainReductionDb, std::memory_order_relaxed);
}

} // namespace OrvikQ4
