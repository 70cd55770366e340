#include "processor/ParameterMapping.h"
#include "processor/PluginProcessor.h"
#include "processor/ValueText.h"

#include <cfloat>
#include <cctype>
#include <cmath>
#include <cstring>
#include <climits>
#include <cstdlib>
#include <string>

namespace OrvikQ4
{

namespace
{
    constexpr juce::uint32 kStateMagic = 0x21324356;  // "VC2!" in little-endian byte order
    constexpr const char* kStateTag = "NRVQ4300SETTINGS";
    constexpr const char* kStateVersion = "1.2.0";

    /** Saved states below this version stored Input and Output as internal gains. */
    constexpr int kFirstNormalisedGainVersion = 110;

    /** The bytes as text, cut at the first 0 byte. Byte sequences that are not UTF-8 become '?':
        the framework's text handling walks a string by the lengths its lead bytes announce, so a
        malformed sequence would make it read past the end of the text. */
    std::string decodeUtf8 (const char* bytes, size_t size)
    {
        std::string text;
        text.reserve (size);

        auto isContinuation = [&] (size_t i) { return i < size && (static_cast<unsigned char> (bytes[i]) & 0xc0) == 0x80; };

        for (size_t i = 0; i < size && bytes[i] != 0;)
        {
            const auto lead = static_cast<unsigned char> (bytes[i]);
            size_t length = 0;

            if (lead < 0x80)                       length = 1;
            else if (lead >= 0xc2 && lead <= 0xdf) length = 2;
            else if (lead >= 0xe0 && lead <= 0xef) length = 3;
            else if (lead >= 0xf0 && lead <= 0xf4) length = 4;

            bool valid = length > 0;

            for (size_t k = 1; valid && k < length; ++k)
                valid = isContinuation (i + k);

            if (valid && length >= 3)
            {
                const auto second = static_cast<unsigned char> (bytes[i + 1]);
                valid = ! (lead == 0xe0 && second < 0xa0)    // overlong
                     && ! (lead == 0xed && second >= 0xa0)   // surrogate halves
                     && ! (lead == 0xf0 && second < 0x90)    // overlong
                     && ! (lead == 0xf4 && second >= 0x90);  // beyond U+10FFFF
            }

            if (valid)
            {
                text.append (bytes + i, length);
                i += length;
            }
            else
            {
                text.push_back ('?');
                ++i;
            }
        }

        return text;
    }

    /** True when the text holds markup the framework's parser mishandles, which a state never
        contains: a numeric character reference that is malformed or names no Unicode character
        (the parser then steps past the end of the text, or produces bytes that are not UTF-8),
        or a document type declaration (entity definitions). */
    bool hasUnsafeMarkup (const std::string& text)
    {
        const auto isHex = [] (char c) { return std::isxdigit (static_cast<unsigned char> (c)) != 0; };
        const auto isDecimal = [] (char c) { return c >= '0' && c <= '9'; };

        for (size_t i = 0; i < text.size(); ++i)
        {
            if (text.compare (i, 2, "<!") == 0 && ValueText::equalsIgnoringAsciiCase (text.substr (i, 9), "<!DOCTYPE"))
                return true;

            if (text[i] != '&' || i + 1 >= text.size() || text[i + 1] != '#')
                continue;

            size_t j = i + 2;
            const bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
            j += hex ? 1 : 0;

            const size_t maxDigits = hex ? 8 : 12;
            size_t digits = 0;
            long long code = 0;

            for (; j < text.size() && (hex ? isHex (text[j]) : isDecimal (text[j])); ++j, ++digits)
                if (digits < maxDigits)
                    code = code * (hex ? 16 : 10) + juce::CharacterFunctions::getHexDigitValue ((juce::juce_wchar) text[j]);

            const bool wellFormed = digits >= 1 && digits <= maxDigits && j < text.size() && text[j] == ';';
            const bool character = code >= 1 && code <= 0x10ffff && ! (code >= 0xd800 && code <= 0xdfff);

            if (! (wellFormed && character))
                return true;
        }

        return false;
    }

