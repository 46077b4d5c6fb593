// Segmentation and bit stream (ISO/IEC 18004 clause 7.4): exact streams of worked examples,
// the segment choices of the shortest-path search, and the agreement of its two uses.
#include "StandardTables.h"
#include "SymbolReader.h"
#include "clsBitWriter.h"
#include "clsCodewordWriter.h"
#include "clsModeTable.h"
#include "clsQRCode.h"
#include "clsQRSegmentation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

class BitStreamTest : public ::testing::Test {
protected:
    // Writes the stream and returns it as a string of '0'/'1'.
    std::string Write(const Bytes& data, std::int32_t version) {
        bits.assign(clsQRCode::BitBufferLength, 0);
        std::int32_t length = 0;
        qr.BuildBitStream(bits, data, static_cast<std::int32_t>(data.size()), version, false,
                          length);
        return test::BitString(bits, length);
    }
    std::int32_t Measure(const Bytes& data, std::int32_t version) {
        std::vector<std::uint8_t> untouched(64, 7);
        std::int32_t length = 0;
        qr.BuildBitStream(untouched, data, static_cast<std::int32_t>(data.size()), version, true,
                          length);
        if (!data.empty()) {
            for (auto b : untouched) {
                EXPECT_EQ(b, 7) << "measuring wrote into the buffer";
            }
        }
        return length;
    }
    // The segments of the written stream as (mode indicator, count) pairs.
    std::vector<std::pair<int, int>> Segments(const Bytes& data, std::int32_t version) {
        const std::string s = Write(data, version);
        const int cls = version < 10 ? 0 : (version < 27 ? 1 : 2);
        std::vector<std::pair<int, int>> segments;
        std::size_t p = 0;
        while (p + 4 <= s.size()) {
            const int mode = std::stoi(s.substr(p, 4), nullptr, 2);
            p += 4;
            if (mode == 0) {
                break;
            }
            const int widths[9][3] = {{}, {10, 12, 14}, {9, 11, 13}, {},         {8, 16, 16},
                                      {}, {},           {},          {8, 10, 12}};
            const int cw = widths[mode][cls];
            const int count = std::stoi(s.substr(p, static_cast<std::size_t>(cw)), nullptr, 2);
            p += static_cast<std::size_t>(cw);
            segments.emplace_back(mode, count);
            int dataBits = 0;
            switch (mode) {
            case 1:
                dataBits = count / 3 * 10 + (count % 3 == 2 ? 7 : count % 3 == 1 ? 4 : 0);
                break;
            case 2:
                dataBits = count / 2 * 11 + (count % 2) * 6;
                break;
            case 4:
                dataBits = count * 8;
                break;
            default:
                dataBits = count * 13;
                break;
            }
            p += static_cast<std::size_t>(dataBits);
        }
        return segments;
    }

    clsQRCode qr;
    std::vector<std::uint8_t> bits;
};

TEST_F(BitStreamTest, EmptyInputIsTheTerminatorAlone) {
    std::vector<std::uint8_t> buffer(8, 1);
    std::int32_t length = -1;
    for (bool measure : {true, false}) {
        buffer.assign(8, 1);
        qr.BuildBitStream(buffer, {}, 0, 1, measure, length);
        EXPECT_EQ(length, 4);
        EXPECT_EQ(test::BitString(buffer, 5), "00001");
    }
    // A negative length is empty input too.
    qr.BuildBitStream(buffer, {}, -5, 1, false, length);
    EXPECT_EQ(length, 4);
}

TEST_F(BitStreamTest, NumericWorkedExampleInThreeWidthClasses) {
    const Bytes digits = ToBytes("01234567");
    EXPECT_EQ(Write(digits, 1), "0001"
                                "0000001000"
                                "0000001100"
                                "0101011001"
                                "1000011"
                                "0000");
    EXPECT_EQ(Measure(digits, 1), 45);
    EXPECT_EQ(Measure(digits, 10), 47);
    EXPECT_EQ(Measure(digits, 27), 49);
    EXPECT_EQ(Write(digits, 26).size(), 47u);
    EXPECT_EQ(Write(digits, 40).size(), 49u);
}

TEST_F(BitStreamTest, AlphanumericAndMixedSegments) {
    EXPECT_EQ(Measure(ToBytes("AC-42"), 1), 45);
    EXPECT_EQ(Write(ToBytes("AC-42"), 1), "0010"
                                          "000000101"
                                          "00111001110"
                                          "11100111001"
                                          "000010"
                                          "0000");

    // TEL: in alphanumeric, then 11 digits in numeric: 90 bits against 100 for one segment.
    const Bytes tel = ToBytes("TEL:12345678901");
    EXPECT_EQ(Measure(tel, 1), 90);
    EXPECT_EQ(Segments(tel, 1), (std::vector<std::pair<int, int>>{{2, 4}, {1, 11}}));
}

