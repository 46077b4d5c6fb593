#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel::payload {

// A calendar event (RFC 5545): a VCALENDAR (VERSION 2.0, PRODID) holding one VEVENT with UID,
// DTSTAMP, DTSTART and, for the fields given, DTEND, SUMMARY, LOCATION and DESCRIPTION; content
// lines as ContentLine writes them.
// Fields: summary (required), start (required), end, location, description. start and end are
// ISO 8601 dates (2026-12-24 or 20261224) or date-times (2026-12-24T18:30[:00], 20261224T1830
// [00]), local (floating) or UTC with a trailing Z; end is of the same kind as start and after
// it. An end date is the last day of the event: DTEND, which RFC 5545 3.6.1 makes exclusive, is
// the day after it.
// The UID is derived from the fields (the same event gives the same UID); DTSTAMP is stamp,
// seconds since 1970-01-01 UTC, or without one the start taken as UTC (midnight for a date), so
// the same fields always give the same bytes.
class EventPayload {
public:
    // The fields of the kind.
    static std::span<const FieldRule> Rules();

    static PayloadResult Build(const PayloadFields& fields, std::optional<std::int64_t> stamp);

    // A date or date-time in RFC 5545 form (20261224, 20261224T183000, 20261224T183000Z), or
    // nullopt when text is not one of the forms above or names no real day or time.
    static std::optional<std::string> CalendarTime(std::string_view text);
};

} // namespace ostrel::payload
