#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/**
    The handful of float vector routines the effects and the signal chain use (stride 1).
    Each is an element-wise single-precision operation, so results do not depend on how the
    loop is vectorised.
*/
namespace VectorOps
{
    /** destination[i] = 0 */
    inline void clear (float* destination, int n) noexcept
    {
        if (n > 0)
            juce::FloatVectorOperations::clear (destination, n);
    }

    /** destination[i] = a[i] * b[i] */
    inline void multiply (const float* a, const float* b, float* destination, int n) noexcept
    {
        if (n > 0)
            juce::FloatVectorOperations::multiply (destination, a, b, n);
    }

    /** destination[i] = a[i] + b[i] */
    inline void add (const float* a, const float* b, float* destination, int n) noexcept
    {
        if (n > 0)
            juce::FloatVectorOperations::add (destination, a, b, n);
    }

    /** destination[i] = a[i] + scalar */
    inline void addScalar (const float* a, float scalar, float* destination, int n) noexcept
    {
        if (n > 0)
            juce::FloatVectorOperations::add (destination, a, scalar, n);
    }

    /** destination[i] = a[i] * scalar */
    inline void multiplyScalar (const float* a, float scalar, float* destination, int n) noexcept
    {
        if (n > 0)
            juce::FloatVectorOperations::multiply (destination, a, scalar, n);
    }

    /** destination[i] = -a[i] */
    inline void negate (const float* a, float* destination, int n) noexcept
    {
        if (n > 0)
            juce::FloatVectorOperations::negate (destination, a, n);
    }
}
