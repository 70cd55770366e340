#pragma once

#include <juce_core/juce_core.h>

/**
    Number texts as the plug-in shows and stores them.

    The texts follow fixed rules rather than whatever the current framework or C library
    locale does, because they are part of what hosts display and of the saved state.
*/
namespace ValueText
{
    /** A number with a fixed count of decimal places (1 ... 6): the magnitude times 10^places
        is rounded by adding 0.5 and truncating, written with at least one digit before the
        point, with a minus sign in front of negative values ("-0.0" included). Magnitudes
        too large for that rounding are written in general notation. */
    juce::String fixed (double value, int decimalPlaces);

    /** A number in the standard stream's general notation with the given count of significant
        digits (classic locale): trailing zeros and a trailing point dropped, exponent form for
        small and large magnitudes. precision 0 stands for the default of 6. */
    juce::String general (double value, int precision);

    /** The number at the start of a text: leading white space, an optional sign, digits, a
        decimal point and an exponent; reading stops at the first other character. A text
        that does not start with a number (words such as "nan" or "inf" included) reads as 0. */
    double readLeadingNumber (const juce::String& text);

    /** True when two texts are equal byte for byte, ignoring the case of ASCII letters. */
    bool equalsIgnoringAsciiCase (const juce::String& a, const char* b);
}
