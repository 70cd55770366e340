#include "processor/ValueText.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace ValueText
{

juce::String general (double value, int precision)
{
    std::ostringstream stream;
    stream.imbue (std::locale::classic());

    if (precision > 0)
        stream.precision (precision);

    stream << value;
    return juce::String (stream.str());
}

juce::String fixed (double value, int decimalPlaces)
{
    jassert (decimalPlaces > 0 && decimalPlaces < 7);

    const double scaled = std::pow (10.0, decimalPlaces) * std::abs (value) + 0.5;

    // Beyond what a 64-bit count can hold (or not a number) the rounding cannot be done by
    // truncation; such values are written in general notation instead.
    if (! (value > -1.0e20 && value < 1.0e20) || ! (scaled < 9.0e18))
        return general (value, decimalPlaces);

    auto digits = static_cast<juce::int64> (scaled);

    char buffer[48];
    char* end = buffer + sizeof (buffer);
    char* t = end;
    *--t = 0;

    for (int places = decimalPlaces; places >= 0 || digits > 0; --places)
    {
        if (places == 0)
            *--t = '.';

        *--t = static_cast<char> ('0' + (digits % 10));
        digits /= 10;
    }

    if (value < 0)
        *--t = '-';

    return juce::String (t);
}

double readLeadingNumber (const juce::String& text)
{
    auto p = text.getCharPointer().findEndOfWhitespace();
    auto first = *p;

    if (first == '-' || first == '+')
        first = p[1];

    // The framework's reader also accepts the words nan and inf; a number must start with a
    // digit or a decimal point here.
    if (! ((first >= '0' && first <= '9') || first == '.'))
        return 0.0;

    return juce::CharacterFunctions::readDoubleValue (p);
}

bool equalsIgnoringAsciiCase (const juce::String& a, const char* b)
{
    const char* s = a.toRawUTF8();

    for (;; ++s, ++b)
    {
        auto x = static_cast<unsigned char> (*s);
        auto y = static_cast<unsigned char> (*b);

        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char> (x + ('a' - 'A'));
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char> (y + ('a' - 'A'));

        if (x != y)
            return false;

        if (x == 0)
            return true;
    }
}

} // namespace ValueText
