// The whole encoding pipeline: version choice, padding, blocks, Reed-Solomon, interleaving, and
// the finished symbol, checked by reading the symbol back independently.
#include "SymbolReader.h"
#include "WorkedExample.h"
#include "clsQRCode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// GF(2^8) multiplication by shift and add, for the syndrome check below.
std::uint8_t GfMul(std::uint8_t a, std::uint8_t b) {
    unsigned p = 0;
    unsigned x = a;
    for (unsigned y = b; y != 0; y >>= 1) {
        if ((y & 1) != 0) {
            p ^= x;
        }
        x <<= 1;
        if ((x & 0x100) != 0) {
            x ^= 0x11D;
        }
    }
    return static_cast<std::uint8_t>(p);
}

// Syndromes S_i = c(alpha^i), i = 0..ec-1, of a codeword sent first-symbol-first: all zero for
// a valid Reed-Solomon codeword of ISO/IEC 18004.
bool SyndromesAreZero(const Bytes& codeword, std::int32_t ec) {
    std::uint8_t alphaPower = 1;
    for (std::int32_t i = 0; i < ec; ++i) {
        std::uint8_t s = 0;
        for (std::uint8_t c : codeword) {
            s = static_cast<std::uint8_t>(GfMul(s, alphaPower) ^ c);
        }
        if (s != 0) {
            return false;
        }
        alphaPower = GfMul(alphaPower, 2);
    }
    return true;
}

class PipelineTest : public ::testing::Test {
protected:
    std::optional<clsQRCode::Symbol> Encode(const Bytes& data, std::int32_t version,
                                            std::int32_t level, std::int32_t mask = 0) {
        return qr.EncodeMatrix(data, static_cast<std::int32_t>(data.size()), version, level, mask);
    }

    // De-interleaves the codewords read from the symbol into blocks (clause 7.6), checks each
    // block's Reed-Solomon syndromes, and returns the data codewords in stream order.
    Bytes DataCodewords(const clsQRCode::Symbol& s) {
        const Bytes all = test::ReadCodewords(s, s.Mask);
        const std::int32_t nb = qr.BlockCount(s.Level, s.Version);
        const std::int32_t ec = qr.EccPerBlock(s.Level, s.Version);
        const std::int32_t dc = qr.GetDataCodewords(s.Level, s.Version);
        const std::int32_t shortLen = dc / nb;
        const std::int32_t longBlocks = dc % nb;
        std::vector<Bytes> blocks(static_cast<std::size_t>(nb));
        std::size_t p = 0;
        for (std::int32_t i = 0; i <= shortLen; ++i) {
            for (std::int32_t b = 0; b < nb; ++b) {
                if (i < shortLen || b >= nb - longBlocks) {
                    blocks[static_cast<std::size_t>(b)].push_back(all.at(p++));
                }
            }
        }
        Bytes data;
        for (const auto& block : blocks) {
            data.insert(data.end(), block.begin(), block.end());
        }
        for (std::int32_t k = 0; k < ec; ++k) {
            for (std::int32_t b = 0; b < nb; ++b) {
                blocks[static_cast<std::size_t>(b)].push_back(all.at(p++));
            }
        }
        for (std::int32_t b = 0; b < nb; ++b) {
            EXPECT_TRUE(SyndromesAreZero(blocks[static_cast<std::size_t>(b)], ec))
                << "block " << b << " of version " << s.Version << " level " << s.Level;
        }
        return data;
    }

    clsQRCode qr;
};

TEST_F(PipelineTest, AbcSymbolBitForBit) {
    const auto& expected = test::kAbcSymbol;
    const auto symbol = Encode(ToBytes("abc"), 0, 3, 0);
    ASSERT_TRUE(symbol);
    ASSERT_EQ(symbol->Version, 1);
    ASSERT_EQ(symbol->Side, 21);
    ASSERT_EQ(symbol->Modules.size(), 24u * 24u);
    for (std::int32_t y = 0; y < 24; ++y) {
        std::string row;
        for (std::int32_t x = 0; x < 24; ++x) {
            row += symbol->Modules[static_cast<std::size_t>(y * 24 + x)] != 0 ? '1' : '0';
        }
        if (y < 21) {
            EXPECT_EQ(row, std::string(expected[y]) + "000") << "row " << y;
        } else {
            EXPECT_EQ(row, std::string(24, '0')) << "spare row " << y;
        }
    }
    EXPECT_EQ(
        test::ReadCodewords(*symbol, 0),
        (Bytes{0x40, 0x36, 0x16, 0x26, 0x30, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11,
               0x6A, 0x34, 0xE9, 0x54, 0xE6, 0x64, 0xC0, 0x8D, 0x08, 0xE3, 0xA3, 0x86, 0x94}));
}

