#include "MeCardPayload.h"

#include "TelPayload.h"

#include <array>

namespace ostrel::payload {

namespace {

constexpr std::array FieldRules{
    FieldRule{"name", FieldUse::Optional},    FieldRule{"family", FieldUse::Optional},
    FieldRule{"given", FieldUse::Optional},   FieldRule{"org", FieldUse::Optional},
    FieldRule{"tel", FieldUse::Repeatable},   FieldRule{"email", FieldUse::Repeatable},
    FieldRule{"address", FieldUse::Optional}, FieldRule{"url", FieldUse::Optional},
    FieldRule{"note", FieldUse::Optional},
};

} // namespace

std::span<const FieldRule> MeCardPayload::Rules() {
    return FieldRules;
}

std::string MeCardPayload::Escape(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (const char c : value) {
        if (c == '\\' || c == ';' || c == ',' || c == ':') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

PayloadResult MeCardPayload::Build(const PayloadFields& fields) {
    if (std::string error = fields.Check("mecard", FieldRules); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    for (const std::string_view tel : fields.Values("tel")) {
        if (std::string error = TelPayload::CheckNumber("tel", tel); !error.empty()) {
            return PayloadResult::Failure(std::move(error));
        }
    }
    const std::string_view family = fields.Value("family");
    const std::string_view given = fields.Value("given");
    const std::string_view name = fields.Value("name");
    if (!name.empty() && (!family.empty() || !given.empty())) {
        return PayloadResult::Failure(
            FieldError("name", "and family or given both fill N: give one or the other"));
    }
    if (name.empty() && family.empty() && given.empty()) {
        return PayloadResult::Failure(
            FieldError("name", "is required for the mecard payload (or family or given)"));
    }
    std::string card = "MECARD:N:";
    card += name.empty() ? Escape(family) + ',' + Escape(given) : Escape(name);
    card += ';';
    auto add = [&](std::string_view property, std::string_view value) {
        card += std::string(property) + ':' + Escape(value) + ';';
    };
    if (const std::string_view org = fields.Value("org"); !org.empty()) {
        add("ORG", org);
    }
    for (const std::string_view tel : fields.Values("tel")) {
        add("TEL", tel);
    }
    for (const std::string_view email : fields.Values("email")) {
        add("EMAIL", email);
    }
    for (const auto& [field, property] :
         {std::pair{"address", "ADR"}, std::pair{"url", "URL"}, std::pair{"note", "NOTE"}}) {
        if (const std::string_view value = fields.Value(field); !value.empty()) {
            add(property, value);
        }
    }
    card += ';';
    return {std::move(card), {}};
}

} // namespace ostrel::payload
