// BatchTable reads the rows of a batch: random tables written out as RFC 4180 CSV (every field
// quoted, quotes doubled, line breaks inside fields) and as TSV by a plain writer here must come
// back field for field, and bad rows fail alone with their line numbers.
#include "BatchTable.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using ostrel::cli::BatchTable;
using Table = std::vector<std::vector<std::string>>;

// A field that exercises the format: commas, quotes, CR LF and LF, blanks at the ends, UTF-8.
std::string RandomField(std::mt19937& random, bool tsv) {
    static const std::vector<std::string> Pieces = {"a", "Z9",   ",", "\"", "\"\"", "\n", "\r\n",
                                                    " ", "标签", "é", "'",  ";",    "\t"};
    std::string field;
    const auto length = random() % 6;
    for (unsigned i = 0; i < length; ++i) {
        const std::string& piece = Pieces[random() % Pieces.size()];
        // TSV has no quoting: no tab or line break inside a field.
        if (!tsv || piece.find_first_of("\t\r\n") == std::string::npos) {
            field += piece;
        }
    }
    return field.empty() ? std::string("x") : field;
}

// Fields in quotes when they need them (RFC 4180 clause 2.6), or all of them.
std::string WriteCsv(const Table& table, const std::string& lineBreak, bool quoteAll) {
    std::string text;
    for (const auto& row : table) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (!quoteAll && row[i].find_first_of(",\"\r\n") == std::string::npos) {
                text += (i == 0 ? "" : ",") + row[i];
                continue;
            }
            std::string quoted = "\"";
            for (const char c : row[i]) {
                quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
            }
            text += (i == 0 ? "" : ",") + quoted + "\"";
        }
        text += lineBreak;
    }
    return text;
}

std::string WriteTsv(const Table& table, const std::string& lineBreak) {
    std::string text;
    for (const auto& row : table) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            text += (i == 0 ? "" : "\t") + row[i];
        }
        text += lineBreak;
    }
    return text;
}

TEST(BatchTableReading, RandomTablesComeBackFieldForField) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        const bool tsv = round % 3 == 2;
        const std::size_t columns = 1 + random() % 4;
        Table table{{"data"}};
        for (std::size_t c = 1; c < columns; ++c) {
            table[0].push_back(c == 1 ? "File" : "extra" + std::to_string(c));
        }
        for (std::size_t r = 0, rows = random() % 8; r < rows; ++r) {
            table.emplace_back();
            for (std::size_t c = 0; c < columns; ++c) {
                table.back().push_back(RandomField(random, tsv));
            }
        }
        const std::string lineBreak = round % 2 == 0 ? "\r\n" : "\n";
        std::string text =
            tsv ? WriteTsv(table, lineBreak) : WriteCsv(table, lineBreak, round % 7 == 0);
        if (round % 4 == 1) {
            text.resize(text.size() - lineBreak.size()); // no break after the last row
        }
        if (round % 5 == 0) {
            text = "\xEF\xBB\xBF" + text;
        }
        const BatchTable read =
            BatchTable::Read(text, tsv ? BatchTable::Format::Tsv : BatchTable::Format::Csv);
        ASSERT_EQ(read.Error(), "") << text;
        EXPECT_EQ(read.Header(), table[0]) << text;
        ASSERT_EQ(read.Rows.size(), table.size() - 1) << text;
        for (std::size_t r = 0; r < read.Rows.size(); ++r) {
            EXPECT_EQ(read.Rows[r].Error, "") << text;
            EXPECT_EQ(read.Rows[r].Fields, table[r + 1]) << text;
            EXPECT_EQ(read.Rows[r].Number, static_cast<std::int64_t>(r + 1));
            EXPECT_EQ(read.Data(read.Rows[r]), table[r + 1][0]);
            EXPECT_EQ(read.FileText(read.Rows[r]), columns > 1 ? table[r + 1][1] : "");
        }
    }
}

TEST(BatchTableReading, BadRowsFailAloneWithTheirLines) {
    const BatchTable csv = BatchTable::Read("name,DATA,file\n"
                                            "a,b,c\n"
                                            "\n"
                                            "only,two\n"
                                            "x,\"multi\nline\",y\n"
                                            "x,\"bad\"quote,y\n"
                                            ",,empty data\n"
                                            "z,\"never closed,y\nmore\n",
                                            BatchTable::Format::Csv);
    ASSERT_EQ(csv.Error(), "");
    EXPECT_EQ(csv.UnusedColumns(), std::vector<std::string>{"name"});
    ASSERT_EQ(csv.Rows.size(), 5U);
    EXPECT_EQ(csv.EmptyRows, 1);
    const std::vector<std::string> where = {"row 1 (line 2)", "row 2 (line 4)", "row 3 (line 5)",
                                            "row 4 (line 7)", "row 6 (line 9)"};
    const std::vector<bool> bad = {false, true, false, true, true};
    for (std::size_t i = 0; i < where.size(); ++i) {
        EXPECT_EQ(csv.Where(csv.Rows[i]), where[i]);
        EXPECT_EQ(csv.Rows[i].Error.empty(), !bad[i]) << where[i] << ": " << csv.Rows[i].Error;
    }
    EXPECT_EQ(csv.Data(csv.Rows[2]), "multi\nline");
    EXPECT_NE(csv.Rows[1].Error.find("2 fields where the header names 3"), std::string::npos);
    EXPECT_NE(csv.Rows[4].Error.find("not closed"), std::string::npos);

    // The whole table is refused without a data column; nothing at all is no table at all.
    EXPECT_NE(BatchTable::Read("\xEF\xBB\xBF"
                               "file,text\na,b\n",
                               BatchTable::Format::Csv)
                  .Error()
                  .find("no 'data' column"),
              std::string::npos);
    EXPECT_NE(BatchTable::Read("data\tDATA\n", BatchTable::Format::Tsv).Error(), "");
    for (const auto format : {BatchTable::Format::Lines, BatchTable::Format::Csv}) {
        const BatchTable empty = BatchTable::Read("\xEF\xBB\xBF", format);
        EXPECT_EQ(empty.Error(), "");
        EXPECT_TRUE(empty.Rows.empty());
    }
}

TEST(BatchTableReading, LinesKeepTheirNumbersAndLoseTheMarkAndBreaks) {
    const BatchTable lines = BatchTable::Read("\xEF\xBB\xBF"
                                              "first\r\n\nsecond, \"as is\"\n\r\nlast",
                                              BatchTable::Format::Lines);
    ASSERT_EQ(lines.Rows.size(), 3U);
    EXPECT_EQ(lines.EmptyRows, 2);
    EXPECT_EQ(lines.Rows[0].Fields, std::vector<std::string>{"first"});
    EXPECT_EQ(lines.Rows[1].Fields, std::vector<std::string>{"second, \"as is\""});
    EXPECT_EQ(lines.Rows[2].Fields, std::vector<std::string>{"last"});
    EXPECT_EQ(lines.Rows[2].Number, 5);
    EXPECT_EQ(lines.Where(lines.Rows[2]), "line 5");
}

} // namespace
