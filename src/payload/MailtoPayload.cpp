#include "MailtoPayload.h"

#include "PercentEncoding.h"

#include <array>

namespace ostrel::payload {

namespace {

constexpr std::array FieldRules{
    FieldRule{"to", FieldUse::Repeatable},
    FieldRule{"subject", FieldUse::Optional},
    FieldRule{"body", FieldUse::Optional},
};

// RFC 6068 "some-delims" but ',' (which separates the addresses): they may stand in an address.
constexpr std::string_view AddressDelimiters = "!$'()*+;:@";

// The text with every line break (CR LF, CR or LF) written CR LF.
std::string CrLfLines(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            result += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace

std::span<const FieldRule> MailtoPayload::Rules() {
    return FieldRules;
}

PayloadResult MailtoPayload::Build(const PayloadFields& fields) {
    if (std::string error = fields.Check("mailto", FieldRules); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    if (fields.Values("to").empty()) {
        return PayloadResult::Failure(
            FieldError("to", "is required for the mailto payload and missing or empty"));
    }
    std::string link = "mailto:";
    bool first = true;
    for (const std::string_view to : fields.Values("to")) {
        const auto at = to.rfind('@');
        if (at == 0 || at == std::string_view::npos || at + 1 == to.size() ||
            to.find_first_of(" \t\r\n") != std::string_view::npos) {
            return PayloadResult::Failure(
                FieldError("to", "is not an e-mail address (local@domain)"));
        }
        if (!first) {
            link += ',';
        }
        link += PercentEncoding::Encode(to, AddressDelimiters);
        first = false;
    }
    const std::string_view subject = fields.Value("subject");
    if (subject.find_first_of("\r\n") != std::string_view::npos) {
        return PayloadResult::Failure(FieldError("subject", "holds a line break"));
    }
    char separator = '?';
    if (!subject.empty()) {
        link += "?subject=";
        link += PercentEncoding::Encode(subject);
        separator = '&';
    }
    if (const std::string_view body = fields.Value("body"); !body.empty()) {
        link += separator;
        link += "body=";
        link += PercentEncoding::Encode(CrLfLines(body));
    }
    return {std::move(link), {}};
}

} // namespace ostrel::payload
