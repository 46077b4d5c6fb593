// --structured-append run as a separate process: every symbol read back by zxing-cpp with its
// position, count and parity, the parts joined to exactly the input; the names of the files, the
// symbols on standard output, and every refusal before anything is written. --hanzi through the
// tool: the text read back, the symbol no larger than UTF-8's, characters outside GB 2312 named,
// the designator of GB 2312 only where a byte segment holds a Chinese character (segno's symbol
// where none does), and --eci off honoured with a warning.
#include "CliChecks.h"
#include "CodePage.h"
#include "PeerReaders.h"
#include "SegnoOracle.h"
#include "StandardTables.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

namespace {

using namespace ostrel::test;

// One structured-append symbol as zxing-cpp reads it.
struct Piece {
    int Index = -1;
    int Count = -1;
    std::string Parity;
    std::string Bytes;
};

std::optional<Piece> ReadPiece(const QImage& picture) {
    const auto reading = ReadWithZXing(picture, ZXingOptions{true, 200});
    if (!reading) {
        return std::nullopt;
    }
    return Piece{reading->SequenceIndex, reading->SequenceSize, reading->SequenceId,
                 reading->Bytes};
}

// The pieces in the order given must be positions 0, 1, ... of one sequence of their number,
// all with the parity of data (the XOR of its bytes, in decimal), and join to exactly data.
::testing::AssertionResult JoinsTo(const std::vector<std::optional<Piece>>& pieces,
                                   const QByteArray& data) {
    int parity = 0;
    for (const char byte : data) {
        parity ^= static_cast<unsigned char>(byte);
    }
    std::string joined;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (!pieces[k]) {
            return ::testing::AssertionFailure() << "symbol " << k + 1 << " not read";
        }
        const Piece& piece = *pieces[k];
        if (piece.Index != static_cast<int>(k) || piece.Count != std::ssize(pieces) ||
            piece.Parity != std::to_string(parity)) {
            return ::testing::AssertionFailure()
                   << "symbol " << k + 1 << " says " << piece.Index << " of " << piece.Count
                   << ", parity " << piece.Parity << "; expected " << k << " of " << pieces.size()
                   << ", parity " << parity;
        }
        joined += piece.Bytes;
    }
    if (joined != data.toStdString()) {
        return ::testing::AssertionFailure() << "the parts join to " << joined.size()
                                             << " bytes, not the " << data.size() << " given";
    }
    return ::testing::AssertionSuccess();
}

// The matrices that the tool printed, an empty line between two.
std::vector<std::vector<std::string>> Matrices(const QByteArray& out) {
    std::vector<std::vector<std::string>> matrices(1);
    for (const std::string& line : Lines(out)) {
        if (line.empty()) {
            matrices.emplace_back();
        } else {
            matrices.back().push_back(line);
        }
    }
    return matrices;
}

// A UTF-8 text of about `bytes` bytes: Chinese words, Latin words and digits mixed.
QByteArray MixedText(int bytes, unsigned seed) {
    const char* words[] = {"你好", "二维码", "hello ", "12345", "世界",        "QR Code ", "数据",
                           "测试", "abc",    "，",     "。",    "2026-12-08 ", "ÄÖÜ"};
    std::mt19937 random(seed);
    QByteArray text;
    while (text.size() < bytes) {
        text += words[random() % std::size(words)];
    }
    return text;
}

TEST(CliStructuredAppend, TwentyThousandBytesInSixteenSymbolsReadBackAndJoin) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray text = MixedText(20000, 7);
    const CliRun run = RunCli({"--structured-append", "auto", "--verify", "-o",
                               folder.filePath("part-%02d.png"), "--scale", "2"},
                              text);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QStringList files = Entries(folder);
    ASSERT_GE(files.size(), 2);
    ASSERT_LE(files.size(), 16);
    std::vector<std::optional<Piece>> pieces;
    for (int k = 0; k < files.size(); ++k) {
        ASSERT_EQ(files[k], QString::asprintf("part-%02d.png", k + 1));
        pieces.push_back(ReadPiece(QImage(folder.filePath(files[k]))));
    }
    EXPECT_TRUE(JoinsTo(pieces, text));
}

