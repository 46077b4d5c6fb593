#pragma once

#include "Gs1ElementString.h"
#include "PayloadResult.h"

#include <string_view>
#include <vector>

namespace ostrel::payload {

// GS1 Digital Link URIs of checked element strings, for a phone to open: the domain, the primary
// key as /AI/value, the key qualifiers that are present as /AI/value in the order the GS1
// Digital Link standard gives for the key (GTIN: 22, 10, 21, or 235), and every other element as
// a query parameter AI=value in the order given. Values are percent-encoded (all but the
// unreserved characters A-Z a-z 0-9 - . _ ~).
class Gs1DigitalLink {
public:
    // The URI of elements under domain ("https://example.com", a trailing '/' dropped), or why
    // there is none: a domain that is no http(s) URI, an AI given twice, no primary key.
    static PayloadResult Build(const std::vector<Gs1ElementString::Element>& elements,
                               std::string_view domain);

    // Whether domain is an http or https URI with a host and nothing after its path.
    static bool IsDomain(std::string_view domain);

    // The qualifier sequences of a primary key AI, alternatives split by '|' ("22,10,21|235");
    // null when the AI is no primary key.
    static const char* Qualifiers(std::string_view ai);
};

} // namespace ostrel::payload
