// Every payload kind built with hostile values and read back by plain readers of the formats'
// grammars, written here from the documents: the Wi-Fi and MECARD keyed forms, content lines of
// RFC 5545 3.1 / RFC 2426 (unfolding, TEXT unescaping, structured values), percent-decoding of
// RFC 3986 for the sms (RFC 5724) and mailto (RFC 6068) links. The value must come back as given.
#include "PayloadBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace ostrel::payload;

// Values that break naive escaping: every separator of the formats, line breaks, CJK, emoji, and
// a long mixed value that has to be folded.
const std::vector<std::string> HostileValues = {
    "a;b",
    "a,b",
    "a:b",
    "a\\b",
    "\"quoted\"",
    "two\nlines",
    "\\;\\,\\:",
    "张三",
    "😀 emoji",
    "中文,;:\\\"混合\n第二行",
    std::string(70, 'x') + "一二三四五六七八九十😀;,\\" + std::string(3, ',') +
        "一二三四五六七八九十",
};

PayloadFields Fields(std::initializer_list<std::pair<std::string, std::string>> list) {
    PayloadFields fields;
    for (const auto& [name, value] : list) {
        fields.Add(name, value);
    }
    return fields;
}

// A backslash takes the next character literally.
std::string Unescape(std::string_view value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        result += value[i] == '\\' && i + 1 < value.size() ? value[++i] : value[i];
    }
    return result;
}

// The parts of value between separators that no backslash escapes, still escaped.
std::vector<std::string> SplitUnescaped(std::string_view value, char separator) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == separator) {
            parts.emplace_back();
            continue;
        }
        parts.back() += value[i];
        if (value[i] == '\\' && i + 1 < value.size()) {
            parts.back() += value[++i];
        }
    }
    return parts;
}

// The keyed forms WIFI: and MECARD:: after the prefix, KEY:VALUE pairs, each ended by an
// unescaped ';', and one more ';' at the very end. Values stay escaped, but a Wi-Fi value in
// unescaped double quotes is a quoted string (ZXing's "Barcode Contents": an SSID or password
// that would read as hexadecimal digits is quoted) and loses its quotes.
std::multimap<std::string, std::string> ReadKeyed(const std::string& payload,
                                                  std::string_view prefix) {
    EXPECT_TRUE(payload.starts_with(prefix) && payload.ends_with(";;")) << payload;
    const auto pairs = SplitUnescaped(std::string_view(payload).substr(prefix.size()), ';');
    std::multimap<std::string, std::string> result;
    for (std::size_t i = 0; i + 2 < pairs.size(); ++i) { // the last two parts are the end ";;"
        const auto colon = pairs[i].find(':');
        EXPECT_NE(colon, std::string::npos) << pairs[i];
        std::string value = pairs[i].substr(colon + 1);
        if (prefix == "WIFI:" && value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
            value[value.size() - 2] != '\\') {
            value = value.substr(1, value.size() - 2);
        }
        result.emplace(pairs[i].substr(0, colon), value);
    }
    EXPECT_TRUE(pairs.size() >= 2 && pairs[pairs.size() - 2].empty() && pairs.back().empty());
    return result;
}

// Content lines: each physical line at most 75 octets and ending in CR LF, a continuation line
// starting with a blank, no line cut inside a UTF-8 character. Returns NAME[;PARAMS] -> value
// (still escaped) of the unfolded lines, which must run from BEGIN:kind to END:kind.
std::multimap<std::string, std::string> ReadContentLines(const std::string& payload,
                                                         std::string_view kind) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = payload.find("\r\n"); end != std::string::npos;
         start = end + 2, end = payload.find("\r\n", start)) {
        const std::string line = payload.substr(start, end - start);
        EXPECT_LE(line.size(), 75U) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        const bool continued = line.starts_with(' ');
        if (continued) {
            EXPECT_FALSE(lines.empty());
            EXPECT_NE(static_cast<unsigned char>(line[1]) & 0xC0, 0x80) << "cut character";
            lines.back() += line.substr(1);
        } else {
            lines.push_back(line);
        }
    }
    EXPECT_EQ(start, payload.size()) << "no CR LF at the end";
    EXPECT_EQ(lines.front(), "BEGIN:" + std::string(kind));
    EXPECT_EQ(lines.back(), "END:" + std::string(kind));
    std::multimap<std::string, std::string> result;
    for (const std::string& line : lines) {
        const auto colon = line.find(':');
        result.emplace(line.substr(0, colon), line.substr(colon + 1));
    }
    return result;
}

