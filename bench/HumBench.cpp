#include "dsp/NRVHum.h"

#include <benchmark/benchmark.h>

namespace
{
    constexpr double kSampleRate = 48000.0;
    constexpr int kNumChannels = 2;
    constexpr int kBlockSize = 512;
}

// One block of hum (generated and filtered once) added to both channels of a stereo block.
// The per_sample_channel counter is the time per sample of each channel.
static void BM_HumStereo48k (benchmark::State& state)
{
    const juce::ScopedNoDenormals noDenormals;  // as on the processor's audio thread

    NRVHum hum;
    hum.prepareToPlay (kSampleRate, kNumChannels);
    hum.reserveBlockSize (kBlockSize);

    juce::AudioBuffer<float> audio (kNumChannels, kBlockSize);
    audio.clear();
    float* channels[kNumChannels] { audio.getWritePointer (0), audio.getWritePointer (1) };

    for (auto _ : state)
    {
        hum.processSamples (channels, kBlockSize);
        benchmark::ClobberMemory();
    }

    const auto items = static_cast<double> (state.iterations()) * kBlockSize * kNumChannels;
    state.SetItemsProcessed (static_cast<int64_t> (items));
    state.counters["per_sample_channel"] =
        benchmark::Counter (items, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK (BM_HumStereo48k);
