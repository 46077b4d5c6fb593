// --payload, --field and --print-payload run the way scripts use them: every kind with hostile
// values is read back by zxing-cpp and ZBar as exactly the bytes that --print-payload printed;
// bad fields stop the tool with status 2 and a message naming the field, and nothing is written.
#include "CliRunner.h"
#include "PeerReaders.h"
#include "TestFiles.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace ostrel::test;

// The options that ask for a payload of a kind with fields NAME=VALUE.
QStringList Payload(const char* kind, std::initializer_list<const char*> fields) {
    QStringList arguments{QStringLiteral("--payload"), QString::fromUtf8(kind)};
    for (const char* field : fields) {
        arguments << QStringLiteral("--field") << QString::fromUtf8(field);
    }
    return arguments;
}

// Every kind, with the separators of its format, line breaks, Chinese and emoji in its values.
const std::vector<QStringList> HostilePayloads = {
    Payload("wifi", {"ssid=咖啡;店,\"1\":\\", "password=p@ss;w,o:r\"d\\", "hidden=true"}),
    Payload("wifi", {"ssid=\"ABCD\"", "auth=nopass"}),
    Payload("vcard", {"name=王小明 😀", "family=王", "given=小明", "org=Acme; Inc, \\Ltd",
                      "tel=+86 10 8888 6666", "tel=(555) 010-2000", "email=a,b@example.cn",
                      "address=北京市朝阳区\n建国路 88 号; 3 楼", "note=会议: 周一, 地点; 三楼"}),
    Payload("mecard", {"family=O'Brien, Jr.", "given=Seán", "tel=+353 1 555 0101",
                       "email=sean@example.ie", "note=a;b,c:d\\e\nf", "url=https://x.ie/?a=1;b"}),
    Payload("event",
            {"summary=年会; 2026, \"Q4\"", "start=2026-12-24T18:30", "end=2026-12-24T22:00",
             "location=上海,浦东\\会议中心", "description=Bring: badge;\nphone 📱"}),
    Payload("tel", {"number=+86 (10) 6552-9988"}),
    Payload("sms", {"number=+8613800138000", "body=你好 & welcome? 100% #1 = a+b;\n😀"}),
    Payload("mailto", {"to=张伟@例子.中国", "to=o'brien+qr@example.ie",
                       "subject=Re: 报价 & \"Q4\"?", "body=Line 1\nLine 2 = 100% #ok"}),
    Payload("geo", {"lat=-33.8568", "lon=151.2153"}),
    Payload("text", {"data=plain = text; with, all: \\ \"kinds\"\n中文"}),
};

// An environment in which the event's creation time does not move between two runs.
CliSetting FixedClock() {
    CliSetting setting;
    setting.Environment[QStringLiteral("SOURCE_DATE_EPOCH")] = QStringLiteral("1798761600");
    return setting;
}

TEST(PayloadOption, EveryKindReadsBackAsThePrintedPayload) {
    QTemporaryDir folder;
    for (const QStringList& payload : HostilePayloads) {
        SCOPED_TRACE(payload.join(QLatin1Char(' ')).toStdString());
        const CliRun printed =
            RunCli(QStringList(payload) << QStringLiteral("--print-payload"), {}, FixedClock());
        ASSERT_EQ(printed.ExitCode, 0) << printed.Err.toStdString();
        ASSERT_FALSE(printed.Out.isEmpty());
        const QString picture = folder.filePath(QStringLiteral("symbol.png"));
        const CliRun written =
            RunCli(QStringList(payload)
                       << QStringLiteral("--eci") << QStringLiteral("auto") << QStringLiteral("-o")
                       << picture << QStringLiteral("--scale") << QStringLiteral("4"),
                   {}, FixedClock());
        ASSERT_EQ(written.ExitCode, 0) << written.Err.toStdString();
        const QImage image(picture);
        const auto zxing = ReadWithZXing(image);
        ASSERT_TRUE(zxing.has_value());
        EXPECT_EQ(zxing->Bytes, printed.Out.toStdString());
        // With the UTF-8 designator both readers show the payload's text as it is.
        EXPECT_EQ(zxing->Text, printed.Out.toStdString());
        EXPECT_EQ(ReadWithZBar(image).value_or("(not read)"), printed.Out.toStdString());
    }
}

