#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

namespace ostrel::payload {

// A text message link (RFC 5724): sms:<number>[?body=<body>], from the fields number (required,
// written as TelPayload writes it) and body (its UTF-8 octets percent-encoded, everything but
// the unreserved characters).
class SmsPayload {
public:
    // The fields of the kind.
    static std::span<const FieldRule> Rules();

    static PayloadResult Build(const PayloadFields& fields);
};

} // namespace ostrel::payload
