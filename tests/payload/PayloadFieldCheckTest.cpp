// Fields that cannot make a payload: each is refused with a message that names the field, and
// nothing is built. The numeric and calendar checks are swept against the C library's own
// number parsing (strtod) and the Gregorian calendar's rule instead of hand-picked answers.
#include "EventPayload.h"
#include "GeoPayload.h"
#include "PayloadBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace ostrel::payload;

struct Refusal {
    const char* Kind;
    std::vector<std::pair<std::string, std::string>> Fields;
    const char* Field; // the field the message must name
};

const std::vector<Refusal> Refusals = {
    {"wifi", {{"password", "12345678"}}, "ssid"},
    {"wifi", {{"ssid", "x"}, {"colour", "red"}}, "colour"},
    {"wifi", {{"ssid", std::string(33, 's')}, {"auth", "nopass"}}, "ssid"},
    {"wifi", {{"ssid", "x"}, {"password", "1234567"}}, "password"},
    {"wifi", {{"ssid", "x"}, {"password", std::string(64, 'g')}}, "password"},
    {"wifi", {{"ssid", "x"}}, "password"},
    {"wifi", {{"ssid", "x"}, {"auth", "WEP"}, {"password", "123456"}}, "password"},
    {"wifi", {{"ssid", "x"}, {"auth", "nopass"}, {"password", "12345678"}}, "password"},
    {"wifi", {{"ssid", "x"}, {"auth", "WPA3"}, {"password", "12345678"}}, "auth"},
    {"wifi", {{"ssid", "x"}, {"auth", "nopass"}, {"hidden", "yes"}}, "hidden"},
    {"wifi", {{"ssid", "x"}, {"ssid", "y"}, {"auth", "nopass"}}, "ssid"},
    {"wifi", {{"ssid", "\xff\xfe"}, {"auth", "nopass"}}, "ssid"},
    {"wifi", {{"ssid", "\xed\xa0\x80"}, {"auth", "nopass"}}, "ssid"}, // a UTF-8 surrogate
    {"wifi", {{"ssid", "\xc0\xaf"}, {"auth", "nopass"}}, "ssid"},     // an overlong '/'
    {"vcard", {{"org", "Acme"}}, "name"},
    {"vcard", {{"name", "n"}, {"tel", "call me"}}, "tel"},
    {"vcard", {{"name", "n"}, {"tel", "+"}}, "tel"},
    {"vcard", {{"name", "n"}, {"note", "bell\a"}}, "note"},
    {"vcard", {{"name", "n"}, {"birthday", "1990-01-01"}}, "birthday"},
    {"mecard", {{"tel", "1"}}, "name"},
    {"mecard", {{"name", "n"}, {"family", "f"}}, "name"},
    {"mecard", {{"name", "n"}, {"tel", "1+2"}}, "tel"},
    {"event", {{"start", "2026-12-24"}}, "summary"},
    {"event", {{"summary", "s"}}, "start"},
    {"event", {{"summary", "s"}, {"start", "2026-12-24T10:00+08:00"}}, "start"},
    {"event", {{"summary", "s"}, {"start", "2026-12-24"}, {"end", "2026-12-23"}}, "end"},
    {"event",
     {{"summary", "s"}, {"start", "2026-12-24T10:00"}, {"end", "2026-12-24T10:00"}},
     "end"},
    {"event", {{"summary", "s"}, {"start", "2026-12-24"}, {"end", "2026-12-25T10:00"}}, "end"},
    {"event",
     {{"summary", "s"}, {"start", "2026-12-24T10:00Z"}, {"end", "2026-12-24T11:00"}},
     "end"},
    {"event", {{"summary", "s\x1b[31m"}, {"start", "2026-12-24"}}, "summary"},
    {"tel", {{"number", "12a"}}, "number"},
    {"tel", {}, "number"},
    {"sms", {{"body", "hi"}}, "number"},
    {"sms", {{"number", "1"}, {"subject", "hi"}}, "subject"},
    {"mailto", {{"to", "nobody"}}, "to"},
    {"mailto", {{"to", "a@b"}, {"to", "@b"}}, "to"},
    {"mailto", {{"to", "a b@c"}}, "to"},
    {"mailto", {{"to", "a@b"}, {"subject", "two\nlines"}}, "subject"},
    {"mailto", {{"subject", "s"}}, "to"},
    {"geo", {{"lat", "1"}}, "lon"},
    {"geo", {{"lat", "91"}, {"lon", "0"}}, "lat"},
    {"geo", {{"lat", "0"}, {"lon", "180.5"}}, "lon"},
    {"text", {}, "data"},
    {"text", {{"data", "x"}, {"ssid", "y"}}, "ssid"},
};

