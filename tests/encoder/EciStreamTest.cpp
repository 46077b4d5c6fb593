// The ECI header (ISO/IEC 18004 clause 7.4.2): mode indicator 0111 and the designator in one,
// two or three bytes before the segments, counted by the version choice; and no header at all
// unless one is set. Expected streams are written out here bit by bit from the clause.
#include "StandardTables.h"
#include "SymbolReader.h"
#include "clsQRCode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The stream of data for a version as a '0'/'1' string, and its measured length.
std::string Stream(clsQRCode& qr, const Bytes& data, std::int32_t version,
                   std::int32_t* measured = nullptr) {
    std::vector<std::uint8_t> bits(clsQRCode::BitBufferLength, 0);
    std::int32_t length = 0;
    qr.BuildBitStream(bits, data, static_cast<std::int32_t>(data.size()), version, false, length);
    if (measured != nullptr) {
        qr.BuildBitStream(bits, data, static_cast<std::int32_t>(data.size()), version, true,
                          *measured);
    }
    return test::BitString(bits, length);
}

std::string Without(std::string s) {
    std::erase(s, ' ');
    return s;
}

TEST(EciStreamTest, HeaderInEachOfTheThreeForms) {
    // "é" in UTF-8 (C3 A9), one byte-mode segment of two bytes (version 1: 8-bit count).
    const Bytes text = {0xC3, 0xA9};
    const std::string segment = "0100 00000010 11000011 10101001 0000";
    const struct {
        std::int32_t Designator;
        const char* Header;
    } cases[] = {
        {1, "0111 00000001"},
        {26, "0111 00011010"},
        {127, "0111 01111111"},
        {128, "0111 10000000 10000000"},
        {899, "0111 10000011 10000011"},
        {16383, "0111 10111111 11111111"},
        {16384, "0111 11000000 01000000 00000000"},
        {999999, "0111 11001111 01000010 00111111"},
    };
    for (const auto& c : cases) {
        clsQRCode qr;
        qr.SetEciDesignator(c.Designator);
        EXPECT_EQ(qr.EciDesignator(), c.Designator);
        const std::string expected = Without(std::string(c.Header) + segment);
        std::int32_t measured = 0;
        EXPECT_EQ(Stream(qr, text, 1, &measured), expected) << "designator " << c.Designator;
        EXPECT_EQ(measured, static_cast<std::int32_t>(expected.size()));
        EXPECT_EQ(clsQRCode::EciHeaderBits(c.Designator),
                  static_cast<std::int32_t>(Without(c.Header).size()));
    }
}

TEST(EciStreamTest, HeaderPrecedesEverySegmentationAndWidthClass) {
    // A numeric, alphanumeric and byte mix: the segments are those without a header.
    const std::string mixed = "0123456789012 HELLO WORLD \xE4\xB8\xAD";
    const Bytes text(mixed.begin(), mixed.end());
    for (const std::int32_t version : {1, 10, 27}) {
        clsQRCode plain;
        plain.SetKanjiMode(false);
        clsQRCode eci;
        eci.SetKanjiMode(false);
        eci.SetEciDesignator(26);
        EXPECT_EQ(Stream(eci, text, version), "011100011010" + Stream(plain, text, version))
            << "version " << version;
    }
}

TEST(EciStreamTest, NoDesignatorMeansNoHeader) {
    const std::string sample = "Ostrel 二维码 0123456789";
    const Bytes text(sample.begin(), sample.end());
    clsQRCode reference;
    const std::string expected = Stream(reference, text, 5);
    const auto expectedSymbol = reference.EncodeMatrix(text, 200, 0, 2, 3);
    ASSERT_TRUE(expectedSymbol);
    for (const std::int32_t designator : {0, -1, -26, 1000000, 0x7FFFFFFF}) {
        clsQRCode qr;
        qr.SetEciDesignator(designator);
        EXPECT_EQ(qr.EciDesignator(), 0) << designator;
        EXPECT_EQ(clsQRCode::EciHeaderBits(designator), 0) << designator;
        EXPECT_EQ(Stream(qr, text, 5), expected) << designator;
        const auto symbol = qr.EncodeMatrix(text, 200, 0, 2, 3);
        ASSERT_TRUE(symbol);
        EXPECT_EQ(symbol->Modules, expectedSymbol->Modules) << designator;
    }
    // Set, then cleared again.
    clsQRCode qr;
    qr.SetEciDesignator(26);
    EXPECT_NE(Stream(qr, text, 5), expected);
    qr.SetEciDesignator(0);
    EXPECT_EQ(Stream(qr, text, 5), expected);
}

