#include "ui/widgets/NRVSlider.h"

#include <cmath>

namespace
{
    // A smooth wheel delta of 1 moves as far as a tenth of the full-range drag.
    constexpr float kSmoothWheelScale = 0.1f;
    // Control with the wheel: one tenth of the framework's wheel speed.
    constexpr float kFineWheelScale = 0.1f;
    // Raw modifier flags of Control alone, no mouse button down.
    constexpr int kControlOnlyFlags = 2;
    constexpr int kWheelRestMs = 500;

    // Whole steps of the accumulator, halves away from zero, in single precision.
    float roundHalfAwayFromZero (float x) noexcept
    {
        const float magnitude = std::floor (std::abs (x) + 0.5f);
        return x < 0.0f ? -magnitude : magnitude;
    }
}

NRVSlider::NRVSlider (juce::Slider::SliderStyle style, juce::Slider::TextEntryBoxPosition textBoxPosition)
    : juce::Slider (style, textBoxPosition)
{
}

void NRVSlider::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    const double interval = getInterval();

    if (interval != 0.0 && wheel.isSmooth)
    {
        const float direction = wheel.isReversed ? -1.0f : 1.0f;
        const float d = wheel.deltaY * direction * kSmoothWheelScale;
        const float accumulated = static_cast<float> (getMouseDragSensitivity()) * d + wheelAccumulator;

        // A non-finite delta from the system (or an overflowing one) would leave the value
        // NaN and send NaN to the host: such a movement is dropped with the remainder.
        if (! std::isfinite (accumulated))
        {
            wheelAccumulator = 0.0f;
            return;
        }

        wheelAccumulator = accumulated;

        const float steps = roundHalfAwayFromZero (wheelAccumulator);

        if (steps != 0.0f)
        {
            // The step is taken off even when the value is already at an end and cannot move.
            wheelAccumulator -= steps;
            const float delta = static_cast<float> (static_cast<double> (steps) * interval);
            double v = getValue() + static_cast<double> (delta);
            v = std::min (v, getMaximum());
            v = std::max (v, getMinimum());
            // Asynchronous and without drag notifications: the panel opens no change gesture.
            setValue (static_cast<double> (static_cast<float> (v)), juce::sendNotificationAsync);
        }

        stopTimer();
        startTimer (kWheelRestMs);
    }
    else if (e.mods.getRawFlags() == kControlOnlyFlags)
    {
        juce::MouseWheelDetails fine = wheel;
        fine.deltaX = wheel.deltaX * kFineWheelScale;
        fine.deltaY = wheel.deltaY * kFineWheelScale;
        juce::Slider::mouseWheelMove (e, fine);
    }
    else
    {
        juce::Slider::mouseWheelMove (e, wheel);
    }
}

void NRVSlider::timerCallback()
{
    stopTimer();
    wheelAccumulator = 0.0f;
}
