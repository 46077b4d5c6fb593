// GS1 through the command-line tool (--gs1): random element strings written as PNG files and read
// back by zxing-cpp (QR Code: symbology identifier ]Q3 and the data with its 0x1D separators) and
// by zxing-wasm (QR Code and rMQR, with '%' in the data, which zxing-cpp 1.4 cuts short); the
// bracket and parenthesis forms make one symbol; the refusals say what and where, exit 2, and
// leave no file.
#include "CliChecks.h"
#include "Gs1Samples.h"
#include "PeerReaders.h"
#include "ZxingWasmReader.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace ostrel::test {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The parenthesis form of a bracketed element string.
std::string Parenthesised(std::string text) {
    for (char& c : text) {
        c = c == '[' ? '(' : c == ']' ? ')' : c;
    }
    return text;
}

TEST(CliGs1, QRCodeReadsAsGs1InZxingCpp) {
    std::mt19937 random(3201);
    QTemporaryDir folder;
    for (std::int32_t k = 0; k < 20; ++k) {
        const Gs1Sample sample = RandomGs1(random, 4, 20, Gs1Text::Alphanumeric);
        const QString path = folder.filePath(QString::number(k) + ".png");
        const CliRun run = RunCli({"--gs1", "--scale", "4", "-o", path, Q(sample.Bracketed)});
        ASSERT_EQ(run.ExitCode, 0) << sample.Bracketed << run.Err.toStdString();
        const auto reading = ReadWithZXing(QImage(path));
        ASSERT_TRUE(reading.has_value()) << sample.Bracketed;
        EXPECT_EQ(reading->Identifier, "]Q3") << sample.Bracketed;
        EXPECT_EQ(reading->Bytes, sample.Transmitted) << sample.Bracketed;
    }
}

TEST(CliGs1, QRCodeAndRMQRReadAsGs1InZxingWasm) {
    if (ZxingWasmReaderPath().empty()) {
        GTEST_SKIP() << "zxing-wasm not installed (run the ctest fixture zxing_wasm_setup)";
    }
    std::mt19937 random(3202);
    QTemporaryDir folder;
    std::vector<std::string> files;
    std::vector<Gs1Sample> samples;
    for (std::int32_t k = 0; k < 24; ++k) {
        const bool rmqr = k % 2 == 1;
        const Gs1Sample sample = RandomGs1(random, 3, rmqr ? 8 : 16, Gs1Text::Percent);
        const QString path = folder.filePath(QString::number(k) + ".png");
        QStringList arguments = {"--gs1", "-o", path, Q(sample.Bracketed)};
        if (rmqr) {
            arguments.prepend("rmqr");
            arguments.prepend("--symbology");
        }
        const CliRun run = RunCli(arguments);
        ASSERT_EQ(run.ExitCode, 0) << sample.Bracketed << run.Err.toStdString();
        files.push_back(path.toStdString());
        samples.push_back(sample);
    }
    const auto readings = ReadWithZxingWasm(files, true);
    ASSERT_EQ(readings.size(), files.size()) << "zxing-wasm could not be run";
    for (std::size_t k = 0; k < readings.size(); ++k) {
        const std::string what = samples[k].Bracketed + " " + readings[k].Error;
        EXPECT_EQ(readings[k].Format, k % 2 == 1 ? "RMQRCode" : "QRCode") << what;
        EXPECT_EQ(readings[k].Identifier, "]Q3") << what;
        EXPECT_EQ(std::string(readings[k].Bytes.begin(), readings[k].Bytes.end()),
                  samples[k].Transmitted)
            << what;
    }
}

TEST(CliGs1, BracketsAndParenthesesMakeOneSymbol) {
    std::mt19937 random(3203);
    for (std::int32_t k = 0; k < 10; ++k) {
        const Gs1Sample sample = RandomGs1(random, 4, 12, Gs1Text::Percent);
        EXPECT_EQ(MatrixOf({"--gs1", Q(sample.Bracketed)}),
                  MatrixOf({"--gs1", Q(Parenthesised(sample.Bracketed))}))
            << sample.Bracketed;
    }
}

