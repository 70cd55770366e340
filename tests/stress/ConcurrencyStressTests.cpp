// One thread processes audio while others change parameters, select programs, save and load
// state and read what the editor reads. Built with ThreadSanitizer this finds data races;
// in every build it checks that the audio stays finite, that the audio thread neither
// allocates nor takes a mutex, and that crossing calls leave the audio side using exactly the
// settings the host is shown.

#include "../ProcessorTestUtils.h"
#include "processor/ParameterMapping.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <new>
#include <pthread.h>
#include <random>
#include <thread>
#include <vector>

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
 #define ORVIK_UNDER_SANITIZER 1
#elif defined(__has_feature)
 #if __has_feature(thread_sanitizer)
  #define ORVIK_UNDER_SANITIZER 1
 #endif
#endif

//==============================================================================
// Allocation and mutex accounting for the audio thread (the sanitizers bring their own
// allocator and interceptors, so the accounting is only compiled into plain builds). The C
// allocator's entry points are replaced for the whole executable: operator new and the
// framework's buffers (malloc, calloc, realloc) all end up here.
namespace
{
    thread_local bool onAudioThread = false;
    std::atomic<long> audioThreadAllocations { 0 };
    std::atomic<long> audioThreadMutexLocks { 0 };

    void countAllocation() noexcept
    {
        if (onAudioThread)
            audioThreadAllocations.fetch_add (1, std::memory_order_relaxed);
    }

    /** Taken before a run; check() fails the test if the audio thread allocated or locked since. */
    struct AudioThreadCalls
    {
        long allocations = audioThreadAllocations.load(), locks = audioThreadMutexLocks.load();
        void check() const;
    };
}

#ifndef ORVIK_UNDER_SANITIZER
extern "C"
{
    // The C library's own allocator, under the names it exports for wrappers like these.
    void* __libc_malloc (std::size_t);
    void* __libc_calloc (std::size_t, std::size_t);
    void* __libc_realloc (void*, std::size_t);

    void* malloc (std::size_t size)                      { countAllocation(); return __libc_malloc (size); }
    void* calloc (std::size_t count, std::size_t size)   { countAllocation(); return __libc_calloc (count, size); }
    void* realloc (void* p, std::size_t size)            { countAllocation(); return __libc_realloc (p, size); }

    int pthread_mutex_lock (pthread_mutex_t* mutex)
    {
        using LockFunction = int (*) (pthread_mutex_t*);
        static auto* real = reinterpret_cast<LockFunction> (dlsym (RTLD_NEXT, "pthread_mutex_lock"));

        if (onAudioThread)
            audioThreadMutexLocks.fetch_add (1, std::memory_order_relaxed);

        return real (mutex);
    }
}
 #define ORVIK_COUNTS_AUDIO_THREAD_CALLS 1
#else
 #define ORVIK_COUNTS_AUDIO_THREAD_CALLS 0
#endif

void AudioThreadCalls::check() const
{
   #if ORVIK_COUNTS_AUDIO_THREAD_CALLS
    EXPECT_EQ (audioThreadAllocations.load(), allocations);
    EXPECT_EQ (audioThreadMutexLocks.load(), locks);
   #endif
}

//==============================================================================
using namespace OrvikQ4;
using namespace OrvikQ4::test;

