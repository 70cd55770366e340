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
    const auto start = text.getCharPointer().findEndOfWhitespace();
    auto p = start;

    if (*p == '-' || *p == '+')
        ++p;

    // The framework's reader also accepts the words nan and inf; a number must start with a
    // digit or a decimal point here.
    if (! (p.isDigit() || *p == '.'))
        return 0.0;

    while (p.isDigit())
        ++p;

    if (*p == '.')
        for (++p; p.isDigit(); ++p) {}

    if (*p == 'e' || *p == 'E')
    {
        // The framework's reader accumulates the exponent in an int without a limit; an
        // exponent of five or more digits (beyond any double either way) is read as 9999.
        auto e = p + 1;
        const bool negative = *e == '-';

        if (*e == '-' || *e == '+')
            ++e;

        while (*e == '0')
            ++e;

        int digits = 0;

        for (auto d = e; d.isDigit(); ++d)
            ++digits;

        if (digits > 4)
        {
            const auto bounded = juce::String (start, p) + (negative ? "e-9999" : "e9999");
            auto b = bounded.getCharPointer();
            return juce::CharacterFunctions::readDoubleValue (b);
        }
    }

    auto q = start;
    return juce::CharacterFunctions::readDoubleValue (q);
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
