#include "DspTestUtils.h"
#include "ProcessorTestUtils.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

// Outputs of the verified circuit, kept as fingerprints: for each case eight hashes of the
// output's float bits (one per eighth of the run) and one of the meter values, a sample from
// the middle of each eighth and the last meter value. Any changed sample fails its case and
// names the eighth it lies in. After an intended change of the sound, print the new table with
// ORVIK_RECORD_OUTPUTS=1 build/tests/orvik_tests --gtest_filter='RecordedOutput*'.

using namespace OrvikQ4;
using namespace OrvikQ4::test;
using namespace dsptest;

namespace
{
    constexpr int kParts = 8;

    struct Recording
    {
        int channels = 1;
        std::vector<float> frames;   // interleaved, sample by sample
        std::vector<double> meters;  // one or more per block
        void add (const float* const* data, int n) { for (int i = 0; i < n; ++i) for (int c = 0; c < channels; ++c) frames.push_back (data[c][i]); }
    };

    struct Fingerprint { const char* name; const char* hashes; float samples[kParts]; double meter; };

    std::uint32_t hashOf (const void* data, size_t bytes)
    {
        std::uint64_t h = 14695981039346656037ull;
        for (size_t i = 0; i < bytes; ++i)
            h = (h ^ static_cast<const unsigned char*> (data)[i]) * 1099511628211ull;
        return static_cast<std::uint32_t> (h ^ (h >> 32));
    }

    /** The frame range of one eighth of a recording. */
    std::pair<size_t, size_t> part (const Recording& r, int k)
    {
        const size_t n = r.frames.size() / (size_t) r.channels;
        return { n * (size_t) k / kParts, n * (size_t) (k + 1) / kParts };
    }

    /** The frame whose first channel is kept from an eighth (off the middle: test tones cross
        zero on round times). */
    size_t probe (size_t from, size_t to) { return std::min ((from + to) / 2 + 7, to - 1); }

    Fingerprint fingerprintOf (const Recording& r, std::string& hashes)
    {
        Fingerprint f { nullptr, nullptr, {}, r.meters.empty() ? 0.0 : r.meters.back() };
        char word[16];
        for (int k = 0; k <= kParts; ++k)
        {
            const auto [from, to] = k < kParts ? part (r, k) : std::pair<size_t, size_t> { 0, 0 };
            const auto h = k < kParts ? hashOf (r.frames.data() + from * (size_t) r.channels, (to - from) * (size_t) r.channels * sizeof (float))
                                      : hashOf (r.meters.data(), r.meters.size() * sizeof (double));
            std::snprintf (word, sizeof (word), k == 0 ? "%08" PRIx32 : " %08" PRIx32, h);
            hashes += word;
            if (k < kParts)
                f.samples[k] = r.frames[probe (from, to) * (size_t) r.channels];
        }
        return f;
    }

    //==============================================================================
    /** 48 kHz drums: tone and noise in 120 ms bursts, a very loud stretch at 1.0 ... 1.05 s,
        then `tail` (0 for silence); each channel differs. */
    float drums (int channel, double t, float tail = 0.0f)
    {
        const auto i = static_cast<std::uint32_t> (std::lround (t * 48000.0));
        std::uint32_t h = i * 2654435761u + static_cast<std::uint32_t> (channel) * 40503u;
        h = (h ^ (h >> 15)) * 2246822519u;
        h ^= h >> 13;
        const double noise = static_cast<double> (h & 0xffff) / 32768.0 - 1.0;
        const double tone = std::sin (2.0 * juce::MathConstants<double>::pi * (90.0 + 40.0 * channel) * t);
        const double level = (t >= 1.0 && t < 1.05) ? 40.0 : 1.9 * (0.2 + std::exp (-std::fmod (t + 0.03 * channel, 0.12) * 20.0));
        return t >= 1.1 ? tail * (float) tone : static_cast<float> (level * (0.6 * tone + 0.4 * noise));
    }

    //==============================================================================
    // The processor as a host drives it: settings made before preparation, then blocks of the
    // given sizes in turn, with changes at given times (parameter index and normalised value,
    // or one of the actions below).
    enum Action { kProgram = 100, kReleaseResources, kHostBypass };
    struct Change { double at; int index; float value; };
    struct Run
    {
        double rate; int channels; double seconds; float level; std::vector<int> blocks;
        std::vector<Change> before, during;
        juce::AudioProcessor::WrapperType wrapper = juce::AudioProcessor::wrapperType_VST3;
        float tail = 1.0e-4f;  // a quiet tone after the drums: the gain at rest shows in it
        double start = 0.0;    // silence before the drums
    };