TEST_F(BitStreamTest, TiesGoToTheLowerModeNumber) {
    // Byte "a111" (44 data bits) ties with byte "a" + numeric "111" (20 + 24 = 44).
    const Bytes a111 = ToBytes("a111");
    EXPECT_EQ(Measure(a111, 1), 48);
    EXPECT_EQ(Segments(a111, 1), (std::vector<std::pair<int, int>>{{4, 4}}));
}

TEST_F(BitStreamTest, LowerCaseIsByteMode) {
    EXPECT_EQ(Measure(ToBytes("hello"), 1), 56);
    EXPECT_EQ(Segments(ToBytes("hello"), 1), (std::vector<std::pair<int, int>>{{4, 5}}));
}

TEST_F(BitStreamTest, SegmentsSplitAtTheLargestCount) {
    const Bytes capitals(600, 'A');
    EXPECT_EQ(Segments(capitals, 9), (std::vector<std::pair<int, int>>{{2, 511}, {2, 89}}));
    EXPECT_EQ(Segments(capitals, 10), (std::vector<std::pair<int, int>>{{2, 600}}));

    const Bytes letters(300, 'x');
    EXPECT_EQ(Segments(letters, 1), (std::vector<std::pair<int, int>>{{4, 255}, {4, 45}}));
    EXPECT_EQ(Segments(letters, 10), (std::vector<std::pair<int, int>>{{4, 300}}));

    const Bytes digits(1100, '7');
    EXPECT_EQ(Segments(digits, 1), (std::vector<std::pair<int, int>>{{1, 1023}, {1, 77}}));
}

TEST_F(BitStreamTest, KanjiCandidates) {
    // Two Shift JIS characters: one Kanji segment of 2, 4 + 8 + 26 + 4 bits.
    const Bytes sjis = {0x93, 0x5F, 0xE4, 0xAA};
    EXPECT_EQ(Measure(sjis, 1), 42);
    EXPECT_EQ(Segments(sjis, 1), (std::vector<std::pair<int, int>>{{8, 2}}));
    std::vector<std::uint8_t> parsed;
    const std::string stream = Write(sjis, 1);
    ASSERT_TRUE(test::ParseStream(bits, static_cast<std::int32_t>(stream.size()), 1, parsed));
    EXPECT_EQ(parsed, sjis);

    // UTF-8 of 中: the pair E4 B8 is a candidate but three bytes in byte mode are cheaper.
    EXPECT_EQ(Segments({0xE4, 0xB8, 0xAD}, 1), (std::vector<std::pair<int, int>>{{4, 3}}));

    EXPECT_FALSE(clsQRCode::IsKanjiPair(0xEB, 0xC0));
    EXPECT_TRUE(clsQRCode::IsKanjiPair(0xEB, 0xBF));
    EXPECT_TRUE(clsQRCode::IsKanjiPair(0xEA, 0xFF));
    EXPECT_TRUE(clsQRCode::IsKanjiPair(0x81, 0x40));
    EXPECT_FALSE(clsQRCode::IsKanjiPair(0x81, 0x3F));
    EXPECT_FALSE(clsQRCode::IsKanjiPair(0xA0, 0x80));
    EXPECT_FALSE(clsQRCode::IsKanjiPair(0xDF, 0x80));
}

TEST_F(BitStreamTest, KanjiModeSwitchedOffUsesBytes) {
    const Bytes sjis = {0x93, 0x5F, 0xE4, 0xAA};
    qr.SetKanjiMode(false);
    EXPECT_FALSE(qr.KanjiMode());
    EXPECT_EQ(Segments(sjis, 1), (std::vector<std::pair<int, int>>{{4, 4}}));
    EXPECT_EQ(Measure(sjis, 1), 4 + 8 + 32 + 4);
}