TEST (ConcurrencyStress, SettingsStateAndProgramsRaceTheAudioThreadSafely)
{
    auto processor = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    prepare (*processor, 48000.0, 512);

    const AudioThreadCalls calls;
    std::atomic<bool> running { true };
    std::atomic<long> blocks { 0 }, nonFinite { 0 };
    std::vector<std::thread> threads;

    // The audio thread: a tone loud enough to keep the compressor working; the buffer is made
    // before the accounted part.
    threads.emplace_back ([&]
    {
        juce::MidiBuffer midi;

        for (long k = 0; running.load(); ++k)
        {
            auto buffer = tone (512, k * 512, 2, 1.0f);
            onAudioThread = true;
            if (blocks.load() % 7 == 3)
                processor->processBlockBypassed (buffer, midi);
            else
                processor->processBlock (buffer, midi);
            onAudioThread = false;
            if (! allFinite (buffer))
                nonFinite.fetch_add (1);
            blocks.fetch_add (1);
        }
    });

    // Host automation, and the editor's changes with the host's text queries.
    for (unsigned seed : { 2u, 3u })
    {
        threads.emplace_back ([&, seed]
        {
            std::mt19937 random (seed);
            std::uniform_int_distribution<int> index (0, kNumParameters - 1);
            std::uniform_real_distribution<float> value (0.0f, 1.0f);
            while (running.load())
            {
                auto& p = parameter (*processor, index (random));
                p.setValue (value (random));
                if (seed == 3)
                {
                    (void) p.getText (p.getValue(), 32);
                    std::this_thread::yield();
                }
            }
        });
    }

    // Program selections (some out of range), state round trips, and what the editor polls.
    threads.emplace_back ([&]
    {
        std::mt19937 random (4);
        std::uniform_int_distribution<int> program (-1, 12);
        double sink = 0.0;
        while (running.load())
        {
            processor->setCurrentProgram (program (random));
            juce::MemoryBlock state;
            processor->getStateInformation (state);
            processor->setStateInformation (state.getData(), (int) state.getSize());
            for (int i = 0; i < kNumParameters; ++i)
                sink += processor->getSetting (i) + parameter (*processor, i).getValue();

            const double meter = processor->getGainReductionDb();
            EXPECT_TRUE (meter <= 0.0 && meter >= -100.0) << meter;
            sink += meter + processor->getCurrentProgram();
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
        EXPECT_TRUE (std::isfinite (sink));
    });

    std::this_thread::sleep_for (std::chrono::seconds (3));
    running.store (false);
    for (auto& t : threads)
        t.join();

    EXPECT_GT (blocks.load(), 10);
    EXPECT_EQ (nonFinite.load(), 0);
    calls.check();
}

TEST (ConcurrencyStress, AccountingSeesAllocationsAndLocksWhenTheyHappen)
{
   #if ORVIK_COUNTS_AUDIO_THREAD_CALLS
    // Guards the guard: the counters must notice each way of allocating and locking.
    const auto allocatesOnAudioThread = [] (auto&& allocate)
    {
        const long before = audioThreadAllocations.load();
        onAudioThread = true;
        allocate();
        onAudioThread = false;
        return audioThreadAllocations.load() > before;
    };

    void* volatile block = nullptr;
    EXPECT_TRUE (allocatesOnAudioThread ([] { delete new std::vector<int> (100); }));
    EXPECT_TRUE (allocatesOnAudioThread ([&] { block = std::malloc (64); }));
    EXPECT_TRUE (allocatesOnAudioThread ([&] { block = std::realloc (block, 4096); }));
    std::free (block);
    EXPECT_TRUE (allocatesOnAudioThread ([&] { block = std::calloc (16, 16); }));
    std::free (block);
    EXPECT_TRUE (allocatesOnAudioThread ([] { juce::AudioBuffer<float> buffer (2, 1024); }));

    const long locksBefore = audioThreadMutexLocks.load();
    onAudioThread = true;
    std::mutex mutex;
    mutex.lock();
    mutex.unlock();
    onAudioThread = false;
    EXPECT_GT (audioThreadMutexLocks.load(), locksBefore);
   #else
    GTEST_SKIP() << "sanitizer builds use their own allocator and interceptors";
   #endif
}

//==============================================================================
namespace
{
    // A clock that moves 400 ms per reading, so that a program selection right after a state
    // load is sometimes held and sometimes applied.
    juce::uint32 hurriedClock()
    {
        static std::atomic<juce::uint32> ms { 0 };
        return ms.fetch_add (400);
    }
}

TEST (ConcurrencyStress, CrossingCallsLeaveEveryPublishedSettingEqualToTheAppliedOne)
{
    auto processor = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    prepare (*processor, 48000.0, 64);
    processor->setMillisecondClock (&hurriedClock);

    // Saved states with every parameter away from program values, for loads to race with.
    std::vector<juce::MemoryBlock> states (3);
    for (size_t k = 0; k < states.size(); ++k)
    {
        for (int i = 0; i < kNumParameters; ++i)
            parameter (*processor, i).setValue (0.1f + 0.37f * (float) ((i + (int) k) % 3));
        processor->getStateInformation (states[k]);
    }

    const AudioThreadCalls calls;
    long blocks = 0;

    // Only how a round ends decides whether settings were left crossed, so there are many
    // short rounds, each checked once its callers have stopped.
    for (unsigned round = 0; round < 40; ++round)
    {
        std::atomic<bool> running { true };
        std::atomic<long> roundBlocks { 0 };
        std::vector<std::thread> threads;

        // Short blocks, so that block boundaries fall between the callers' steps.
        threads.emplace_back ([&]
        {
            juce::MidiBuffer midi;
            juce::AudioBuffer<float> buffer (2, 64);
            while (running.load())
            {
                buffer.clear();
                onAudioThread = true;
                processor->processBlock (buffer, midi);
                onAudioThread = false;
                roundBlocks.fetch_add (1);
            }
        });

        // Two threads setting the same few parameters to different values...
        for (unsigned seed : { 2 * round, 2 * round + 1 })
        {
            threads.emplace_back ([&, seed]
            {
                std::mt19937 random (seed);
                std::uniform_int_distribution<int> pick (0, 3);
                std::uniform_real_distribution<float> value (0.0f, 1.0f);
                const int crossed[] = { kInput, kAttack, kMix, kLinkOn };
                while (running.load())
                    parameter (*processor, crossed[pick (random)]).setValue (value (random));
            });
        }

        // ...while programs are selected and states loaded.
        threads.emplace_back ([&]
        {
            std::mt19937 random (round);
            std::uniform_int_distribution<int> program (0, kNumPrograms - 1);
            for (long k = 0; running.load(); ++k)
            {
                processor->setCurrentProgram (program (random));
                if (k % 4 == 0)
                {
                    const auto& state = states[(size_t) (k / 4) % states.size()];
                    processor->setStateInformation (state.getData(), (int) state.getSize());
                }
            }
        });

        std::this_thread::sleep_for (std::chrono::milliseconds (50));
        running.store (false);
        for (auto& t : threads)
            t.join();

        // No more callers: once the queue has been applied, the audio side uses exactly what
        // the host and the editor are shown.
        processor->applyPendingSettings();
        for (int i = 0; i < kNumParameters; ++i)
            EXPECT_EQ (processor->getSetting (i), ParameterMapping::read (processor->getLiveState(), i))
                << "parameter " << i << ", round " << round;

        blocks += roundBlocks.load();
    }

    EXPECT_GT (blocks, 40);
    calls.check();
}
