#include "GeoPayload.h"

#include <array>

namespace ostrel::payload {

namespace {

constexpr std::array FieldRules{
    FieldRule{"lat", FieldUse::Required},
    FieldRule{"lon", FieldUse::Required},
};

} // namespace

std::span<const FieldRule> GeoPayload::Rules() {
    return FieldRules;
}

std::optional<std::string> GeoPayload::Coordinate(std::string_view text, int limit) {
    std::string number;
    if (text.starts_with('-')) {
        number = "-";
        text.remove_prefix(1);
    } else if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    constexpr std::string_view Digits = "0123456789";
    if (whole.empty() || whole.find_first_not_of(Digits) != std::string_view::npos ||
        (point != std::string_view::npos &&
         (fraction.empty() || fraction.find_first_not_of(Digits) != std::string_view::npos))) {
        return std::nullopt;
    }
    // Within the limit: the whole degrees below it, or equal to it with a zero fraction.
    const auto significant = whole.find_first_not_of('0');
    const std::string_view degrees =
        significant == std::string_view::npos ? std::string_view{"0"} : whole.substr(significant);
    const std::string limitText = std::to_string(limit);
    const bool wholeBelow = degrees.size() < limitText.size() ||
                            (degrees.size() == limitText.size() && degrees < limitText);
    const bool atLimit =
        degrees == limitText && fraction.find_first_not_of('0') == std::string_view::npos;
    if (!wholeBelow && !atLimit) {
        return std::nullopt;
    }
    return number + std::string(text);
}

PayloadResult GeoPayload::Build(const PayloadFields& fields) {
    if (std::string error = fields.Check("geo", FieldRules); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    const auto lat = Coordinate(fields.Value("lat"), 90);
    if (!lat) {
        return PayloadResult::Failure(FieldError("lat", "must be a decimal number from -90 to 90"));
    }
    const auto lon = Coordinate(fields.Value("lon"), 180);
    if (!lon) {
        return PayloadResult::Failure(
            FieldError("lon", "must be a decimal number from -180 to 180"));
    }
    return {"geo:" + *lat + ',' + *lon, {}};
}

} // namespace ostrel::payload
