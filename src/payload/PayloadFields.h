#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::payload {

// How often a field of a payload kind may be given.
enum class FieldUse { Optional, Required, Repeatable };

// A field a payload kind knows, with how often it may be given.
struct FieldRule {
    std::string_view Name;
    FieldUse Use;
};

// The named values a payload is built from, in the order given (--field NAME=VALUE, or the
// columns of a row). Names are compared without regard to ASCII case and surrounding blanks;
// values are UTF-8 and kept exactly. An empty value counts as not given, so that an empty
// spreadsheet cell leaves its field out.
class PayloadFields {
public:
    // Adds a field; the name is stored trimmed and in lower case.
    void Add(std::string_view name, std::string value);

    // A field's name as the fields keep it: without surrounding blanks, ASCII letters in lower
    // case.
    static std::string NormalName(std::string_view name);

    // "NAME=VALUE" split at its first '=' (the value may hold more); nullopt when there is no
    // '=' or the name is empty.
    static std::optional<std::pair<std::string, std::string>>
    ParseAssignment(std::string_view text);

    // The first non-empty value of the field; empty when it is not given.
    std::string_view Value(std::string_view name) const;
    // Every non-empty value of the field, in order.
    std::vector<std::string_view> Values(std::string_view name) const;

    // Checks the fields against the rules of kind: every field known, given at most once unless
    // repeatable, every required one given and not empty, every value valid UTF-8. Returns the
    // error naming the first field at fault, empty when all is well.
    std::string Check(std::string_view kind, std::span<const FieldRule> rules) const;

    // The error for a name that is not among the rules of kind, empty for a known one.
    static std::string Unknown(std::string_view kind, std::string_view name,
                               std::span<const FieldRule> rules);

    // True when the text is well-formed UTF-8 (no overlong forms, surrogates or values past
    // U+10FFFF).
    static bool IsUtf8(std::string_view text);

private:
    std::vector<std::pair<std::string, std::string>> m_Fields;
};

// "field 'name' " + what, the start of every message about a field.
std::string FieldError(std::string_view name, std::string_view what);

} // namespace ostrel::payload