TEST(PayloadOption, BadPayloadsStopWithStatusTwoNamingTheCause) {
    const struct {
        QStringList Arguments;
        const char* Named; // what the message must name
    } cases[] = {
        {Payload("wifi", {"password=12345678"}), "field 'ssid'"},
        {Payload("wifi", {"ssid=x", "colour=red"}), "field 'colour'"},
        {Payload("vcard", {"org=Acme"}), "field 'name'"},
        {Payload("event", {"summary=s", "start=2026-02-30"}), "field 'start'"},
        {Payload("geo", {"lat=91", "lon=0"}), "field 'lat'"},
        {Payload("mailto", {"to=nobody"}), "field 'to'"},
        {Payload("sms", {"number=call me"}), "field 'number'"},
        {Payload("fax", {"number=1"}), "fax"},
        {Payload("tel", {"number"}), "NAME=VALUE"},
        {Payload("tel", {"number=1"}) << QStringLiteral("TEXT"), "TEXT"},
        {Payload("text", {"ssid=x"}), "field 'ssid'"},
        {Payload("wifi", {"ssid=x", "auth=nopass"}) << QStringLiteral("--batch"), "--batch-format"},
    };
    QTemporaryDir folder;
    const QString output = folder.filePath(QStringLiteral("never.png"));
    for (const auto& row : cases) {
        SCOPED_TRACE(row.Arguments.join(QLatin1Char(' ')).toStdString());
        for (const QStringList& extra : {QStringList{QStringLiteral("--print-payload")},
                                         QStringList{QStringLiteral("-o"), output}}) {
            const CliRun run = RunCli(QStringList(row.Arguments) << extra);
            EXPECT_EQ(run.ExitCode, 2);
            EXPECT_TRUE(run.Out.isEmpty());
            EXPECT_TRUE(run.Err.contains(row.Named)) << run.Err.toStdString();
            EXPECT_FALSE(QFile::exists(output));
        }
    }
}

// The bytes of UTF-8 text in another character set, by iconv: the oracle for --encoding ansi.
std::string Iconv(const std::string& text, const char* to) {
    iconv_t converter = iconv_open(to, "UTF-8");
    std::string in = text;
    std::string out(text.size() * 4, '\0');
    char* inPointer = in.data();
    char* outPointer = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    EXPECT_NE(iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft),
              static_cast<size_t>(-1));
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

// The payload is built from the UTF-8 fields, then converted like any TEXT: a Simplified-Chinese
// system's ANSI code page is GBK. The links stay percent-encoded UTF-8, which is ASCII.
TEST(PayloadOption, PayloadIsConvertedAfterItIsBuilt) {
    for (const QStringList& payload : HostilePayloads) {
        SCOPED_TRACE(payload.join(QLatin1Char(' ')).toStdString());
        const QString joined = payload.join(QString());
        if (std::any_of(joined.begin(), joined.end(), [](QChar c) { return c.isSurrogate(); })) {
            continue; // emoji are not in GBK
        }
        const CliRun utf8 =
            RunCli(QStringList(payload) << QStringLiteral("--print-payload"), {}, FixedClock());
        CliSetting chinese = FixedClock();
        chinese.Locale = QStringLiteral("zh_CN.UTF-8");
        const CliRun ansi =
            RunCli(QStringList(payload) << QStringLiteral("--print-payload")
                                        << QStringLiteral("--encoding") << QStringLiteral("ansi"),
                   {}, chinese);
        ASSERT_EQ(ansi.ExitCode, 0) << ansi.Err.toStdString();
        EXPECT_EQ(ansi.Out.toStdString(), Iconv(utf8.Out.toStdString(), "GBK"));
    }
}

} // namespace

// Without SOURCE_DATE_EPOCH an event's DTSTAMP is its start (a UTC time as it is, a local time
// and a date taken as UTC), so two batch runs give the same bytes; SOURCE_DATE_EPOCH still wins.
TEST(PayloadOption, EventBatchesAreTheSameBytesEveryRun) {
    const QByteArray table =
        "summary,start\na,2026-12-24T10:30Z\nb,20261224T183005\nc,2026-12-24\n";
    const std::vector<QByteArray> stamps = {"20261224T103000Z", "20261224T183005Z",
                                            "20261224T000000Z"};
    CliSetting noEpoch;
    noEpoch.Environment[QStringLiteral("SOURCE_DATE_EPOCH")] = QString();
    std::vector<QByteArray> runs;
    for (const bool epoch : {false, false, true}) {
        const CliSetting setting = epoch ? FixedClock() : noEpoch;
        QTemporaryDir folder;
        const CliRun run = RunCli({"--batch", "-", "--batch-format", "csv", "--payload", "event",
                                   "--print-payload", "-o", folder.filePath("%d.ics")},
                                  table, setting);
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(": 3 payloads written, 0 rows failed"))
            << run.Err.toStdString();
        QByteArray all;
        for (std::size_t row = 0; row < stamps.size(); ++row) {
            const QByteArray event = ReadFile(folder.filePath(QString::number(row + 1) + ".ics"));
            const QByteArray stamp = epoch ? "20270101T000000Z" : stamps[row];
            EXPECT_TRUE(event.contains("\r\nDTSTAMP:" + stamp + "\r\n")) << event.toStdString();
            all += event;
        }
        runs.push_back(all);
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_NE(runs[0], runs[2]);

    // A creation time past the year 9999 has no DTSTAMP: refused, not written as garbage.
    CliSetting far;
    far.Environment[QStringLiteral("SOURCE_DATE_EPOCH")] = QStringLiteral("999999999999999999");
    const CliRun refused = RunCli({"--payload", "event", "--field", "summary=a", "--field",
                                   "start=2026-12-24", "--print-payload"},
                                  {}, far);
    EXPECT_EQ(refused.ExitCode, 2);
    EXPECT_TRUE(refused.Out.isEmpty());
    EXPECT_TRUE(refused.Err.contains("creation time 999999999999999999"))
        << refused.Err.toStdString();
}