    Recording process (const Run& run)
    {
        auto p = createProcessor (run.wrapper);
        for (auto& c : run.before)
            parameter (*p, c.index).setValue (c.value);
        prepare (*p, run.rate, run.blocks[0], run.channels);

        Recording r { run.channels };
        juce::MidiBuffer midi;
        size_t next = 0;
        const auto length = (long) (run.seconds * run.rate);
        for (long start = 0, b = 0; start < length; ++b)
        {
            const int n = (int) std::min<long> (run.blocks[(size_t) b % run.blocks.size()], length - start);
            bool hostBypass = false;
            for (; next < run.during.size() && run.during[next].at * run.rate < (double) (start + n); ++next)
            {
                const auto& c = run.during[next];
                if (c.index == kProgram) p->setCurrentProgram ((int) c.value);
                else if (c.index == kReleaseResources) p->releaseResources();
                else if (c.index == kHostBypass) hostBypass = true;
                else parameter (*p, c.index).setValue (c.value);
            }
            juce::AudioBuffer<float> buffer (run.channels, n);
            for (int c = 0; c < run.channels; ++c)
                for (int i = 0; i < n; ++i)
                    buffer.setSample (c, i, (double) (start + i) < run.start * run.rate ? 0.0f
                                            : run.level * drums (c, (double) (start + i) / run.rate - run.start, run.tail));
            hostBypass ? p->processBlockBypassed (buffer, midi) : p->processBlock (buffer, midi);
            r.add (buffer.getArrayOfReadPointers(), n);
            r.meters.push_back (p->getGainReductionDb());
            start += n;
        }
        return r;
    }

    const Run kRuns[] = {
        // Every ratio under drums, then settling on a quiet tone: 4:1 (the defaults) at 44.1 kHz.
        { 44100.0, 2, 1.6, 0.3f, { 512 }, {}, {} },
        // 12:1 at 48 kHz, analog colour off, side chain filtered and linked, medium attack, slow
        // release (a choice beyond the table keeps it); blocks of odd sizes, empty ones and one
        // far beyond the announced size.
        { 48000.0, 2, 1.6, 0.3f, { 480, 37, 1, 0, 333, 8192 },
          { { 0, kRatio, 0.5f }, { 0, kAnalogOn, 0.0f }, { 0, kHPF, 0.5f }, { 0, kLinkOn, 1.0f }, { 0, kStereoLink, 0.8f },
            { 0, kAttack, 0.5f }, { 0, kRelease, 1.0f } }, { { 0.5, kAttack, 1.6f } } },
        // 100:1 at 96 kHz with the 300 Hz filter and continuous times.
        { 96000.0, 2, 1.6, 0.3f, { 1024, 7 },
          { { 0, kRatio, 1.0f }, { 0, kHPF, 1.0f }, { 0, kContOn, 1.0f }, { 0, kContAttack, 0.2f }, { 0, kContRelease, 0.7f } }, {} },
        // 100:1, mono, analog off: the bias at rest lies beyond the gain table.
        { 48000.0, 1, 1.6, 0.5f, { 256 }, { { 0, kRatio, 1.0f }, { 0, kAnalogOn, 0.0f }, { 0, kInput, 0.8f } }, {} },
        // Every setting ramps; the filter switched on, re-tuned mid-glide (a repeated
        // value mid-glide changes nothing) and off; bypass and analog colour reversed mid-fade.
        { 48000.0, 2, 1.6, 0.3f, { 480, 1, 37, 0, 255 }, {},
          { { 0.1, kInput, 0.6f }, { 0.15, kOutput, 0.5f }, { 0.2, kAttack, 0.0f }, { 0.25, kRelease, 0.5f }, { 0.3, kMix, 0.6f },
            { 0.35, kRatio, 0.5f }, { 0.4, kHPF, 0.5f }, { 0.45, kHPF, 1.0f }, { 0.48, kRatio, 0.5f }, { 0.55, kStereoLink, 0.3f }, { 0.6, kLinkOn, 1.0f },
            { 0.65, kContOn, 1.0f }, { 0.7, kContAttack, 0.0f }, { 0.75, kContRelease, 0.9f }, { 0.8, kHPF, 0.0f },
            { 0.85, kBypass, 1.0f }, { 0.9, kBypass, 0.0f }, { 1.0, kAnalogOn, 0.0f }, { 1.05, kAnalogOn, 1.0f },
            { 1.2, kAnalogOn, 0.0f }, { 1.25, kRatio, 1.0f }, { 1.3, kMix, 1.0f } } },
        // Output at its top and half the dry signal: the op-amp at its rails and (at 192 kHz) its
        // slew limit, the clip in front of the transformer, also while the colour fades out and in.
        { 192000.0, 2, 0.6, 2.0f, { 512 }, { { 0, kOutput, 1.0f }, { 0, kInput, 1.0f }, { 0, kMix, 0.5f } },
          { { 0.2, kAnalogOn, 0.0f }, { 0.4, kAnalogOn, 1.0f } } },
        // Programs take over without ramps; the VST3 wrapper's release changes nothing; a host
        // bypass only lets the meter fall.
        { 44100.0, 1, 1.2, 0.3f, { 441 }, {},
          { { 0.2, kProgram, 3 }, { 0.5, kProgram, 7 }, { 0.7, kReleaseResources, 0 }, { 1.0, kHostBypass, 0 }, { 1.01, kHostBypass, 0 } } },
        // Silence long enough for the circuit to come to rest (bit for bit), settings ramping in
        // it, then the drums; at 8 kHz.
        { 8000.0, 1, 6.5, 0.5f, { 400 }, { { 0, kAnalogOn, 0.0f } }, { { 5.85, kMix, 0.5f }, { 5.85, kInput, 0.5f } },
          juce::AudioProcessor::wrapperType_VST3, 0.0f, 6.0 },
    };

