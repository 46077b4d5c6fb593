#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

#include <optional>
#include <string>
#include <string_view>

namespace ostrel::payload {

// A place (RFC 5870): geo:<lat>,<lon> in WGS 84 decimal degrees, from the fields lat (required,
// -90 to 90) and lon (required, -180 to 180). The numbers are written with the digits given
// (RFC 5870 3.3: an optional '-', digits, optionally a '.' and more digits); a leading '+' is
// left out.
class GeoPayload {
public:
    // The fields of the kind.
    static std::span<const FieldRule> Rules();

    static PayloadResult Build(const PayloadFields& fields);

    // The number as RFC 5870 writes it when text is one ("+12.50" gives "12.50") and lies
    // within -limit to limit; nullopt otherwise.
    static std::optional<std::string> Coordinate(std::string_view text, int limit);
};

} // namespace ostrel::payload