// TEXT unescaping of RFC 5545 3.3.11 / RFC 2426 5: "\n" or "\N" a line break, '\' before any
// other character that character.
std::string UnescapeText(std::string_view value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            result += next == 'n' || next == 'N' ? '\n' : next;
        } else {
            result += value[i];
        }
    }
    return result;
}

std::string PercentDecode(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            result += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            EXPECT_TRUE(std::string_view("?&=#% \n\r\"").find(text[i]) == std::string_view::npos)
                << "unencoded '" << text[i] << "' in " << text;
            result += text[i];
        }
    }
    return result;
}

// The query of a link: "?k=v&k=v" after the path, each value percent-decoded.
std::map<std::string, std::string> Query(const std::string& link) {
    std::map<std::string, std::string> result;
    const auto question = link.find('?');
    if (question == std::string::npos) {
        return result;
    }
    for (const std::string& pair : SplitUnescaped(link.substr(question + 1), '&')) {
        const auto equals = pair.find('=');
        result[pair.substr(0, equals)] = PercentDecode(pair.substr(equals + 1));
    }
    return result;
}

std::string First(const std::multimap<std::string, std::string>& map, const std::string& key) {
    const auto found = map.find(key);
    EXPECT_NE(found, map.end()) << key;
    return found == map.end() ? std::string{} : found->second;
}

// True when text matches pattern, in which '*' stands for any run of characters.
bool Matches(std::string_view text, std::string_view pattern) {
    const auto star = pattern.find('*');
    if (star == std::string_view::npos) {
        return text == pattern;
    }
    if (!text.starts_with(pattern.substr(0, star))) {
        return false;
    }
    for (std::size_t i = star; i <= text.size(); ++i) {
        if (Matches(text.substr(i), pattern.substr(star + 1))) {
            return true;
        }
    }
    return false;
}

struct HostileCase {
    const char* Name;
    PayloadKind Kind;
    std::function<PayloadFields(const std::string&)> Make;
    std::function<std::string(const std::string&)> Read; // the value back from the payload
    std::function<std::string(const std::string&)> Expected = [](const std::string& v) {
        return v;
    };
};

