#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel::payload {

// The kinds of payload, each built by the class of its name (WifiPayload, VCardPayload, ...).
enum class PayloadKind { Text, Wifi, VCard, MeCard, Event, Tel, Sms, Mailto, Geo };

// Builds the payload of a kind from its fields: the one entry point for the command-line tool.
class PayloadBuilder {
public:
    // The kind for its name ("wifi", any case); nullopt for an unknown name.
    static std::optional<PayloadKind> KindByName(std::string_view name);
    // The kind's name as the command line spells it.
    static std::string_view KindName(PayloadKind kind);
    // Every kind's name, "text, wifi, ..., geo", for messages.
    static std::string KindNames();
    // The number of kinds, and the kind at index in the order of KindNames (nullopt past the
    // last).
    static std::size_t KindCount();
    static std::optional<PayloadKind> KindAt(std::size_t index);

    // The fields the kind knows.
    static std::span<const FieldRule> Rules(PayloadKind kind);

    // The payload of the kind, or the error naming the field at fault. A text payload is its
    // one field data, unchanged. stamp (seconds since 1970-01-01 UTC) is the creation time an
    // event carries; without one the event's start stands in for it (see EventPayload).
    static PayloadResult Build(PayloadKind kind, const PayloadFields& fields,
                               std::optional<std::int64_t> stamp);
};

} // namespace ostrel::payload