    //==============================================================================
    /** The compressor alone, with its own settings changed along the drums at 48 kHz. */
    Recording compress (int numChannels)
    {
        ProgramState live;
        OrvikQ4Compression c (&live);
        c.prepareToPlay (48000.0, numChannels);
        c.attackResistance.setTarget (97000.0);
        c.thresholdScale = 0.544;
        c.setRatio (0, true);
        settle (c, live, 48000.0);

        const auto filters = [&c] (auto&& fn) { for (auto* ch : c.channels) fn (ch->sidechainFilter); };
        const auto retune = [&] (double hz) { filters ([&] (auto& f) { f.setCoefficients (highPass (hz, 48000.0)); }); };
        const std::pair<double, std::function<void()>> changes[] = {
            { 0.1, [&] { c.attackResistance.setTarget (467.73); live.input.setTarget (0.15); } },
            { 0.2, [&] { retune (100.0); } }, { 0.25, [&] { retune (300.0); } }, { 0.3, [&] { c.setRatio (2, false); } },
            { 0.4, [&] { live.linkOn.setTarget (1.0); live.stereoLink.setTarget (0.8); } },
            { 0.5, [&] { c.releaseResistance.setTarget (4590000.0); live.mix.setTarget (0.6); } },
            { 0.6, [&] { filters ([] (auto& f) { f.mix.setTarget (0.0); }); } }, { 0.65, [&] { retune (100.0); } },
            { 0.7, [&] { c.attackResistance.setTarget (50465.62); c.setRatio (1, false); live.output.setTarget (0.2); } },
            { 0.8, [&] { c.thresholdScale = 0.6; c.setRatio (c.ratioIndex, true); } },
            { 0.9, [&] { c.releaseResistance.setTarget (942517.99); live.stereoLink.setTarget (0.3); } },
        };

        Recording r { numChannels };
        Channels audio ((size_t) numChannels, Block (57600));
        const int sizes[] = { 512, 1, 37, 480, 0, 1024, 7, 333 };
        size_t next = 0;
        for (int start = 0, b = 0, n = 0; start < 57600; start += n)
        {
            n = std::min (sizes[b++ % 8], 57600 - start);
            for (; next < std::size (changes) && changes[next].first * 48000.0 < start + n; ++next)
                changes[next].second();
            for (int ch = 0; ch < numChannels; ++ch)
                for (int i = start; i < start + n; ++i)
                    audio[(size_t) ch][(size_t) i] = drums (ch, i / 48000.0);
            auto pointers = pointersTo (audio);
            for (auto*& p : pointers)
                p += start;
            c.processSamples (pointers.data(), n);
            r.add (pointers.data(), n);
            for (auto* ch : c.channels)
                r.meters.push_back (ch->minGain);
        }
        return r;
    }

