// Coverage-guided fuzzing of the saved-state reader: any block of bytes a host or a damaged
// project file hands over must load or be rejected without crashing, without reading past
// the block (AddressSanitizer) and without leaving a setting that is not a finite number.

#include "processor/PluginProcessor.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static auto* framework = new juce::ScopedJuceInitialiser_GUI();
    static auto* processor = new OrvikQ4::TarskAudioProcessor();
    juce::ignoreUnused (framework);

    if (size > (std::size_t) std::numeric_limits<int>::max())
        return 0;

    processor->setStateInformation (data, static_cast<int> (size));

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    for (int i = 0; i < processor->getNumParameters(); ++i)
        if (! std::isfinite (processor->getParameter (i)))
            std::abort();
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    // Whatever was loaded must save again.
    juce::MemoryBlock state;
    processor->getStateInformation (state);

    if (state.getSize() < 9)
        std::abort();

    return 0;
}