// Hanzi segments carry a 4-bit subset indicator between mode and count (GB/T 18284). A version
// and level hold (capacity - 4 - 4 - count bits) / 13 Hanzi (the terminator dropped when full):
// the automatic choice gives exactly that many, and one more, the smallest version that holds
// them by the same count, so the search counts the indicator exactly as the writer writes it.
TEST_F(BitStreamTest, HanziThatOnlyJustFitsTakesTheSmallestVersion) {
    qr.SetKanjiMode(false);
    qr.SetHanziMode(true);
    const auto most = [](std::int32_t version, std::int32_t level) {
        const std::int32_t countBits = version < 10 ? 8 : version < 27 ? 10 : 12;
        return (8 * test::kDataCodewords[version - 1][level - 1] - 8 - countBits) / 13;
    };
    for (std::int32_t level = 1; level <= 4; ++level) {
        for (std::int32_t version = 1; version <= 40; ++version) {
            for (const std::int32_t characters : {most(version, level), most(version, level) + 1}) {
                std::int32_t expected = 1;
                while (expected <= 40 && most(expected, level) < characters) {
                    ++expected;
                }
                Bytes data;
                for (std::int32_t c = 0; c < characters; ++c) {
                    data.insert(data.end(), {0xB0, 0xA1});
                }
                const auto symbol = qr.EncodeMatrix(data, std::ssize(data), 0, level, 0);
                EXPECT_EQ(symbol ? symbol->Version : 41, expected)
                    << characters << " Hanzi at level " << level;
            }
        }
    }
}

TEST_F(BitStreamTest, CharacterClassesAndValues) {
    const std::string alnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        const auto at = alnum.find(static_cast<char>(b));
        const std::int32_t expectedClass = at == std::string::npos ? 0 : (at < 10 ? 1 : 2);
        EXPECT_EQ(clsQRCode::GetCharClass(byte), expectedClass) << "byte " << b;
        EXPECT_EQ(clsQRCode::GetAlphanumericValue(byte),
                  at == std::string::npos ? 0 : static_cast<std::int32_t>(at))
            << "byte " << b;
    }
}

// Random inputs of every flavour: measuring and writing agree, and the stream parses back to the
// input in each width class.
TEST_F(BitStreamTest, MeasureAndWriteAgreeAndStreamsParseBack) {
    std::mt19937 rng(20261207);
    const std::string alphabets[] = {"0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 $%*+-./:",
                                     "abcdefghijklmnopqrstuvwxyz", "0123456789ABC abc"};
    for (int round = 0; round < 300; ++round) {
        Bytes data;
        const int length = static_cast<int>(rng() % 400);
        const int flavour = round % 6;
        for (int k = 0; k < length; ++k) {
            if (flavour < 4) {
                const std::string& a = alphabets[flavour];
                data.push_back(static_cast<std::uint8_t>(a[rng() % a.size()]));
            } else if (flavour == 4) {
                data.push_back(static_cast<std::uint8_t>(rng()));
            } else {
                // Shift JIS-like pairs mixed with digits.
                if (rng() % 3 == 0) {
                    data.push_back(static_cast<std::uint8_t>('0' + rng() % 10));
                } else {
                    data.push_back(static_cast<std::uint8_t>(0x81 + rng() % 0x1F));
                    data.push_back(static_cast<std::uint8_t>(0x40 + rng() % 0xBC));
                }
            }
        }
        qr.SetKanjiMode(round % 2 == 0);
        for (std::int32_t version : {1, 10, 27}) {
            const std::int32_t measured = Measure(data, version);
            const std::string written = Write(data, version);
            ASSERT_EQ(measured, static_cast<std::int32_t>(written.size()))
                << "round " << round << " version " << version;
            std::vector<std::uint8_t> parsed;
            ASSERT_TRUE(test::ParseStream(bits, measured, version, parsed)) << "round " << round;
            ASSERT_EQ(parsed, data) << "round " << round << " version " << version;
        }
    }
}

TEST_F(BitStreamTest, OverlongStreamIsCountedButNeverStoredBeyondTheBuffer) {
    // 5000 random bytes in byte mode need over 40000 bits: more than the buffer holds.
    std::mt19937 rng(7);
    Bytes data(5000);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>('a' + rng() % 26);
    }
    std::vector<std::uint8_t> buffer(clsQRCode::BitBufferLength + 16, 9);
    std::int32_t length = 0;
    qr.BuildBitStream(std::span(buffer).first(clsQRCode::BitBufferLength), data, 5000, 1, false,
                      length);
    EXPECT_EQ(length, Measure(data, 1));
    EXPECT_GT(length, clsQRCode::BitBufferLength);
    for (std::size_t k = clsQRCode::BitBufferLength; k < buffer.size(); ++k) {
        EXPECT_EQ(buffer[k], 9);
    }
}

