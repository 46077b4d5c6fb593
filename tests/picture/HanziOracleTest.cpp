// Hanzi mode (GB/T 18284: indicator 1101, subset 0001 for GB 2312, 13 bits a character) against
// two peers: segno makes the same symbols module for module from pure-Hanzi strings at every
// count-width class, level and mask, and from Chinese texts whose characters all go to Hanzi
// segments (without a designator, as ostrel-qr-cli --hanzi writes them); zxing-cpp reads every
// Hanzi symbol back as its text. The question whether a byte segment holds GB 2312 bytes is
// checked against the stream itself, parsed by the tests' own reader.
#include "CodePage.h"
#include "PeerReaders.h"
#include "SegnoOracle.h"
#include "StandardTables.h"
#include "SymbolReader.h"
#include "TestFiles.h"
#include "clsQRCode.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using ostrel::clsQRCode;
using ostrel::platform::CodePage;
using Bytes = std::vector<std::uint8_t>;

constexpr char kLevels[] = {'L', 'M', 'Q', 'H'};

// Characters of GB 2312 as UTF-8 text: CJK ideographs and full-width punctuation that the
// conversion accepts (rows 1-9 and 16-87 both).
std::vector<std::string> Gb2312Characters() {
    std::vector<std::string> characters;
    const auto add = [&](char32_t first, char32_t last) {
        for (char32_t code = first; code <= last; ++code) {
            const char16_t unit = static_cast<char16_t>(code);
            if (!CodePage::Utf16ToGb2312(std::u16string_view(&unit, 1)).Missing) {
                const Bytes utf8 = CodePage::Utf16ToUtf8(std::u16string_view(&unit, 1));
                characters.emplace_back(utf8.begin(), utf8.end());
            }
        }
    };
    add(0x3000, 0x303F); // ideographic punctuation, row 1
    add(0xFF01, 0xFF5E); // full-width forms, row 3
    add(0x4E00, 0x9FA5); // ideographs, rows 16-87
    return characters;
}

Bytes Gb2312(const std::string& text) {
    const auto converted = CodePage::Utf16ToGb2312(CodePage::Utf8ToUtf16(text));
    EXPECT_FALSE(converted.Missing) << text;
    return converted.Bytes;
}

// The symbol as rows of '0' and '1'.
std::vector<std::string> Rows(const clsQRCode::Symbol& symbol) {
    std::vector<std::string> rows;
    for (std::int32_t y = 0; y < symbol.Side; ++y) {
        std::string row;
        for (std::int32_t x = 0; x < symbol.Side; ++x) {
            row += symbol.At(x, y) != 0 ? '1' : '0';
        }
        rows.push_back(row);
    }
    return rows;
}

// The symbol drawn black on white, 4 pixels a module, quiet zone of 4 modules.
QImage Picture(const clsQRCode::Symbol& symbol) {
    const int side = (symbol.Side + 8) * 4;
    QImage picture(side, side, QImage::Format_Grayscale8);
    picture.fill(255);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (symbol.At(x / 4 - 4, y / 4 - 4) != 0) {
                picture.scanLine(y)[x] = 0;
            }
        }
    }
    return picture;
}

// Chinese texts for the sweeps: the file's, then pure-Chinese texts of 1 to 40 characters and a
// few long ones, and Chinese mixed with runs of digits or with Latin words (lone characters
// between them too), short and long.
std::vector<std::string> ChineseSweepTexts(const std::vector<std::string>& characters) {
    std::vector<std::string> texts = ostrel::test::ReadTextLines(OSTREL_CHINESE_TEXTS);
    std::mt19937 random(2312);
    const auto chinese = [&](std::size_t count) {
        std::string text;
        for (std::size_t c = 0; c < count; ++c) {
            text += characters[random() % characters.size()];
        }
        return text;
    };
    const auto digits = [&](std::size_t count) {
        std::string text;
        for (std::size_t c = 0; c < count; ++c) {
            text += static_cast<char>('0' + random() % 10);
        }
        return text;
    };
    const std::string latin[] = {"QR", "abc", "Wi-Fi", "No.", "hello world", "ID:"};
    for (std::size_t length = 1; length <= 40; ++length) {
        texts.push_back(chinese(length));
    }
    for (const std::size_t length : {150, 260, 420}) {
        texts.push_back(chinese(length)); // versions of the larger count classes
    }
    // A lone character between runs of nine digits goes to a byte segment under the count widths
    // of versions 1-9 (28 bits against 29) and to a Hanzi segment from version 10 (36 against 31;
    // one byte segment over all costs more in both).
    for (const int units : {8, 20, 40, 60}) {
        std::string text;
        for (int unit = 0; unit < units; ++unit) {
            text += digits(9) + chinese(1);
        }
        texts.push_back(text + digits(9));
    }
    for (int k = 0; k < 70; ++k) {
        std::string text;
        const int runs = k < 60 ? 2 + k % 5 : 80 + 20 * (k % 3);
        for (int run = 0; run < runs; ++run) {
            const bool other = run % 2 == k % 2;
            text += !other       ? chinese(1 + random() % 6)
                    : k % 3 != 0 ? digits(1 + random() % 9)
                                 : latin[random() % std::size(latin)];
        }
        texts.push_back(text);
    }
    return texts;
}

