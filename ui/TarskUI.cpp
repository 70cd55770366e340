#include "ui/TarskUI.h"

#include "ui/About.h"
#include "ui/QZBar.h"
#include "ui/widgets/NRVButton.h"
#include "ui/widgets/OrvikKnob.h"
#include "ui/widgets/OrvikLitButton.h"
#include "ui/widgets/OrvikSwitch.h"

#include <OrvikQ4Resources.h>

#include <cmath>

using namespace OrvikQ4;

namespace
{
    // The front plate is 525 pixels high; the toolbar's 24 pixels lie below it.
    constexpr int kPlateHeight = 525;

    // y of meter LEDs 1 (top, -1 dB) to 20 (bottom, -20 dB): steps of 15 or 16 pixels that
    // follow the printed scale.
    constexpr int kMeterLedY[TarskUI::kNumMeterLeds] = { 74, 89, 105, 121, 137, 152, 168, 184, 200, 215,
                                                         231, 247, 263, 278, 293, 309, 325, 340, 356, 372 };

    // Meter LEDs 1 to 14 are green, 15 to 20 yellow.
    constexpr int kNumGreenMeterLeds = 14;

    // The In LED moves halfway to its target per refresh until it is this close to it.
    constexpr float kLedSettleDistance = 0.05f;

    juce::Image embeddedImage (const char* data, int size)
    {
        return juce::ImageCache::getFromMemory (data, size);
    }

    // Every image button of the panel draws one picture in every state, scaled into its bounds,
    // and takes clicks in its whole rectangle.
    void setPicture (juce::ImageButton& button, const juce::Image& normal)
    {
        const juce::Colour none (0x00000000);
        button.setImages (false, true, true,
                          normal, 1.0f, none,
                          juce::Image(), 1.0f, none,
                          juce::Image(), 1.0f, none,
                          0.0f);
    }

    std::unique_ptr<juce::ImageButton> makeImageButton()
    {
        return std::make_unique<juce::ImageButton> ("new button");
    }

    // The Input and Output knobs show the same curve as their parameters report.
    double gainToControl (double x)
    {
        return juce::jmax (x, juce::jmin ((x + 1.125) / 2.125, 4.0 * x));
    }

    // A three-position switch shows a stored step 0, 1 or 2 as 0, 0.5 or 1; any other stored
    // number leaves the switch where it is.
    void showStep (juce::Slider& s, double step)
    {
        if (step == 0.0 || step == 1.0 || step == 2.0)
            s.setValue (step * 0.5, juce::dontSendNotification);
    }

    // The nearest integer, halves to the even neighbour (the framework's rounding).
    int roundHalfEven (float x)
    {
        return juce::roundToInt (x);
    }
}

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

