#include "PayloadFields.h"

#include <algorithm>
#include <cstdint>

namespace ostrel::payload {

std::string PayloadFields::NormalName(std::string_view name) {
    constexpr std::string_view Blanks = " \t\r\n";
    const auto first = name.find_first_not_of(Blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    std::string result(name.substr(first, name.find_last_not_of(Blanks) - first + 1));
    std::transform(result.begin(), result.end(), result.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return result;
}

std::string FieldError(std::string_view name, std::string_view what) {
    return "field '" + std::string(name) + "' " + std::string(what);
}

void PayloadFields::Add(std::string_view name, std::string value) {
    m_Fields.emplace_back(NormalName(name), std::move(value));
}

std::optional<std::pair<std::string, std::string>>
PayloadFields::ParseAssignment(std::string_view text) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos || NormalName(text.substr(0, equals)).empty()) {
        return std::nullopt;
    }
    return std::pair{NormalName(text.substr(0, equals)), std::string(text.substr(equals + 1))};
}

std::string_view PayloadFields::Value(std::string_view name) const {
    const auto values = Values(name);
    return values.empty() ? std::string_view{} : values.front();
}

std::vector<std::string_view> PayloadFields::Values(std::string_view name) const {
    std::vector<std::string_view> values;
    for (const auto& [field, value] : m_Fields) {
        if (field == name && !value.empty()) {
            values.emplace_back(value);
        }
    }
    return values;
}

std::string PayloadFields::Check(std::string_view kind, std::span<const FieldRule> rules) const {
    for (const auto& entry : m_Fields) {
        const std::string& field = entry.first;
        if (std::string error = Unknown(kind, field, rules); !error.empty()) {
            return error;
        }
        const auto rule = std::find_if(rules.begin(), rules.end(),
                                       [&](const FieldRule& r) { return r.Name == field; });
        if (rule->Use != FieldUse::Repeatable &&
            std::count_if(m_Fields.begin(), m_Fields.end(),
                          [&](const auto& f) { return f.first == field; }) > 1) {
            return FieldError(field, "is given more than once");
        }
        if (!IsUtf8(entry.second)) {
            return FieldError(field, "is not valid UTF-8");
        }
    }
    for (const FieldRule& rule : rules) {
        if (rule.Use == FieldUse::Required && Value(rule.Name).empty()) {
            return FieldError(rule.Name, "is required for the " + std::string(kind) +
                                             " payload and missing or empty");
        }
    }
    return {};
}

std::string PayloadFields::Unknown(std::string_view kind, std::string_view name,
                                   std::span<const FieldRule> rules) {
    const std::string normal = NormalName(name);
    if (std::any_of(rules.begin(), rules.end(),
                    [&](const FieldRule& rule) { return rule.Name == normal; })) {
        return {};
    }
    std::string known;
    for (const FieldRule& rule : rules) {
        known += (known.empty() ? "" : ", ") + std::string(rule.Name);
    }
    return FieldError(normal, "is not a field of the " + std::string(kind) +
                                  " payload (its fields: " + known + ")");
}

bool PayloadFields::IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t length = 0;
        std::uint32_t value = 0;
        std::uint32_t least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace ostrel::payload