// The segments of the stream qr writes for bytes at version, read back by the tests' own parser.
std::vector<ostrel::test::Segment> StreamSegments(const clsQRCode& qr, const Bytes& bytes,
                                                  std::int32_t version, std::int32_t& bitLength) {
    std::vector<std::uint8_t> bits(clsQRCode::BitBufferLength);
    qr.BuildBitStream(bits, bytes, std::ssize(bytes), version, false, bitLength);
    std::vector<ostrel::test::Segment> segments;
    EXPECT_TRUE(ostrel::test::ParseSegments(bits, bitLength, version, segments))
        << "version " << version;
    return segments;
}

// The UTF-8 text of each segment: the characters of text that its GB 2312 bytes stand for (one
// byte for ASCII, two for the others).
std::vector<std::string> SegmentTexts(const std::string& text,
                                      const std::vector<ostrel::test::Segment>& segments) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (const ostrel::test::Segment& segment : segments) {
        std::string part;
        for (auto left = std::ssize(segment.Bytes); left > 0 && at < text.size();) {
            const auto lead = static_cast<unsigned char>(text[at]);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            part += text.substr(at, length);
            at += length;
            left -= lead < 0x80 ? 1 : 2;
        }
        parts.push_back(part);
    }
    EXPECT_EQ(at, text.size()) << text;
    return parts;
}

bool HoldsHighByteInByteMode(const std::vector<ostrel::test::Segment>& segments) {
    return std::ranges::any_of(segments, [](const ostrel::test::Segment& segment) {
        return segment.Indicator == 4 &&
               std::ranges::any_of(segment.Bytes, [](std::uint8_t b) { return b >= 0x80; });
    });
}

// clsQRCode::ByteSegmentHoldsHighByte against the stream written: the same answer at the
// automatic version and at both ends of every count class, for every level. Lone characters and
// characters beside Latin letters go to byte segments, runs of them beside digits mostly not.
TEST(HanziOracle, ByteSegmentQueryAgreesWithTheStreamAtEveryCountClass) {
    const std::vector<std::string> texts = ChineseSweepTexts(Gb2312Characters());
    clsQRCode qr;
    qr.SetKanjiMode(false);
    qr.SetHanziMode(true);
    int holding = 0;
    int notHolding = 0;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const Bytes bytes = Gb2312(texts[k]);
        const std::int32_t level = 1 + static_cast<std::int32_t>(k % 4);
        const auto automatic = qr.EncodeMatrix(bytes, std::ssize(bytes), 0, level, 0);
        ASSERT_TRUE(automatic) << texts[k];
        for (const std::int32_t version : {0, 1, 9, 10, 26, 27, 40}) {
            const std::int32_t written = version == 0 ? automatic->Version : version;
            std::int32_t bitLength = 0;
            const bool expected =
                HoldsHighByteInByteMode(StreamSegments(qr, bytes, written, bitLength));
            EXPECT_EQ(qr.ByteSegmentHoldsHighByte(bytes, std::ssize(bytes), version, level),
                      expected)
                << texts[k] << " at version " << version << " level " << level;
            (expected ? holding : notHolding) += 1;
        }
    }
    EXPECT_GE(holding, 250);
    EXPECT_GE(notHolding, 500);
    // Empty input and input that no version holds: nothing to ask.
    EXPECT_FALSE(qr.ByteSegmentHoldsHighByte({}, 0, 0, 2));
    const Bytes tooLong(3000, 0xB0);
    EXPECT_FALSE(qr.ByteSegmentHoldsHighByte(tooLong, std::ssize(tooLong), 0, 4));
}