TEST(CliStructuredAppend, CountAndVersionAsAskedOnStandardOutput) {
    const QByteArray text = MixedText(600, 3);
    for (const int count : {2, 5, 16}) {
        for (const char* version : {"auto", "14"}) {
            const CliRun run = RunCli({"--structured-append", QString::number(count),
                                       "--symbol-version", version, "--level", "M"},
                                      text);
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            const auto matrices = Matrices(run.Out);
            ASSERT_EQ(std::ssize(matrices), count);
            std::vector<std::optional<Piece>> pieces;
            for (const auto& rows : matrices) {
                const auto side = static_cast<int>(rows.size());
                ASSERT_TRUE(IsMatrix(QByteArray::fromStdString([&] {
                                         std::string all;
                                         for (const auto& row : rows) {
                                             all += row + "\n";
                                         }
                                         return all;
                                     }()),
                                     side));
                if (QByteArray(version) == "14") {
                    EXPECT_EQ(side, 17 + 4 * 14);
                } else {
                    EXPECT_EQ(side, static_cast<int>(matrices[0].size()));
                }
                pieces.push_back(ReadPiece(RowsPicture(WithMargin(rows, 4), 4)));
            }
            EXPECT_TRUE(JoinsTo(pieces, text)) << count << " " << version;
        }
    }
    // auto with a version: the fewest symbols; the same text in one version smaller needs more.
    const CliRun fewest =
        RunCli({"--structured-append", "auto", "--symbol-version", "5", "--level", "M"}, text);
    ASSERT_EQ(fewest.ExitCode, 0);
    const CliRun smaller =
        RunCli({"--structured-append", "auto", "--symbol-version", "4", "--level", "M"}, text);
    ASSERT_EQ(smaller.ExitCode, 0);
    EXPECT_LT(Matrices(fewest.Out).size(), Matrices(smaller.Out).size());
}

TEST(CliStructuredAppend, RefusedBeforeAnythingIsWritten) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString text = QString::fromUtf8(MixedText(3000, 5));
    const struct {
        QStringList Arguments;
        int Exit;
        const char* Message;
    } cases[] = {
        {{"-o", folder.filePath("one.png")}, 2, "needs a pattern with %d"},
        {{"-o", folder.filePath("%s-%d.png")}, 2, "only %d"},
        {{"-o", folder.filePath("%i.png")}, 2, "only %d"},
        {{"--format", "png"}, 2, "need -o PATTERN with %d"},
        {{"--symbol-version", "1", "-o", folder.filePath("%d.png")},
         1,
         "does not fit in 16 symbols of version 1 at level Q"},
        {{"--level", "H", "-o", folder.filePath("%d.png"), "--symbol-version", "2", "--kanji",
          "off"},
         1,
         "does not fit"},
    };
    for (const auto& c : cases) {
        const CliRun run =
            RunCli(QStringList{"--structured-append", "auto"} + c.Arguments + QStringList{text});
        EXPECT_EQ(run.ExitCode, c.Exit) << c.Arguments.join(' ').toStdString();
        EXPECT_NE(run.Err.indexOf(c.Message), -1) << run.Err.toStdString();
        EXPECT_TRUE(Entries(folder).isEmpty());
    }
    for (const char* value : {"1", "17", "0", "x", ""}) {
        EXPECT_EQ(RunCli({"--structured-append", value, "abc"}).ExitCode, 2) << value;
    }
    EXPECT_EQ(RunCli({"--structured-append", "4", "abc"}).ExitCode, 1); // 3 characters
    // A batch pattern needs %i with structured append, and %i needs structured append.
    const CliRun noSymbol =
        RunCli({"--batch", "--structured-append", "2", "-o", folder.filePath("%d.png")}, "a\nb\n");
    EXPECT_EQ(noSymbol.ExitCode, 2);
    EXPECT_NE(noSymbol.Err.indexOf("has no %i"), -1) << noSymbol.Err.toStdString();
    EXPECT_EQ(RunCli({"--batch", "-o", folder.filePath("%d-%i.png")}, "a\n").ExitCode, 2);
    EXPECT_TRUE(Entries(folder).isEmpty());
}

TEST(CliStructuredAppend, ASymbolThatCannotBeWrittenTakesTheWholeSetAway) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // Symbol 1 goes into the folder "1", which exists; symbol 2 into "2", which does not.
    ASSERT_TRUE(QDir(folder.path()).mkdir("1"));
    const CliRun run = RunCli({"--structured-append", "2", "-o", folder.filePath("%d/s.png"),
                               QString::fromUtf8(MixedText(200, 1))});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(run.Err.indexOf("no symbol of the 2 is left"), -1) << run.Err.toStdString();
    EXPECT_EQ(Entries(folder), QStringList{"1"});
    EXPECT_TRUE(QDir(folder.filePath("1")).isEmpty());
}

} // namespace

