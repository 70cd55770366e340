// Runs a long random session through the whole processor and writes every output sample (and
// the meter value after every block) to a file, so that two builds of the chain can be compared
// sample for sample (scripts/compare-builds.sh). Uses only the processor's public calls.
//
//   orvik_record <seed> <seconds> <output file>
//
// A session draws, from its seed: mono or stereo, a sample rate, and then segments of signal
// (drum-like hits, tones at any level, exact silence, negative zeros, tails decaying through the
// denormal range, and now and then a non-finite sample) in blocks of random length, with random
// parameter changes, program changes, state loads and re-preparations between blocks. Long
// silences with Analog off let the chain come fully to rest.

#include "processor/PluginProcessor.h"

#include <juce_events/juce_events.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

namespace
{
    /** Whether the build's compressor is at rest in silence (false for builds without that). */
    template <typename Compressor>
    auto isSettled (const Compressor& c, int) -> decltype (c.isSettled()) { return c.isSettled(); }

    template <typename Compressor>
    bool isSettled (const Compressor&, long) { return false; }

    using Random = std::mt19937_64;

    /** The session's own clock: milliseconds of audio processed, so that the time between a
        state load and a program change (which decides whether the program's values apply)
        does not depend on how fast the build runs. */
    double sessionMilliseconds = 0.0;
    juce::uint32 sessionClock() { return (juce::uint32) sessionMilliseconds; }

    double uniform (Random& r, double lo, double hi) { return std::uniform_real_distribution<double> (lo, hi) (r); }
    int integer (Random& r, int lo, int hi)          { return std::uniform_int_distribution<int> (lo, hi) (r); }
    bool chance (Random& r, double p)                { return uniform (r, 0.0, 1.0) < p; }

    enum class Kind { drums, tone, silence, negativeZero, denormalTail, nonFinite, numKinds };

    /** The signal of one segment, sample by sample. */
    struct Segment
    {
        Kind kind = Kind::silence;
        double level = 0.25, frequency = 220.0, decay = 0.9999, phase = 0.0, envelope = 1.0;
        long position = 0;

        float next (Random& r, int channel)
        {
            switch (kind)
            {
                case Kind::drums:
                {
                    const double hit = std::exp (-(double) (position % 12000) / 1800.0);
                    return (float) (level * hit * uniform (r, -1.0, 1.0) * (channel == 0 ? 1.0 : 0.9));
                }
                case Kind::tone:
                    return (float) (level * std::sin (phase + channel * 0.7));
                case Kind::silence:
                    return 0.0f;
                case Kind::negativeZero:
                    return channel == 0 ? -0.0f : 0.0f;
                case Kind::denormalTail:
                    return (float) (envelope * std::sin (phase + channel));
                case Kind::nonFinite:
                    if (chance (r, 0.001))
                        return chance (r, 0.5) ? std::numeric_limits<float>::quiet_NaN()
                                               : std::numeric_limits<float>::infinity() * (chance (r, 0.5) ? 1.0f : -1.0f);
                    return (float) (level * uniform (r, -1.0, 1.0));
                case Kind::numKinds:
                    break;
            }

            return 0.0f;
        }

        void advance (double sampleRate)
        {
            ++position;
            phase += 2.0 * juce::MathConstants<double>::pi * frequency / sampleRate;
            envelope *= decay;
        }
    };

    Segment randomSegment (Random& r, bool& longSilence)
    {
        Segment s;
        s.kind = (Kind) integer (r, 0, (int) Kind::numKinds - 1);

        if (s.kind == Kind::nonFinite && ! chance (r, 0.3))
            s.kind = Kind::drums;

        s.level = std::pow (10.0, uniform (r, -5.0, 1.3) / 1.0) * (chance (r, 0.5) ? 1.0 : 0.1);
        s.frequency = uniform (r, 20.0, 8000.0);
        s.envelope = uniform (r, 1.0e-30, 1.0e-3);
        s.decay = uniform (r, 0.99, 0.99999);
        longSilence = s.kind == Kind::silence && chance (r, 0.3);
        return s;
    }

    float randomParameterValue (Random& r)
    {
        switch (integer (r, 0, 5))
        {
            case 0:  return 0.0f;
            case 1:  return 1.0f;
            case 2:  return (float) integer (r, 0, 2) * 0.5f;
            default: return (float) uniform (r, 0.0, 1.0);
        }
    }

    struct Session
    {
        Random random;
        std::unique_ptr<OrvikQ4::TarskAudioProcessor> processor;
        int numChannels = 2;
        double sampleRate = 48000.0;
        int blockSize = 512;

