// ostrel_qr_payload_build against ostrel-qr-cli --print-payload, the oracle: every kind with
// valid fields and with a field at fault gives the same bytes or the same message through both;
// the lists of kinds and fields are those that the tool's messages name.
#include <ostrel/qr.h>

#include "CliRunner.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace ostrel::test;
using Fields = std::vector<std::pair<std::string, std::string>>;

struct Outcome {
    bool Ok = false;
    std::string Text; // the payload, or the message naming the field at fault
};

Outcome ViaC(const std::string& kind, const Fields& fields, std::optional<long long> stamp) {
    std::vector<const char*> names;
    std::vector<const char*> values;
    for (const auto& [name, value] : fields) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    unsigned char* out = nullptr;
    size_t length = 99;
    char message[1024];
    const int status =
        ostrel_qr_payload_build(kind.c_str(), names.data(), values.data(), fields.size(),
                                stamp.value_or(-1), stamp ? 1 : 0, &out, &length, message, 1024);
    if (status != OSTREL_QR_OK) {
        EXPECT_EQ(status, OSTREL_QR_ERROR_INVALID_PAYLOAD) << message;
        EXPECT_TRUE(out == nullptr && length == 0);
        return {false, message};
    }
    EXPECT_STREQ(message, "");
    EXPECT_EQ(out[length], 0) << "no NUL after the payload";
    Outcome built{true, std::string(reinterpret_cast<const char*>(out), length)};
    ostrel_qr_free(out);
    return built;
}

// The tool's first line on standard error after "prefix".
std::string ToolMessage(const QByteArray& error, const std::string& prefix) {
    const std::string line = error.left(error.indexOf('\n')).toStdString();
    EXPECT_EQ(line.rfind(prefix, 0), 0U) << line;
    return line.substr(std::min(prefix.size(), line.size()));
}

// --field NAME=VALUE; values that are not UTF-8 (the tool takes its arguments as text and would
// mend them) go in a one-row CSV batch, whose cells it reads as bytes.
Outcome ViaTool(const std::string& kind, const Fields& fields, std::optional<long long> stamp) {
    CliSetting setting;
    setting.Environment[QStringLiteral("SOURCE_DATE_EPOCH")] =
        stamp ? QString::number(*stamp) : QString();
    QStringList arguments{"--payload", QString::fromStdString(kind), "--print-payload"};
    bool utf8 = true;
    for (const auto& [name, value] : fields) {
        utf8 = utf8 && QString::fromUtf8(value).toStdString() == value;
    }
    if (kind == "text" && fields.empty()) {
        // Without fields the tool encodes TEXT or standard input: an empty value, which counts as
        // not given, asks it for the builder.
        arguments << "--field"
                  << "data=";
    }
    QTemporaryDir folder;
    if (utf8) {
        for (const auto& [name, value] : fields) {
            arguments << "--field" << QString::fromStdString(name + "=" + value);
        }
    } else {
        QByteArray header;
        QByteArray row;
        for (const auto& [name, value] : fields) {
            header += (header.isEmpty() ? "" : ",") + QByteArray::fromStdString(name);
            row += (row.isEmpty() ? "\"" : ",\"") +
                   QByteArray::fromStdString(value).replace('"', "\"\"") + '"';
        }
        WriteFile(folder.filePath("t.csv"), header + "\n" + row + "\n");
        arguments << "--batch" << folder.filePath("t.csv") << "--batch-format"
                  << "csv";
    }
    const CliRun run = RunCli(arguments, {}, setting);
    if (run.ExitCode == 0) {
        return {true, run.Out.toStdString()};
    }
    EXPECT_EQ(run.ExitCode, utf8 ? 2 : 1) << run.Err.toStdString();
    return {false,
            ToolMessage(run.Err, utf8 ? "ostrel-qr-cli: " : "ostrel-qr-cli: row 1 (line 2): ")};
}

// Every field of every kind, with the separators of its format, line breaks, Chinese, emoji and
// lines longer than 75 octets; odd is one more field with a value the kind may not take.
struct Sample {
    const char* Kind;
    Fields Valid;
    std::pair<std::string, std::string> Odd;
};

