// Batches read from CSV and TSV tables (a spreadsheet's export) and from lines with a byte
// order mark: one file per row named by its file column, each reading back as its data field;
// bad rows fail alone, bad tables are refused before anything is written.
#include "BatchRunSupport.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

using namespace ostrel::test;

// Each row's data and file name, and the same table as CSV: quoted commas, doubled quotes, a
// line break inside quotes, Chinese text, a column the batch does not use, CR LF line ends.
const std::vector<std::pair<std::string, QString>> Rows = {
    {"Zhang, San", "Zhang, San.png"},
    {"say \"hi\"", "quote.png"},
    {"line one\nline two", "two lines.png"},
    {"二维码 标签", "中文.png"},
};
const QByteArray Csv = "data,note,file\r\n"
                       "\"Zhang, San\",x,\"Zhang, San\"\r\n"
                       "\"say \"\"hi\"\"\",x,quote\r\n"
                       "\"line one\nline two\",x,two lines\r\n"
                       "二维码 标签,x,中文";

TEST(BatchCsvInput, EveryRowReadsBackUnderItsFileColumnWithAndWithoutMark) {
    for (const QByteArray& mark : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        QTemporaryDir folder;
        const QString list = folder.filePath(QStringLiteral("list.csv"));
        WriteFile(list, mark + Csv);
        const CliRun run = RunCli({"--batch", list, "--batch-format", "csv", "-o",
                                   folder.filePath(QStringLiteral("%s.png"))});
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(
            run.Err.contains("warning: " + list.toUtf8() + ": the column 'note' is not used"))
            << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("4 symbols written, 0 rows failed")) << run.Err.toStdString();
        EXPECT_EQ(Entries(folder).size(), Rows.size() + 1);
        for (const auto& [data, name] : Rows) {
            EXPECT_EQ(ReadBack(folder, name), data) << name.toStdString();
        }
    }
}

TEST(BatchCsvInput, TsvAndLinesFromStandardInputSkipTheMarkAndKeepTheLastLine) {
    QTemporaryDir folder;
    const CliRun tsv = RunCli(
        {"--batch", "--batch-format", "tsv", "-o", folder.filePath(QStringLiteral("t%d-%s.png"))},
        "\xEF\xBB\xBF"
        "file\tDATA\r\nfirst\tone, \"1\"\r\n\r\nsecond\t中文");
    ASSERT_EQ(tsv.ExitCode, 0) << tsv.Err.toStdString();
    EXPECT_EQ(ReadBack(folder, QStringLiteral("t1-first.png")), "one, \"1\"");
    EXPECT_EQ(ReadBack(folder, QStringLiteral("t2-second.png")), "中文");
    const CliRun lines =
        RunCli({"--batch", "-o", folder.filePath(QStringLiteral("l%d.png"))}, "\xEF\xBB\xBF"
                                                                              "alpha\nomega");
    ASSERT_EQ(lines.ExitCode, 0) << lines.Err.toStdString();
    EXPECT_EQ(ReadBack(folder, QStringLiteral("l1.png")), "alpha");
    EXPECT_EQ(ReadBack(folder, QStringLiteral("l2.png")), "omega");
    EXPECT_EQ(Entries(folder).size(), 4);
}

TEST(BatchCsvInput, BadRowsFailAloneAndBadTablesWriteNothing) {
    QTemporaryDir folder;
    const QString pattern = folder.filePath(QStringLiteral("%d.png"));
    // A field of 100 MB, a row with one field too many, a quote never closed at the end.
    const QByteArray huge(100 * 1024 * 1024, 'h');
    const CliRun run = RunCli({"--batch", "--batch-format", "csv", "-o", pattern},
                              "data\nfirst\n\"" + huge + "\"\nthird\nx,y\nfifth\n\"open\nsixth\n");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Entries(folder), QStringList({"1.png", "3.png", "5.png"}));
    EXPECT_EQ(ReadBack(folder, QStringLiteral("5.png")), "fifth");
    std::string size(1, '(');
    size += std::to_string(huge.size());
    size += " bytes";
    for (const char* text : {"row 2 (line 3): the data does not fit", size.c_str(),
                             "row 4 (line 5): 2 fields where the header names 1",
                             "row 6 (line 7): a quoted field is not closed",
                             "3 symbols written, 3 rows failed", "failed rows: 2, 4, 6\n"}) {
        EXPECT_TRUE(run.Err.contains(text))
            << "lacks '" << text << "' in " << run.Err.toStdString();
    }
    // No data column: status 2 before any file; an empty input: nothing to do.
    QTemporaryDir empty;
    const QString into = empty.filePath(QStringLiteral("%d.png"));
    const CliRun headless =
        RunCli({"--batch", "--batch-format", "csv", "-o", into}, "text,file\na,b\n");
    EXPECT_EQ(headless.ExitCode, 2);
    EXPECT_TRUE(headless.Err.contains("no 'data' column")) << headless.Err.toStdString();
    for (const char* format : {"lines", "csv", "tsv"}) {
        const CliRun nothing = RunCli({"--batch", "--batch-format", format, "-o", into}, "");
        EXPECT_EQ(nothing.ExitCode, 0) << format;
        EXPECT_TRUE(nothing.Err.contains(": 0 symbols written")) << nothing.Err.toStdString();
    }
    EXPECT_TRUE(Entries(empty).isEmpty());
}

} // namespace
