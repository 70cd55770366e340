// One thread processes audio while others change parameters, select programs, save and load
// state and read what the editor reads. Built with ThreadSanitizer this finds data races;
// in every build it checks that the audio stays finite and that the audio thread neither
// allocates nor takes a mutex.

#include "../ProcessorTestUtils.h"

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
// allocator and interceptors, so the accounting is only compiled into plain builds).
namespace
{
    thread_local bool onAudioThread = false;
    std::atomic<long> audioThreadAllocations { 0 };
    std::atomic<long> audioThreadMutexLocks { 0 };
}

#ifndef ORVIK_UNDER_SANITIZER
void* operator new (std::size_t size)
{
    if (onAudioThread)
        audioThreadAllocations.fetch_add (1, std::memory_order_relaxed);

    if (auto* p = std::malloc (size == 0 ? 1 : size))
        return p;

    throw std::bad_alloc();
}

void operator delete (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }

extern "C" int pthread_mutex_lock (pthread_mutex_t* mutex)
{
    using LockFunction = int (*) (pthread_mutex_t*);
    static auto* real = reinterpret_cast<LockFunction> (dlsym (RTLD_NEXT, "pthread_mutex_lock"));

    if (onAudioThread)
        audioThreadMutexLocks.fetch_add (1, std::memory_order_relaxed);

    return real (mutex);
}
 #define ORVIK_COUNTS_AUDIO_THREAD_CALLS 1
#else
 #define ORVIK_COUNTS_AUDIO_THREAD_CALLS 0
#endif

//==============================================================================
using namespace OrvikQ4;
using namespace OrvikQ4::test;

TEST (ConcurrencyStress, SettingsStateAndProgramsRaceTheAudioThreadSafely)
{
    auto processor = createProcessor (juce::AudioProcessor::wrapperType_VST3);
    prepare (*processor, 48000.0, 512);

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

   #if ORVIK_COUNTS_AUDIO_THREAD_CALLS
    EXPECT_EQ (audioThreadAllocations.load(), 0);
    EXPECT_EQ (audioThreadMutexLocks.load(), 0);
   #endif
}

TEST (ConcurrencyStress, AccountingSeesAllocationsAndLocksWhenTheyHappen)
{
   #if ORVIK_COUNTS_AUDIO_THREAD_CALLS
    // Guards the guard: the counters must notice what they are meant to catch.
    const long allocationsBefore = audioThreadAllocations.load();
    const long locksBefore = audioThreadMutexLocks.load();

    onAudioThread = true;
    auto* p = new std::vector<int> (100);
    std::mutex mutex;
    mutex.lock();
    mutex.unlock();
    onAudioThread = false;
    delete p;

    EXPECT_GT (audioThreadAllocations.load(), allocationsBefore);
    EXPECT_GT (audioThreadMutexLocks.load(), locksBefore);
   #else
    GTEST_SKIP() << "sanitizer builds use their own allocator and interceptors";
   #endif
}