const std::vector<Sample> Samples = {
    {"text", {{"data", "plain = text; with, all: \\ \"kinds\"\n中文"}}, {"data", "x"}},
    {"wifi",
     {{"ssid", "咖啡;店,\"1\":\\"},
      {"password", "p@ss;w,o:r\"d\\"},
      {"auth", "wpa"},
      {"hidden", "true"}},
     {"password", "short"}},
    {"vcard",
     {{"name", "王小明 😀"},
      {"family", "王"},
      {"given", "小明"},
      {"org", "Acme; Inc, \\Ltd"},
      {"title", "工程师"},
      {"tel", "+86 10 8888 6666"},
      {"email", "a,b@example.cn"},
      {"tel", "(555) 010-2000"},
      {"url", "https://example.cn/a;b"},
      {"address", "北京市朝阳区\n建国路 88 号; 3 楼"},
      {"note", std::string(40, 'n') + "会议: 周一, 地点; 三楼" + std::string(40, 'e')}},
     {"tel", "call me"}},
    {"mecard",
     {{"family", "O'Brien, Jr."},
      {"given", "Seán"},
      {"org", "a:b"},
      {"tel", "+353 1 555 0101"},
      {"email", "sean@example.ie"},
      {"email", "s@x.ie"},
      {"address", "1 Main St;\nDublin"},
      {"url", "https://x.ie/?a=1;b"},
      {"note", "a;b,c:d\\e"}},
     {"name", "Seán O'Brien"}}, // name and family both fill N
    {"event",
     {{"summary", "年会; 2026, \"Q4\""},
      {"start", "2026-12-24T18:30"},
      {"end", "2026-12-24T22:00"},
      {"location", "上海,浦东\\会议中心"},
      {"description", "Bring: badge;\nphone 📱"}},
     {"end", "2026-12-23"}},
    {"tel", {{"number", "+86 (10) 6552-9988"}}, {"number", "12a"}},
    {"sms",
     {{"number", "+8613800138000"}, {"body", "你好 & welcome? 100% #1 = a+b;\n😀"}},
     {"number", ""}},
    {"mailto",
     {{"to", "张伟@例子.中国"},
      {"to", "o'brien+qr@example.ie"},
      {"subject", "Re: 报价 & \"Q4\"?"},
      {"body", "Line 1\nLine 2 = 100% #ok"}},
     {"to", "no at sign"}},
    {"geo", {{"lat", "-33.8568"}, {"lon", "151.2153"}}, {"lat", "91"}},
};

// The field sets of a sample: as given; names in other case and with blanks; without each field
// in turn; with each field given twice; with an unknown field; with the odd value; with an empty
// value; with a value that is not UTF-8 (sets 0..5); then without field k (6 + 2k) and with it
// twice (7 + 2k).
std::vector<Fields> Variants(const Sample& sample) {
    const Fields& valid = sample.Valid;
    std::vector<Fields> sets{valid, valid, valid, valid, valid, valid};
    for (auto& [name, value] : sets[1]) {
        std::string odd = " ";
        odd += QString::fromStdString(name).toUpper().toStdString();
        odd += "\t";
        name = odd;
    }
    sets[2].emplace_back("colour", "red");
    sets[3].push_back(sample.Odd);
    sets[4].back().second.clear();
    // A text batch takes its cells as bytes, not as the fields of a payload: the tool has no
    // way to give the text builder a value that is not UTF-8.
    if (std::string(sample.Kind) != "text") {
        sets[5].front().second.insert(1, "\xC3\x28\xFF");
    }
    for (std::size_t k = 0; k < valid.size(); ++k) {
        Fields without = valid;
        without.erase(without.begin() + static_cast<std::ptrdiff_t>(k));
        sets.push_back(without);
        Fields twice = valid;
        twice.push_back(valid[k]);
        sets.push_back(twice);
    }
    return sets;
}

// The use of a field of a kind as the C interface lists it; -1 for none.
int UseOf(const char* kind, const std::string& name) {
    int use = -1;
    for (int k = 0; k < ostrel_qr_payload_field_count(kind); ++k) {
        if (name == ostrel_qr_payload_field_name(kind, k, &use)) {
            return use;
        }
    }
    return -1;
}

