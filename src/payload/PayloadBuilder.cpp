#include "PayloadBuilder.h"

#include "EventPayload.h"
#include "GeoPayload.h"
#include "MailtoPayload.h"
#include "MeCardPayload.h"
#include "SmsPayload.h"
#include "TelPayload.h"
#include "VCardPayload.h"
#include "WifiPayload.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ostrel::payload {

namespace {

constexpr std::array Kinds{
    std::pair{PayloadKind::Text, std::string_view{"text"}},
    std::pair{PayloadKind::Wifi, std::string_view{"wifi"}},
    std::pair{PayloadKind::VCard, std::string_view{"vcard"}},
    std::pair{PayloadKind::MeCard, std::string_view{"mecard"}},
    std::pair{PayloadKind::Event, std::string_view{"event"}},
    std::pair{PayloadKind::Tel, std::string_view{"tel"}},
    std::pair{PayloadKind::Sms, std::string_view{"sms"}},
    std::pair{PayloadKind::Mailto, std::string_view{"mailto"}},
    std::pair{PayloadKind::Geo, std::string_view{"geo"}},
};

constexpr std::array TextRules{FieldRule{"data", FieldUse::Required}};

} // namespace

std::optional<PayloadKind> PayloadBuilder::KindByName(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    for (const auto& [kind, kindName] : Kinds) {
        if (kindName == lower) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string_view PayloadBuilder::KindName(PayloadKind kind) {
    for (const auto& [known, name] : Kinds) {
        if (known == kind) {
            return name;
        }
    }
    return {};
}

std::string PayloadBuilder::KindNames() {
    std::string names;
    for (const auto& [kind, name] : Kinds) {
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
}

std::size_t PayloadBuilder::KindCount() {
    return Kinds.size();
}

std::optional<PayloadKind> PayloadBuilder::KindAt(std::size_t index) {
    if (index >= Kinds.size()) {
        return std::nullopt;
    }
    return Kinds[index].first;
}

std::span<const FieldRule> PayloadBuilder::Rules(PayloadKind kind) {
    switch (kind) {
    case PayloadKind::Text:
        return TextRules;
    case PayloadKind::Wifi:
        return WifiPayload::Rules();
    case PayloadKind::VCard:
        return VCardPayload::Rules();
    case PayloadKind::MeCard:
        return MeCardPayload::Rules();
    case PayloadKind::Event:
        return EventPayload::Rules();
    case PayloadKind::Tel:
        return TelPayload::Rules();
    case PayloadKind::Sms:
        return SmsPayload::Rules();
    case PayloadKind::Mailto:
        return MailtoPayload::Rules();
    case PayloadKind::Geo:
        return GeoPayload::Rules();
    }
    return {};
}

PayloadResult PayloadBuilder::Build(PayloadKind kind, const PayloadFields& fields,
                                    std::optional<std::int64_t> stamp) {
    switch (kind) {
    case PayloadKind::Text:
        if (std::string error = fields.Check("text", TextRules); !error.empty()) {
            return PayloadResult::Failure(std::move(error));
        }
        return {std::string(fields.Value("data")), {}};
    case PayloadKind::Wifi:
        return WifiPayload::Build(fields);
    case PayloadKind::VCard:
        return VCardPayload::Build(fields);
    case PayloadKind::MeCard:
        return MeCardPayload::Build(fields);
    case PayloadKind::Event:
        return EventPayload::Build(fields, stamp);
    case PayloadKind::Tel:
        return TelPayload::Build(fields);
    case PayloadKind::Sms:
        return SmsPayload::Build(fields);
    case PayloadKind::Mailto:
        return MailtoPayload::Build(fields);
    case PayloadKind::Geo:
        return GeoPayload::Build(fields);
    }
    return PayloadResult::Failure("unknown payload kind");
}

} // namespace ostrel::payload
