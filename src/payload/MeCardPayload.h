#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

#include <string>
#include <string_view>

namespace ostrel::payload {

// A contact card in the MECARD form of NTT DoCoMo's phones, which most QR readers know:
//   MECARD:N:<family>,<given>;ORG:<org>;TEL:<tel>;EMAIL:<email>;ADR:<address>;URL:<url>;
//   NOTE:<note>;;
// Fields: name (N as one value, when neither family nor given is given), family and given
// (N as family,given; one of name, family and given is required), org, tel (repeatable, a
// telephone number as TelPayload checks it), email (repeatable), url, address, note.
class MeCardPayload {
public:
    // The fields of the kind.
    static std::span<const FieldRule> Rules();

    static PayloadResult Build(const PayloadFields& fields);

    // A value with '\' ';' ',' ':' each preceded by a backslash.
    static std::string Escape(std::string_view value);
};

} // namespace ostrel::payload