std::string Crlf(const std::string& value) {
    std::string result;
    for (const char c : value) {
        result += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return result;
}

const std::vector<HostileCase> HostileCases = {
    {"wifi ssid", PayloadKind::Wifi,
     [](const std::string& v) {
         return Fields({{"ssid", v}, {"auth", "nopass"}});
     },
     [](const std::string& p) { return Unescape(First(ReadKeyed(p, "WIFI:"), "S")); }},
    {"wifi password", PayloadKind::Wifi,
     [](const std::string& v) {
         return Fields({{"ssid", "x"}, {"password", "pw:" + v + ";pw"}});
     },
     [](const std::string& p) { return Unescape(First(ReadKeyed(p, "WIFI:"), "P")); },
     [](const std::string& v) { return "pw:" + v + ";pw"; }},
    {"mecard family", PayloadKind::MeCard,
     [](const std::string& v) {
         return Fields({{"family", v}, {"given", "g,"}});
     },
     [](const std::string& p) {
         const auto n = SplitUnescaped(First(ReadKeyed(p, "MECARD:"), "N"), ',');
         EXPECT_EQ(n.size(), 2U);
         return Unescape(n[0]) + "|" + Unescape(n.back());
     },
     [](const std::string& v) { return v + "|g,"; }},
    {"mecard note", PayloadKind::MeCard,
     [](const std::string& v) {
         return Fields({{"name", "n"}, {"note", v}, {"address", v}});
     },
     [](const std::string& p) {
         const auto keys = ReadKeyed(p, "MECARD:");
         return Unescape(First(keys, "NOTE")) + "|" + Unescape(First(keys, "ADR"));
     },
     [](const std::string& v) { return v + "|" + v; }},
    {"vcard text", PayloadKind::VCard,
     [](const std::string& v) {
         return Fields({{"name", v}, {"org", v}, {"note", v}, {"email", v}, {"title", v}});
     },
     [](const std::string& p) {
         const auto lines = ReadContentLines(p, "VCARD");
         return UnescapeText(First(lines, "FN")) + "|" + UnescapeText(First(lines, "ORG")) + "|" +
                UnescapeText(First(lines, "NOTE")) + "|" +
                UnescapeText(First(lines, "EMAIL;TYPE=INTERNET")) + "|" +
                UnescapeText(First(lines, "TITLE"));
     },
     [](const std::string& v) { return v + "|" + v + "|" + v + "|" + v + "|" + v; }},
    {"vcard structured", PayloadKind::VCard,
     [](const std::string& v) {
         return Fields({{"family", v}, {"given", v}, {"address", v}});
     },
     [](const std::string& p) {
         const auto lines = ReadContentLines(p, "VCARD");
         const auto n = SplitUnescaped(First(lines, "N"), ';');
         const auto adr = SplitUnescaped(First(lines, "ADR"), ';');
         EXPECT_EQ(n.size(), 5U);
         EXPECT_EQ(adr.size(), 7U);
         return UnescapeText(n[0]) + "|" + UnescapeText(n[1]) + "|" + UnescapeText(adr[2]);
     },
     [](const std::string& v) { return v + "|" + v + "|" + v; }},
    {"event text", PayloadKind::Event,
     [](const std::string& v) {
         return Fields(
             {{"summary", v}, {"start", "2026-12-24"}, {"location", v}, {"description", v}});
     },
     [](const std::string& p) {
         const auto lines = ReadContentLines(p, "VCALENDAR");
         return UnescapeText(First(lines, "SUMMARY")) + "|" +
                UnescapeText(First(lines, "LOCATION")) + "|" +
                UnescapeText(First(lines, "DESCRIPTION"));
     },
     [](const std::string& v) { return v + "|" + v + "|" + v; }},
    {"sms body", PayloadKind::Sms,
     [](const std::string& v) {
         return Fields({{"number", "+86 10 5555"}, {"body", v}});
     },
     [](const std::string& p) {
         EXPECT_TRUE(p.starts_with("sms:+86105555?")) << p;
         return Query(p)["body"];
     }},
    {"mailto subject and body", PayloadKind::Mailto,
     [](const std::string& v) {
         return Fields(
             {{"to", "a+b@example.com"}, {"subject", v.substr(0, v.find('\n'))}, {"body", v}});
     },
     [](const std::string& p) {
         EXPECT_TRUE(p.starts_with("mailto:a+b@example.com?")) << p;
         auto query = Query(p);
         return query["subject"] + "|" + query["body"];
     },
     [](const std::string& v) { return v.substr(0, v.find('\n')) + "|" + Crlf(v); }},
    {"text", PayloadKind::Text,
     [](const std::string& v) {
         return Fields({{"data", v}});
     },
     [](const std::string& p) { return p; }},
};

TEST(PayloadGrammar, HostileValuesReadBackAsGiven) {
    for (const HostileCase& row : HostileCases) {
        for (const std::string& value : HostileValues) {
            if (row.Kind == PayloadKind::Wifi && value.size() > 32) {
                continue; // longer than an SSID or a WPA passphrase can be
            }
            SCOPED_TRACE(std::string(row.Name) + " with '" + value + "'");
            const PayloadResult built = PayloadBuilder::Build(row.Kind, row.Make(value), 0);
            ASSERT_TRUE(built.Ok()) << built.Error;
            EXPECT_EQ(row.Read(built.Bytes), row.Expected(value)) << built.Bytes;
        }
    }
}

// Payloads in the forms the RFCs show in their examples, and the forms of the fixed fields.
TEST(PayloadGrammar, PayloadsMatchTheDocumentedExamples) {
    const struct {
        PayloadKind Kind;
        PayloadFields Fields;
        std::string Payload;
    } cases[] = {
        // RFC 5870 1: the geo URI of a place in Cambodia.
        {PayloadKind::Geo, Fields({{"lat", "13.4125"}, {"lon", "103.8667"}}),
         "geo:13.4125,103.8667"},
        {PayloadKind::Geo, Fields({{"lat", "+90"}, {"lon", "-180.000"}}), "geo:90,-180.000"},
        // RFC 6068 6.1 and 6.2: a subject, and non-ASCII text as percent-encoded UTF-8.
        {PayloadKind::Mailto, Fields({{"to", "infobot@example.com"}, {"subject", "current-issue"}}),
         "mailto:infobot@example.com?subject=current-issue"},
        {PayloadKind::Mailto, Fields({{"to", "user@example.org"}, {"subject", "caf\u00e9"}}),
         "mailto:user@example.org?subject=caf%C3%A9"},
        {PayloadKind::Mailto,
         Fields({{"to", "a@x.org"}, {"to", "b@y.org"}, {"body", "send current-issue"}}),
         "mailto:a@x.org,b@y.org?body=send%20current-issue"},
        // RFC 5724 2.5: a message body, percent-encoded.
        {PayloadKind::Sms, Fields({{"number", "+15105550101"}, {"body", "hello there"}}),
         "sms:+15105550101?body=hello%20there"},
        // RFC 3966 6: a global number with visual separators.
        // A comma is a separator of addresses (RFC 6068 2): inside one it is percent-encoded.
        {PayloadKind::Mailto, Fields({{"to", "a,b@example.com"}, {"to", "c@example.com"}}),
         "mailto:a%2Cb@example.com,c@example.com"},
        {PayloadKind::Tel, Fields({{"number", "+1-201-555-0123"}}), "tel:+1-201-555-0123"},
        {PayloadKind::Tel, Fields({{"number", "*61 #"}}), "tel:*61%23"},
        {PayloadKind::Wifi,
         Fields({{"ssid", "Home"}, {"password", "12345678"}, {"hidden", "TRUE"}}),
         "WIFI:T:WPA;S:Home;P:12345678;H:true;;"},
        {PayloadKind::Wifi, Fields({{"ssid", "Cafe"}, {"auth", "NoPass"}, {"hidden", "false"}}),
         "WIFI:T:nopass;S:Cafe;;"},
        {PayloadKind::Wifi, Fields({{"ssid", "Old"}, {"auth", "wep"}, {"password", "0a1B2c3D4e"}}),
         "WIFI:T:WEP;S:Old;P:0a1B2c3D4e;;"},
        {PayloadKind::MeCard, Fields({{"name", "Ann"}, {"tel", "+1 5"}, {"tel", "6"}}),
         "MECARD:N:Ann;TEL:+1 5;TEL:6;;"},
        {PayloadKind::VCard, Fields({{"family", "张"}, {"given", "三"}}),
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nN:张;三;;;\r\nEND:VCARD\r\n"},
        {PayloadKind::VCard, Fields({{"family", "Doe"}, {"given", "Jane"}}),
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jane Doe\r\nN:Doe;Jane;;;\r\nEND:VCARD\r\n"},
        {PayloadKind::VCard, Fields({{"name", "Mo"}, {"tel", "+1 (2) 3"}, {"url", "http://a.b/"}}),
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Mo\r\nN:Mo;;;;\r\nTEL:+1 (2) 3\r\n"
         "URL:http://a.b/\r\nEND:VCARD\r\n"},
        // An all-day event's last day is inclusive; DTEND is exclusive (RFC 5545 3.6.1), so it
        // is the next day, here across a year's end. 1798761600 is 2027-01-01T00:00:00Z.
        {PayloadKind::Event,
         Fields({{"summary", "New Year"}, {"start", "2026-12-31"}, {"end", "2026-12-31"}}),
         "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Ostrel//Ostrel QR//ZH\r\nBEGIN:VEVENT\r\n"
         "UID:*\r\nDTSTAMP:20270101T000001Z\r\nDTSTART;VALUE=DATE:20261231\r\n"
         "DTEND;VALUE=DATE:20270101\r\nSUMMARY:New Year\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"},
        {PayloadKind::Event,
         Fields({{"summary", "s"}, {"start", "20260301T0930Z"}, {"end", "2026-03-01T10:00:30Z"}}),
         "*DTSTART:20260301T093000Z\r\nDTEND:20260301T100030Z\r\nSUMMARY:s\r\n*"},
        // A line break in a TEXT value is one escaped \n, whether it came as CR LF, LF or CR;
        // an empty line between two stays.
        {PayloadKind::VCard, Fields({{"name", "Mo"}, {"note", "a\r\nb\nc\rd\r\n\r\ne"}}),
         "*\r\nNOTE:a\\nb\\nc\\nd\\n\\ne\r\n*"},
        {PayloadKind::Event,
         Fields({{"summary", "a\r\nb"}, {"start", "2026-12-24"}, {"description", "x\r\n\r\ny"}}),
         "*\r\nSUMMARY:a\\nb\r\nDESCRIPTION:x\\n\\ny\r\n*"},
    };
    for (const auto& row : cases) {
        const PayloadResult built = PayloadBuilder::Build(row.Kind, row.Fields, 1798761601);
        ASSERT_TRUE(built.Ok()) << row.Payload << ": " << built.Error;
        EXPECT_TRUE(Matches(built.Bytes, row.Payload)) << built.Bytes;
    }
}

} // namespace
