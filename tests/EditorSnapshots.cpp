// Renders the editor in its typical states into PNG files, for looking at the panel without a
// host: stereo and mono, active and bypassed, the meter at -6 dB, the About card open, and host
// highlights on two controls.
//
//     orvik_editor_snapshots <output folder>

#include "EditorTestUtils.h"

#include <functional>
#include <iostream>

using namespace OrvikQ4;
using namespace OrvikQ4::test;

namespace
{
    // Child indices of the panel in creation order.
    constexpr int kUpperHotSpot = 1, kFirstMeterLed = 11;

    void write (const juce::Image& image, const juce::File& file)
    {
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat().writeImageToStream (image, out);
        std::cout << file.getFullPathName() << "\n";
    }

    void snapshot (const juce::File& folder, const juce::String& name, int channels,
                   const std::function<void (TarskAudioProcessor&, OpenEditor&)>& setUp)
    {
        auto processor = createProcessor();
        prepare (*processor, 48000.0, 512, channels);
        OpenEditor ui (*processor);

        setUp (*processor, ui);

        // Let the polls catch up (the In LED fades over several refreshes).
        for (int i = 0; i < 8; ++i)
            ui.panel->updateUI();

        auto& editor = *ui.editor;
        write (editor.createComponentSnapshot (editor.getLocalBounds()), folder.getChildFile (name + ".png"));
        write (editor.createComponentSnapshot (editor.getLocalBounds(), true, 2.0f), folder.getChildFile (name + "@2x.png"));
    }

    void set (TarskAudioProcessor& p, int index, float value)
    {
        p.getParameters()[index]->setValue (value);
    }
}

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI framework;

    const juce::File folder (argc > 1 ? juce::File::getCurrentWorkingDirectory().getChildFile (argv[1])
                                      : juce::File::getCurrentWorkingDirectory());
    folder.createDirectory();

    snapshot (folder, "stereo-active", 2, [] (auto&, auto&) {});
    snapshot (folder, "mono-active", 1, [] (auto&, auto&) {});

    snapshot (folder, "stereo-bypassed-all-on", 2, [] (auto& p, auto&)
    {
        set (p, kBypass, 1.0f);
        set (p, kContOn, 1.0f);
        set (p, kLinkOn, 1.0f);
        set (p, kInput, 1.0f);
        set (p, kOutput, 0.0f);
        set (p, kAttack, 0.5f);
        set (p, kRatio, 1.0f);
        set (p, kHPF, 0.5f);
        set (p, kStereoLink, 1.0f);
    });

    snapshot (folder, "mono-bypassed", 1, [] (auto& p, auto&) { set (p, kBypass, 1.0f); });

    // The meter as its refresh shows -6 dB of gain reduction.
    snapshot (folder, "stereo-meter-6dB", 2, [] (auto&, auto& ui)
    {
        for (int k = 1; k <= TarskUI::kNumMeterLeds; ++k)
            ui.child (kFirstMeterLed + k - 1)->setAlpha (TarskUI::isMeterLedLit (k, -6.0) ? 1.0f : 0.0f);
    });

    snapshot (folder, "stereo-about", 2, [] (auto&, auto& ui)
    {
        ui.panel->buttonClicked (ui.template child<juce::Button> (kUpperHotSpot));
    });

    snapshot (folder, "stereo-highlights", 2, [] (auto&, auto& ui)
    {
        ui.editor->setControlHighlight ({ kInput, true, juce::Colour (0xffff3030) });
        ui.editor->setControlHighlight ({ kLinkOn, true, juce::Colour (0xff30a0ff) });
    });

    return 0;
}
