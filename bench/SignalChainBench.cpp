// The whole signal chain as a host runs it: stereo, 48 kHz, 512-sample blocks, analog colour
// on, on drums-like bursts around -12 dBFS that keep the compressor working.
//
// Reported: ns per sample per channel, and the real-time factor on one core (seconds of audio
// processed per second of processing).

#include "processor/PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace
{
    constexpr double kSampleRate = 48000.0;
    constexpr int kBlockSize = 512;
    constexpr int kChannels = 2;

    /** Ten seconds of decaying noise hits, peaking around -12 dBFS. */
    juce::AudioBuffer<float> makeDrums()
    {
        const int length = (int) kSampleRate * 10;
        juce::AudioBuffer<float> drums (kChannels, length);
        std::mt19937 random (7);
        std::uniform_real_distribution<float> noise (-1.0f, 1.0f);
        const float level = juce::Decibels::decibelsToGain (-12.0f);

        for (int i = 0; i < length; ++i)
        {
            const float envelope = std::exp (-static_cast<float> (i % 12000) / 1800.0f);
            const float hit = level * envelope * noise (random);
            drums.setSample (0, i, hit);
            drums.setSample (1, i, 0.9f * hit + 0.1f * level * noise (random));
        }

        return drums;
    }

    void runChain (benchmark::State& state, bool analogOn, bool linkOn)
    {
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_VST3);
        OrvikQ4::TarskAudioProcessor processor;
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);

        processor.setPlayConfigDetails (kChannels, kChannels, kSampleRate, kBlockSize);
        processor.prepareToPlay (kSampleRate, kBlockSize);
        processor.getParameters()[OrvikQ4::kAnalogOn]->setValue (analogOn ? 1.0f : 0.0f);
        processor.getParameters()[OrvikQ4::kLinkOn]->setValue (linkOn ? 1.0f : 0.0f);
        // Input driven hard enough that the bursts are compressed by several dB.
        processor.getParameters()[OrvikQ4::kInput]->setValue (0.8f);

        const auto drums = makeDrums();
        juce::AudioBuffer<float> block (kChannels, kBlockSize);
        juce::MidiBuffer midi;
        int position = 0;

        for (auto _ : state)
        {
            if (position + kBlockSize > drums.getNumSamples())
                position = 0;

            for (int c = 0; c < kChannels; ++c)
                block.copyFrom (c, 0, drums, c, position, kBlockSize);

            processor.processBlock (block, midi);
            benchmark::DoNotOptimize (block.getReadPointer (0));
            position += kBlockSize;
        }

        const double samples = (double) state.iterations() * kBlockSize;
        state.SetItemsProcessed ((int64_t) samples);
        // Seconds per sample per channel (printed with an SI prefix: "25n" is 25 ns).
        state.counters["per_sample_per_channel"] = benchmark::Counter (
            samples * kChannels, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
        state.counters["realtime_factor"] = benchmark::Counter (samples / kSampleRate, benchmark::Counter::kIsRate);
        state.counters["gain_reduction_db"] = processor.getGainReductionDb();  // of the last block
    }
}

static void BM_SignalChainAnalogOn (benchmark::State& state)  { runChain (state, true, false); }
static void BM_SignalChainAnalogOff (benchmark::State& state) { runChain (state, false, false); }
static void BM_SignalChainLinked (benchmark::State& state)    { runChain (state, true, true); }

BENCHMARK (BM_SignalChainAnalogOn)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_SignalChainAnalogOff)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_SignalChainLinked)->Unit (benchmark::kMicrosecond);
