// clsQRCapacity and clsCodewordBlocks against ISO/IEC 18004 Tables 1, 7 and 9, clause 7.6 and the
// worked example of Annex I.
#include "StandardTables.h"
#include "clsCodewordBlocks.h"
#include "clsQRCapacity.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace ostrel {
namespace {

using BlockTable = clsCodewordBlocks::BlockTable;

TEST(QRCapacityTest, EveryVersionAndLevelHasTheBlocksOfTable9) {
    for (std::int32_t version = 1; version <= 40; ++version) {
        EXPECT_EQ(clsQRCapacity::TotalCodewords(version), test::kTotalCodewords[version - 1]);
        for (std::int32_t level = 1; level <= 4; ++level) {
            const auto [blocks, ecc] = test::kErrorCorrectionBlocks[version - 1][level - 1];
            // The two typed tables agree with Table 7.
            ASSERT_EQ(test::kTotalCodewords[version - 1] - blocks * ecc,
                      test::kDataCodewords[version - 1][level - 1]);
            EXPECT_EQ(clsQRCapacity::BlockCount(level, version), blocks)
                << "version " << version << " level " << level;
            EXPECT_EQ(clsQRCapacity::EccPerBlock(level, version), ecc)
                << "version " << version << " level " << level;
            EXPECT_EQ(clsQRCapacity::DataCodewords(level, version),
                      test::kDataCodewords[version - 1][level - 1]);
            const BlockTable table = clsQRCapacity::Blocks(level, version);
            EXPECT_EQ(table.Total, test::kTotalCodewords[version - 1]);
            EXPECT_EQ(table.Blocks, blocks);
            EXPECT_EQ(table.EccPerBlock, ecc);
        }
    }
}

TEST(QRCapacityTest, SettingsOutsideTheTablesHaveNoCapacity) {
    for (const auto& [level, version] : {std::pair{0, 1}, {5, 1}, {1, 0}, {1, 41}, {-1, -1}}) {
        EXPECT_EQ(clsQRCapacity::BlockCount(level, version), 0);
        EXPECT_EQ(clsQRCapacity::EccPerBlock(level, version), 0);
        EXPECT_EQ(clsQRCapacity::DataCodewords(level, version), 0);
        const BlockTable table = clsQRCapacity::Blocks(level, version);
        EXPECT_EQ(table.Total + table.Blocks + table.EccPerBlock, 0);
    }
    EXPECT_EQ(clsQRCapacity::TotalCodewords(0), 0);
    EXPECT_EQ(clsQRCapacity::TotalCodewords(41), 0);
}

// Rows of Table 9 as the standard prints them: the blocks of the first group and their (total,
// data) codewords, then the second group's, one codeword longer (no second group: count 0).
struct Table9Row {
    std::int32_t Version;
    std::int32_t Level;
    std::int32_t FirstCount, FirstTotal, FirstData;
    std::int32_t SecondCount, SecondTotal, SecondData;
};
constexpr Table9Row kTable9Rows[] = {
    {1, 4, 1, 26, 9, 0, 0, 0},       {5, 3, 2, 33, 15, 2, 34, 16},
    {5, 4, 2, 33, 11, 2, 34, 12},    {10, 2, 4, 69, 43, 1, 70, 44},
    {13, 3, 8, 44, 20, 4, 45, 21},   {15, 1, 5, 109, 87, 1, 110, 88},
    {27, 2, 22, 73, 45, 3, 74, 46},  {40, 1, 19, 148, 118, 6, 149, 119},
    {40, 4, 20, 45, 15, 61, 46, 16},
};

TEST(CodewordBlocksTest, ShortAndLongBlocksAreTheTwoGroupsOfTable9) {
    for (const Table9Row& row : kTable9Rows) {
        const BlockTable table = clsQRCapacity::Blocks(row.Level, row.Version);
        const std::int32_t ecc = table.EccPerBlock;
        const bool oneGroup = row.SecondCount == 0;
        EXPECT_EQ(table.Blocks, row.FirstCount + row.SecondCount) << "version " << row.Version;
        EXPECT_EQ(table.ShortBlocks(), oneGroup ? 0 : row.FirstCount) << "version " << row.Version;
        EXPECT_EQ(table.LongLength(), oneGroup ? row.FirstData : row.SecondData);
        EXPECT_EQ(row.FirstTotal - row.FirstData, ecc);
        EXPECT_EQ(table.DataCodewords(),
                  row.FirstCount * row.FirstData + row.SecondCount * row.SecondData);
    }
    // Every version and level: the short blocks come first and hold one codeword fewer.
    for (std::int32_t version = 1; version <= 40; ++version) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const BlockTable table = clsQRCapacity::Blocks(level, version);
            const std::int32_t shortBlocks = table.ShortBlocks();
            ASSERT_GE(shortBlocks, 0);
            ASSERT_LT(shortBlocks, table.Blocks);
            EXPECT_EQ(shortBlocks * (table.LongLength() - 1) +
                          (table.Blocks - shortBlocks) * table.LongLength(),
                      test::kDataCodewords[version - 1][level - 1]);
        }
    }
}