// FNC1 in second position: the application indicator (two digits, or a letter) ahead of the
// data, read as ]Q5 by zxing-cpp (QR Code) and zxing-wasm (rMQR), which report the indicator as
// the first characters of the content.
TEST(CliGs1, Fnc1SecondPositionReadsAsQ5WithItsApplication) {
    std::mt19937 random(3204);
    QTemporaryDir folder;
    std::vector<std::string> files;
    std::vector<std::string> expected;
    const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcxyz-./:";
    for (std::int32_t k = 0; k < 12; ++k) {
        const bool letter = k % 3 == 2;
        const std::string application = letter
                                            ? std::string(1, static_cast<char>('a' + random() % 26))
                                            : std::string{static_cast<char>('0' + random() % 10),
                                                          static_cast<char>('0' + random() % 10)};
        std::string text;
        for (std::uint32_t n = 1 + random() % 20; n > 0; --n) {
            text.push_back(alphabet[random() % alphabet.size()]);
        }
        const bool rmqr = k % 2 == 1;
        const QString path = folder.filePath(QString::number(k) + ".png");
        const CliRun run = RunCli({"--fnc1-application", Q(application), "--symbology",
                                   rmqr ? "rmqr" : "qr", "-o", path, Q(text)});
        ASSERT_EQ(run.ExitCode, 0) << text << run.Err.toStdString();
        if (rmqr) {
            files.push_back(path.toStdString());
            expected.push_back(application + text);
            continue;
        }
        const auto reading = ReadWithZXing(QImage(path));
        ASSERT_TRUE(reading.has_value()) << text;
        EXPECT_EQ(reading->Identifier, "]Q5") << text;
        EXPECT_EQ(reading->Bytes, application + text);
    }
    if (ZxingWasmReaderPath().empty()) {
        GTEST_SKIP() << "zxing-wasm not installed (run the ctest fixture zxing_wasm_setup)";
    }
    const auto readings = ReadWithZxingWasm(files, true);
    ASSERT_EQ(readings.size(), files.size()) << "zxing-wasm could not be run";
    for (std::size_t k = 0; k < readings.size(); ++k) {
        EXPECT_EQ(readings[k].Identifier, "]Q5") << expected[k];
        EXPECT_EQ(std::string(readings[k].Bytes.begin(), readings[k].Bytes.end()), expected[k]);
    }
}