namespace {

// In a batch, %d stays the line number and %i numbers the symbols of each line.
TEST(CliStructuredAppend, BatchNamesEverySymbolByLineAndNumber) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray lines[] = {MixedText(400, 11), "short", MixedText(900, 12)};
    QTemporaryDir manifestFolder;
    const QString manifest = manifestFolder.filePath("m.jsonl");
    const CliRun run =
        RunCli({"--batch", "--structured-append", "auto", "--symbol-version", "6", "--verify", "-o",
                folder.filePath("%d-%02i.png"), "--manifest", manifest},
               lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n");
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    // The manifest names every symbol's file of a line, in order.
    const QList<QByteArray> records = ReadFile(manifest).trimmed().split('\n');
    ASSERT_EQ(records.size(), 3);
    int files = 0;
    for (int line = 1; line <= 3; ++line) {
        std::vector<std::optional<Piece>> pieces;
        QJsonArray names;
        for (int k = 1; QFile::exists(folder.filePath(QString::asprintf("%d-%02d.png", line, k)));
             ++k) {
            names.append(folder.filePath(QString::asprintf("%d-%02d.png", line, k)));
            pieces.push_back(
                ReadPiece(QImage(folder.filePath(QString::asprintf("%d-%02d.png", line, k)))));
        }
        EXPECT_TRUE(JoinsTo(pieces, lines[line - 1])) << "line " << line;
        const QJsonObject record = QJsonDocument::fromJson(records[line - 1]).object();
        EXPECT_EQ(record.value("files").toArray(), names) << records[line - 1].toStdString();
        EXPECT_EQ(record.value("file").toString(), names.first().toString());
        files += static_cast<int>(pieces.size());
    }
    EXPECT_EQ(files, Entries(folder).size());
    EXPECT_EQ(RunCli({"--batch", "--structured-append", "2", "--on-collision", "suffix", "-o",
                      folder.filePath("x%d-%i.png")},
                     "abc\n")
                  .ExitCode,
              2);
}

// --hanzi from TEXT, standard input and batch lines: zxing-cpp reads each symbol back as the
// text, never in a larger symbol than the UTF-8 one; a character outside GB 2312 is named, exit
// 2 for one text and nothing written, the line alone failing in a batch.
TEST(CliHanzi, TextReadsBackInASymbolNoLargerThanUtf8AndOutsidersAreNamed) {
    const QString texts[] = {QString::fromUtf8("北京市海淀区中关村大街1号"),
                             QString::fromUtf8("二维码 QR Code 2026，你好！"),
                             QString::fromUtf8("Wi-Fi 密码：abc123")};
    for (const QString& text : texts) {
        const auto hanzi = MatrixOf({"--hanzi", text});
        const auto utf8 = MatrixOf({text});
        ASSERT_FALSE(hanzi.empty());
        EXPECT_LE(hanzi.size(), utf8.size()) << text.toStdString();
        EXPECT_EQ(DecodeText(RowsPicture(WithMargin(hanzi, 4), 4)), text) << text.toStdString();
        // Standard input is taken as UTF-8 text: the same symbol.
        const CliRun piped = RunCli({"--hanzi", "--format", "matrix"}, text.toUtf8());
        EXPECT_EQ(Lines(piped.Out), hanzi) << text.toStdString();
    }
    QTemporaryDir folder;
    const CliRun refused = RunCli(
        {"--hanzi", "-o", folder.filePath("x.png"), QString::fromUtf8("汉字\xF0\x9F\x98\x80")});
    EXPECT_EQ(refused.ExitCode, 2);
    EXPECT_TRUE(refused.Err.contains("U+1F600, character 3")) << refused.Err.toStdString();
    EXPECT_TRUE(refused.Err.contains("not in GB 2312")) << refused.Err.toStdString();
    EXPECT_TRUE(Entries(folder).isEmpty());
    // Standard input that is not UTF-8: refused with --hanzi; with --eci auto it is raw bytes,
    // declared as nothing (the same symbol as without the option).
    const QByteArray raw("\xFF\xFE\xC3\x28 raw");
    const CliRun notUtf8 = RunCli({"--hanzi", "--format", "matrix"}, raw);
    EXPECT_EQ(notUtf8.ExitCode, 2);
    EXPECT_TRUE(notUtf8.Err.contains("not UTF-8")) << notUtf8.Err.toStdString();
    EXPECT_EQ(RunCli({"--eci", "auto", "--format", "matrix"}, raw).Out,
              RunCli({"--format", "matrix"}, raw).Out);

    const CliRun batch =
        RunCli({"--batch", "--hanzi", "-o", folder.filePath("%d.png")},
               texts[0].toUtf8() + "\n\xE2\x82\xAC 5\n" + texts[1].toUtf8() + "\n");
    EXPECT_EQ(batch.ExitCode, 1);
    EXPECT_TRUE(batch.Err.contains("U+20AC")) << batch.Err.toStdString();
    EXPECT_EQ(Entries(folder), QStringList({"1.png", "3.png"}));
    EXPECT_EQ(DecodeText(QImage(folder.filePath("3.png"))), texts[1]);
}

// What zxing-cpp reads from module rows (4 pixels a module, the 4-module quiet zone added).
std::optional<ZXingReading> ReadRows(const std::vector<std::string>& rows) {
    return ReadWithZXing(RowsPicture(WithMargin(rows, 4), 4));
}

std::string Gb2312(const QString& text) {
    const auto converted = ostrel::platform::CodePage::Utf16ToGb2312(text.toStdU16String());
    return {converted.Bytes.begin(), converted.Bytes.end()};
}

// Every text of the Chinese sample with no ASCII in it (each of its characters two bytes of GB
// 2312, one Hanzi segment): no designator, and the symbol is segno's Hanzi-mode symbol at the
// smallest version that holds it (level Q, mask 0, the tool's defaults). Some of them drop a
// version against the symbol with the designator, whose 12 bits they could not spare.
TEST(CliHanzi, TextsAllInHanziSegmentsGetNoDesignatorAndAreSegnosSymbols) {
    std::vector<SegnoRequest> requests;
    std::vector<std::vector<std::string>> ours;
    int smallerWithoutDesignator = 0;
    for (const std::string& line : ReadTextLines(OSTREL_CHINESE_TEXTS)) {
        const QString text = QString::fromStdString(line);
        const std::string gb = Gb2312(text);
        const auto characters = static_cast<int>(gb.size() / 2);
        if (std::ranges::any_of(gb, [](char c) { return (c & 0x80) == 0; })) {
            continue; // ASCII in it
        }
        const auto rows = MatrixOf({"--hanzi", text});
        ASSERT_FALSE(rows.empty()) << line;
        const auto reading = ReadRows(rows);
        ASSERT_TRUE(reading) << line;
        EXPECT_EQ(reading->Text, line);
        EXPECT_FALSE(reading->HasEci) << line;
        const int version = (static_cast<int>(rows.size()) - 17) / 4;
        const int countBits = version < 10 ? 8 : version < 27 ? 10 : 12;
        // Mode, subset, count, the characters and the terminator.
        const int bits = 12 + countBits + 13 * characters;
        const auto capacity = [](int v) { return 8 * kDataCodewords[v - 1][2]; };
        EXPECT_TRUE(version == 1 || bits - 4 > capacity(version - 1)) << line;
        smallerWithoutDesignator += bits - 4 + 12 > capacity(version) ? 1 : 0;
        if (bits % 8 != 0 || bits >= capacity(version)) { // segno pads a boundary otherwise
            requests.push_back({line, "hanzi", version, 'Q', 0, {}});
            ours.push_back(rows);
        }
    }
    EXPECT_GE(ours.size(), 10U);
    EXPECT_GE(smallerWithoutDesignator, 1);
    const auto theirs = SegnoMatrices(requests);
    for (std::size_t k = 0; k < ours.size(); ++k) {
        ASSERT_TRUE(theirs[k]) << requests[k].Text;
        EXPECT_EQ(ours[k], *theirs[k]) << requests[k].Text;
    }
}

// Whether a GB 2312 character stands in a byte segment decides the designator: a lone one
// between Latin letters or digits (cheaper as two bytes) and a one-character text get ECI 29
// and read back as their text; runs of two and more beside digits and punctuation of GB 2312 go
// to Hanzi segments and get none. --eci auto is the default of --hanzi; --eci off writes no
// designator and warns, exit 0, where a byte segment holds one, and changes nothing elsewhere.
TEST(CliHanzi, DesignatorOnlyForGb2312InByteSegmentsAndEciOffHonoured) {
    struct Case {
        const char* Text;
        bool ByteSegment;
    };
    const Case cases[] = {{"abc中def", true},
                          {"中", true},
                          {"No.5号楼 Room 3", true},
                          {"Wi-Fi 密码：abc123", true},
                          {"二零二六年12月8日", true}, // 月8日: five bytes beat three segments
                          {"电话13800138000", false},
                          {"会员卡号：88001234", false},
                          {"零件编号123456789批次", false},
                          {"北京市海淀区", false}};
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.Text);
        const CliRun run = RunCli({"--hanzi", "--format", "matrix", text});
        ASSERT_EQ(run.ExitCode, 0) << c.Text;
        EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
        const auto reading = ReadRows(Lines(run.Out));
        ASSERT_TRUE(reading) << c.Text;
        EXPECT_EQ(reading->HasEci, c.ByteSegment) << c.Text;
        EXPECT_EQ(reading->Text, c.Text);
        EXPECT_EQ(MatrixOf({"--hanzi", "--eci", "auto", text}), Lines(run.Out)) << c.Text;