TEST(PayloadFieldCheck, BadFieldsAreRefusedNamingTheField) {
    for (const Refusal& row : Refusals) {
        PayloadFields fields;
        for (const auto& [name, value] : row.Fields) {
            fields.Add(name, value);
        }
        const auto kind = PayloadBuilder::KindByName(row.Kind);
        ASSERT_TRUE(kind.has_value()) << row.Kind;
        const PayloadResult built = PayloadBuilder::Build(*kind, fields, 0);
        EXPECT_FALSE(built.Ok()) << row.Kind << " built " << built.Bytes;
        EXPECT_TRUE(built.Bytes.empty());
        EXPECT_NE(built.Error.find("field '" + std::string(row.Field) + "'"), std::string::npos)
            << row.Kind << ": " << built.Error;
    }
}

TEST(PayloadFieldCheck, AssignmentsSplitAtTheFirstEqualsSign) {
    const struct {
        const char* Text;
        const char* Name; // nullptr when refused
        const char* Value;
    } cases[] = {
        {"ssid=a=b", "ssid", "a=b"}, {" SSID =", "ssid", ""}, {"=x", nullptr, ""},
        {"ssid", nullptr, ""},       {"note==", "note", "="},
    };
    for (const auto& row : cases) {
        const auto parsed = PayloadFields::ParseAssignment(row.Text);
        ASSERT_EQ(parsed.has_value(), row.Name != nullptr) << row.Text;
        if (parsed) {
            EXPECT_EQ(parsed->first, row.Name);
            EXPECT_EQ(parsed->second, row.Value);
        }
    }
}

// RFC 5870's grammar (an optional '-', digits, optionally '.' and digits; '+' accepted and left
// out) with strtod deciding the range.
TEST(PayloadFieldCheck, CoordinatesFollowTheGrammarAndTheRange) {
    const std::regex grammar(R"([+-]?[0-9]+(\.[0-9]+)?)");
    const std::vector<std::string> inputs = {
        "0",         "90",  "90.0", "90.0000001", "-90", "-90.5", "+45.25",
        "89.999999", "180", "-180", "180.1",      "181", "1000",  "0090",
        "1.",        ".5",  "1e1",  "",           "-",   "+-1",   "1,5",
        " 1",        "NaN", "inf",  "45.5x",      "٣",   "-0",    "179.99",
    };
    for (const int limit : {90, 180}) {
        for (const std::string& input : inputs) {
            const bool expected = std::regex_match(input, grammar) &&
                                  std::abs(std::strtod(input.c_str(), nullptr)) <= limit;
            const auto coordinate = GeoPayload::Coordinate(input, limit);
            EXPECT_EQ(coordinate.has_value(), expected) << input << " within " << limit;
            if (coordinate) {
                EXPECT_EQ(*coordinate, input.starts_with('+') ? input.substr(1) : input);
            }
        }
    }
}

// The days of a month in the Gregorian calendar: February has 29 in years divisible by 4, except
// centuries not divisible by 400.
int DaysInMonth(int year, int month) {
    constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : Days[month - 1];
}

// Every day of months 0 to 13 in common, leap and century years, the calendar's rule deciding
// whether the day exists; date-times with hours, minutes and seconds at and past their
// limits (60 seconds is a leap second in RFC 5545 3.3.12).
TEST(PayloadFieldCheck, CalendarTimesExistOnTheCalendar) {
    for (const int year : {1900, 2000, 2023, 2024, 2100}) {
        for (int month = 0; month <= 13; ++month) {
            for (int day = 0; day <= 32; ++day) {
                const bool exists =
                    month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
                char basic[16];
                char extended[16];
                std::snprintf(basic, sizeof basic, "%04d%02d%02d", year, month, day);
                std::snprintf(extended, sizeof extended, "%04d-%02d-%02d", year, month, day);
                EXPECT_EQ(EventPayload::CalendarTime(basic),
                          exists ? std::optional(basic) : std::nullopt);
                EXPECT_EQ(EventPayload::CalendarTime(extended), EventPayload::CalendarTime(basic));
            }
        }
    }
    const struct {
        const char* Text;
        const char* Expected; // nullptr when refused
    } times[] = {
        {"2024-02-29T23:59:60Z", "20240229T235960Z"},
        {"2024-02-29T00:00", "20240229T000000"},
        {"20240229T0000Z", "20240229T000000Z"},
        {"2024-02-29T24:00", nullptr},
        {"2024-02-29T12:60", nullptr},
        {"2024-02-29T12:00:61", nullptr},
        {"2024-02-29T1200", nullptr},
        {"20240229T12:00", nullptr},
        {"2024-02-29 12:00", nullptr},
        {"2024-02-29T12:00z", nullptr},
        {"2024-02-29T12:00ZZ", nullptr},
        {"2024-0229", nullptr},
        {"2024-02-29T", nullptr},
        {"+2024-02-29", nullptr},
    };
    for (const auto& row : times) {
        const auto parsed = EventPayload::CalendarTime(row.Text);
        EXPECT_EQ(parsed, row.Expected ? std::optional<std::string>(row.Expected) : std::nullopt)
            << row.Text;
    }
}

} // namespace
