// Version and error-correction tables against ISO/IEC 18004 (Tables 1 and 9, Annex E).
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
    static constexpr std::int32_t kDataCodewords[40][4] = {
        {19, 16, 13, 9},          {34, 28, 22, 16},         {55, 44, 34, 26},
        {80, 64, 48, 36},         {108, 86, 62, 46},        {136, 108, 76, 60},
        {156, 124, 88, 66},       {194, 154, 110, 86},      {232, 182, 132, 100},
        {274, 216, 154, 122},     {324, 254, 180, 140},     {370, 290, 206, 158},
        {428, 334, 244, 180},     {461, 365, 261, 197},     {523, 415, 295, 223},
        {589, 453, 325, 253},     {647, 507, 367, 283},     {721, 563, 397, 313},
        {795, 627, 445, 341},     {861, 669, 485, 385},     {932, 714, 512, 406},
        {1006, 782, 568, 442},    {1094, 860, 614, 464},    {1174, 914, 664, 514},
        {1276, 1000, 718, 538},   {1370, 1062, 754, 596},   {1468, 1128, 808, 628},
        {1531, 1193, 871, 661},   {1631, 1267, 911, 701},   {1735, 1373, 985, 745},
        {1843, 1455, 1033, 793},  {1955, 1541, 1115, 845},  {2071, 1631, 1171, 901},
        {2191, 1725, 1231, 961},  {2306, 1812, 1286, 986},  {2434, 1914, 1354, 1054},
        {2566, 1992, 1426, 1096}, {2702, 2102, 1502, 1142}, {2812, 2216, 1582, 1222},
        {2956, 2334, 1666, 1276},
    };
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