        const CliRun off = RunCli({"--hanzi", "--eci", "OFF", "--format", "matrix", text});
        ASSERT_EQ(off.ExitCode, 0) << c.Text;
        const auto undeclared = ReadRows(Lines(off.Out));
        ASSERT_TRUE(undeclared) << c.Text;
        EXPECT_FALSE(undeclared->HasEci) << c.Text;
        EXPECT_EQ(undeclared->Bytes, Gb2312(text)) << c.Text;
        if (c.ByteSegment) {
            EXPECT_TRUE(off.Err.contains("warning") && off.Err.contains("ECI 29") &&
                        off.Err.contains("another character set"))
                << off.Err.toStdString();
            EXPECT_LE(Lines(off.Out).size(), Lines(run.Out).size()) << c.Text;
        } else {
            EXPECT_TRUE(off.Err.isEmpty()) << off.Err.toStdString();
            EXPECT_EQ(off.Out, run.Out) << c.Text;
        }
    }
    // A batch warns for each line that needs the designator, by its line.
    const CliRun batch = RunCli({"--batch", "--hanzi", "--eci", "off", "--format", "matrix"},
                                "abc中def\n北京市海淀区\n中\n");
    ASSERT_EQ(batch.ExitCode, 0) << batch.Err.toStdString();
    EXPECT_EQ(batch.Err.count("warning"), 2) << batch.Err.toStdString();
    EXPECT_TRUE(batch.Err.contains("line 1") && batch.Err.contains("line 3") &&
                !batch.Err.contains("line 2"))
        << batch.Err.toStdString();
}

