#pragma once

#include <string>
#include <string_view>

namespace ostrel::payload {

// Percent-encoding of URI components (RFC 3986 2.1) for the tel, sms and mailto links.
class PercentEncoding {
public:
    // Every octet but the unreserved characters (ALPHA, DIGIT, '-', '.', '_', '~') and those in
    // keep becomes '%' and two upper-case hexadecimal digits; UTF-8 text is encoded octet by
    // octet, as RFC 3986 2.5 and RFC 6068 2 want.
    static std::string Encode(std::string_view text, std::string_view keep = {});
};

} // namespace ostrel::payload
