#include "EventPayload.h"

#include "ContentLine.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>

namespace ostrel::payload {

namespace {

constexpr std::array FieldRules{
    FieldRule{"summary", FieldUse::Required},     FieldRule{"start", FieldUse::Required},
    FieldRule{"end", FieldUse::Optional},         FieldRule{"location", FieldUse::Optional},
    FieldRule{"description", FieldUse::Optional},
};

// Reads count decimal digits at text[at], advancing at; nullopt when they are not all digits.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t count) {
    int value = 0;
    if (at + count > text.size()) {
        return std::nullopt;
    }
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + count, value);
    if (error != std::errc{} || end != first + count || *first == '-' || *first == '+') {
        return std::nullopt;
    }
    at += count;
    return value;
}

// Skips the separator at text[at] when the extended format (with separators) is in use.
bool Separator(std::string_view text, std::size_t& at, bool extended, char separator) {
    if (!extended) {
        return true;
    }
    if (at < text.size() && text[at] == separator) {
        ++at;
        return true;
    }
    return false;
}

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

std::string DateText(std::chrono::year_month_day date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

// A UTC date-time in RFC 5545 form (20261224T103000Z) for seconds since 1970-01-01 UTC.
std::string StampText(std::int64_t seconds) {
    const std::chrono::sys_seconds time{std::chrono::seconds(seconds)};
    const auto day = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::hh_mm_ss clock(time - day);
    return DateText(std::chrono::year_month_day(day)) + 'T' +
           TwoDigits(static_cast<int>(clock.hours().count())) +
           TwoDigits(static_cast<int>(clock.minutes().count())) +
           TwoDigits(static_cast<int>(clock.seconds().count())) + 'Z';
}

// DTSTAMP from the event's start in RFC 5545 form: a UTC date-time as it is, a local date-time
// taken as UTC, a date at midnight UTC.
std::string StartStamp(const std::string& start) {
    std::string stamp = start;
    if (stamp.find('T') == std::string::npos) {
        stamp += "T000000";
    }
    if (stamp.back() != 'Z') {
        stamp += 'Z';
    }
    return stamp;
}

// FNV-1a, 64 bits: a stable digest of the event's fields for its UID.
std::uint64_t Digest(std::string_view text, std::uint64_t hash) {
    for (const char c : text) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001B3ULL;
    }
    return hash;
}

} // namespace

std::span<const FieldRule> EventPayload::Rules() {
    return FieldRules;
}

std::optional<std::string> EventPayload::CalendarTime(std::string_view text) {
    std::size_t at = 0;
    const bool extended = text.size() > 4 && text[4] == '-';
    const auto year = Digits(text, at, 4);
    const bool dateSeparator = Separator(text, at, extended, '-');
    const auto month = Digits(text, at, 2);
    const bool daySeparator = Separator(text, at, extended, '-');
    const auto day = Digits(text, at, 2);
    if (!year || !month || !day || !dateSeparator || !daySeparator) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok()) {
        return std::nullopt;
    }
    std::string result = DateText(date);
    if (at == text.size()) {
        return result;
    }
    if (text[at++] != 'T') {
        return std::nullopt;
    }
    const auto hour = Digits(text, at, 2);
    const bool minuteSeparator = Separator(text, at, extended, ':');
    const auto minute = Digits(text, at, 2);
    std::optional<int> second = 0;
    if (at < text.size() && text[at] != 'Z') {
        const bool secondSeparator = Separator(text, at, extended, ':');
        second = secondSeparator ? Digits(text, at, 2) : std::nullopt;
    }
    // RFC 5545 3.3.12: seconds up to 60, for a leap second.
    if (!hour || !minute || !second || !minuteSeparator || *hour > 23 || *minute > 59 ||
        *second > 60) {
        return std::nullopt;
    }
    result += 'T' + TwoDigits(*hour) + TwoDigits(*minute) + TwoDigits(*second);
    if (at < text.size() && text[at] == 'Z') {
        result += 'Z';
        ++at;
    }
    return at == text.size() ? std::optional(result) : std::nullopt;
}