TEST_F(PipelineTest, NumericExampleCodewordsAtVersion1M) {
    const auto symbol = Encode(ToBytes("01234567"), 1, 2, 0);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(
        test::ReadCodewords(*symbol, 0),
        (Bytes{0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC,
               0x11, 0xEC, 0x11, 0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55}));
    EXPECT_EQ(test::ReadFormatBits(*symbol) >> 10, 0b00000); // level M, mask 0
}

TEST_F(PipelineTest, EmptyInputIsVersion1WithPadCodewords) {
    const auto symbol = Encode({}, 0, 3, 0);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->Version, 1);
    const Bytes data = DataCodewords(*symbol);
    ASSERT_EQ(data.size(), 13u);
    EXPECT_EQ(data[0], 0x00);
    for (std::size_t k = 1; k < data.size(); ++k) {
        EXPECT_EQ(data[k], k % 2 == 1 ? 0xEC : 0x11);
    }
}

TEST_F(PipelineTest, SettingsOutsideTheirRanges) {
    const Bytes abc = ToBytes("abc");
    for (std::int32_t level : {0, 5, -1}) {
        const auto s = Encode(abc, 0, level);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->Level, 2);
        EXPECT_EQ(test::ReadFormatBits(*s) >> 13, 0b00); // M
    }
    EXPECT_EQ(test::ReadFormatBits(*Encode(abc, 0, 3)) >> 13, 0b11); // Q
    for (std::int32_t mask : {8, -1}) {
        const auto s = Encode(abc, 0, 3, mask);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->Mask, 0);
        EXPECT_EQ(s->Modules, Encode(abc, 0, 3, 0)->Modules);
    }
    const auto auto41 = Encode(abc, 41, 3);
    ASSERT_TRUE(auto41);
    EXPECT_EQ(auto41->Modules, Encode(abc, 0, 3)->Modules);
    EXPECT_FALSE(Encode(abc, -1, 3));
}

TEST_F(PipelineTest, VersionChoiceAtCapacityEdges) {
    EXPECT_EQ(Encode(Bytes(11, 'a'), 0, 3)->Version, 1);
    EXPECT_EQ(Encode(Bytes(12, 'a'), 0, 3)->Version, 2);
    EXPECT_TRUE(Encode(Bytes(14, 'a'), 1, 2));
    EXPECT_FALSE(Encode(Bytes(15, 'a'), 1, 2));
    const auto v40 = Encode(Bytes(1663, 'a'), 0, 3);
    ASSERT_TRUE(v40);
    EXPECT_EQ(v40->Version, 40);
    EXPECT_EQ(v40->Side, 177);
    EXPECT_FALSE(Encode(Bytes(1664, 'a'), 0, 3));
    // The width class changes at version 10: 9-L holds 230 bytes (8-bit count).
    EXPECT_EQ(Encode(Bytes(230, 'a'), 0, 1)->Version, 9);
    EXPECT_EQ(Encode(Bytes(231, 'a'), 0, 1)->Version, 10);
    // Largest input of all: 7089 digits at 40-L; one more is refused at once.
    EXPECT_EQ(Encode(Bytes(7089, '1'), 0, 1)->Version, 40);
    EXPECT_FALSE(Encode(Bytes(7090, '1'), 0, 1));
}

TEST_F(PipelineTest, TerminatorIsCutAtCapacity) {
    // 1-Q holds 104 bits; 11 bytes take 4 + 8 + 88 = 100: the terminator fills the last four
    // bits and no pad codeword follows.
    const auto exact = Encode(Bytes(11, 'a'), 1, 3);
    ASSERT_TRUE(exact);
    const Bytes data = DataCodewords(*exact);
    ASSERT_EQ(data.size(), 13u);
    EXPECT_EQ(data[12] & 0x0F, 0); // 4-bit terminator, no pad codeword
    // 1-M holds 128 bits: 34 digits take 4 + 10 + 110 + 4 = 128, exactly full, with no room
    // for a terminator; 35 digits (131 bits) do not fit.
    const auto full = Encode(Bytes(34, '9'), 1, 2);
    ASSERT_TRUE(full);
    EXPECT_FALSE(Encode(Bytes(35, '9'), 1, 2));
    const Bytes fullData = DataCodewords(*full);
    std::vector<std::uint8_t> bits;
    for (std::uint8_t c : fullData) {
        for (int k = 7; k >= 0; --k) {
            bits.push_back((c >> k) & 1);
        }
    }
    bits.insert(bits.end(), 4, 0); // the reader's implicit terminator at the end of the data
    Bytes parsed;
    ASSERT_TRUE(test::ParseStream(bits, 132, 1, parsed));
    EXPECT_EQ(parsed, Bytes(34, '9'));
}

