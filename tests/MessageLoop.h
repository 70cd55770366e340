#pragma once

#include <juce_events/juce_events.h>

// The framework's own step of its message loop. The plug-in code is built without modal loops,
// so MessageManager::runDispatchLoopUntil does not exist there: tests drive the loop with this.
namespace juce { bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages); }

namespace OrvikQ4::test
{
    /** Dispatches the message thread's messages (timers, asynchronous updates, repaints) for
        the given time. Call it on the message thread. */
    inline void runMessageLoopFor (int milliseconds)
    {
        for (const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds; juce::Time::getMillisecondCounter() < end;)
            if (! juce::dispatchNextMessageOnSystemQueue (true))
                juce::Thread::sleep (1);
    }
}
