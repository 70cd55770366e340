#include "dsp/OrvikQ4Compression.h"
#include "tests/DspTestUtils.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

// The compressor's sample loop at 48 kHz in 512-sample blocks, as the processor runs it: the
// input is a drum-like pattern peaking around -12 dBFS, multiplied by the processor's input
// drive of 7.65, so the compressor is working most of the time.
namespace
{
    constexpr double kBenchSampleRate = 48000.0;
    constexpr int kBlockSize = 512;
    constexpr int kPatternLength = 96000;  // two seconds, repeated
    constexpr float kDrive = 7.65f;
    constexpr float kPeak = 0.25f;         // -12 dBFS

    struct Noise
    {
        std::uint32_t state = 0x12345678u;
        float next() noexcept
        {
            state = state * 1664525u + 1013904223u;
            return static_cast<float> (state >> 8) * (2.0f / 16777216.0f) - 1.0f;
        }
    };

    /** Kick every 500 ms, snare between them, closed hats every 125 ms; the hats lean left and
        the snare right so the channels differ. */
    std::vector<std::vector<float>> drumPattern()
    {
        std::vector<std::vector<float>> channels (2, std::vector<float> (kPatternLength));
        Noise noise;
        const double pi = juce::MathConstants<double>::pi;

        for (int i = 0; i < kPatternLength; ++i)
        {
            const double t = i / kBenchSampleRate;
            const double beat = std::fmod (t, 0.5);
            const double offBeat = std::fmod (t + 0.25, 0.5);
            const double eighth = std::fmod (t, 0.125);

            const double kick = std::sin (2.0 * pi * (50.0 * beat + 40.0 * (1.0 - std::exp (-beat * 30.0)))) * std::exp (-beat * 12.0);
            const double snare = (double) noise.next() * std::exp (-offBeat * 25.0);
            const double hat = (double) noise.next() * std::exp (-eighth * 120.0);

            const double left = 0.6 * kick + 0.3 * snare + 0.35 * hat;
            const double right = 0.6 * kick + 0.4 * snare + 0.15 * hat;
            channels[0][(size_t) i] = static_cast<float> (left) * kPeak * kDrive;
            channels[1][(size_t) i] = static_cast<float> (right) * kPeak * kDrive;
        }

        return channels;
    }

    /** A tone decaying from the working level to the smallest normal float in half a second,
        then through the denormal range over the rest of the two seconds. */
    std::vector<std::vector<float>> decayingTail()
    {
        std::vector<std::vector<float>> channels (2, std::vector<float> (kPatternLength));
        const auto decayPerSample = [] (double decibelsPerSecond)
        {
            return std::pow (10.0, -decibelsPerSecond / 20.0 / kBenchSampleRate);
        };
        const double fastDecay = decayPerSample (1530.0);
        const double slowDecay = decayPerSample (100.0);
        double level = kPeak * kDrive;

        for (int i = 0; i < kPatternLength; ++i)
        {
            const double phase = 2.0 * juce::MathConstants<double>::pi * 220.0 * i / kBenchSampleRate;
            channels[0][(size_t) i] = static_cast<float> (level * std::sin (phase));
            channels[1][(size_t) i] = static_cast<float> (level * std::cos (phase));
            level *= i < kPatternLength / 4 ? fastDecay : slowDecay;
        }

        return channels;
    }

    /** The processor's default settings, applied and settled as its preparation does. */
    struct Rig
    {
        ProgramState live;
        std::unique_ptr<OrvikQ4Compression> compressor = std::make_unique<OrvikQ4Compression> (&live);

        Rig (int numChannels, double attackOhms, double releaseOhms, bool sideChainHighPass, bool linked)
        {
            auto& c = *compressor;
            c.prepareToPlay (kBenchSampleRate, numChannels);
            c.attackResistance.setTarget (attackOhms);
            c.releaseResistance.setTarget (releaseOhms);
            c.thresholdScale = 0.544;
            c.setRatio (0, true);

            if (sideChainHighPass)
                for (auto* channel : c.channels)
                    channel->sidechainFilter.setCoefficients (dsptest::highPass (100.0, kBenchSampleRate));

            if (linked)
                live.linkOn.setTarget (1.0);

            dsptest::settle (c, live, kBenchSampleRate);
            c.reserveBlockSize (kBlockSize);
        }

        std::uint64_t totalRounds() const
        {
            std::uint64_t total = 0;

            for (auto* channel : compressor->channels)
                total += channel->solverRounds;

            return total;
        }
    };

    void runCompressor (benchmark::State& state, const std::vector<std::vector<float>>& input, Rig& rig)
    {
        const int numChannels = rig.compressor->getNumChannels();
        dsptest::Channels block ((size_t) numChannels, dsptest::Block (kBlockSize));
        auto pointers = dsptest::pointersTo (block);

        int position = 0;
        const auto roundsBefore = rig.totalRounds();

        // The copy of each input block (about 0.1 % of the time) is timed with the loop: pausing
        // the timer around it would cost more than the copy.
        for (auto _ : state)
        {
            for (int c = 0; c < numChannels; ++c)
                std::copy_n (input[(size_t) c].begin() + position, kBlockSize, block[(size_t) c].begin());

            position = (position + kBlockSize) % (kPatternLength - kBlockSize);

            rig.compressor->processSamples (pointers.data(), kBlockSize);
            benchmark::DoNotOptimize (pointers[0][0]);
        }

        const double frames = static_cast<double> (state.iterations()) * kBlockSize;
        // Seconds per frame (one sample of every channel) and per channel sample ("n" = ns).
        state.counters["time_per_frame"] = benchmark::Counter (frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
        state.counters["time_per_channel_sample"] = benchmark::Counter (frames * numChannels, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
        state.counters["solver_rounds_per_sample"] = static_cast<double> (rig.totalRounds() - roundsBefore) / (frames * numChannels);
        state.SetItemsProcessed (state.iterations() * kBlockSize);
    }
}

// The processor's defaults: slow attack, fast release, 4:1, no side-chain filter, link off.
static void BM_CompressorStereoDrums (benchmark::State& state)
{
    static const auto input = drumPattern();
    Rig rig (2, 97000.0, 255000.0, false, false);
    runCompressor (state, input, rig);
}
BENCHMARK (BM_CompressorStereoDrums);

// Fast attack (wide swings of the control voltage), side-chain high-pass and stereo link on.
static void BM_CompressorStereoDrumsFastLinkedHighPass (benchmark::State& state)
{
    static const auto input = drumPattern();
    Rig rig (2, 467.73, 255000.0, true, true);
    runCompressor (state, input, rig);
}
BENCHMARK (BM_CompressorStereoDrumsFastLinkedHighPass);

// A mono instance on the left channel of the pattern.
static void BM_CompressorMonoDrums (benchmark::State& state)
{
    static const auto input = drumPattern();
    Rig rig (1, 97000.0, 255000.0, false, false);
    runCompressor (state, input, rig);
}
BENCHMARK (BM_CompressorMonoDrums);

// A tail decaying through the denormal range: must cost no more than the working signal.
static void BM_CompressorStereoDecayingTail (benchmark::State& state)
{
    static const auto input = decayingTail();
    Rig rig (2, 97000.0, 255000.0, false, false);
    runCompressor (state, input, rig);
}
BENCHMARK (BM_CompressorStereoDecayingTail);
