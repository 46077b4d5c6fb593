// Conformance sweep: symbols of every version, level and mask, filled to their data capacity,
// read back by two independent readers (zxing-cpp and ZBar); and the capacity edges of every
// version and level in each of the four modes, computed here from the bit costs of
// ISO/IEC 18004 and the data codewords of its Table 7, not from the encoder's own tables.
//
// OSTREL_SWEEP_SAMPLE=n (n >= 1) keeps every n-th symbol of the reader sweep only, for slow
// machines and instrumented builds; unset, all 2560 symbols are read.
#include "PeerReaders.h"
#include "StandardTables.h"
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::kDataCodewords;

std::int32_t DataBits(std::int32_t version, std::int32_t level) {
    return 8 * kDataCodewords[version - 1][level - 1];
}

enum class Mode { Numeric, Alphanumeric, Byte, Kanji };
constexpr Mode kModes[] = {Mode::Numeric, Mode::Alphanumeric, Mode::Byte, Mode::Kanji};

const char* Name(Mode mode) {
    switch (mode) {
    case Mode::Numeric:
        return "numeric";
    case Mode::Alphanumeric:
        return "alphanumeric";
    case Mode::Byte:
        return "byte";
    default:
        return "Kanji";
    }
}

// Character-count indicator widths (Table 3) for versions 1-9, 10-26 and 27-40.
std::int32_t CountBits(Mode mode, std::int32_t version) {
    const int cls = version < 10 ? 0 : (version < 27 ? 1 : 2);
    static constexpr std::int32_t kWidths[4][3] = {
        {10, 12, 14}, {9, 11, 13}, {8, 16, 16}, {8, 10, 12}};
    return kWidths[static_cast<int>(mode)][cls];
}

// Bits of one segment of n characters: mode indicator, count, data (clauses 7.4.3 to 7.4.6).
std::int32_t SegmentBits(Mode mode, std::int32_t version, std::int32_t n) {
    std::int32_t data = 0;
    switch (mode) {
    case Mode::Numeric:
        data = 10 * (n / 3) + (n % 3 == 0 ? 0 : (n % 3 == 1 ? 4 : 7));
        break;
    case Mode::Alphanumeric:
        data = 11 * (n / 2) + 6 * (n % 2);
        break;
    case Mode::Byte:
        data = 8 * n;
        break;
    case Mode::Kanji:
        data = 13 * n;
        break;
    }
    return 4 + CountBits(mode, version) + data;
}

// The most characters of one mode that the version and level hold.
std::int32_t Capacity(Mode mode, std::int32_t version, std::int32_t level) {
    std::int32_t n = 0;
    while (SegmentBits(mode, version, n + 1) <= DataBits(version, level)) {
        ++n;
    }
    return n;
}

// n characters of the mode, chosen so that no other mode could encode any part of them more
// cheaply: digits; capitals and the nine symbols (no digits); lower-case letters; Shift JIS
// double-byte characters (two bytes each).
Bytes Characters(Mode mode, std::int32_t n, std::mt19937& rng) {
    static const std::string kAlphanumeric = "ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    Bytes out;
    for (std::int32_t i = 0; i < n; ++i) {
        switch (mode) {
        case Mode::Numeric:
            out.push_back(static_cast<std::uint8_t>('0' + rng() % 10));
            break;
        case Mode::Alphanumeric:
            out.push_back(static_cast<std::uint8_t>(kAlphanumeric[rng() % kAlphanumeric.size()]));
            break;
        case Mode::Byte:
            out.push_back(static_cast<std::uint8_t>('a' + rng() % 26));
            break;
        case Mode::Kanji: {
            // Lead 0x88..0x9F or 0xE0..0xEA, trail 0x40..0xFC without 0x7F.
            const std::uint32_t lead = rng() % 34;
            out.push_back(static_cast<std::uint8_t>(lead < 24 ? 0x88 + lead : 0xE0 + lead - 24));
            std::uint8_t trail = static_cast<std::uint8_t>(0x40 + rng() % 0xBD);
            if (trail == 0x7F) {
                trail = 0x80;
            }
            out.push_back(trail);
            break;
        }
        }
    }
    return out;
}

