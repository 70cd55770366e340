// Renders the editor in its typical states into PNG files (1x and 2x) for looking at the panel
// without a host.   orvik_editor_snapshots <output folder>

#include "EditorTestUtils.h"

#include <functional>
#include <iostream>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI framework;
    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argc > 1 ? argv[1] : ".");
    folder.createDirectory();

    using SetUp = std::function<void (TarskAudioProcessor&, OpenEditor&)>;
    const auto set = [] (TarskAudioProcessor& p, std::initializer_list<std::pair<int, float>> values)
    {
        for (auto [i, v] : values)
            p.getParameters()[i]->setValue (v);
    };

    const std::tuple<const char*, int, SetUp> states[] = {
        { "stereo-active", 2, [] (auto&, auto&) {} },
        { "mono-active", 1, [] (auto&, auto&) {} },
        { "mono-bypassed", 1, [&] (auto& p, auto&) { set (p, { { kBypass, 1.0f } }); } },
        { "stereo-bypassed-all-on", 2, [&] (auto& p, auto&) {
            set (p, { { kBypass, 1.0f }, { kContOn, 1.0f }, { kLinkOn, 1.0f }, { kInput, 1.0f }, { kOutput, 0.0f },
                      { kAttack, 0.5f }, { kRatio, 1.0f }, { kHPF, 0.5f }, { kStereoLink, 1.0f } }); } },
        // The meter LEDs (children 11 to 30) as the meter refresh shows -6 dB.
        { "stereo-meter-6dB", 2, [] (auto&, auto& ui) {
            for (int k = 1; k <= TarskUI::kNumMeterLeds; ++k)
                ui.child (10 + k)->setAlpha (TarskUI::isMeterLedLit (k, -6.0) ? 1.0f : 0.0f); } },
        { "stereo-about", 2, [] (auto&, auto& ui) { ui.panel->buttonClicked (ui.template child<juce::Button> (1)); } },
        { "stereo-highlights", 2, [] (auto&, auto& ui) {
            ui.editor->setControlHighlight ({ kInput, true, juce::Colour (0xffff3030) });
            ui.editor->setControlHighlight ({ kLinkOn, true, juce::Colour (0xff30a0ff) }); } } };

    for (const auto& [name, channels, setUp] : states)
    {
        auto processor = createProcessor();
        prepare (*processor, 48000.0, 512, channels);
        OpenEditor ui (*processor);
        setUp (*processor, ui);

        for (int i = 0; i < 8; ++i)   // the In LED fades over several refreshes
            ui.panel->updateUI();

        for (float scale : { 1.0f, 2.0f })
        {
            const auto file = folder.getChildFile (juce::String (name) + (scale > 1.0f ? "@2x.png" : ".png"));
            file.deleteFile();
            juce::FileOutputStream out (file);
            juce::PNGImageFormat().writeImageToStream (ui.editor->createComponentSnapshot (ui.editor->getLocalBounds(), true, scale), out);
            std::cout << file.getFullPathName() << "\n";
        }
    }

    return 0;
}
