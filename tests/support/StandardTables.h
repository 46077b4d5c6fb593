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