// Random bytes that only byte mode encodes: no digit, no character of the alphanumeric set,
// no lead byte of a Kanji pair.
Bytes ByteModeOnly(std::int32_t n, std::mt19937& rng) {
    static const std::string kOther = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    Bytes out;
    while (static_cast<std::int32_t>(out.size()) < n) {
        const auto b = static_cast<std::uint8_t>(rng());
        const bool kanjiLead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEB);
        if (!kanjiLead && kOther.find(static_cast<char>(b)) == std::string::npos) {
            out.push_back(b);
        }
    }
    return out;
}

// The symbol picture enlarged by whole pixels.
QImage Enlarge(const QImage& picture, int scale) {
    return mdlTilvane::StretchPicture(picture, picture.width() * scale, picture.height() * scale);
}

Bytes AsBytes(const std::string& data) {
    return {data.begin(), data.end()};
}

// zxing-cpp without turning the picture: a symbol found mirrored (transposed), which a correct
// symbol never is, is reported as such.
std::optional<test::ZXingReading> ReadWithZxing(const QImage& picture) {
    test::ZXingOptions options;
    options.TryRotate = false;
    return test::ReadWithZXing(picture, options);
}

const std::string kLevelLetters[] = {"L", "M", "Q", "H"};

// Every n-th symbol of the sweep (OSTREL_SWEEP_SAMPLE), 1 when unset or not a positive number.
int SweepSample() {
    const char* value = std::getenv("OSTREL_SWEEP_SAMPLE");
    const int n = value == nullptr ? 1 : std::atoi(value);
    return n >= 1 ? n : 1;
}

// zxing-cpp 1.4's general detector misses some large symbols at exactly two pixels per module;
// three is reliable. ZBar reads two pixels per module well.
constexpr int kZxingScale = 3;
constexpr int kZbarScale = 2;

// The derived capacities are the standard's Table 7 figures.
TEST(ConformanceTest, DerivedCapacitiesAreTheStandardsTable) {
    struct Row {
        std::int32_t Version;
        std::int32_t Level;
        std::int32_t Numeric, Alphanumeric, Byte, Kanji;
    };
    const Row rows[] = {
        {1, 1, 41, 25, 17, 10},          {1, 2, 34, 20, 14, 8},
        {1, 3, 27, 16, 11, 7},           {1, 4, 17, 10, 7, 4},
        {2, 1, 77, 47, 32, 20},          {9, 1, 552, 335, 230, 141},
        {9, 4, 235, 143, 98, 60},        {10, 1, 652, 395, 271, 167},
        {10, 2, 513, 311, 213, 131},     {10, 4, 288, 174, 119, 74},
        {26, 1, 3283, 1990, 1367, 842},  {27, 2, 2701, 1637, 1125, 692},
        {40, 1, 7089, 4296, 2953, 1817}, {40, 2, 5596, 3391, 2331, 1435},
        {40, 3, 3993, 2420, 1663, 1024}, {40, 4, 3057, 1852, 1273, 784},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("version " + std::to_string(row.Version) + " level " +
                     std::to_string(row.Level));
        EXPECT_EQ(Capacity(Mode::Numeric, row.Version, row.Level), row.Numeric);
        EXPECT_EQ(Capacity(Mode::Alphanumeric, row.Version, row.Level), row.Alphanumeric);
        EXPECT_EQ(Capacity(Mode::Byte, row.Version, row.Level), row.Byte);
        EXPECT_EQ(Capacity(Mode::Kanji, row.Version, row.Level), row.Kanji);
    }
}

// The encoder's data capacity agrees with Table 7 for all 160 combinations.
TEST(ConformanceTest, DataCodewordsAgreeWithTheStandard) {
    clsQRCode qr;
    for (std::int32_t v = 1; v <= 40; ++v) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            EXPECT_EQ(qr.GetDataCodewords(level, v), kDataCodewords[v - 1][level - 1])
                << "version " << v << " level " << level;
        }
    }
}

