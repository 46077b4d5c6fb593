#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

namespace ostrel::payload {

// An e-mail link (RFC 6068): mailto:<to>[,<to>...][?subject=<subject>][&body=<body>], from the
// fields to (required, repeatable: addresses local@domain), subject (one line) and body (its line
// breaks written as CR LF, as RFC 6068 2 wants). Every octet but the unreserved characters is
// percent-encoded, in the addresses all but '@' and RFC 6068's other delimiters that an address
// may hold ("!$'()*+;:").
class MailtoPayload {
public:
    // The fields of the kind.
    static std::span<const FieldRule> Rules();

    static PayloadResult Build(const PayloadFields& fields);
};

} // namespace ostrel::payload