// A stream borrows its thread's trace buffer unless another stream alive on the thread holds it:
// two streams measured one after the other and then written give what each gives alone.
TEST(SegmentationStreams, BoundsOfTheVersionChoiceStayBelowTheMeasuredBits) {
    // The quick digit bound below the full bound, both below six times the measured bits of every
    // count class (terminator excluded), on random texts of digits, alphanumeric characters,
    // other bytes and Kanji pairs, with and without FNC1 and an ECI header; the two bounds equal
    // for digits and alphanumeric characters alone.
    std::mt19937 rng(6021);
    const std::string alphanumeric = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    for (std::int32_t round = 0; round < 400; ++round) {
        const bool plain = round % 2 == 0;
        Bytes text(1 + rng() % 300);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const std::uint32_t kind = plain ? rng() % 2 : rng() % 4;
            text[i] = static_cast<std::uint8_t>(
                kind == 0   ? '0' + rng() % 10
                : kind == 1 ? alphanumeric[rng() % alphanumeric.size()]
                : kind == 2 ? rng() % 256
                            : 0x88 + rng() % 8); // Kanji lead and trail bytes
        }
        clsQRSegmentation::Settings settings;
        settings.Fnc1 = !plain && round % 3 == 0;
        settings.EciDesignator = round % 5 == 1 ? 26 : 0;
        clsQRSegmentation stream(text.data(), static_cast<std::int32_t>(text.size()), settings);
        const std::int64_t quick = stream.DigitBoundTimesSix();
        const std::int64_t least = stream.LeastBitsTimesSix();
        EXPECT_LE(quick, least) << "round " << round;
        if (plain && !settings.Fnc1) {
            EXPECT_EQ(quick, least) << "round " << round;
        }
        for (const std::int32_t version : {1, 10, 27}) {
            EXPECT_LE(least, 6 * static_cast<std::int64_t>(stream.MeasuredBits(version) -
                                                           clsModeTable::QRTerminatorBits))
                << "round " << round << " version " << version;
        }
    }
}

TEST(SegmentationStreams, TwoAliveAtOnceKeepTheirOwnSegmentations) {
    const std::string textA = "HELLO WORLD 0123456789 mixed case text 42";
    const std::string textB = "9876543210 ABCDEFGHIJ lower case here ZZZ";
    ASSERT_EQ(textA.size(), textB.size()); // the same bytes of the buffer
    const auto data = [](const std::string& text) {
        return reinterpret_cast<const std::uint8_t*>(text.data());
    };
    const auto length = static_cast<std::int32_t>(textA.size());
    const auto written = [](clsQRSegmentation& stream) {
        Bytes bits(1024, 9);
        clsBitWriter out(bits);
        bits.resize(static_cast<std::size_t>(stream.Write(out, 5)));
        return bits;
    };
    Bytes aloneA;
    Bytes aloneB;
    {
        clsQRSegmentation stream(data(textA), length, {});
        aloneA = written(stream);
    }
    {
        clsQRSegmentation stream(data(textB), length, {});
        aloneB = written(stream);
    }
    ASSERT_NE(aloneA, aloneB);
    clsQRSegmentation first(data(textA), length, {});
    clsQRSegmentation second(data(textB), length, {});
    EXPECT_EQ(first.MeasuredBits(5), static_cast<std::int32_t>(aloneA.size()));
    EXPECT_EQ(second.MeasuredBits(5), static_cast<std::int32_t>(aloneB.size()));
    EXPECT_EQ(written(first), aloneA);
    EXPECT_EQ(written(second), aloneB);
}

// The codeword writer's bytes eight at a time against byte by byte: after every count of bits
// already pending, for runs of every length up to 40, into buffers that end before, inside or
// after the stream (it stores only what fits, counts every bit).
TEST(CodewordWriterTest, BytesAtOnceEqualBytesOneByOne) {
    Bytes data(40);
    std::generate(data.begin(), data.end(), std::mt19937(20261209));
    const auto write = [&](std::int32_t before, std::int32_t count, std::size_t size, bool plain) {
        Bytes out(size + 8, 0xA5); // eight bytes past the end that must stay untouched
        clsCodewordWriter w(std::span<std::uint8_t>(out.data(), size));
        w.Put(0x5A5A5A5AU >> (before % 8), before % 32);
        w.Put(0x2D, before / 32 * 6);
        for (std::int32_t k = 0; plain && k < count; ++k) {
            w.PutByte(data[static_cast<std::size_t>(k)]);
        }
        w.PutBytes(data.data(), plain ? 0 : count);
        w.Put(0x3, 3);
        const std::int32_t bits = w.Position();
        w.Finish();
        return std::make_pair(bits, out);
    };
    for (std::int32_t before = 0; before <= 40; ++before) {
        for (std::int32_t count = 0; count <= 40; ++count) {
            for (const std::size_t size : {0, 3, 9, 23, 50}) {
                ASSERT_EQ(write(before, count, size, false), write(before, count, size, true))
                    << before << " bits, " << count << " bytes, size " << size;
            }
        }
    }
}

} // namespace
} // namespace ostrel
