#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

int main (int argc, char** argv)
{
    // The framework's message manager must exist for hosting plug-ins and creating processors.
    juce::ScopedJuceInitialiser_GUI framework;
    testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
