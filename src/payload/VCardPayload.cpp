#include "VCardPayload.h"

#include "ContentLine.h"
#include "TelPayload.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ostrel::payload {

namespace {

constexpr std::array FieldRules{
    FieldRule{"name", FieldUse::Optional},    FieldRule{"family", FieldUse::Optional},
    FieldRule{"given", FieldUse::Optional},   FieldRule{"org", FieldUse::Optional},
    FieldRule{"title", FieldUse::Optional},   FieldRule{"tel", FieldUse::Repeatable},
    FieldRule{"email", FieldUse::Repeatable}, FieldRule{"url", FieldUse::Optional},
    FieldRule{"address", FieldUse::Optional}, FieldRule{"note", FieldUse::Optional},
};

// The code point of the UTF-8 character that starts at text[i].
std::uint32_t CodePointAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
        value = (value << 6) | (static_cast<std::uint8_t>(text[i + k]) & 0x3F);
    }
    return value;
}

// The start of the last UTF-8 character of a non-empty text.
std::size_t LastCharacter(std::string_view text) {
    std::size_t i = text.size() - 1;
    while (i > 0 && (static_cast<std::uint8_t>(text[i]) & 0xC0) == 0x80) {
        --i;
    }
    return i;
}

// Characters from the CJK radicals (U+2E80) on: Han, kana, Hangul and their compatibility
// forms, whose names are written family name first without a space.
bool IsCjk(std::uint32_t codePoint) {
    return codePoint >= 0x2E80;
}

} // namespace

std::span<const FieldRule> VCardPayload::Rules() {
    return FieldRules;
}

std::string VCardPayload::JoinedName(std::string_view family, std::string_view given) {
    if (family.empty() || given.empty()) {
        return std::string(family.empty() ? given : family);
    }
    if (IsCjk(CodePointAt(family, LastCharacter(family))) && IsCjk(CodePointAt(given, 0))) {
        return std::string(family) + std::string(given);
    }
    return std::string(given) + ' ' + std::string(family);
}

PayloadResult VCardPayload::Build(const PayloadFields& fields) {
    if (std::string error = fields.Check("vcard", FieldRules); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    for (const FieldRule& rule : FieldRules) {
        for (const std::string_view value : fields.Values(rule.Name)) {
            if (std::string error = ContentLine::CheckControls(rule.Name, value); !error.empty()) {
                return PayloadResult::Failure(std::move(error));
            }
        }
    }
    for (const std::string_view tel : fields.Values("tel")) {
        if (std::string error = TelPayload::CheckNumber("tel", tel); !error.empty()) {
            return PayloadResult::Failure(std::move(error));
        }
    }
    const std::string_view family = fields.Value("family");
    const std::string_view given = fields.Value("given");
    std::string name(fields.Value("name"));
    if (name.empty()) {
        name = JoinedName(family, given);
    }
    if (name.empty()) {
        return PayloadResult::Failure(
            FieldError("name", "is required for the vcard payload (or family or given)"));
    }
    auto text = ContentLine::EscapeText;
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += ContentLine::Folded("FN", text(name));
    card += ContentLine::Folded("N", family.empty() && given.empty()
                                         ? text(name) + ";;;;"
                                         : text(family) + ';' + text(given) + ";;;");
    auto single = [&](std::string_view field, std::string_view property) {
        if (const std::string_view value = fields.Value(field); !value.empty()) {
            card += ContentLine::Folded(property, text(value));
        }
    };
    single("org", "ORG");
    single("title", "TITLE");
    for (const std::string_view tel : fields.Values("tel")) {
        card += ContentLine::Folded("TEL", tel);
    }
    for (const std::string_view email : fields.Values("email")) {
        card += ContentLine::Folded("EMAIL;TYPE=INTERNET", text(email));
    }
    single("url", "URL");
    if (const std::string_view address = fields.Value("address"); !address.empty()) {
        card += ContentLine::Folded("ADR", ";;" + text(address) + ";;;;");
    }
    single("note", "NOTE");
    card += "END:VCARD\r\n";
    return {std::move(card), {}};
}

} // namespace ostrel::payload
