// Version and error-correction tables against ISO/IEC 18004 (Tables 1 and 9, Annex E).
#include "StandardTables.h"
#include "SymbolReader.h"
#include "clsQRCode.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class TablesTest : public ::testing::Test {
protected:
    clsQRCode qr;
};

TEST_F(TablesTest, SymbolSizeAndTotalCodewords) {
    EXPECT_EQ(qr.GetSymbolSize(1), 21);
    EXPECT_EQ(qr.GetSymbolSize(40), 177);
    EXPECT_EQ(qr.GetSymbolSize(0), 0);
    EXPECT_EQ(qr.GetSymbolSize(41), 0);

    EXPECT_EQ(qr.GetTotalCodewords(1), 26);
    EXPECT_EQ(qr.GetTotalCodewords(2), 44);
    EXPECT_EQ(qr.GetDataModuleCount(2) % 8, 7); // remainder bits
    EXPECT_EQ(qr.GetTotalCodewords(7), 196);
    EXPECT_EQ(qr.GetTotalCodewords(40), 3706);
    EXPECT_EQ(qr.GetTotalCodewords(0), 0);
    EXPECT_EQ(qr.GetTotalCodewords(41), 0);

    EXPECT_EQ(qr.GetDataModuleCount(1), 208);
    EXPECT_EQ(qr.GetDataModuleCount(2), 359);
    EXPECT_EQ(qr.GetDataModuleCount(7), 1568);
    EXPECT_EQ(qr.GetDataModuleCount(40), 29648);
}

TEST_F(TablesTest, AlignmentCoordinateCountHasNoUpperBound) {
    EXPECT_EQ(qr.GetAlignmentCoordinateCount(-3), 1);
    EXPECT_EQ(qr.GetAlignmentCoordinateCount(1), 1);
    EXPECT_EQ(qr.GetAlignmentCoordinateCount(2), 2);
    EXPECT_EQ(qr.GetAlignmentCoordinateCount(7), 3);
    EXPECT_EQ(qr.GetAlignmentCoordinateCount(40), 7);
    EXPECT_EQ(qr.GetAlignmentCoordinateCount(49), 9);
}

TEST_F(TablesTest, BlockStructureSamples) {
    EXPECT_EQ(qr.BlockCount(2, 1), 1);
    EXPECT_EQ(qr.EccPerBlock(2, 1), 10);
    EXPECT_EQ(qr.GetDataCodewords(2, 1), 16);
    EXPECT_EQ(qr.BlockCount(3, 5), 4);
    EXPECT_EQ(qr.EccPerBlock(3, 5), 18);
    EXPECT_EQ(qr.BlockCount(1, 40), 25);
    EXPECT_EQ(qr.EccPerBlock(1, 40), 30);
    EXPECT_EQ(qr.GetDataCodewords(1, 40), 2956);
    EXPECT_EQ(qr.BlockCount(4, 40), 81);
    EXPECT_EQ(qr.GetDataCodewords(4, 40), 1276);
    EXPECT_EQ(qr.GetDataCodewords(3, 40), 1666);
    EXPECT_EQ(qr.BlockCount(0, 1), 0);
    EXPECT_EQ(qr.EccPerBlock(5, 1), 0);
    EXPECT_EQ(qr.BlockCount(1, 41), 0);
}

// Data capacities in codewords of Table 7 for every version and level: an independent table
// against which the block counts and check codewords of Table 9 are checked.
TEST_F(TablesTest, DataCapacityOfEveryVersionAndLevel) {
    using test::kDataCodewords;
    for (std::int32_t v = 1; v <= 40; ++v) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            EXPECT_EQ(qr.GetDataCodewords(level, v), kDataCodewords[v - 1][level - 1])
                << "version " << v << " level " << level;
            // Every block fits the 256-entry block array: long block + check codewords <= 153.
            const std::int32_t nb = qr.BlockCount(level, v);
            const std::int32_t longBlock = (qr.GetDataCodewords(level, v) + nb - 1) / nb;
            EXPECT_LE(longBlock + qr.EccPerBlock(level, v), 153);
        }
    }
}

TEST_F(TablesTest, AlignmentSpacing) {
    const std::int32_t expected[] = {16, 18, 20, 22, 24, 26, 28, 20, 22, 24, 24, 26,
                                     28, 28, 22, 24, 24, 26, 26, 28, 28, 24, 24, 26,
                                     26, 26, 28, 28, 24, 26, 26, 26, 28, 28};
    for (std::int32_t v = 1; v <= 6; ++v) {
        EXPECT_EQ(qr.AlignmentSpacing(v), 255);
    }
    for (std::int32_t v = 7; v <= 40; ++v) {
        EXPECT_EQ(qr.AlignmentSpacing(v), expected[v - 7]) << "version " << v;
    }
}

TEST_F(TablesTest, BitMask) {
    EXPECT_EQ(qr.BitMask(0), 1);
    EXPECT_EQ(qr.BitMask(12), 4096);
    EXPECT_EQ(qr.BitMask(17), 131072);
    EXPECT_EQ(qr.BitMask(18), 0);
    EXPECT_EQ(qr.BitMask(-1), 0);
}

} // namespace
} // namespace ostrel
