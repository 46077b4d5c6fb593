// The names %s makes from a line: every script kept, only what file systems refuse replaced, cut
// at 255 bytes per path component between characters; and a batch that names its files so.
#include "BatchRunSupport.h"
#include "OutputNamePlan.h"
#include "OutputPattern.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

using namespace ostrel::test;
using ostrel::cli::OutputNamePlan;
using ostrel::cli::OutputPattern;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Repeat(std::string_view text, int count) {
    std::string repeated;
    for (int i = 0; i < count; ++i) {
        repeated += text;
    }
    return repeated;
}

TEST(BatchFileName, SafeNameKeepsEveryScriptAndReplacesWhatDisksRefuse) {
    const std::string chinese = Repeat("中", 100); // 300 bytes
    const struct {
        std::string Line;
        std::size_t MaxBytes;
        std::string Name;
    } cases[] = {
        {"张伟", 255, "张伟"},
        {"日本語のファイル", 255, "日本語のファイル"},
        {"café au lait", 255, "café au lait"},
        {"🙂👍🏽👩‍👩‍👧", 255,
         "🙂👍🏽👩‍👩‍👧"}, // a skin tone, a joined family
        {"SN-001", 255, "SN-001"},
        {"a/b", 255, "a_b"},
        {"a_/b", 255, "a_b"},
        {"a\\b", 255, "a_b"},
        {"x<y>z:\"q\"|?*", 255, "x_y_z_q_"},
        {"tab\there\x7f", 255, "tab_here_"},
        {"c1\xC2\x85"
         "c1",
         255, "c1_c1"},                                 // U+0085, a C1 control
        {"abc\xE2\x80\xAEgnp.exe", 255, "abc_gnp.exe"}, // U+202E turns the text around
        {"a\xFF\xFE"
         "b",
         255, "a_b"},
        {"\xC0\xAF\xED\xA0\x80ok\xE4\xB8", 255, "_ok_"}, // overlong, surrogate, cut short
        {"..hidden", 255, "_.hidden"},
        {"end. .", 255, "end_"},
        {"...", 255, "_"},
        {"", 255, "_"},
        {"CON", 255, "CON_"},
        {"con.txt", 255, "con_.txt"},
        {"Lpt9.tar.gz", 255, "Lpt9_.tar.gz"},
        {"nul .txt", 255, "nul_ .txt"},
        {"com\xC2\xB9", 255, "com\xC2\xB9_"},
        {"console", 255, "console"},
        {"com10.txt", 255, "com10.txt"},
        {"con", 3, "_"},
        {chinese, 255, Repeat("中", 85)},
        {chinese, 254, Repeat("中", 84)},
        {"a" + chinese, 255, std::string("a") + Repeat("中", 84)},
    };
    for (const auto& [line, maxBytes, name] : cases) {
        EXPECT_EQ(OutputPattern::SafeName(Bytes(line), maxBytes), name) << line << " " << maxBytes;
    }
    // The 255 bytes are the whole path component: the extension and the number take their part.
    const struct {
        const char* Pattern;
        std::string Name;
    } patterns[] = {
        {"out/%s.png", std::string("out/") + Repeat("中", 83) + ".png"},
        {"%d-%s", std::string("7-") + Repeat("中", 84)},
        {"%s/x.png", Repeat("中", 85) + "/x.png"},
        {"%s-%s.svg", Repeat("中", 83) + "-_.svg"},
    };
    for (const auto& [pattern, name] : patterns) {
        EXPECT_EQ(OutputPattern(pattern).Expand(7, Bytes(chinese)), name) << pattern;
    }
    // Letter case is folded in every script for the collision check, invalid bytes kept.
    EXPECT_EQ(OutputNamePlan::FoldCase("Émile-ΩMEGA-张伟.PNG"), "émile-ωmega-张伟.png");
    EXPECT_EQ(OutputNamePlan::FoldCase("A\xFF"), "a\xFF");
}

// Chinese names as they are, a name cut at 255 bytes that a second run replaces, and names that
// differ only in the case of a non-ASCII letter refused as one file.
TEST(BatchFileName, ABatchWritesChineseNamesAndReplacesLongOnes) {
    QTemporaryDir folder;
    const QString pattern = folder.filePath(QStringLiteral("%s.png"));
    const std::string chinese = Repeat("中", 100);
    for (int run = 0; run < 2; ++run) {
        const CliRun written = RunCli({"--batch", "-", "-o", pattern},
                                      QByteArray("张伟\n李娜\n") + chinese.c_str() + "\n");
        ASSERT_EQ(written.ExitCode, 0) << written.Err.toStdString();
    }
    EXPECT_EQ(ReadBack(folder, QStringLiteral("张伟.png")), "张伟");
    EXPECT_EQ(ReadBack(folder, QStringLiteral("李娜.png")), "李娜");
    EXPECT_EQ(ReadBack(folder, QString::fromStdString(Repeat("中", 83) + ".png")), chinese);
    EXPECT_EQ(Entries(folder).size(), 3) << Entries(folder).join(' ').toStdString();
    const CliRun clash = RunCli({"--batch", "-", "-o", pattern}, "Émile\némile\n");
    EXPECT_EQ(clash.ExitCode, 2) << clash.Err.toStdString();
    EXPECT_TRUE(clash.Err.contains("(the same file where letter case is ignored)"));
}

} // namespace
