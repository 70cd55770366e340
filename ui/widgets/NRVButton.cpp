#include "ui/widgets/NRVButton.h"

namespace
{
    // Raw modifier flags as the framework reports them: keys in the low nibble, mouse buttons above.
    constexpr int kAltFlag = 4;
    constexpr int kKeyFlags = 0x0F;         // Shift 1, Ctrl 2, Alt 4, Cmd 8
    constexpr int kMouseButtonFlags = 0x70; // left 16, right 32, middle 64
}

NRVButton::NRVButton() : juce::Button (juce::String())
{
}

void NRVButton::internalClickCallback (const juce::ModifierKeys& mods)
{
    const int flags = mods.getRawFlags();

    // Alt alone, whichever mouse buttons are down. The listeners hear of it only when the state
    // really changes, so an Alt-click at the default state does nothing.
    if (resetOnAltClick && (flags & ~kMouseButtonFlags) == kAltFlag)
    {
        setToggleState (defaultState, juce::sendNotificationSync);
        return;
    }

    if ((flags & kKeyFlags) != 0)
        return;

    juce::Button::internalClickCallback (mods);
}