// --gs1-link: a plain URL symbol (]Q1, no FNC1) holding the Digital Link URI.
TEST(CliGs1, DigitalLinkIsAPlainUrlSymbol) {
    QTemporaryDir folder;
    const QString path = folder.filePath("link.png");
    const CliRun run = RunCli({"--gs1-link", "https://example.com/", "-o", path,
                               "(01)09506000134352(17)211231(10)AB/12"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const auto reading = ReadWithZXing(QImage(path));
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->Identifier, "]Q1");
    EXPECT_EQ(reading->Bytes, "https://example.com/01/09506000134352/10/AB%2F12?17=211231");
}

// --verify: GS1 symbols read back as ]Q3 with their bytes, FNC1 in second position as ]Q5 with
// the application indicator ahead of the data, in pictures and in the module formats.
TEST(CliGs1, VerifyReadsTheSymbologyIdentifier) {
    QTemporaryDir folder;
    const QString label = "[01]09501101530003[17]260101[10]ABC123";
    for (const char* extension : {"png", "svg", "bmp"}) {
        const QString path = folder.filePath(QString("label.") + extension);
        const CliRun run = RunCli({"--gs1", "--verify", "-o", path, label});
        EXPECT_EQ(run.ExitCode, 0) << extension << run.Err.toStdString();
        EXPECT_TRUE(QFile::exists(path)) << extension;
    }
    for (const char* format : {"matrix", "utf8"}) {
        EXPECT_EQ(RunCli({"--gs1", "--verify", "--format", format, label}).ExitCode, 0) << format;
    }
    for (const char* application : {"37", "z"}) {
        const CliRun run = RunCli({"--fnc1-application", application, "--verify", "-o",
                                   folder.filePath("industry.png"), "ABC-123"});
        EXPECT_EQ(run.ExitCode, 0) << application << run.Err.toStdString();
    }
}

struct Refusal {
    QStringList Arguments;
    const char* Says;
};

TEST(CliGs1, BadDataAndSettingsAreRefusedWithStatus2AndNoFile) {
    const Refusal refusals[] = {
        {{"[01]09501101530004[10]A"}, "AI (01) at position 18: check digit 4, expected 3"},
        {{"[01]0950110153000"}, "AI (01) at position 5: the data has 13 characters, not 14"},
        {{"[17]260230"}, "AI (17) at position 9: no day 30 in month 02"},
        {{"[11]251300"}, "AI (11) at position 7: no month 13"},
        {{"[10]AB C"}, "AI (10) at position 7: ' ' is outside GS1 set 82"},
        {{"[10]ABC[19]1"}, "AI (19) at position 9: no such AI"},
        {{"01095011015300"}, "starts with an AI in brackets"},
        {{"--symbology", "micro", "[10]A"}, "Micro QR has no FNC1 mode"},
        {{"--eci", "auto", "[10]A"}, "--gs1 goes with neither --eci nor --structured-append"},
        {{"--hanzi", "[10]A"}, "--gs1 and --hanzi exclude each other"},
        {{"--verify", "[10]A%B"}, "--verify cannot check GS1 data with a '%'"},
        {{"--fnc1-application", "7", "[10]A"}, "expected two digits 00..99 or one letter"},
        {{"--fnc1-application", "07", "[10]A"}, "and not with --gs1"},
        {{"--gs1-link", "https://example.com", "[01]09506000134352"},
         "--gs1 and --gs1-link exclude each other"},
    };
    QTemporaryDir folder;
    const QString path = folder.filePath("label.png");
    for (const Refusal& refusal : refusals) {
        const CliRun run = RunCli(QStringList{"--gs1", "-o", path} + refusal.Arguments);
        const std::string what = refusal.Arguments.join(' ').toStdString();
        EXPECT_EQ(run.ExitCode, 2) << what;
        EXPECT_NE(run.Err.toStdString().find(refusal.Says), std::string::npos)
            << what << ": " << run.Err.toStdString();
        EXPECT_FALSE(QFile::exists(path)) << what;
    }
}

// A CSV batch: each good row's symbol reads as GS1, the bad row fails naming its AI, and the
// manifest marks every row "gs1":true.
TEST(CliGs1, CsvBatchRowsAreGs1SymbolsAndTheManifestSaysSo) {
    QTemporaryDir folder;
    const QString table = folder.filePath("labels.csv");
    QFile file(table);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("data,file\r\n"
               "[01]09501101530003[17]260101[10]ABC123,first\r\n"
               "[01]09501101530004,second\r\n"
               "(10)LOT%7(21)S1,third\r\n");
    file.close();
    const QString manifest = folder.filePath("manifest.jsonl");
    const CliRun run = RunCli({"--gs1", "--batch", table, "--batch-format", "csv", "--manifest",
                               manifest, "-o", folder.filePath("%s.png")});
    EXPECT_EQ(run.ExitCode, 1) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("AI (01) at position 18: check digit 4, expected 3"))
        << run.Err.toStdString();
    const auto first = ReadWithZXing(QImage(folder.filePath("first.png")));
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->Identifier, "]Q3");
    EXPECT_EQ(first->Bytes, "01095011015300031726010110ABC123");
    EXPECT_FALSE(QFile::exists(folder.filePath("second.png")));
    EXPECT_TRUE(QFile::exists(folder.filePath("third.png")));
    QFile lines(manifest);
    ASSERT_TRUE(lines.open(QIODevice::ReadOnly));
    const QList<QByteArray> records = lines.readAll().trimmed().split('\n');
    ASSERT_EQ(records.size(), 3);
    for (const QByteArray& record : records) {
        EXPECT_TRUE(record.contains("\"gs1\":true")) << record.toStdString();
    }
}

} // namespace
} // namespace ostrel::test
