// Hanzi mode (GB/T 18284: indicator 1101, subset 0001 for GB 2312, 13 bits a character) against
// two peers: segno makes the same symbols module for module from pure-Hanzi strings at every
// count-width class, level and mask, and zxing-cpp reads every Hanzi symbol back as its text.
#include "CodePage.h"
#include "PeerReaders.h"
#include "SegnoOracle.h"
#include "TestFiles.h"
#include "clsQRCode.h"

#include <QImage>

#include <gtest/gtest.h>

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
            requests.push_back({text, "hanzi", version, kLevels[level - 1], mask});
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
        // As ostrel-qr-cli --hanzi: the designator of GB 2312 (29) for the byte segments.
        qr.SetHanziMode(true);
        qr.SetEciDesignator(CodePage::EciDesignatorFor(gb, 936));
        const auto hanzi = qr.EncodeMatrix(gb, std::ssize(gb), 0, 2, 0);
        qr.SetEciDesignator(0);
        ASSERT_TRUE(plain && hanzi) << text;
        EXPECT_LE(hanzi->Version, plain->Version) << text;
        smaller += hanzi->Version < plain->Version ? 1 : 0;
        const auto reading = ostrel::test::ReadWithZXing(Picture(*hanzi));
        ASSERT_TRUE(reading) << text;
        EXPECT_EQ(reading->Text, text);
    }
    EXPECT_GE(smaller, 20) << "Hanzi mode should make most Chinese texts smaller";
}

} // namespace
