#include "dsp/OrvikQ4Transfo.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{
    constexpr double kSampleRate = 48000.0;
    constexpr int kNumChannels = 2;
    constexpr int kBlockSize = 512;
    constexpr int kSourceBlocks = 94;  // about 1 s of source material

    /** About a second of programme-like material per channel: a bass note, a mid tone and a
        little noise under a slow level swell, so the corner morph moves on every sample. */
    std::vector<float> makeSource (int channel)
    {
        std::vector<float> s (static_cast<size_t> (kSourceBlocks * kBlockSize));
        juce::Random random (42 + channel);

        for (size_t i = 0; i < s.size(); ++i)
        {
            const double t = static_cast<double> (i) / kSampleRate;
            const double swell = 0.3 + 0.25 * std::sin (2.0 * juce::MathConstants<double>::pi * 1.5 * t);
            s[i] = static_cast<float> (swell * (0.7 * std::sin (2.0 * juce::MathConstants<double>::pi * 55.0 * t)
                                                + 0.2 * std::sin (2.0 * juce::MathConstants<double>::pi * 880.0 * t)
                                                + 0.1 * (random.nextDouble() * 2.0 - 1.0)));
        }

        return s;
    }

    /** Runs the transformer over a stereo 48 kHz stream, block by block as the processor
        does; the per_sample_channel counter is the time per sample of each channel. */
    void runStereo (benchmark::State& state, bool silent)
    {
        const juce::ScopedNoDenormals noDenormals;  // as on the processor's audio thread

        OrvikQ4Transfo transfo;
        transfo.prepareToPlay (kSampleRate, kNumChannels);

        std::vector<float> source[kNumChannels] { makeSource (0), makeSource (1) };

        if (silent)
            for (auto& s : source)
                std::fill (s.begin(), s.end(), 0.0f);

        juce::AudioBuffer<float> block (kNumChannels, kBlockSize);
        float* channels[kNumChannels] { block.getWritePointer (0), block.getWritePointer (1) };
        int position = 0;

        for (auto _ : state)
        {
            for (int c = 0; c < kNumChannels; ++c)
                block.copyFrom (c, 0, source[c].data() + position * kBlockSize, kBlockSize);

            transfo.processSamples (channels, kBlockSize);
            benchmark::ClobberMemory();
            position = (position + 1) % kSourceBlocks;
        }

        const auto items = static_cast<double> (state.iterations()) * kBlockSize * kNumChannels;
        state.SetItemsProcessed (static_cast<int64_t> (items));
        state.counters["per_sample_channel"] =
            benchmark::Counter (items, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }
}

static void BM_TransformerStereo48k (benchmark::State& state) { runStereo (state, false); }
BENCHMARK (BM_TransformerStereo48k);

// Silence: the morph stays put, so no coefficient is recomputed.
static void BM_TransformerStereo48kSilence (benchmark::State& state) { runStereo (state, true); }
BENCHMARK (BM_TransformerStereo48kSilence);