//==============================================================================
TarskUI::TarskUI (TarskAudioProcessor* p)
{
    // Creation order is stacking order: the About card lies over every control, and the
    // toolbar, created after it, over everything.
    lowerHotSpot = makeImageButton();
    upperHotSpot = makeImageButton();

    for (auto* hotSpot : { lowerHotSpot.get(), upperHotSpot.get() })
    {
        addAndMakeVisible (hotSpot);
        hotSpot->addListener (this);
        setPicture (*hotSpot, juce::Image());
    }

    monoCover = makeImageButton();
    addAndMakeVisible (monoCover.get());
    monoCover->addListener (this);
    setPicture (*monoCover, embeddedImage (OrvikQ4Resources::resource_TarskUI_side_mono_block_png,
                                           OrvikQ4Resources::resource_TarskUI_side_mono_block_pngSize));

    const auto addKnob = [this] (std::unique_ptr<OrvikKnob>& knob)
    {
        knob = std::make_unique<OrvikKnob> (juce::String());
        addAndMakeVisible (knob.get());
        knob->setRange (0.0, 1.0, 0.0);
        knob->setSliderStyle (juce::Slider::RotaryVerticalDrag);
        knob->setTextBoxStyle (juce::Slider::NoTextBox, false, 80, 20);
        knob->addListener (this);
    };

    addKnob (mixKnob);
    addKnob (outputKnob);
    addKnob (inputKnob);

    for (auto* s : { &attackSwitch, &releaseSwitch, &ratioSwitch, &hpfSwitch })
    {
        *s = std::make_unique<OrvikSwitch> (juce::String());
        addAndMakeVisible (s->get());
        (*s)->setRange (0.0, 1.0, 0.5);
        (*s)->setSliderStyle (juce::Slider::LinearVertical);
        (*s)->setTextBoxStyle (juce::Slider::NoTextBox, false, 80, 20);
        (*s)->addListener (this);
    }

    const auto greenLed = embeddedImage (OrvikQ4Resources::resource_TarskUI_greenLed_png,
                                         OrvikQ4Resources::resource_TarskUI_greenLed_pngSize);
    const auto yellowLed = embeddedImage (OrvikQ4Resources::resource_TarskUI_yellowLed_png,
                                          OrvikQ4Resources::resource_TarskUI_yellowLed_pngSize);

    inLed = makeImageButton();
    addAndMakeVisible (inLed.get());
    setPicture (*inLed, greenLed);

    for (int k = 0; k < kNumMeterLeds; ++k)
    {
        meterLeds[(size_t) k] = makeImageButton();
        addAndMakeVisible (meterLeds[(size_t) k].get());
        setPicture (*meterLeds[(size_t) k], k < kNumGreenMeterLeds ? greenLed : yellowLed);
    }

    addKnob (contAttackKnob);
    addKnob (contReleaseKnob);
    addKnob (stereoLinkKnob);

    greenButton = std::make_unique<OrvikGreenButton>();
    addAndMakeVisible (greenButton.get());
    yellowButton = std::make_unique<OrvikYellowButton>();
    addAndMakeVisible (yellowButton.get());
    blueButton = std::make_unique<OrvikBlueButton>();
    addAndMakeVisible (blueButton.get());
    redButton = std::make_unique<OrvikRedButton>();
    addAndMakeVisible (redButton.get());

    about = std::make_unique<About>();
    addAndMakeVisible (about.get());

    back = embeddedImage (OrvikQ4Resources::resource_TarskUI_back_png,
                          OrvikQ4Resources::resource_TarskUI_back_pngSize);
    backSide = embeddedImage (OrvikQ4Resources::resource_TarskUI_backSide_png,
                              OrvikQ4Resources::resource_TarskUI_backSide_pngSize);

    processor = p;

    for (auto& led : meterLeds)
        led->setAlpha (0.0f);

    monoCover->setVisible (false);

    toolbar = std::make_unique<QZBar>();
    addAndMakeVisible (toolbar.get());

    about->setVisible (false);

    // Stereo layout to begin with: all 14 controls registered.
    registerParamControl (kInput, inputKnob.get());
    registerParamControl (kOutput, outputKnob.get());
    registerParamControl (kAttack, attackSwitch.get());
    registerParamControl (kRelease, releaseSwitch.get());
    registerParamControl (kMix, mixKnob.get());
    registerParamControl (kRatio, ratioSwitch.get());
    registerParamControl (kHPF, hpfSwitch.get());
    registerParamControl (kContAttack, contAttackKnob.get());
    registerParamControl (kContRelease, contReleaseKnob.get());
    registerParamControl (kStereoLink, stereoLinkKnob.get());
    registerParamControl (kBypass, greenButton.get());
    registerParamControl (kContOn, yellowButton.get());
    registerParamControl (kLinkOn, blueButton.get());
    registerParamControl (kAnalogOn, redButton.get());

    disableFocus (this);

    // Knobs and switches return to the parameter's default on a double-click (the float default
    // widened to double), buttons on an Alt-click (lit from 0.5 up). A single click with Alt
    // held starts an ordinary drag on a knob or switch.
    for (const auto& [control, index] : componentToParam)
    {
        const float d = processor->getParameterDefaultValue (index);

        if (auto* button = dynamic_cast<NRVButton*> (control))
        {
            button->defaultState = (d >= 0.5f);
            button->resetOnAltClick = true;
        }

        if (auto* slider = dynamic_cast<juce::Slider*> (control))
            slider->setDoubleClickReturnValue (true, static_cast<double> (d), juce::ModifierKeys());
    }

    // Lit means "not bypassed", the inverse of Bypass, whose default is off.
    greenButton->defaultState = true;
    greenButton->resetOnAltClick = true;

    setSize (300, kPlateHeight + 24);

    isStereo = true;

    // Only now that everything is built and registered may a click reach the panel.
    greenButton->addListener (this);
    yellowButton->addListener (this);
    blueButton->addListener (this);
    redButton->addListener (this);

    greenLit = true;
    yellowLit = false;
    blueLit = false;
}

TarskUI::~TarskUI()
{
    // Children go in creation order, the toolbar last.
    lowerHotSpot.reset();
    upperHotSpot.reset();
    monoCover.reset();
    mixKnob.reset();
    outputKnob.reset();
    inputKnob.reset();
    attackSwitch.reset();
    releaseSwitch.reset();
    ratioSwitch.reset();
    hpfSwitch.reset();
    inLed.reset();

    for (auto& led : meterLeds)
        led.reset();

    contAttackKnob.reset();
    contReleaseKnob.reset();
    stereoLinkKnob.reset();
    greenButton.reset();
    yellowButton.reset();
    blueButton.reset();
    redButton.reset();
    about.reset();
    toolbar.reset();

    back = juce::Image();
    backSide = juce::Image();
}

