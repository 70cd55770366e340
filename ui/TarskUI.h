#pragma once

#include "processor/PluginProcessor.h"
#include "ui/NRVUI.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <memory>

class About;
class QZBar;
class OrvikKnob;
class OrvikSwitch;
class OrvikGreenButton;
class OrvikYellowButton;
class OrvikBlueButton;
class OrvikRedButton;

/**
    The main panel: the front plate with its knobs, switches, lit buttons, In LED and
    gain-reduction meter, the mono cover, the About card and the toolbar.

    It writes to the processor only through the host-notifying parameter calls, and follows the
    processor by polling on the message thread while it is visible: the controls every 80 ms,
    the meter every 50 ms. The processor never calls it.
*/
class TarskUI : public NRVUI<OrvikQ4::TarskAudioProcessor>,
                public juce::MultiTimer,
                public juce::Button::Listener,
                public juce::Slider::Listener
{
public:
    /** Builds the panel for a processor that outlives it; the panel comes out hidden. */
    explicit TarskUI (OrvikQ4::TarskAudioProcessor* p);
    ~TarskUI() override;

    /** Shown: refreshes controls and meter at once and starts both polls. Hidden: stops them. */
    void visibilityChanged() override;
    void paint (juce::Graphics& g) override;
    void resized() override;
    void timerCallback (int timerId) override;
    void sliderDragStarted (juce::Slider* s) override;
    void sliderDragEnded (juce::Slider* s) override;
    void buttonClicked (juce::Button* b) override;
    void sliderValueChanged (juce::Slider* s) override;

    /** Copies every setting into its control (without notification), the lit states, the In
        LED, and the mono or stereo layout. */
    void updateUI();

    /** Lights the meter LEDs from the processor's gain reduction. */
    void updateMeter();

    static constexpr int kNumMeterLeds = 20;

    /** Whether meter LED k (1 at the top ... 20) is lit for a gain reduction in dB: LED k
        stands for k dB, so the column lights from the top down. */
    static bool isMeterLedLit (int k, double gainReductionDb) noexcept { return gainReductionDb <= -static_cast<double> (k); }

private:
    enum TimerId
    {
        kControlRefreshTimer = 0,
        kMeterRefreshTimer = 2
    };

    void refreshLayout();

    // The lit states and channel layout as last shown by updateUI; sliderValueChanged decides
    // its side effects from these, so they repeat until the next refresh.
    bool isStereo = true;
    bool greenLit = true;
    bool yellowLit = false;
    bool blueLit = false;

    std::unique_ptr<QZBar> toolbar;
    std::unique_ptr<juce::ImageButton> lowerHotSpot;
    std::unique_ptr<juce::ImageButton> upperHotSpot;
    std::unique_ptr<juce::ImageButton> monoCover;
    std::unique_ptr<OrvikKnob> mixKnob;
    std::unique_ptr<OrvikKnob> outputKnob;
    std::unique_ptr<OrvikKnob> inputKnob;
    std::unique_ptr<OrvikSwitch> attackSwitch;
    std::unique_ptr<OrvikSwitch> releaseSwitch;
    std::unique_ptr<OrvikSwitch> ratioSwitch;
    std::unique_ptr<OrvikSwitch> hpfSwitch;
    std::unique_ptr<juce::ImageButton> inLed;
    std::array<std::unique_ptr<juce::ImageButton>, kNumMeterLeds> meterLeds;
    std::unique_ptr<OrvikKnob> contAttackKnob;
    std::unique_ptr<OrvikKnob> contReleaseKnob;
    std::unique_ptr<OrvikKnob> stereoLinkKnob;
    std::unique_ptr<OrvikGreenButton> greenButton;
    std::unique_ptr<OrvikYellowButton> yellowButton;
    std::unique_ptr<OrvikBlueButton> blueButton;
    std::unique_ptr<OrvikRedButton> redButton;
    std::unique_ptr<About> about;

    juce::Image back;
    juce::Image backSide;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TarskUI)
};
