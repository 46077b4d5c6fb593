#include "TelPayload.h"

#include <array>

namespace ostrel::payload {

namespace {

constexpr std::array FieldRules{FieldRule{"number", FieldUse::Required}};

} // namespace

std::span<const FieldRule> TelPayload::Rules() {
    return FieldRules;
}

std::string TelPayload::CheckNumber(std::string_view field, std::string_view number) {
    constexpr std::string_view Allowed = "0123456789*# -.()";
    const std::string_view rest = number.starts_with('+') ? number.substr(1) : number;
    if (rest.find_first_not_of(Allowed) != std::string_view::npos ||
        rest.find_first_of("0123456789") == std::string_view::npos) {
        return FieldError(field, "is not a telephone number ('+', digits, '*', '#', blanks, "
                                 "'-', '.', '(' and ')')");
    }
    return {};
}

std::string TelPayload::UriNumber(std::string_view number) {
    std::string compact;
    for (const char c : number) {
        if (c == '#') {
            compact += "%23"; // '#' would start the fragment of the URI (RFC 3986 3.5)
        } else if (c != ' ') {
            compact += c;
        }
    }
    return compact;
}

PayloadResult TelPayload::Build(const PayloadFields& fields) {
    if (std::string error = fields.Check("tel", FieldRules); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    const std::string_view number = fields.Value("number");
    if (std::string error = CheckNumber("number", number); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    return {"tel:" + UriNumber(number), {}};
}

} // namespace ostrel::payload
