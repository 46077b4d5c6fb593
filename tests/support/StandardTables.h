#pragma once
// Reference values from ISO/IEC 18004, typed from the standard's tables for tests to check the
// encoder against (never derived from the encoder's own tables).

#include <cstdint>

namespace ostrel::test {

// Data codewords per version (rows 1..40) and level (L, M, Q, H): ISO/IEC 18004 Table 7.
inline constexpr std::int32_t kDataCodewords[40][4] = {
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

// Codewords per version (1..40): ISO/IEC 18004 Table 1, column "number of data modules" / 8.
inline constexpr std::int32_t kTotalCodewords[40] = {
    26,   44,   70,   100,  134,  172,  196,  242,  292,  346,  404,  466,  532,  581,
    655,  733,  815,  901,  991,  1085, 1156, 1258, 1364, 1474, 1588, 1706, 1828, 1921,
    2051, 2185, 2323, 2465, 2611, 2761, 2876, 3034, 3196, 3362, 3532, 3706,
};

// Error-correction blocks per version (rows 1..40) and level (L, M, Q, H): ISO/IEC 18004 Table 9,
// as {blocks of both groups, check codewords per block}.
inline constexpr std::int32_t kErrorCorrectionBlocks[40][4][2] = {
    {{1, 7}, {1, 10}, {1, 13}, {1, 17}},      {{1, 10}, {1, 16}, {1, 22}, {1, 28}},
    {{1, 15}, {1, 26}, {2, 18}, {2, 22}},     {{1, 20}, {2, 18}, {2, 26}, {4, 16}},
    {{1, 26}, {2, 24}, {4, 18}, {4, 22}},     {{2, 18}, {4, 16}, {4, 24}, {4, 28}},
    {{2, 20}, {4, 18}, {6, 18}, {5, 26}},     {{2, 24}, {4, 22}, {6, 22}, {6, 26}},
    {{2, 30}, {5, 22}, {8, 20}, {8, 24}},     {{4, 18}, {5, 26}, {8, 24}, {8, 28}},
    {{4, 20}, {5, 30}, {8, 28}, {11, 24}},    {{4, 24}, {8, 22}, {10, 26}, {11, 28}},
    {{4, 26}, {9, 22}, {12, 24}, {16, 22}},   {{4, 30}, {9, 24}, {16, 20}, {16, 24}},
    {{6, 22}, {10, 24}, {12, 30}, {18, 24}},  {{6, 24}, {10, 28}, {17, 24}, {16, 30}},
    {{6, 28}, {11, 28}, {16, 28}, {19, 28}},  {{6, 30}, {13, 26}, {18, 28}, {21, 28}},
    {{7, 28}, {14, 26}, {21, 26}, {25, 26}},  {{8, 28}, {16, 26}, {20, 30}, {25, 28}},
    {{8, 28}, {17, 26}, {23, 28}, {25, 30}},  {{9, 28}, {17, 28}, {23, 30}, {34, 24}},
    {{9, 30}, {18, 28}, {25, 30}, {30, 30}},  {{10, 30}, {20, 28}, {27, 30}, {32, 30}},
    {{12, 26}, {21, 28}, {29, 30}, {35, 30}}, {{12, 28}, {23, 28}, {34, 28}, {37, 30}},
    {{12, 30}, {25, 28}, {34, 30}, {40, 30}}, {{13, 30}, {26, 28}, {35, 30}, {42, 30}},
    {{14, 30}, {28, 28}, {38, 30}, {45, 30}}, {{15, 30}, {29, 28}, {40, 30}, {48, 30}},
    {{16, 30}, {31, 28}, {43, 30}, {51, 30}}, {{17, 30}, {33, 28}, {45, 30}, {54, 30}},
    {{18, 30}, {35, 28}, {48, 30}, {57, 30}}, {{19, 30}, {37, 28}, {51, 30}, {60, 30}},
    {{19, 30}, {38, 28}, {53, 30}, {63, 30}}, {{20, 30}, {40, 28}, {56, 30}, {66, 30}},
    {{21, 30}, {43, 28}, {59, 30}, {70, 30}}, {{22, 30}, {45, 28}, {62, 30}, {74, 30}},
    {{24, 30}, {47, 28}, {65, 30}, {77, 30}}, {{25, 30}, {49, 28}, {68, 30}, {81, 30}},
};

// Format information after masking, indexed by the five data bits (level indicator L 01, M 00,
// Q 11, H 10, then the mask pattern): ISO/IEC 18004 Table C.1.
inline constexpr std::int32_t kFormatInformation[32] = {
    0x5412, 0x5125, 0x5E7C, 0x5B4B, 0x45F9, 0x40CE, 0x4F97, 0x4AA0, 0x77C4, 0x72F3, 0x7DAA,
    0x789D, 0x662F, 0x6318, 0x6C41, 0x6976, 0x1689, 0x13BE, 0x1CE7, 0x19D0, 0x0762, 0x0255,
    0x0D0C, 0x083B, 0x355F, 0x3068, 0x3F31, 0x3A06, 0x24B4, 0x2183, 0x2EDA, 0x2BED,
};

// Version information of versions 7..40: ISO/IEC 18004 Table D.1.
inline constexpr std::int32_t kVersionInformation[34] = {
    0x07C94, 0x085BC, 0x09A99, 0x0A4D3, 0x0BBF6, 0x0C762, 0x0D847, 0x0E60D, 0x0F928,
    0x10B78, 0x1145D, 0x12A17, 0x13532, 0x149A6, 0x15683, 0x168C9, 0x177EC, 0x18EC4,
    0x191E1, 0x1AFAB, 0x1B08E, 0x1CC1A, 0x1D33F, 0x1ED75, 0x1F250, 0x209D5, 0x216F0,
    0x228BA, 0x2379F, 0x24B0B, 0x2542E, 0x26A64, 0x27541, 0x28C69,
};

// Row/column coordinates of the alignment-pattern centres per version (rows 1..40), 0 ending a
// shorter list: ISO/IEC 18004 Table E.1.
inline constexpr std::int32_t kAlignmentCentres[40][7] = {
    {0, 0, 0, 0, 0, 0, 0},          {6, 18, 0, 0, 0, 0, 0},         {6, 22, 0, 0, 0, 0, 0},
    {6, 26, 0, 0, 0, 0, 0},         {6, 30, 0, 0, 0, 0, 0},         {6, 34, 0, 0, 0, 0, 0},
    {6, 22, 38, 0, 0, 0, 0},        {6, 24, 42, 0, 0, 0, 0},        {6, 26, 46, 0, 0, 0, 0},
    {6, 28, 50, 0, 0, 0, 0},        {6, 30, 54, 0, 0, 0, 0},        {6, 32, 58, 0, 0, 0, 0},
    {6, 34, 62, 0, 0, 0, 0},        {6, 26, 46, 66, 0, 0, 0},       {6, 26, 48, 70, 0, 0, 0},
    {6, 26, 50, 74, 0, 0, 0},       {6, 30, 54, 78, 0, 0, 0},       {6, 30, 56, 82, 0, 0, 0},
    {6, 30, 58, 86, 0, 0, 0},       {6, 34, 62, 90, 0, 0, 0},       {6, 28, 50, 72, 94, 0, 0},
    {6, 26, 50, 74, 98, 0, 0},      {6, 30, 54, 78, 102, 0, 0},     {6, 28, 54, 80, 106, 0, 0},
    {6, 32, 58, 84, 110, 0, 0},     {6, 30, 58, 86, 114, 0, 0},     {6, 34, 62, 90, 118, 0, 0},
    {6, 26, 50, 74, 98, 122, 0},    {6, 30, 54, 78, 102, 126, 0},   {6, 26, 52, 78, 104, 130, 0},
    {6, 30, 56, 82, 108, 134, 0},   {6, 34, 60, 86, 112, 138, 0},   {6, 30, 58, 86, 114, 142, 0},
    {6, 34, 62, 90, 118, 146, 0},   {6, 30, 54, 78, 102, 126, 150}, {6, 24, 50, 76, 102, 128, 154},
    {6, 28, 54, 80, 106, 132, 158}, {6, 32, 58, 84, 110, 136, 162}, {6, 26, 54, 82, 110, 138, 166},
    {6, 30, 58, 86, 114, 142, 170},
};

} // namespace ostrel::test

namespace ostrel::test {

// ---- Micro QR (ISO/IEC 18004, the Micro QR tables) and rMQR (ISO/IEC 23941 Table 1) ----

// The levels each Micro QR version offers (L, M, Q, H as 1..4): M1 detects errors only and
// counts as L; no version has H.
inline constexpr bool kMicroLevels[4][4] = {
    {true, false, false, false}, // M1
    {true, true, false, false},  // M2
    {true, true, false, false},  // M3
    {true, true, true, false},   // M4
};

// The most bytes a Micro QR version holds at L, M, Q (byte mode; 0 where the version has no
// byte mode or lacks the level).
inline constexpr std::int32_t kMicroByteCapacity[4][3] = {
    {0, 0, 0}, {0, 0, 0}, {9, 7, 0}, {15, 13, 9}};

// The rMQR sizes in the order of their version indicator: height, then width.
inline constexpr std::int32_t kRMQRSizes[32][2] = {
    {7, 43},  {7, 59},  {7, 77},   {7, 99},  {7, 139}, {9, 43},   {9, 59},  {9, 77},
    {9, 99},  {9, 139}, {11, 27},  {11, 43}, {11, 59}, {11, 77},  {11, 99}, {11, 139},
    {13, 27}, {13, 43}, {13, 59},  {13, 77}, {13, 99}, {13, 139}, {15, 43}, {15, 59},
    {15, 77}, {15, 99}, {15, 139}, {17, 43}, {17, 59}, {17, 77},  {17, 99}, {17, 139},
};

// What each symbology offers, in the order QR Code, Micro QR, rMQR: version count, data masks
// (0: one fixed pattern), quiet zone, and whether it has ECI, structured append, Hanzi mode and
// FNC1 (ISO/IEC 18004 gives Micro QR none of these; ISO/IEC 23941 gives rMQR ECI and FNC1).
struct SymbologyFacts {
    std::int32_t Versions;
    std::int32_t Masks;
    std::int32_t QuietZone;
    bool Eci;
    bool StructuredAppend;
    bool Hanzi;
    bool Fnc1;
};
inline constexpr SymbologyFacts kSymbologyFacts[3] = {
    {40, 8, 4, true, true, true, true},
    {4, 4, 2, false, false, false, false},
    {32, 0, 2, true, false, false, true},
};

} // namespace ostrel::test