//==============================================================================
void TarskUI::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);

    // The plate's pictures are stored at twice their size and drawn halved.
    const int halfWidth = roundHalfEven (static_cast<float> (getWidth()) * 0.5f);

    g.setColour (juce::Colours::black);
    g.drawImage (back, 0, 0, halfWidth, kPlateHeight, 0, 0, back.getWidth(), back.getHeight());

    g.setColour (juce::Colours::black);
    g.drawImage (backSide, 150, 0, halfWidth, kPlateHeight, 0, 0, backSide.getWidth(), backSide.getHeight());
}

void TarskUI::resized()
{
    lowerHotSpot->setBounds (0, 496, 150, 24);
    upperHotSpot->setBounds (0, 8, 150, 48);
    monoCover->setBounds (150, 323, 150, 175);
    mixKnob->setBounds (13, 337, 84, 84);
    outputKnob->setBounds (13, 169, 84, 84);
    inputKnob->setBounds (13, 67, 84, 84);
    attackSwitch->setBounds (6, 279, 40, 47);
    releaseSwitch->setBounds (67, 279, 40, 47);
    ratioSwitch->setBounds (51, 433, 40, 47);
    hpfSwitch->setBounds (98, 433, 40, 47);
    inLed->setBounds (114, 404, 17, 17);

    for (int k = 0; k < kNumMeterLeds; ++k)
        meterLeds[(size_t) k]->setBounds (114, kMeterLedY[k], 17, 17);

    contAttackKnob->setBounds (183, 67, 84, 84);
    contReleaseKnob->setBounds (183, 170, 84, 84);
    stereoLinkKnob->setBounds (183, 337, 84, 84);
    greenButton->setBounds (0, 429, 60, 60);
    yellowButton->setBounds (197, 260, 60, 60);
    blueButton->setBounds (165, 429, 60, 60);
    redButton->setBounds (229, 429, 60, 60);
    toolbar->setBounds (0, kPlateHeight, 300, 24);

    // The About card keeps its own size, centred in the panel.
    about->setTopLeftPosition ((getWidth() - about->getWidth()) / 2,
                               (getHeight() - about->getHeight()) / 2);
}

//==============================================================================
void TarskUI::visibilityChanged()
{
    if (isVisible())
    {
        updateUI();
        startTimer (kControlRefreshTimer, 80);
        updateMeter();
        startTimer (kMeterRefreshTimer, 50);
    }
    else
    {
        stopTimer (kControlRefreshTimer);
        stopTimer (kMeterRefreshTimer);
    }
}

void TarskUI::timerCallback (int timerId)
{
    if (timerId == kControlRefreshTimer)
        updateUI();
    else if (timerId == kMeterRefreshTimer)
        updateMeter();
}

void TarskUI::sliderDragStarted (juce::Slider* s)
{
    const auto entry = componentToParam.find (s);

    if (entry != componentToParam.end() && entry->second >= 0)
        processor->beginParameterChangeGesture (entry->second);
}

void TarskUI::sliderDragEnded (juce::Slider* s)
{
    const auto entry = componentToParam.find (s);

    if (entry != componentToParam.end() && entry->second >= 0)
        processor->endParameterChangeGesture (entry->second);
}

void TarskUI::buttonClicked (juce::Button* b)
{
    if (b == lowerHotSpot.get() || b == upperHotSpot.get())
    {
        about->setVisible (true);
        return;
    }

    // The buttons never toggle themselves: a click sends the flipped parameter, and the lit
    // state follows it at the next refresh.
    int index = -1;

    if (b == greenButton.get())      index = kBypass;
    else if (b == blueButton.get())  index = kLinkOn;
    else if (b == redButton.get())   index = kAnalogOn;

    if (index >= 0)
    {
        const float v = processor->getParameter (index);
        processor->beginParameterChangeGesture (index);
        processor->setParameterNotifyingHost (index, 1.0f - v);
        processor->endParameterChangeGesture (index);
    }
    else if (b == yellowButton.get())
    {
        // ContOn reaches the host without a change gesture.
        const float v = processor->getParameter (kContOn);
        processor->setParameterNotifyingHost (kContOn, 1.0f - v);
    }
}

