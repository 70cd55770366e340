#pragma once

#include "dsp/ProgramState.h"

namespace OrvikQ4
{

/**
    The conversions between a parameter's normalised value (what hosts and the editor see) and
    its internal form in a ProgramState (gain factor, choice index, fraction, 0/1 switch, flag).

    Nothing is clamped to 0 ... 1. Values that are not finite are never stored: a host or a file
    that hands one over leaves the setting as it was.
*/
namespace ParameterMapping
{
    /** True for an index 0 ... 13 and a finite value. */
    bool isStorable (int index, float normalised) noexcept;

    /** The internal form that setValue stores for a normalised value. */
    double toInternal (int index, float normalised) noexcept;

    /** The normalised value that getValue reports for an internal form. */
    float toNormalised (int index, double internal) noexcept;

    /** Stores an internal value into a settings record: setTarget on a ramped field,
        assignment otherwise. */
    void store (ProgramState& state, int index, double internal) noexcept;

    /** A record's setting in internal form (the target of a ramped field). */
    double read (const ProgramState& state, int index) noexcept;

    /** The Input/Output internal-to-normalised curve, also applied to gains found in saved
        states older than 1.1.0. */
    double gainToNormalised (double gain) noexcept;
}

} // namespace OrvikQ4
