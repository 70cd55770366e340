#pragma once

#include <juce_events/juce_events.h>

// The framework's own step of its message loop (what its dispatch loops call). The plug-in code
// is built without modal loops, so MessageManager::runDispatchLoopUntil does not exist there:
// tests drive the loop with this instead.
namespace juce
{
    bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace OrvikQ4::test
{
    /** Dispatches the message thread's messages (timers, asynchronous updates, repaints) for the
        given time. Call it on the message thread. */
    inline void runMessageLoopFor (int milliseconds)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;

        while (juce::Time::getMillisecondCounter() < end)
            if (! juce::dispatchNextMessageOnSystemQueue (true))
                juce::Thread::sleep (1);
    }
}
