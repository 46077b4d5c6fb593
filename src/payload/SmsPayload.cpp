#include "SmsPayload.h"

#include "PercentEncoding.h"
#include "TelPayload.h"

#include <array>

namespace ostrel::payload {

namespace {

constexpr std::array FieldRules{
    FieldRule{"number", FieldUse::Required},
    FieldRule{"body", FieldUse::Optional},
};

} // namespace

std::span<const FieldRule> SmsPayload::Rules() {
    return FieldRules;
}

PayloadResult SmsPayload::Build(const PayloadFields& fields) {
    if (std::string error = fields.Check("sms", FieldRules); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    const std::string_view number = fields.Value("number");
    if (std::string error = TelPayload::CheckNumber("number", number); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    std::string link = "sms:" + TelPayload::UriNumber(number);
    if (const std::string_view body = fields.Value("body"); !body.empty()) {
        link += "?body=" + PercentEncoding::Encode(body);
    }
    return {std::move(link), {}};
}

} // namespace ostrel::payload
