// The options of captions and sheets as the command line takes them: what goes together, what is
// refused and why, and the caption patterns of a batch filled in for a row.
#include "CaptionPattern.h"
#include "CliOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ostrel::cli::CaptionPattern;
using ostrel::cli::ParseArguments;

std::string ErrorOf(std::vector<std::string> arguments) {
    return ParseArguments(arguments).Error;
}

TEST(LabelOptions, CombinationsAreTakenOrRefusedWithTheReason) {
    const std::string batch = "--batch=items.csv";
    const struct {
        std::vector<std::string> Arguments;
        const char* Says; // empty: taken
    } cases[] = {
        {{"--caption", "A1", "-o", "a.png", "x"}, ""},
        {{"--caption", "A1", "--caption-outline", "-o", "a.svg", "x"}, ""},
        {{"--caption", "A1", "--caption-size", "9.5", "-o", "a.eps", "x"}, ""},
        {{"--caption", "A1", "--logo", "l.png", "-o", "a.png", "x"}, ""},
        {{batch, "--sheet", "A4", "--grid", "3x8", "-o", "s.pdf"}, ""},
        {{batch, "--sheet", "a5", "--label", "60x40mm", "--cut-marks", "--verify", "-o", "s.pdf"},
         ""},
        {{batch, "--sheet", "A4", "--grid", "2x2", "--module-size", "1mm", "-o", "s.pdf"}, ""},
        {{"--caption", "A1", "x"}, "not matrix"},
        {{"--caption", "A1", "--format", "utf8", "x"}, "not utf8"},
        {{"--caption", "", "-o", "a.png", "x"}, "for --caption"},
        {{"--caption", "A1", "--caption-size", "5", "-o", "a.png", "x"}, "from 6 to 144"},
        {{"--caption-size", "8", "-o", "a.png", "x"}, "for --caption only"},
        {{"--caption", "A1", "--caption-outline", "-o", "a.pdf", "x"}, "for svg"},
        {{"--caption", "A1", "--cmyk", "-o", "a.pdf", "x"}, "--cmyk"},
        {{"--caption", "A1", "--logo", "l.png", "-o", "a.pdf", "x"}, "not pdf"},
        {{"--caption", "A1", "--structured-append", "-o", "a%d.png", "x"}, "structured-append"},
        {{"--sheet", "A4", "--grid", "3x8", "-o", "s.pdf", "x"}, "--batch"},
        {{batch, "--sheet", "A4", "--grid", "3x8", "-o", "s.png"}, "one PDF"},
        {{batch, "--sheet", "A4", "--grid", "3x8"}, "one PDF"},
        {{batch, "--sheet", "A4", "--grid", "3x8", "--shard", "1/2", "-o", "s.pdf"}, "--shard"},
        {{batch, "--sheet", "A4", "--grid", "3x8", "--scale", "4", "-o", "s.pdf"}, "--scale"},
        {{batch, "--sheet", "A4", "--grid", "3x8", "--module-size", "4px", "-o", "s.pdf"}, "mm"},
        {{batch, "--sheet", "A4", "--grid", "3x8", "--gs1", "--verify", "-o", "s.pdf"}, "--gs1"},
        {{batch, "--sheet", "A4", "-o", "s.pdf"}, "needs --grid"},
        {{batch, "--sheet", "B7", "--grid", "3x8", "-o", "s.pdf"}, "for --sheet"},
        {{"--grid", "3x8", "-o", "a.png", "x"}, "for --sheet only"},
        {{"--cut-marks", "-o", "a.png", "x"}, "for --sheet only"},
        {{batch, "--shard", "0/4", "-o", "a%d.png"}, "--shard"},
        {{batch, "--shard", "5/4", "-o", "a%d.png"}, "--shard"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& argument : c.Arguments) {
            line += argument + ' ';
        }
        const std::string error = ErrorOf(c.Arguments);
        if (std::string(c.Says).empty()) {
            EXPECT_EQ(error, "") << line;
        } else {
            EXPECT_NE(error.find(c.Says), std::string::npos) << line << "-> " << error;
        }
    }
}

TEST(CaptionPattern, FillsInColumnsNamesAndNumbersOfTheRow) {
    const std::vector<std::string> header{"data", " Name ", "座位"};
    const std::vector<std::string> fields{"https://x", "产品 A", "12 排"};
    const struct {
        const char* Pattern;
        const char* Expected;
    } cases[] = {
        {"{name}", "产品 A"},
        {"{ NAME } / {座位}", "产品 A / 12 排"},
        {"No. %d", "No. 7"},
        {"%05d-%s", "00007-file-7"},
        {"100%% {data}", "100% https://x"},
        {"plain text", "plain text"},
    };
    for (const auto& c : cases) {
        const CaptionPattern pattern(c.Pattern, header);
        ASSERT_EQ(pattern.Error(), "") << c.Pattern;
        EXPECT_EQ(pattern.Expand(fields, "file-7", 7), c.Expected) << c.Pattern;
    }
    EXPECT_TRUE(CaptionPattern("{name}", header).Uses("NAME"));
    EXPECT_FALSE(CaptionPattern("{name}", header).Uses("data"));
    const struct {
        const char* Pattern;
        std::vector<std::string> Header;
        const char* Says;
    } refused[] = {
        {"{price}", header, "names no column"},
        {"{name", header, "without its '}'"},
        {"50%", header, "%%"},
        {"%x", header, "%s, %d"},
        {"{name}", {}, "plain lines have none"},
    };
    for (const auto& r : refused) {
        EXPECT_NE(CaptionPattern(r.Pattern, r.Header).Error().find(r.Says), std::string::npos)
            << r.Pattern;
    }
}

} // namespace