PayloadResult EventPayload::Build(const PayloadFields& fields, std::optional<std::int64_t> stamp) {
    if (std::string error = fields.Check("event", FieldRules); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    // DTSTAMP has four digits of year: a time after 9999 would come out as garbage.
    constexpr std::int64_t LatestStamp = 253402300799; // 9999-12-31T23:59:59Z
    if (stamp && (*stamp < 0 || *stamp > LatestStamp)) {
        return PayloadResult::Failure("the creation time " + std::to_string(*stamp) +
                                      " is not 0 .. 253402300799 seconds since 1970 (at the "
                                      "latest 9999-12-31T23:59:59Z)");
    }
    for (const FieldRule& rule : FieldRules) {
        if (std::string error = ContentLine::CheckControls(rule.Name, fields.Value(rule.Name));
            !error.empty()) {
            return PayloadResult::Failure(std::move(error));
        }
    }
    constexpr std::string_view Forms =
        "is not an ISO 8601 date or date-time (2026-12-24, 2026-12-24T18:30 or "
        "2026-12-24T10:30:00Z)";
    const auto start = CalendarTime(fields.Value("start"));
    if (!start) {
        return PayloadResult::Failure(FieldError("start", Forms));
    }
    const bool allDay = start->find('T') == std::string::npos;
    std::optional<std::string> end;
    if (const std::string_view endText = fields.Value("end"); !endText.empty()) {
        end = CalendarTime(endText);
        if (!end) {
            return PayloadResult::Failure(FieldError("end", Forms));
        }
        // Both dates, both local date-times or both UTC date-times: only then do they compare
        // as text, and RFC 5545 3.6.1 wants DTEND of the same value type as DTSTART.
        if (end->size() != start->size()) {
            return PayloadResult::Failure(
                FieldError("end", allDay ? "must be a date, as start is"
                                         : "must be a date-time, local or UTC as start is"));
        }
        if (allDay ? *end < *start : *end <= *start) {
            return PayloadResult::Failure(FieldError("end", "is not after start"));
        }
        if (allDay) {
            using namespace std::chrono;
            const int year = std::stoi(end->substr(0, 4));
            const auto month = static_cast<unsigned>(std::stoi(end->substr(4, 2)));
            const auto day = static_cast<unsigned>(std::stoi(end->substr(6, 2)));
            end = DateText(year_month_day(
                sys_days(year_month_day(std::chrono::year(year), std::chrono::month(month),
                                        std::chrono::day(day))) +
                days(1)));
        }
    }

    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const FieldRule& rule : FieldRules) {
        hash = Digest(std::string(fields.Value(rule.Name)) + '\0', hash);
    }
    char uid[32];
    std::snprintf(uid, sizeof uid, "%016llx", static_cast<unsigned long long>(hash));

    auto text = ContentLine::EscapeText;
    const std::string dateValue = allDay ? ";VALUE=DATE" : "";
    std::string calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
                           "PRODID:-//Ostrel//Ostrel QR//ZH\r\nBEGIN:VEVENT\r\n";
    calendar += ContentLine::Folded("UID", std::string(uid) + "@ostrel-qr");
    calendar += ContentLine::Folded("DTSTAMP", stamp ? StampText(*stamp) : StartStamp(*start));
    calendar += ContentLine::Folded("DTSTART" + dateValue, *start);
    if (end) {
        calendar += ContentLine::Folded("DTEND" + dateValue, *end);
    }
    calendar += ContentLine::Folded("SUMMARY", text(fields.Value("summary")));
    for (const auto& [field, property] :
         {std::pair{"location", "LOCATION"}, std::pair{"description", "DESCRIPTION"}}) {
        if (const std::string_view value = fields.Value(field); !value.empty()) {
            calendar += ContentLine::Folded(property, text(value));
        }
    }
    calendar += "END:VEVENT\r\nEND:VCALENDAR\r\n";
    return {std::move(calendar), {}};
}

} // namespace ostrel::payload
