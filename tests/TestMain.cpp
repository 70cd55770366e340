#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <iostream>

#if ORVIK_ASSERTIONS
namespace
{
    /** Every framework or plug-in assertion that fires is logged through here: it fails the
        running test, or, outside any test (static destruction, leak checks), the program. */
    struct FailOnAssertion : juce::Logger
    {
        void logMessage (const juce::String& message) override
        {
            std::cerr << message << std::endl;
            if (! message.startsWith ("JUCE Assertion failure"))
                return;
            if (testing::UnitTest::GetInstance()->current_test_info() != nullptr)
                ADD_FAILURE() << message;
            else
                std::_Exit (1);
        }
    };
}
#endif

int main (int argc, char** argv)
{
   #if ORVIK_ASSERTIONS
    // Never deleted: leak checks and other assertions can fire during static destruction.
    juce::Logger::setCurrentLogger (new FailOnAssertion());
   #endif

    // The framework's message manager must exist for hosting plug-ins and creating processors.
    juce::ScopedJuceInitialiser_GUI framework;
    testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
