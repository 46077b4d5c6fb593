#include "PercentEncoding.h"

#include <cstdint>

namespace ostrel::payload {

std::string PercentEncoding::Encode(std::string_view text, std::string_view keep) {
    constexpr std::string_view Hex = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved || keep.find(c) != std::string_view::npos) {
            encoded += c;
        } else {
            const auto octet = static_cast<std::uint8_t>(c);
            encoded += '%';
            encoded += Hex[octet >> 4];
            encoded += Hex[octet & 0x0F];
        }
    }
    return encoded;
}

} // namespace ostrel::payload
