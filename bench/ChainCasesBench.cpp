// The whole signal chain in the cases users meet, as a host runs it (48 kHz, 512-sample blocks):
//   Heavy    Input 0.8, drums around -12 dBFS, Analog on: the compressor works hard (also
//            with the stereo link on);
//   Default  every parameter at its default (Analog on), the same drums;
//   DrumsAnalogOff / SettledSilence  the defaults with Analog off, on the drums and on exact
//            silence after the chain has had a minute of it to come to rest.
// each in stereo and mono. Uses only the processor's public calls, so the same file measures
// any build of the chain side by side.
//
// Reported: ns per sample per channel ("per_sample_per_channel", printed with an SI prefix:
// "25n" is 25 ns) and the real-time factor on one core.

#include "processor/PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace
{
    constexpr double kSampleRate = 48000.0;
    constexpr int kBlockSize = 512;

    /** Ten seconds of decaying noise hits peaking around -12 dBFS; the second channel differs
        a little from the first. */
    juce::AudioBuffer<float> makeDrums (int numChannels)
    {
        const int length = (int) kSampleRate * 10;
        juce::AudioBuffer<float> drums (numChannels, length);
        std::mt19937 random (7);
        std::uniform_real_distribution<float> noise (-1.0f, 1.0f);
        const float level = juce::Decibels::decibelsToGain (-12.0f);

        for (int i = 0; i < length; ++i)
        {
            const float envelope = std::exp (-static_cast<float> (i % 12000) / 1800.0f);
            const float hit = level * envelope * noise (random);
            const float other = 0.9f * hit + 0.1f * level * noise (random);
            drums.setSample (0, i, hit);

            if (numChannels > 1)
                drums.setSample (1, i, other);
        }

        return drums;
    }

    enum class Signal { drums, silence };

    struct Case
    {
        int numChannels;
        float input;      // normalised Input parameter; < 0 keeps the default
        bool analogOn;
        Signal signal;
        bool linkOn = false;
    };

    void runChain (benchmark::State& state, Case setup)
    {
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_VST3);
        OrvikQ4::TarskAudioProcessor processor;
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);

        const int channels = setup.numChannels;
        processor.setPlayConfigDetails (channels, channels, kSampleRate, kBlockSize);
        processor.prepareToPlay (kSampleRate, kBlockSize);

        const auto& parameters = processor.getParameters();
        parameters[OrvikQ4::kAnalogOn]->setValue (setup.analogOn ? 1.0f : 0.0f);
        parameters[OrvikQ4::kLinkOn]->setValue (setup.linkOn ? 1.0f : 0.0f);

        if (setup.input >= 0.0f)
            parameters[OrvikQ4::kInput]->setValue (setup.input);

        const auto drums = makeDrums (channels);
        juce::AudioBuffer<float> block (channels, kBlockSize);
        juce::MidiBuffer midi;

        // Let the settings ramps finish; for silence, let every state of the chain come to rest
        // (the release network takes tens of seconds to stop moving in double precision).
        const int warmUpBlocks = (int) ((setup.signal == Signal::silence ? 60.0 : 1.0) * kSampleRate / kBlockSize);

        for (int b = 0; b < warmUpBlocks; ++b)
        {
            block.clear();
            processor.processBlock (block, midi);
        }

        int position = 0;

        for (auto _ : state)
        {
            if (setup.signal == Signal::drums)
            {
                if (position + kBlockSize > drums.getNumSamples())
                    position = 0;

                for (int c = 0; c < channels; ++c)
                    block.copyFrom (c, 0, drums, c, position, kBlockSize);

                position += kBlockSize;
            }
            else
            {
                block.clear();
            }

            processor.processBlock (block, midi);
            benchmark::DoNotOptimize (block.getReadPointer (0));
        }

        const double samples = (double) state.iterations() * kBlockSize;
        state.SetItemsProcessed ((int64_t) samples);
        state.counters["per_sample_per_channel"] = benchmark::Counter (
            samples * channels, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
        state.counters["realtime_factor"] = benchmark::Counter (samples / kSampleRate, benchmark::Counter::kIsRate);
        state.counters["gain_reduction_db"] = processor.getGainReductionDb();  // of the last block
    }
}

static void BM_ChainHeavyStereo (benchmark::State& s)          { runChain (s, { 2, 0.8f, true, Signal::drums }); }
static void BM_ChainHeavyLinkedStereo (benchmark::State& s)    { runChain (s, { 2, 0.8f, true, Signal::drums, true }); }
static void BM_ChainHeavyMono (benchmark::State& s)            { runChain (s, { 1, 0.8f, true, Signal::drums }); }
static void BM_ChainDefaultStereo (benchmark::State& s)        { runChain (s, { 2, -1.0f, true, Signal::drums }); }
static void BM_ChainDefaultMono (benchmark::State& s)          { runChain (s, { 1, -1.0f, true, Signal::drums }); }
static void BM_ChainDrumsAnalogOffStereo (benchmark::State& s) { runChain (s, { 2, -1.0f, false, Signal::drums }); }
static void BM_ChainSettledSilenceStereo (benchmark::State& s) { runChain (s, { 2, -1.0f, false, Signal::silence }); }
static void BM_ChainDrumsAnalogOffMono (benchmark::State& s)   { runChain (s, { 1, -1.0f, false, Signal::drums }); }
static void BM_ChainSettledSilenceMono (benchmark::State& s)   { runChain (s, { 1, -1.0f, false, Signal::silence }); }

BENCHMARK (BM_ChainHeavyStereo)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ChainHeavyLinkedStereo)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ChainHeavyMono)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ChainDefaultStereo)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ChainDefaultMono)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ChainDrumsAnalogOffStereo)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ChainSettledSilenceStereo)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ChainDrumsAnalogOffMono)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ChainSettledSilenceMono)->Unit (benchmark::kMicrosecond);
