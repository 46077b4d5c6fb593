#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

#include <string>
#include <string_view>

namespace ostrel::payload {

// A contact card in vCard 3.0 (RFC 2426): BEGIN, VERSION, FN, N, then ORG, TITLE, TEL, EMAIL,
// URL, ADR and NOTE for the fields given, END; content lines as ContentLine writes them (CR LF,
// TEXT values escaped, folded at 75 octets).
// Fields: name (the formatted name, FN), family and given (N; at least one of the three is
// required), org, title, tel (repeatable; digits, '+', '*', '#', blanks, '-', '.', '(' and ')'),
// email (repeatable), url, address (the street address component of ADR), note.
// Without name, FN is given and family joined by a blank, or family then given without one when
// both are written in CJK characters (张 + 三 gives 张三). Without family and given, N carries the
// formatted name as its family name, which is what phones show first.
class VCardPayload {
public:
    // The fields of the kind.
    static std::span<const FieldRule> Rules();

    static PayloadResult Build(const PayloadFields& fields);

    // The formatted name for family and given name, as above.
    static std::string JoinedName(std::string_view family, std::string_view given);
};

} // namespace ostrel::payload