// Every sweep text whose Chinese characters all go to Hanzi segments (no byte segment holds a GB
// 2312 byte) at the automatic version: without a designator, the version is the smallest that
// holds the stream, the symbol is segno's module for module, pure-Chinese texts in segno's Hanzi
// mode and mixed ones from the segments our stream has, and zxing-cpp reads the text back with no
// ECI. (segno's own version choice leaves the Hanzi subset indicator uncounted and so takes a
// version 4 bits too small at the edges: it is given ours.)
TEST(HanziOracle, TextsWithEveryCharacterInHanziSegmentsAreSegnosSymbols) {
    const std::vector<std::string> texts = ChineseSweepTexts(Gb2312Characters());
    clsQRCode qr;
    qr.SetKanjiMode(false);
    qr.SetHanziMode(true);
    std::vector<ostrel::test::SegnoRequest> requests;
    std::vector<clsQRCode::Symbol> ours;
    int paddedAlike = 0; // lengths where segno pads otherwise (see above)
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const Bytes bytes = Gb2312(texts[k]);
        const std::int32_t level = 1 + static_cast<std::int32_t>((k * 3) % 4);
        if (qr.ByteSegmentHoldsHighByte(bytes, std::ssize(bytes), 0, level)) {
            continue;
        }
        const auto symbol = qr.EncodeMatrix(bytes, std::ssize(bytes), 0, level, k % 8);
        ASSERT_TRUE(symbol) << texts[k];
        const auto reading = ostrel::test::ReadWithZXing(Picture(*symbol));
        ASSERT_TRUE(reading) << texts[k];
        EXPECT_EQ(reading->Text, texts[k]);
        EXPECT_FALSE(reading->HasEci) << texts[k];
        const auto capacity = [level](std::int32_t version) {
            return 8 * ostrel::test::kDataCodewords[version - 1][level - 1];
        };
        std::int32_t bitLength = 0;
        const auto segments = StreamSegments(qr, bytes, symbol->Version, bitLength);
        if (symbol->Version > 1) {
            std::int32_t below = 0;
            StreamSegments(qr, bytes, symbol->Version - 1, below);
            EXPECT_GT(below - 4, capacity(symbol->Version - 1)) << texts[k];
        }
        if (bitLength % 8 == 0 && bitLength < capacity(symbol->Version)) {
            ++paddedAlike;
            continue;
        }
        ostrel::test::SegnoRequest request{
            texts[k], "hanzi", symbol->Version, kLevels[level - 1], static_cast<int>(k % 8), {}};
        if (segments.size() != 1 || segments[0].Indicator != 13) {
            const std::vector<std::string> parts = SegmentTexts(texts[k], segments);
            for (std::size_t p = 0; p < segments.size(); ++p) {
                const std::int32_t indicator = segments[p].Indicator;
                request.Segments.emplace_back(indicator == 13  ? "hanzi"
                                              : indicator == 1 ? "numeric"
                                              : indicator == 2 ? "alphanumeric"
                                                               : "byte",
                                              parts[p]);
            }
        }
        requests.push_back(request);
        ours.push_back(*symbol);
    }
    EXPECT_GE(requests.size(), 70U);
    EXPECT_LE(paddedAlike, 30);
    const auto theirs = ostrel::test::SegnoMatrices(requests);
    for (std::size_t k = 0; k < ours.size(); ++k) {
        ASSERT_TRUE(theirs[k]) << "segno refused " << requests[k].Text;
        EXPECT_EQ(Rows(ours[k]), *theirs[k]) << "level " << requests[k].Level << " mask "
                                             << requests[k].Mask << " text " << requests[k].Text;
    }
}