TEST(EciStreamTest, EmptyInputStaysTheTerminatorAlone) {
    clsQRCode qr;
    qr.SetEciDesignator(26);
    std::int32_t measured = 0;
    EXPECT_EQ(Stream(qr, {}, 1, &measured), "0000");
    EXPECT_EQ(measured, 4);
    const auto symbol = qr.EncodeMatrix(Bytes{}, 0, 0, 1, 0);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->Version, 1);
}

TEST(EciStreamTest, SymbolCarriesTheHeaderInItsDataCodewords) {
    // Version 1-L is one block: the first 19 codewords read back are the data codewords.
    // 0111 0001 | 1010 0100 | 0000 0010 | 1100 0011 | 1010 1001 | 0000 0000, then EC 11 ...
    clsQRCode qr;
    qr.SetEciDesignator(26);
    const Bytes text = {0xC3, 0xA9};
    const auto symbol = qr.EncodeMatrix(text, 2, 0, 1, 5);
    ASSERT_TRUE(symbol);
    ASSERT_EQ(symbol->Version, 1);
    const Bytes codewords = test::ReadCodewords(*symbol, 5);
    ASSERT_GE(codewords.size(), 19U);
    Bytes expected = {0x71, 0xA4, 0x02, 0xC3, 0xA9, 0x00};
    while (expected.size() < 19) {
        expected.push_back(expected.size() % 2 == 0 ? 0xEC : 0x11);
    }
    EXPECT_EQ(Bytes(codewords.begin(), codewords.begin() + 19), expected);
}

// The most bytes a single byte-mode segment can carry in a version and level, with a header of
// headerBits before it: 4 mode bits, 8 or 16 count bits, 8 per byte, and the terminator may be
// cut short at the end of the capacity.
std::int32_t ByteCapacity(std::int32_t version, std::int32_t level, std::int32_t headerBits) {
    const std::int32_t countBits = version < 10 ? 8 : 16;
    const std::int32_t dataBits = 8 * test::kDataCodewords[version - 1][level - 1];
    return (dataBits - headerBits - 4 - countBits) / 8;
}

// The smallest version whose byte capacity holds n bytes after a header; 0 when none does.
std::int32_t SmallestVersion(std::int32_t n, std::int32_t level, std::int32_t headerBits) {
    for (std::int32_t v = 1; v <= 40; ++v) {
        if (n <= ByteCapacity(v, level, headerBits)) {
            return v;
        }
    }
    return 0;
}

TEST(EciStreamTest, HeaderBitsMoveFullSymbolsUpAVersion) {
    // Bytes outside every other mode (no digits, no alphanumeric characters, no Kanji pairs).
    for (std::int32_t level = 1; level <= 4; ++level) {
        for (std::int32_t v = 1; v <= 40; ++v) {
            const std::int32_t full = ByteCapacity(v, level, 0);
            const Bytes text(static_cast<std::size_t>(full), 0xA9);
            clsQRCode plain;
            const auto withoutEci = plain.EncodeMatrix(text, full, 0, level, 0);
            ASSERT_TRUE(withoutEci);
            EXPECT_EQ(withoutEci->Version, v) << "level " << level;

            for (const std::int32_t designator : {26, 1000, 100000}) {
                const std::int32_t header = designator < 128 ? 12 : (designator < 16384 ? 20 : 28);
                clsQRCode qr;
                qr.SetEciDesignator(designator);
                const auto withEci = qr.EncodeMatrix(text, full, 0, level, 0);
                const std::int32_t expected = SmallestVersion(full, level, header);
                if (expected == 0) {
                    EXPECT_FALSE(withEci) << "version " << v << " level " << level;
                    continue;
                }
                ASSERT_TRUE(withEci) << "version " << v << " level " << level;
                EXPECT_EQ(withEci->Version, expected)
                    << "version " << v << " level " << level << " designator " << designator;
                EXPECT_GT(withEci->Version, v) << "level " << level << " designator " << designator;
                // With the version fixed, the same input no longer fits it.
                EXPECT_FALSE(qr.EncodeMatrix(text, full, v, level, 0))
                    << "version " << v << " level " << level;
                // The largest input that fits with the header stays in the version.
                const std::int32_t fits = ByteCapacity(v, level, header);
                const auto stays = qr.EncodeMatrix(text, fits, 0, level, 0);
                ASSERT_TRUE(stays);
                EXPECT_EQ(stays->Version, v) << "level " << level << " designator " << designator;
            }
        }
    }
}

} // namespace
} // namespace ostrel
