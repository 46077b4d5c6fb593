#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

#include <string>
#include <string_view>

namespace ostrel::payload {

// A telephone link (RFC 3966): tel:<number>, from the field number (required). The blanks people
// write between groups of digits are left out of the link, which has no place for them; the
// other visual separators '-', '.', '(' and ')' stay, and '#' is written %23.
class TelPayload {
public:
    // The fields of the kind.
    static std::span<const FieldRule> Rules();

    static PayloadResult Build(const PayloadFields& fields);

    // A telephone number as people write it: an optional leading '+', then digits, '*', '#'
    // and the visual separators blank, '-', '.', '(' and ')', with at least one digit. Returns
    // an error naming field, empty when the number is fine.
    static std::string CheckNumber(std::string_view field, std::string_view number);

    // The number as a link writes it: without blanks, '#' percent-encoded.
    static std::string UriNumber(std::string_view number);
};

} // namespace ostrel::payload