TEST(HanziOracle, SegnoMakesTheSameSymbolsFromPureHanzi) {
    const std::vector<std::string> characters = Gb2312Characters();
    ASSERT_GT(characters.size(), 6763U);
    clsQRCode qr;
    qr.SetKanjiMode(false);
    qr.SetHanziMode(true);
    std::mt19937 random(18284);
    std::vector<ostrel::test::SegnoRequest> requests;
    std::vector<clsQRCode::Symbol> ours;
    // Versions from each count-width class (8, 10 and 12 bits), every level and mask.
    const std::int32_t versions[] = {1, 2, 5, 9, 10, 13, 20, 26, 27, 33, 40};
    for (const std::int32_t version : versions) {
        for (int k = 0; k < 8; ++k) {
            const std::int32_t level = 1 + (k + version) % 4;
            const std::int32_t mask = (k * 3 + version) % 8;
            // Up to what the version holds with the terminator: mode 4 + subset 4 + count + 13
            // bits a character + 4. At least two characters: one alone is cheaper in byte mode
            // (28 bits against 29), which our search rightly takes and segno's forced mode not.
            // segno 1.4.1 also appends a whole zero byte where the terminator ends on a codeword
            // boundary (the standard adds padding bits only short of one), so those lengths,
            // where both symbols read the same but differ in a pad codeword, are left out.
            const std::int32_t countBits = version < 10 ? 8 : version < 27 ? 10 : 12;
            const std::int32_t room =
                (8 * qr.GetDataCodewords(level, version) - 12 - countBits) / 13;
            std::int32_t length = 2 + static_cast<std::int32_t>(random() % (room - 1));
            if ((12 + countBits + 13 * length) % 8 == 0) {
                length += length < room ? 1 : -1;
            }
            std::string text;
            for (std::int32_t c = 0; c < length; ++c) {
                text += characters[random() % characters.size()];
            }
            const Bytes bytes = Gb2312(text);
            const auto symbol = qr.EncodeMatrix(bytes, std::ssize(bytes), version, level, mask);
            ASSERT_TRUE(symbol) << "version " << version << " length " << length;
            ours.push_back(*symbol);
            requests.push_back({text, "hanzi", version, kLevels[level - 1], mask, {}});
        }
    }
    const auto theirs = ostrel::test::SegnoMatrices(requests);
    for (std::size_t k = 0; k < ours.size(); ++k) {
        ASSERT_TRUE(theirs[k]) << "segno refused request " << k;
        EXPECT_EQ(Rows(ours[k]), *theirs[k])
            << "version " << requests[k].Version << " level " << requests[k].Level << " mask "
            << requests[k].Mask << " text " << requests[k].Text;
        // zxing-cpp reads it back as the same text.
        const auto reading = ostrel::test::ReadWithZXing(Picture(ours[k]));
        ASSERT_TRUE(reading) << "request " << k;
        EXPECT_EQ(reading->Text, requests[k].Text);
    }
}

// Chinese texts of every kind (names, addresses, notices, digits and Latin letters mixed in):
// zxing-cpp reads each back as its text, and no symbol is larger than the one of its UTF-8 bytes.
TEST(HanziOracle, ChineseTextsReadBackInSymbolsNoLargerThanUtf8) {
    const std::vector<std::string> texts = ostrel::test::ReadTextLines(OSTREL_CHINESE_TEXTS);
    ASSERT_GE(texts.size(), 40U);
    clsQRCode qr;
    qr.SetKanjiMode(false);
    int smaller = 0;
    for (const std::string& text : texts) {
        const Bytes utf8(text.begin(), text.end());
        qr.SetHanziMode(false);
        const auto plain = qr.EncodeMatrix(utf8, std::ssize(utf8), 0, 2, 0);
        const Bytes gb = Gb2312(text);
        // As ostrel-qr-cli --hanzi: the designator of GB 2312 (29) where a byte segment holds
        // a GB 2312 character.
        qr.SetHanziMode(true);
        const bool declared = qr.ByteSegmentHoldsHighByte(gb, std::ssize(gb), 0, 2);
        qr.SetEciDesignator(declared ? 29 : 0);
        const auto hanzi = qr.EncodeMatrix(gb, std::ssize(gb), 0, 2, 0);
        qr.SetEciDesignator(0);
        ASSERT_TRUE(plain && hanzi) << text;
        EXPECT_LE(hanzi->Version, plain->Version) << text;
        smaller += hanzi->Version < plain->Version ? 1 : 0;
        const auto reading = ostrel::test::ReadWithZXing(Picture(*hanzi));
        ASSERT_TRUE(reading) << text;
        EXPECT_EQ(reading->Text, text);
        EXPECT_EQ(reading->HasEci, declared) << text;
    }
    EXPECT_GE(smaller, 20) << "Hanzi mode should make most Chinese texts smaller";
}

} // namespace