// Structured append decides the designator for the whole set: every symbol carries it when one
// part has a Chinese character in a byte segment, none when all go to Hanzi segments; with --eci
// off no symbol carries it and the run warns. The parts join to the GB 2312 text either way.
TEST(CliHanzi, StructuredAppendDeclaresGb2312ForTheWholeSetOrNotAtAll) {
    const QString chinese = QString::fromUtf8("床前明月光，疑是地上霜。举头望明月，低头思故乡。");
    const QString lone = QString::fromUtf8("Tel 电 123");
    struct Case {
        QString Text;
        QStringList Options;
        bool Declared;
    };
    const Case cases[] = {{chinese + chinese, {}, false},
                          {chinese + lone, {}, true},
                          {lone + chinese + chinese, {"--eci", "auto"}, true},
                          {chinese + lone, {"--eci", "off"}, false}};
    for (const Case& c : cases) {
        const CliRun run =
            RunCli(QStringList{"--hanzi", "--structured-append", "3", "--format", "matrix"} +
                   c.Options + QStringList{c.Text});
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        const auto matrices = Matrices(run.Out);
        ASSERT_EQ(matrices.size(), 3U) << c.Text.toStdString();
        std::vector<std::optional<Piece>> pieces;
        for (const auto& rows : matrices) {
            const auto reading = ReadWithZXing(RowsPicture(WithMargin(rows, 4), 4));
            ASSERT_TRUE(reading) << c.Text.toStdString();
            EXPECT_EQ(reading->HasEci, c.Declared) << c.Text.toStdString();
            pieces.push_back(Piece{reading->SequenceIndex, reading->SequenceSize,
                                   reading->SequenceId, reading->Bytes});
        }
        EXPECT_TRUE(JoinsTo(pieces, QByteArray::fromStdString(Gb2312(c.Text))));
        EXPECT_EQ(run.Err.contains("warning"), c.Options.contains("off")) << run.Err.toStdString();
    }
}

} // namespace