TEST(CodewordBlocksTest, PadAlternatesEcAnd11UpToTheCapacity) {
    std::vector<std::uint8_t> codewords(10, 0x55);
    clsCodewordBlocks::Pad(codewords.data(), 3, 9);
    EXPECT_EQ(codewords, (std::vector<std::uint8_t>{0x55, 0x55, 0x55, 0xEC, 0x11, 0xEC, 0x11, 0xEC,
                                                    0x11, 0x55}));
    clsCodewordBlocks::Pad(codewords.data(), 9, 9);
    clsCodewordBlocks::Pad(codewords.data(), 10, 9);
    EXPECT_EQ(codewords[9], 0x55);
}

class InterleaveTest : public ::testing::Test {
protected:
    InterleaveTest() : field(std::make_shared<clsFiniteField>()) {
        field->Init(256, 0x11D, 2); // GF(2^8) with x^8 + x^4 + x^3 + x^2 + 1
    }
    std::vector<std::uint8_t> Interleave(const BlockTable& table,
                                         const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> sequence(static_cast<std::size_t>(table.Total), 0);
        clsCodewordBlocks::Interleave(table, data.data(), sequence.data(), reedSolomon, field);
        return sequence;
    }

    clsReedSolomon reedSolomon;
    std::shared_ptr<clsFiniteField> field;
};

// Annex I: "01234567" as version 1-M, one block of 16 data and 10 check codewords.
TEST_F(InterleaveTest, OneBlockIsTheDataThenTheCheckCodewordsOfAnnexI) {
    const std::vector<std::uint8_t> data = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11,
                                            0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11};
    std::vector<std::uint8_t> expected = data;
    expected.insert(expected.end(), {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55});
    EXPECT_EQ(Interleave(clsQRCapacity::Blocks(2, 1), data), expected);
}

// Clause 7.6: the blocks' data codewords column by column (the short blocks leave the last
// column out), then their check codewords column by column; each block's check codewords are
// those it has alone.
TEST_F(InterleaveTest, BlocksAreInterleavedColumnByColumn) {
    std::mt19937 random(18004);
    for (const Table9Row& row : kTable9Rows) {
        const BlockTable table = clsQRCapacity::Blocks(row.Level, row.Version);
        std::vector<std::uint8_t> data(static_cast<std::size_t>(table.DataCodewords()));
        for (auto& codeword : data) {
            codeword = static_cast<std::uint8_t>(random());
        }
        std::vector<std::vector<std::uint8_t>> blocks;
        std::vector<std::vector<std::uint8_t>> checks;
        auto next = data.begin();
        for (std::int32_t b = 0; b < row.FirstCount + row.SecondCount; ++b) {
            const std::int32_t length = b < row.FirstCount ? row.FirstData : row.SecondData;
            blocks.emplace_back(next, next + length);
            next += length;
            const auto alone =
                Interleave({length + table.EccPerBlock, 1, table.EccPerBlock}, blocks.back());
            checks.emplace_back(alone.begin() + length, alone.end());
        }
        std::vector<std::uint8_t> expected;
        for (const auto* part : {&blocks, &checks}) {
            for (std::size_t column = 0; column < (*part).back().size(); ++column) {
                for (const auto& block : *part) {
                    if (column < block.size()) {
                        expected.push_back(block[column]);
                    }
                }
            }
        }
        EXPECT_EQ(Interleave(table, data), expected)
            << "version " << row.Version << " level " << row.Level;
    }
}

} // namespace
} // namespace ostrel
