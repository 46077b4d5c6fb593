#pragma once

#include <string>
#include <string_view>

namespace ostrel::payload {

// The content lines of vCard 3.0 (RFC 2426) and iCalendar (RFC 5545), which share their rules:
// NAME[;PARAM]:VALUE lines ending in CR LF, TEXT values with a backslash before the characters
// that separate values, and long lines folded.
class ContentLine {
public:
    // The longest line in octets, the line break not counted (RFC 5545 3.1, RFC 2426 2.6 via
    // RFC 2425 5.8.1).
    static constexpr std::size_t MaxOctets = 75;

    // A TEXT value escaped (RFC 2426 5 "text", RFC 5545 3.3.11): '\' ';' ',' become "\\" "\;"
    // "\,"; a line break (CR LF, CR or LF) becomes "\n". Other characters are kept.
    static std::string EscapeText(std::string_view value);

    // The line "name:value" folded and ended with CR LF: after at most MaxOctets octets the line
    // breaks and continues after one space (which counts towards the next MaxOctets). A break
    // never falls inside a UTF-8 character or between a backslash and the character it escapes.
    static std::string Folded(std::string_view name, std::string_view value);

    // An error naming the field when value holds a control character that a content line cannot
    // carry (U+0000 to U+001F but tab, CR and LF, and U+007F); empty otherwise.
    static std::string CheckControls(std::string_view field, std::string_view value);
};

} // namespace ostrel::payload