    /** The version number with its dots removed, read like the C library's atoi (limited to
        the int range instead of overflowing). */
    int versionNumber (juce::String version)
    {
        const long value = std::strtol (version.removeCharacters (".").toRawUTF8(), nullptr, 10);
        return static_cast<int> (juce::jlimit<long> (INT_MIN, INT_MAX, value));
    }
}

void TarskAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    juce::XmlElement xml (kStateTag);
    xml.setAttribute ("Version", kStateVersion);

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    for (int i = 0; i < getNumParameters(); ++i)
        xml.setAttribute (getParameterShortName (i), ValueText::general (static_cast<double> (getParameter (i)), 20));
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    {
        juce::MemoryOutputStream out (destData, false);
        out.writeInt (static_cast<int> (kStateMagic));
        out.writeInt (0);
        xml.writeTo (out, juce::XmlElement::TextFormat().singleLine().withoutHeader());
        out.writeByte (0);
    }

    // Bytes 4 ... 7: the length of the XML text, little-endian.
    const auto textLength = static_cast<juce::uint32> (destData.getSize() - 9);
    auto* bytes = static_cast<juce::uint8*> (destData.getData());

    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = static_cast<juce::uint8> ((textLength >> (8 * i)) & 0xff);
}

void TarskAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    // Every way out stamps the time of the load, which holds back program selections briefly.
    struct StampOnExit
    {
        TarskAudioProcessor& owner;
        ~StampOnExit()
        {
            owner.lastStateLoadMs.store (owner.now());
            owner.stateLoaded.store (true);
        }
    } stamp { *this };

    // The parameters set below are published one by one but reach the audio side together,
    // at one block boundary, when the load ends (before the stamp above).
    struct CollectOnThisThread
    {
        TarskAudioProcessor& owner;
        StateLoad load { &owner, { SettingChange::Kind::state } };
        StateLoad* const outer = stateLoadOnThisThread;

        explicit CollectOnThisThread (TarskAudioProcessor& o) : owner (o) { stateLoadOnThisThread = &load; }

        ~CollectOnThisThread()
        {
            stateLoadOnThisThread = outer;

            if (load.change.written != 0)
                owner.handOver (load.change);
        }
    } collect { *this };

    if (data == nullptr || sizeInBytes < 9)
        return;

    const auto* bytes = static_cast<const char*> (data);

    if (juce::ByteOrder::littleEndianInt (bytes) != kStateMagic)
        return;

    const auto declaredLength = static_cast<juce::int32> (juce::ByteOrder::littleEndianInt (bytes + 4));

    if (declaredLength < 1)
        return;

    // Only the bytes present are read.
    const auto textLength = static_cast<size_t> (juce::jmin (sizeInBytes - 8, (int) declaredLength));
    const auto utf8 = decodeUtf8 (bytes + 8, textLength);

    if (hasUnsafeMarkup (utf8))
        return;

    const auto text = juce::String::fromUTF8 (utf8.data(), static_cast<int> (utf8.size()));

    if (text.isEmpty())
        return;

    // Only the outer element is read: it holds everything a state has. The framework's parser
    // of child content recurses once per nesting level and can loop forever on some malformed
    // content, so a damaged or hostile block must never reach it.
    auto xml = juce::XmlDocument (text).getDocumentElement (true);

    if (xml == nullptr || ! ValueText::equalsIgnoringAsciiCase (xml->getTagName(), kStateTag))
        return;

    bool old = true;
    const auto version = xml->getStringAttribute ("Version");

    if (version.isNotEmpty())
        old = versionNumber (version) < kFirstNormalisedGainVersion;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    for (int i = 0; i < getNumParameters(); ++i)
    {
        const auto name = getParameterShortName (i);
        const double fallback = i < kNumParameters ? static_cast<double> (cDefaultValues[i]) : 0.0;
        double v = fallback;

        if (xml->hasAttribute (name))
            v = ValueText::readLeadingNumber (xml->getStringAttribute (name));

        // A value that is not a finite float (such as 1e999) is as unusable as a missing one.
        if (! (std::abs (v) <= static_cast<double> (FLT_MAX)))
            v = fallback;

        auto f = static_cast<float> (v);

        if (old && i < 2)
            f = static_cast<float> (ParameterMapping::gainToNormalised (static_cast<double> (f)));

        setParameter (i, f);
    }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

} // namespace OrvikQ4