    /** The side-chain filter switched and re-tuned every way (100-sample ramps: never prepared). */
    Recording smoothedFilter()
    {
        SmoothedFilter<juce::SingleThreadedIIRFilter> f;
        const auto hp100 = highPass (100.0, 44100.0), hp300 = highPass (300.0, 44100.0);
        Recording r { 1 };
        for (int i = 0; i < 1600; ++i)
        {
            if (i == 0 || i == 600 || i == 1100) f.mix.setTarget (0.0);  // at 0 switched on again before the fade moved
            if (i == 0 || i == 350 || i == 850) f.setCoefficients (hp100);  // 350: mid-glide, 850: fading in
            if (i == 300 || i == 800 || i == 1150) f.setCoefficients (hp300);  // 800: from off, 1150: fading out
            const auto x = static_cast<float> ((i >= 1400 ? 1.0e-8 : 1.0) * (0.5 + 0.5 * std::sin (i * 0.05) + 0.25 * std::sin (i * 0.31)));
            r.frames.push_back (f.processSample (x));
        }
        return r;
    }

    /** Every factory program's settings as the processor publishes them once selected. */
    Recording programs()
    {
        auto p = createProcessor();
        Recording r { kNumParameters };
        for (int program = 0; program < kNumPrograms; ++program)
        {
            p->setCurrentProgram (program);
            for (int i = 0; i < kNumParameters; ++i)
                r.frames.push_back ((float) p->getSetting (i));
        }
        return r;
    }

    const std::pair<const char*, std::function<Recording()>> kCases[] = {
        { "4:1 stereo 44.1 kHz", [] { return process (kRuns[0]); } }, { "12:1 stereo 48 kHz analog off, odd blocks", [] { return process (kRuns[1]); } },
        { "100:1 stereo 96 kHz", [] { return process (kRuns[2]); } }, { "100:1 mono analog off", [] { return process (kRuns[3]); } },
        { "every setting ramps", [] { return process (kRuns[4]); } }, { "rails and clip", [] { return process (kRuns[5]); } },
        { "programs, release, host bypass", [] { return process (kRuns[6]); } }, { "ramps in silence at rest, 8 kHz", [] { return process (kRuns[7]); } },
        { "compressor 1 channel", [] { return compress (1); } }, { "compressor 2 channels", [] { return compress (2); } },
        { "compressor 3 channels", [] { return compress (3); } }, { "side-chain filter", smoothedFilter }, { "factory programs", programs },
    };

