#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

/**
    A linear-ramp smoother of a double value.

    Every smoothed quantity of the plug-in (the live parameter values, the compressor's internal
    settings, the side-chain filter's coefficient glide and crossfade) steps through one of these.
    A plain value type: embedded by value, copied freely, no allocation and no locking.

    The stepping rules are part of the sound:
    - a new target closer than 1e-6 to the present value is taken at once and ends any ramp;
    - a different target starts a full-length ramp from the present value;
    - the target that is already set changes nothing (a running ramp goes on);
    - next() lands exactly on the target at the last step of a ramp;
    - fillBlock() advances a whole block but never lands: it keeps the accumulated sum.
*/
struct RampedValue
{
    /** Ramp length of a value that was never prepared for a sample rate. */
    static constexpr int kDefaultRampLength = 100;

    /** The ramp length is a 16-bit count. */
    static constexpr int kMaxRampLength = 65535;

    /** Samples in a ramp. */
    std::uint16_t steps = kDefaultRampLength;

    /** Samples left in the running ramp; 0 when steady. */
    std::uint16_t countdown = 0;

    /** The present value; only the audio path reads it. */
    double current = 0.0;

    /** The value ramped toward; what readers of a setting see. */
    double target = 0.0;

    /** Increment per sample of the running ramp. */
    double step = 0.0;

    /** Sets a new target following the stepping rules above. */
    void setTarget (double value) noexcept
    {
        const double d = value - current;

        if (std::abs (d) < 1.0e-6)
        {
            current = value;
            target = value;
            countdown = 0;
        }
        else if (value != target)
        {
            target = value;
            step = d / steps;
            countdown = steps;
        }
    }

    /** Advances one sample and returns the new present value. */
    double next() noexcept
    {
        if (countdown == 1)
        {
            countdown = 0;
            current = target;
        }
        else if (countdown != 0)
        {
            current += step;
            --countdown;
        }

        return current;
    }

    /** Advances over a whole block, writing every sample's value rounded to float. */
    void fillBlock (float* destination, int numSamples) noexcept
    {
        if (numSamples <= 0)
            return;

        int k = 0;

        if (countdown != 0)
        {
            k = std::min (static_cast<int> (countdown), numSamples);

            for (int j = 0; j < k; ++j)
            {
                current += step;
                destination[j] = static_cast<float> (current);
            }

            countdown = static_cast<std::uint16_t> (countdown - k);
        }

        const auto held = static_cast<float> (current);

        for (int j = k; j < numSamples; ++j)
            destination[j] = held;
    }

    /** Ends any ramp at once on the target. */
    void snapToTarget() noexcept
    {
        current = target;
        countdown = 0;
    }

    /** Sets the length of later ramps; a running ramp keeps its step and countdown.
        The length is limited to 1 ... 65535 samples: a zero length would divide by zero
        in setTarget, and a longer one does not fit the 16-bit count. */
    void setRampLength (int samples) noexcept
    {
        steps = static_cast<std::uint16_t> (std::clamp (samples, 1, kMaxRampLength));
    }

    /** True while a ramp is running. */
    bool isRamping() const noexcept { return countdown != 0; }

    /** The number of samples in 100 ms at a sample rate (truncated), limited to the range a
        ramp can hold: rates below 10 Hz (or not a number) give 1, rates of 655360 Hz and above
        give 65535. */
    static int rampLengthFor (double sampleRate) noexcept
    {
        const double samples = sampleRate * 0.1;

        if (! (samples >= 1.0))
            return 1;

        if (samples >= static_cast<double> (kMaxRampLength))
            return kMaxRampLength;

        return static_cast<int> (samples);
    }
};