TEST_F(PipelineTest, InterleavingOfVersion5Q) {
    // 5-Q: 4 blocks of 18 check codewords, 2 short blocks of 15 and 2 long of 16 data
    // codewords: sequence positions 60 and 61 hold the 16th codewords of blocks 2 and 3.
    Bytes data(58); // 4 + 8 + 464 bits of the 496 that 5-Q holds
    for (std::size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<std::uint8_t>(k * 37 + 11);
    }
    const auto s = Encode(data, 5, 3);
    ASSERT_TRUE(s);
    const Bytes sequence = test::ReadCodewords(*s, 0);
    const Bytes stream = DataCodewords(*s);
    ASSERT_EQ(stream.size(), 62u);
    EXPECT_EQ(sequence[0], stream[0]);
    EXPECT_EQ(sequence[1], stream[15]);
    EXPECT_EQ(sequence[2], stream[30]);
    EXPECT_EQ(sequence[3], stream[46]);
    EXPECT_EQ(sequence[60], stream[45]);
    EXPECT_EQ(sequence[61], stream[61]);
}

// Every version, level and mask: data parses back to the input, padding is right, every block
// is a Reed-Solomon codeword and the format information names the level and mask.
TEST_F(PipelineTest, EveryVersionLevelAndMaskReadsBack) {
    std::mt19937 rng(42);
    for (std::int32_t v = 1; v <= 40; ++v) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const std::int32_t mask = (v + level) % 8;
            const std::int32_t countBits = v < 10 ? 8 : 16;
            const std::int32_t capacity = (8 * qr.GetDataCodewords(level, v) - 4 - countBits) / 8;
            Bytes input(static_cast<std::size_t>(capacity));
            for (auto& b : input) {
                b = static_cast<std::uint8_t>('a' + rng() % 26);
            }
            qr.SetKanjiMode(false);
            const auto s = Encode(input, v, level, mask);
            ASSERT_TRUE(s) << "version " << v << " level " << level;
            EXPECT_EQ(s->Version, v);
            const Bytes data = DataCodewords(*s);
            std::vector<std::uint8_t> bits;
            for (std::uint8_t c : data) {
                for (int k = 7; k >= 0; --k) {
                    bits.push_back((c >> k) & 1);
                }
            }
            const std::int32_t used = 4 + countBits + 8 * capacity;
            bits.resize(static_cast<std::size_t>(used + 4), 0);
            Bytes parsed;
            ASSERT_TRUE(test::ParseStream(bits, used + 4, v, parsed));
            EXPECT_EQ(parsed, input);
            const std::int32_t formatData = test::ReadFormatBits(*s) >> 10;
            EXPECT_EQ(formatData, (((level - 1) ^ 1) << 3) | mask);
            if (v >= 7) {
                std::int32_t word = 0;
                for (std::int32_t k = 17; k >= 0; --k) {
                    word = (word << 1) | s->At(k / 3, s->Side - 11 + k % 3);
                }
                EXPECT_EQ(word >> 12, v);
            }
        }
    }
}

TEST_F(PipelineTest, ShortSpanIsNeverReadBeyondItsEnd) {
    const Bytes abc = ToBytes("abc");
    const auto s = qr.EncodeMatrix(abc, 1000, 0, 3, 0); // length larger than the data
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Modules, Encode(abc, 0, 3)->Modules);
}

TEST_F(PipelineTest, SameInputTwiceGivesTheSameSymbol) {
    const Bytes text = ToBytes("HELLO 12345 hello");
    const auto first = Encode(text, 0, 3);
    const auto second = Encode(text, 0, 3);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Modules, second->Modules);
}

} // namespace
} // namespace ostrel