    // clang-format off
    const Fingerprint kRecorded[] = {
        { "4:1 stereo 44.1 kHz", "b170bb7c ff0c4530 26a74329 a005acef 98c952b6 0b6bee3a 8b6798fd e54f23e5 541e950a",
          { -0.0414223373, 0.0273513272, -0.0442596711, -0.038163662, -0.024777079, -0.00373880193, 1.60259551e-05, 1.39442391e-05 }, -3.4446211050312296 },
        { "12:1 stereo 48 kHz analog off, odd blocks", "935349b7 0bbb08cf fe318d2e 4f1d87a0 1fbb22fe 151518ff 36d4a6ac ef5143f9 cf9a4bd1",
          { 0.0234909821, 0.0615886152, 0.0970136151, -0.016487278, -0.0393621251, 1.00334809e-07, 1.32580723e-07, 1.78868078e-07 }, -24.056597580573513 },
        { "100:1 stereo 96 kHz", "fd90f32e 74398f1e e3ebed2a 03543809 48d16eb1 f683c042 1a3507f0 945d1b9e 4a1ac938",
          { -0.0130425626, 0.124429725, 0.207492217, 0.120453522, -0.0363128781, 0.0113788936, 8.08390269e-06, 9.53312247e-06 }, -3.8831946119827845 },
        { "100:1 mono analog off", "55b0d5ea c9998676 80415ecf 771dcb08 0202c2ff a1964e42 08b29573 95376d30 db281951",
          { 0.0831907317, 0.155895948, 0.183900505, -0.0552012436, -0.0966784731, 9.73740157e-07, 1.59244826e-06, 3.65731576e-05 }, -8.7158729338007106 },
        { "every setting ramps", "d90dc6d5 e7a30b56 30a8080b 9981b9e7 19d23aa1 64ff8d11 9a9ad443 1e2eabd3 fb0a0e07",
          { 0.0650570914, 0.120450415, 0.199447066, -0.0282179322, -0.0756684095, 0.0566342436, 2.11666247e-06, 9.6737831e-06 }, -5.3435046604382821 },
        { "rails and clip", "6e289f11 98fcbb45 6aae5f2f 2ef1f747 cd1a7624 b0ee590b 07e98ea4 68071fb1 a69f5c71",
          { 1.61396623, 1.54094195, -1.475806, -1.92148876, 1.49594247, 1.42875862, -1.97086287, -1.72240543 }, -31.614698944712842 },
        { "programs, release, host bypass", "4b48a7ae 61ded8e6 57871b60 3f21a197 85a014f4 de645c53 e6d5c5c3 9573a567 c4ae91aa",
          { -0.0949476659, 0.169981092, -0.335291088, 0.1695932, -0.0656308234, 0.0296927132, -0.0713737905, -0.00517580425 }, -31.614698944712842 },
        { "ramps in silence at rest, 8 kHz", "c0a86e00 c0a86e00 c0a86e00 c0a86e00 c0a86e00 c0a86e00 c0a86e00 e3c42be7 5953bc98",
          { 0, 0, 0, 0, 0, 0, 0, -0.128930092 }, -16.362237434733572 },
        { "compressor 1 channel", "08f5275e d74ee147 d98f5d43 8ed3719d 2d228206 6f9bfa89 ba28845e 5fdefcf5 768690f7",
          { -0.297914803, 0.914839864, -1.82051146, 2.08358645, -0.607776821, 0.511089981, -1.24523628, 0 }, 3.1572794914245605 },
        { "compressor 2 channels", "bee13c55 ed7d26f1 28157beb 0533413b d4a6850f 72fa665b 09b68127 549ed81e 8cfc5a92",
          { -0.297914803, 0.914839864, -1.82051146, 2.40708852, -0.66818738, 0.538448155, -1.50736582, 0 }, 3.1812443733215332 },
        { "compressor 3 channels", "ba4d2d67 d94e5a51 75a3a349 deeca088 da636eab 97492f80 3f5b8857 8268b300 9b340fa5",
          { -0.297914803, 0.914839864, -1.82051146, 2.44811702, -0.579852998, 0.588255703, -1.66243196, 0 }, 3.1914908885955811 },
        { "side-chain filter", "5382b777 4e0881a6 9084e1ea 2b75b2b2 547c9c08 32f63d2b 3c14f7ec 09943d87 4fd0bfc1",
          { -0.105388403, 0.165506303, 0.194351345, -0.0248946827, 0.00573045015, -0.561525345, -0.290773809, 0.0185886566 }, 0 },
        { "factory programs", "69f074b1 b99da80d 45047855 69534ac1 63ecc63f f718072b 12beff7f 5bf71c70 4fd0bfc1",
          { 0.075000003, 0.111000009, 0.149000004, 0.430500031, 0.146000013, 0.46450007, 0.120999999, 0.127000004 }, 0 },
    };
    // clang-format on
}

TEST (RecordedOutput, EveryCaseGivesItsRecordedSamplesAndMeter)
{
    const bool recording = std::getenv ("ORVIK_RECORD_OUTPUTS") != nullptr;
    ASSERT_TRUE (recording || std::size (kRecorded) == std::size (kCases));

    for (size_t n = 0; n < std::size (kCases); ++n)
    {
        const auto r = kCases[n].second();
        std::string hashes;
        const auto f = fingerprintOf (r, hashes);
        if (recording)
        {
            std::printf ("        { \"%s\", \"%s\",\n          {", kCases[n].first, hashes.c_str());
            for (int k = 0; k < kParts; ++k)
                std::printf (k == 0 ? " %.9g" : ", %.9g", (double) f.samples[k]);
            std::printf (" }, %.17g },\n", f.meter);
            continue;
        }

        const auto& expected = kRecorded[n];
        SCOPED_TRACE (expected.name);
        EXPECT_STREQ (kCases[n].first, expected.name);
        for (int k = 0; k < kParts; ++k)
        {
            if (std::strncmp (hashes.c_str() + 9 * k, expected.hashes + 9 * k, 8) == 0)
                continue;
            const auto [from, to] = part (r, k);
            ADD_FAILURE() << "first difference in samples " << from << " ... " << to - 1 << " of " << r.frames.size() / (size_t) r.channels
                          << "; sample " << probe (from, to) << " of channel 0 is " << f.samples[k] << ", recorded " << expected.samples[k];
            break;
        }
        EXPECT_EQ (hashes.substr (9 * kParts), std::string (expected.hashes).substr (9 * kParts))
            << "the meter values differ; the last is " << f.meter << ", recorded " << expected.meter;
    }
}
