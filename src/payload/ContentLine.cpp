#include "ContentLine.h"

#include "PayloadFields.h"

#include <cstdint>

namespace ostrel::payload {

std::string ContentLine::EscapeText(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' || c == ';' || c == ',') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\r' || c == '\n') {
            escaped += "\\n";
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
                ++i;
            }
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string ContentLine::Folded(std::string_view name, std::string_view value) {
    const std::string line = std::string(name) + ':' + std::string(value);
    std::string folded;
    folded.reserve(line.size() + line.size() / 32 + 2);
    std::size_t used = 0; // octets on the current physical line
    for (std::size_t i = 0; i < line.size();) {
        // The unit that must stay on one line: a UTF-8 character, or a backslash and the
        // character after it.
        std::size_t unit = 1;
        const auto lead = static_cast<std::uint8_t>(line[i]);
        if (lead >= 0xF0) {
            unit = 4;
        } else if (lead >= 0xE0) {
            unit = 3;
        } else if (lead >= 0xC0 || (lead == '\\' && i + 1 < line.size())) {
            unit = 2;
        }
        if (i + unit > line.size()) {
            unit = line.size() - i;
        }
        if (used + unit > MaxOctets) {
            folded += "\r\n ";
            used = 1;
        }
        folded.append(line, i, unit);
        used += unit;
        i += unit;
    }
    folded += "\r\n";
    return folded;
}

std::string ContentLine::CheckControls(std::string_view field, std::string_view value) {
    for (const char c : value) {
        const auto octet = static_cast<std::uint8_t>(c);
        if ((octet < 0x20 && c != '\t' && c != '\r' && c != '\n') || octet == 0x7F) {
            return FieldError(field, "holds a control character");
        }
    }
    return {};
}

} // namespace ostrel::payload