// The sets without a field show the required ones (a repeatable one may be needed as well, a
// mailto link's to; an optional one never), the sets with one twice the repeatable ones.
TEST(CApiPayload, EveryKindGivesTheBytesOrTheMessageOfTheTool) {
    int built = 0;
    int refused = 0;
    for (const Sample& sample : Samples) {
        const std::vector<Fields> sets = Variants(sample);
        for (std::size_t i = 0; i < sets.size(); ++i) {
            std::vector<std::optional<long long>> stamps{std::nullopt};
            if (std::string(sample.Kind) == "event") {
                stamps.insert(stamps.end(), {0LL, 1798761600LL, 253402300799LL});
            }
            for (const std::optional<long long> stamp : stamps) {
                SCOPED_TRACE(::testing::Message()
                             << sample.Kind << " set " << i << " stamp " << stamp.value_or(-1));
                const Outcome c = ViaC(sample.Kind, sets[i], stamp);
                const Outcome tool = ViaTool(sample.Kind, sets[i], stamp);
                ++(tool.Ok ? built : refused);
                EXPECT_EQ(c.Ok, tool.Ok);
                EXPECT_EQ(c.Text, tool.Text);
                if (i < 6) {
                    EXPECT_TRUE(tool.Ok || i != 0) << "the sample is refused: " << tool.Text;
                    continue;
                }
                const std::string& name = sample.Valid[(i - 6) / 2].first;
                const int use = UseOf(sample.Kind, name);
                std::string required = "field '";
                required += name;
                const bool needed = tool.Text.starts_with(required + "' is required");
                EXPECT_TRUE(i % 2 == 1 ? (use == OSTREL_QR_FIELD_REPEATABLE) == tool.Ok
                            : use == OSTREL_QR_FIELD_REQUIRED
                                ? needed
                                : !needed || use == OSTREL_QR_FIELD_REPEATABLE)
                    << name << " use " << use;
            }
        }
    }
    std::printf("%d payloads built, %d refused alike\n", built, refused);
    EXPECT_GT(built, 50);
    EXPECT_GT(refused, 50);
}

// The kinds are those the tool's refusal of an unknown kind lists, in its order; the fields of a
// kind those its refusal of an unknown field lists, each in the sample.
TEST(CApiPayload, KindsAndFieldsAreThoseTheToolNames) {
    const CliRun unknownKind = RunCli({"--payload", "nope"});
    std::string kinds = "expected ";
    for (int k = 0; k < ostrel_qr_payload_kind_count(); ++k) {
        kinds += k == 0 ? "" : ", ";
        kinds += ostrel_qr_payload_kind_name(k);
    }
    EXPECT_EQ(ToolMessage(unknownKind.Err, "ostrel-qr-cli: invalid value 'nope' for --payload: "),
              kinds);
    ASSERT_EQ(Samples.size(), static_cast<std::size_t>(ostrel_qr_payload_kind_count()));
    for (const Sample& sample : Samples) {
        std::string names = "(its fields: ";
        for (int k = 0; k < ostrel_qr_payload_field_count(sample.Kind); ++k) {
            const std::string name = ostrel_qr_payload_field_name(sample.Kind, k, nullptr);
            names += k == 0 ? "" : ", ";
            names += name;
            EXPECT_TRUE(sample.Odd.first == name ||
                        std::any_of(sample.Valid.begin(), sample.Valid.end(),
                                    [&](const auto& field) { return field.first == name; }))
                << sample.Kind << " has no " << name << " in its sample";
        }
        const CliRun unknownField =
            RunCli({"--payload", sample.Kind, "--field", "zz=1", "--print-payload"});
        std::string prefix = "ostrel-qr-cli: field 'zz' is not a field of the ";
        prefix += sample.Kind;
        prefix += " payload ";
        EXPECT_EQ(ToolMessage(unknownField.Err, prefix), names + ")");
    }
}