// For each version, level and mode: the largest input fits that version (and is the version
// that automatic choice picks), one character more does not; the full symbol reads back.
TEST(ConformanceTest, CapacityEdgesOfEveryVersionLevelAndMode) {
    clsQRCode qr;
    std::mt19937 rng(18004);
    int edges = 0;
    for (std::int32_t v = 1; v <= 40; ++v) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            for (const Mode mode : kModes) {
                const std::string where = std::string(Name(mode)) + " version " +
                                          std::to_string(v) + " level " + std::to_string(level);
                const std::int32_t n = Capacity(mode, v, level);
                const Bytes full = Characters(mode, n + 1, rng);
                const std::int32_t unit = mode == Mode::Kanji ? 2 : 1;
                const auto fits = static_cast<std::int32_t>(n * unit);
                const auto over = static_cast<std::int32_t>(full.size());

                const auto symbol = qr.EncodeMatrix(full, fits, v, level, v % 8);
                ASSERT_TRUE(symbol) << where << ": " << n << " characters do not fit";
                EXPECT_EQ(symbol->Version, v) << where;
                EXPECT_FALSE(qr.EncodeMatrix(full, over, v, level, v % 8))
                    << where << ": " << n + 1 << " characters fit";

                // Automatic choice: the smallest version that holds the input.
                if (v > 1 && n > Capacity(mode, v - 1, level)) {
                    const auto chosen = qr.EncodeMatrix(full, fits, 0, level, 0);
                    ASSERT_TRUE(chosen) << where;
                    EXPECT_EQ(chosen->Version, v) << where << ": automatic choice";
                }

                const QImage picture = qr.Encode(full, fits, v, level, v % 8);
                const auto read = ReadWithZxing(Enlarge(picture, kZxingScale));
                ASSERT_TRUE(read) << where << ": not read back";
                EXPECT_EQ(AsBytes(read->Bytes), Bytes(full.begin(), full.begin() + fits)) << where;
                ++edges;
            }
        }
    }
    EXPECT_EQ(edges, 640);
}

// Every version, level and mask, filled with byte-mode data to its exact capacity and once
// with one byte less: 2560 symbols, each read back by zxing-cpp and by ZBar.
TEST(ConformanceTest, EveryVersionLevelAndMaskReadByTwoReaders) {
    const int sample = SweepSample();
    clsQRCode qr;
    std::mt19937 rng(2560);
    int symbols = 0;
    int byZxing = 0;
    int byZbar = 0;
    int index = 0;
    for (std::int32_t v = 1; v <= 40; ++v) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const std::int32_t capacity = Capacity(Mode::Byte, v, level);
            for (std::int32_t mask = 0; mask < 8; ++mask) {
                for (const std::int32_t length : {capacity, capacity - 1}) {
                    const Bytes input = ByteModeOnly(length, rng);
                    if (index++ % sample != 0) {
                        continue;
                    }
                    const std::string where =
                        "version " + std::to_string(v) + " level " + std::to_string(level) +
                        " mask " + std::to_string(mask) + ", " + std::to_string(length) + " bytes";
                    qr.SetKanjiMode(mask % 2 == 0);
                    const QImage picture = qr.Encode(input, length, v, level, mask);
                    ASSERT_FALSE(picture.isNull()) << where;
                    ASSERT_EQ(picture.width(), 17 + 4 * v + 8) << where;
                    ++symbols;

                    const auto fromZxing = ReadWithZxing(Enlarge(picture, kZxingScale));
                    EXPECT_TRUE(fromZxing) << where << ": zxing-cpp did not read it";
                    if (fromZxing) {
                        EXPECT_EQ(AsBytes(fromZxing->Bytes), input) << where << ": zxing-cpp";
                        EXPECT_TRUE(fromZxing->Level == kLevelLetters[level - 1])
                            << where << ": zxing-cpp read another level";
                        EXPECT_FALSE(fromZxing->Mirrored) << where << ": read mirrored";
                        byZxing += AsBytes(fromZxing->Bytes) == input ? 1 : 0;
                    }
                    const auto fromZbar =
                        test::ReadWithZBar(Enlarge(picture, kZbarScale), test::ZBarData::Binary);
                    EXPECT_TRUE(fromZbar) << where << ": ZBar did not read it";
                    if (fromZbar) {
                        EXPECT_EQ(AsBytes(*fromZbar), input) << where << ": ZBar";
                        byZbar += AsBytes(*fromZbar) == input ? 1 : 0;
                    }
                }
            }
        }
    }
    const int expected = (2560 + sample - 1) / sample;
    std::cout << "conformance sweep: " << symbols << " of 2560 symbols (one in " << sample
              << "), zxing-cpp read " << byZxing << ", ZBar read " << byZbar << "\n";
    EXPECT_EQ(symbols, expected);
    EXPECT_EQ(byZxing, expected);
    EXPECT_EQ(byZbar, expected);
}

} // namespace
} // namespace ostrel