void TarskUI::sliderValueChanged (juce::Slider* s)
{
    int index = -1;

    if (s == inputKnob.get())             index = kInput;
    else if (s == outputKnob.get())       index = kOutput;
    else if (s == attackSwitch.get())     index = kAttack;
    else if (s == releaseSwitch.get())    index = kRelease;
    else if (s == mixKnob.get())          index = kMix;
    else if (s == ratioSwitch.get())      index = kRatio;
    else if (s == hpfSwitch.get())        index = kHPF;
    else if (s == contAttackKnob.get())   index = kContAttack;
    else if (s == contReleaseKnob.get())  index = kContRelease;
    else if (s == stereoLinkKnob.get())   index = kStereoLink;
    else                                  return;

    processor->setParameterNotifyingHost (index, static_cast<float> (s->getValue()));

    // Touching any control takes the processor out of bypass; the continuous times switch
    // ContOn on and the link amount switches LinkOn on. The lit flags are those of the last
    // refresh, so within one refresh period every further change repeats these.
    const auto switchOn = [this] (int i, float value)
    {
        processor->beginParameterChangeGesture (i);
        processor->setParameterNotifyingHost (i, value);
        processor->endParameterChangeGesture (i);
    };

    if (! greenLit)
        switchOn (kBypass, 0.0f);

    if ((index == kContAttack || index == kContRelease) && ! yellowLit)
        switchOn (kContOn, 1.0f);

    if (index == kStereoLink && ! blueLit)
        switchOn (kLinkOn, 1.0f);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE

//==============================================================================
void TarskUI::updateUI()
{
    // One read of every setting (the stored value, not the ramp's progress); the rest works on
    // these copies, so a change arriving meanwhile shows at the next refresh.
    double stored[kNumParameters];

    for (int i = 0; i < kNumParameters; ++i)
        stored[i] = processor->getSetting (i);

    inputKnob->setValue (gainToControl (stored[kInput]), juce::dontSendNotification);
    outputKnob->setValue (gainToControl (stored[kOutput]), juce::dontSendNotification);
    showStep (*attackSwitch, stored[kAttack]);
    showStep (*releaseSwitch, stored[kRelease]);
    contAttackKnob->setValue (stored[kContAttack], juce::dontSendNotification);
    contReleaseKnob->setValue (stored[kContRelease], juce::dontSendNotification);
    stereoLinkKnob->setValue (stored[kStereoLink], juce::dontSendNotification);
    mixKnob->setValue (stored[kMix], juce::dontSendNotification);
    showStep (*ratioSwitch, stored[kRatio]);
    showStep (*hpfSwitch, stored[kHPF]);

    greenLit = stored[kBypass] < 0.5;
    greenButton->setToggleState (greenLit, juce::dontSendNotification);

    // The In LED fades: halfway towards its target per refresh, stopping once it is close.
    const float target = greenLit ? 1.0f : 0.0f;
    const float alpha = inLed->getAlpha();

    if (std::abs (alpha - target) > kLedSettleDistance)
        inLed->setAlpha (0.5f * alpha + 0.5f * target);

    yellowLit = stored[kContOn] != 0.0;
    yellowButton->setToggleState (yellowLit, juce::dontSendNotification);

    blueLit = stored[kLinkOn] >= 0.5;
    blueButton->setToggleState (blueLit, juce::dontSendNotification);

    redButton->setToggleState (stored[kAnalogOn] >= 0.5, juce::dontSendNotification);

    refreshLayout();
}

void TarskUI::refreshLayout()
{
    // The channel count only changes when the host lays out the buses, never while a block
    // is being processed.
    const int channels = processor->getTotalNumInputChannels();
    const bool stereo = channels > 1;

    if (stereo == isStereo)
        return;

    // The stereo-only controls leave the registry in the mono layout, so the host can neither
    // highlight them nor receive a gesture from them.
    if (channels >= 2)
    {
        registerParamControl (kStereoLink, stereoLinkKnob.get());
        registerParamControl (kLinkOn, blueButton.get());
    }
    else
    {
        unregisterParamControl (kStereoLink, stereoLinkKnob.get());
        unregisterParamControl (kLinkOn, blueButton.get());
    }

    monoCover->setVisible (channels < 2);
    blueButton->setVisible (channels > 1);
    stereoLinkKnob->setVisible (channels > 1);

    isStereo = stereo;
}

void TarskUI::updateMeter()
{
    const double v = processor->getGainReductionDb();

    for (int k = 1; k <= kNumMeterLeds; ++k)
        meterLeds[(size_t) (k - 1)]->setAlpha (isMeterLedLit (k, v) ? 1.0f : 0.0f);
}
