// Two rows of a batch that would write the same file: the run is refused before any file is
// written, or with --on-collision suffix every symbol is kept under a name of its own.
#include "BatchRunSupport.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

using namespace ostrel::test;

// a/b and a_b make the same safe name, X and x differ in letter case only, and "same" comes
// three times; "same-2" is taken by a line of its own, so the third "same" must skip it.
const QByteArray Lines = "a/b\na_b\nX\nsame\nx\nsame\nsame-2\nsame\n";

TEST(BatchNameCollision, RefusedBeforeAnyFileIsWritten) {
    QTemporaryDir folder;
    const CliRun run = RunCli({"--batch", "-o", folder.filePath(QStringLiteral("%s.png"))}, Lines);
    EXPECT_EQ(run.ExitCode, 2) << run.Err.toStdString();
    EXPECT_TRUE(Entries(folder).isEmpty()) << Entries(folder).join(' ').toStdString();
    const std::string err = run.Err.toStdString();
    for (const char* text :
         {"4 lines would replace the file of an earlier line; nothing is written",
          "line 1 and line 2: '", "a_b.png'", "line 3 and line 5: '", "X.png' and '",
          "(the same file where letter case is ignored)", "line 4 and line 6: '",
          "line 4 and line 8: '", "--on-collision suffix"}) {
        EXPECT_NE(err.find(text), std::string::npos) << "lacks '" << text << "' in " << err;
    }
    // At most five pairs are named, then a count.
    QByteArray many;
    for (int i = 0; i < 9; ++i) {
        many += "dup\n";
    }
    const CliRun crowded =
        RunCli({"--batch", "-o", folder.filePath(QStringLiteral("%s.svg"))}, many);
    EXPECT_EQ(crowded.ExitCode, 2);
    EXPECT_TRUE(crowded.Err.contains("line 1 and line 6: ")) << crowded.Err.toStdString();
    EXPECT_FALSE(crowded.Err.contains("line 1 and line 7: "));
    EXPECT_TRUE(crowded.Err.contains("\n  and 3 more\n")) << crowded.Err.toStdString();
    EXPECT_TRUE(Entries(folder).isEmpty());
}

TEST(BatchNameCollision, SuffixKeepsEverySymbolInLineOrder) {
    QTemporaryDir folder;
    for (const char* jobs : {"1", "2"}) {
        const CliRun run = RunCli({"--batch", "--on-collision", "suffix", "--jobs", jobs, "-o",
                                   folder.filePath(QStringLiteral("%s.png"))},
                                  Lines);
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("8 symbols written (4 names given a suffix)"))
            << run.Err.toStdString();
        const std::vector<std::pair<QString, std::string>> expected = {
            {"a_b.png", "a/b"},       {"a_b-2.png", "a_b"},  {"X.png", "X"},
            {"same.png", "same"},     {"x-2.png", "x"},      {"same-3.png", "same"},
            {"same-2.png", "same-2"}, {"same-4.png", "same"}};
        EXPECT_EQ(Entries(folder).size(), expected.size())
            << Entries(folder).join(' ').toStdString();
        for (const auto& [name, text] : expected) {
            EXPECT_EQ(ReadBack(folder, name), text) << name.toStdString();
        }
    }
}

} // namespace