// Null pointers, an unknown kind, a stamp out of range: their own code and message, *out NULL
// and *out_length 0.
TEST(CApiPayload, BadArgumentsGetTheirCodeAndMessageAndNoPayload) {
    const char* names[] = {"ssid", "password"};
    const char* values[] = {"Home", "correct horse"};
    const char* nullName[] = {"ssid", nullptr};
    struct Call {
        const char* Kind;
        const char* const* Names;
        const char* const* Values;
        long long Stamp;
        int HasStamp;
        int Code;
        const char* Message;
    };
    const Call calls[] = {
        {nullptr, names, values, 0, 0, OSTREL_QR_ERROR_NULL_ARGUMENT, "kind is null"},
        {"wifi", nullptr, values, 0, 0, OSTREL_QR_ERROR_NULL_ARGUMENT, "names is null"},
        {"wifi", names, nullptr, 0, 0, OSTREL_QR_ERROR_NULL_ARGUMENT, "values is null"},
        {"wifi", nullName, values, 0, 0, OSTREL_QR_ERROR_NULL_ARGUMENT, "names[1] is null"},
        {"wifi", names, nullName, 0, 0, OSTREL_QR_ERROR_NULL_ARGUMENT, "values[1] is null"},
        {"wifi", names, values, -1, 1, OSTREL_QR_ERROR_INVALID_OPTION, "the stamp is not 0 .."},
        {"wifi", names, values, 253402300800LL, 1, OSTREL_QR_ERROR_INVALID_OPTION, "the stamp"},
        {"wifi", names, values, 0, 2, OSTREL_QR_ERROR_INVALID_OPTION, "has_stamp is neither"},
        {"wi fi", names, values, 0, 0, OSTREL_QR_ERROR_UNKNOWN_PAYLOAD_KIND,
         "unknown payload kind 'wi fi' (the kinds: text, wifi, vcard, mecard, event, tel, sms, "
         "mailto, geo)"},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.Message);
        unsigned char* out = reinterpret_cast<unsigned char*>(names);
        size_t length = 7;
        char message[256];
        EXPECT_EQ(ostrel_qr_payload_build(call.Kind, call.Names, call.Values, 2, call.Stamp,
                                          call.HasStamp, &out, &length, message, sizeof message),
                  call.Code);
        EXPECT_TRUE(out == nullptr && length == 0);
        EXPECT_EQ(std::string(message).rfind(call.Message, 0), 0U) << message;
    }
    size_t length = 0;
    unsigned char* out = nullptr;
    EXPECT_EQ(ostrel_qr_payload_build("wifi", names, values, 2, 0, 0, nullptr, &length, nullptr, 0),
              OSTREL_QR_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(ostrel_qr_payload_build("wifi", names, values, 2, 0, 0, &out, nullptr, nullptr, 0),
              OSTREL_QR_ERROR_NULL_ARGUMENT);
    // No fields at all: null arrays are fine with count 0, and the builder names what is missing.
    EXPECT_EQ(ostrel_qr_payload_build("WiFi", nullptr, nullptr, 0, 0, 0, &out, &length, nullptr, 0),
              OSTREL_QR_ERROR_INVALID_PAYLOAD);
}

// The message of an unknown field named in Chinese, cut at every size: the longest prefix of whole
// characters that fits with its NUL, nothing past the size; the lists answer NULL or -1 out of
// range.
TEST(CApiPayload, MessagesAreCutBeforeAWholeCharacterAndListsEndWhereTheyDo) {
    const char* values[] = {"Home"};
    unsigned char* out = nullptr;
    size_t length = 0;
    const char* chinese[] = {"颜色"};
    char full[256];
    ASSERT_EQ(ostrel_qr_payload_build("geo", chinese, values, 1, 0, 0, &out, &length, full, 256),
              OSTREL_QR_ERROR_INVALID_PAYLOAD);
    const std::string whole = full;
    ASSERT_EQ(whole.rfind("field '颜色' is not a field of the geo payload", 0), 0U) << whole;
    for (std::size_t size = 0; size <= whole.size() + 1; ++size) {
        std::string message(whole.size() + 2, '#');
        ostrel_qr_payload_build("geo", chinese, values, 1, 0, 0, &out, &length, message.data(),
                                size);
        const std::size_t cut = message.find('\0');
        if (size == 0) {
            EXPECT_EQ(message, std::string(whole.size() + 2, '#'));
            continue;
        }
        ASSERT_LT(cut, size) << size;
        EXPECT_EQ(message.substr(size), std::string(whole.size() + 2 - size, '#')) << size;
        EXPECT_EQ(whole.substr(0, cut), message.substr(0, cut)) << size;
        // The longest prefix of whole characters that fits.
        const auto whole8 = [&](std::size_t n) {
            return QString::fromUtf8(whole.substr(0, n)).toStdString() == whole.substr(0, n);
        };
        EXPECT_TRUE(whole8(cut)) << size;
        for (std::size_t longer = cut + 1; longer <= std::min(size - 1, whole.size()); ++longer) {
            EXPECT_FALSE(whole8(longer)) << size;
        }
    }

    EXPECT_EQ(ostrel_qr_payload_kind_name(-1), nullptr);
    EXPECT_EQ(ostrel_qr_payload_kind_name(ostrel_qr_payload_kind_count()), nullptr);
    EXPECT_EQ(ostrel_qr_payload_field_count("nope"), -1);
    EXPECT_EQ(ostrel_qr_payload_field_count(nullptr), -1);
    int use = 42;
    EXPECT_EQ(ostrel_qr_payload_field_name("GEO", 2, &use), nullptr);
    EXPECT_EQ(ostrel_qr_payload_field_name("geo", -1, &use), nullptr);
    EXPECT_EQ(ostrel_qr_payload_field_name(nullptr, 0, &use), nullptr);
    EXPECT_EQ(use, 42);
    EXPECT_STREQ(ostrel_qr_payload_field_name("GEO", 1, nullptr), "lon");
    ostrel_qr_free(nullptr);
}

} // namespace