        explicit Session (std::uint64_t seed) : random (seed)
        {
            std::srand ((unsigned) seed);  // the analog noise
            numChannels = chance (random, 0.5) ? 2 : 1;
            processor = std::make_unique<OrvikQ4::TarskAudioProcessor>();
            processor->setMillisecondClock (sessionClock);
            prepare();
        }

        void prepare()
        {
            static const double rates[] = { 44100.0, 48000.0, 48000.0, 96000.0, 32000.0 };
            sampleRate = rates[integer (random, 0, 4)];
            blockSize = integer (random, 1, 2048);
            processor->setPlayConfigDetails (numChannels, numChannels, sampleRate, blockSize);
            processor->prepareToPlay (sampleRate, blockSize);
        }

        void setParameter (int index, float value)
        {
            processor->getParameters()[index]->setValue (value);
        }

        void randomChange()
        {
            const int what = integer (random, 0, 99);

            if (what < 70)
                setParameter (integer (random, 0, OrvikQ4::kNumParameters - 1), randomParameterValue (random));
            else if (what < 80)
                setParameter (OrvikQ4::kAnalogOn, chance (random, 0.6) ? 0.0f : 1.0f);
            else if (what < 88)
                processor->setCurrentProgram (integer (random, 0, OrvikQ4::kNumPrograms - 1));
            else if (what < 96)
                loadRandomState();
            else
                prepare();
        }

        void loadRandomState()
        {
            OrvikQ4::TarskAudioProcessor other;
            other.setMillisecondClock (sessionClock);

            for (int i = 0; i < OrvikQ4::kNumParameters; ++i)
                if (chance (random, 0.5))
                    other.getParameters()[i]->setValue (randomParameterValue (random));

            juce::MemoryBlock state;
            other.getStateInformation (state);
            processor->setStateInformation (state.getData(), (int) state.getSize());
        }
    };
}

int main (int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf (stderr, "usage: %s <seed> <seconds> <output file>\n", argv[0]);
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI framework;

    const auto seed = (std::uint64_t) std::strtoull (argv[1], nullptr, 10);
    const double seconds = std::atof (argv[2]);
    std::FILE* out = std::fopen (argv[3], "wb");

    if (out == nullptr)
        return 2;

    Session session (seed);
    auto& r = session.random;
    juce::AudioBuffer<float> block (2, 4096);
    juce::MidiBuffer midi;
    std::vector<float> frame;
    double elapsed = 0.0;
    long samplesWritten = 0, blocksAtRest = 0;

    while (elapsed < seconds)
    {
        bool longSilence = false;
        Segment segment = randomSegment (r, longSilence);
        const double length = longSilence ? uniform (r, 20.0, 90.0) : uniform (r, 0.01, 2.0);

        if (longSilence)
            session.setParameter (OrvikQ4::kAnalogOn, 0.0f);

        long remaining = (long) (length * session.sampleRate);
        elapsed += length;

        while (remaining > 0)
        {
            // Between blocks: now and then a change of settings (rarely during a long silence,
            // which is there to let the chain come to rest).
            if (chance (r, longSilence ? 0.0005 : 0.03))
                session.randomChange();

            const int channels = session.numChannels;
            int n = chance (r, 0.8) ? session.blockSize : integer (r, 0, 4096);
            n = (int) std::min<long> (n, std::max<long> (remaining, 1));
            block.setSize (channels, n, false, false, true);

            for (int i = 0; i < n; ++i)
            {
                for (int c = 0; c < channels; ++c)
                    block.setSample (c, i, segment.next (r, c));

                segment.advance (session.sampleRate);
            }

            const bool wasAtRest = isSettled (session.processor->getCompressor(), 0);
            session.processor->processBlock (block, midi);
            blocksAtRest += wasAtRest && isSettled (session.processor->getCompressor(), 0) ? 1 : 0;

            for (int c = 0; c < channels; ++c)
                std::fwrite (block.getReadPointer (c), sizeof (float), (size_t) n, out);

            const double meter = session.processor->getGainReductionDb();
            std::fwrite (&meter, sizeof (double), 1, out);

            samplesWritten += (long) n * channels;
            sessionMilliseconds += 1000.0 * n / session.sampleRate;
            remaining -= std::max (n, 1);
        }
    }

    std::fclose (out);
    // Samples written, and blocks that found the compressor at rest and left it so (written
    // without running the circuit).
    std::printf ("%ld %ld\n", samplesWritten, blocksAtRest);
    return 0;
}
