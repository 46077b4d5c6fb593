// Texts in a double-byte character set, mixed with ASCII, through the pair modes: Shift JIS with
// Kanji mode in QR Code, Micro QR and rMQR, GB 2312 with Hanzi mode in QR Code. The readers
// decode every segment on its own, so a segment that ended between the two bytes of a character
// would show another text although every byte came back. Each symbol is written as a PNG file
// and read back by zxing-wasm (zxing-cpp 2.x), the QR Code symbols also by Debian's zxing-cpp 1.4,
// and must show exactly the text that went in.
#include "CodePage.h"
#include "PeerReaders.h"
#include "PngFile.h"
#include "ZxingWasmReader.h"
#include "clsMicroQRCode.h"
#include "clsQRCode.h"
#include "clsRMQRCode.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using ostrel::clsQRCode;
using ostrel::platform::CodePage;
using Bytes = std::vector<std::uint8_t>;

constexpr int kTexts = 2000;
constexpr int kShiftJis = 932;
constexpr int kGb2312 = 936;

// One character: its UTF-8 text and its bytes in the code page.
struct Character {
    std::string Text;
    Bytes Encoded;
};

// A text and its bytes, and the same of its first few characters (for Micro QR).
struct Sample {
    std::string Text;
    Bytes Encoded;
    std::string ShortText;
    Bytes ShortEncoded;
};

std::string Utf8Of(char32_t code) {
    const char16_t unit = static_cast<char16_t>(code);
    const Bytes utf8 = CodePage::Utf16ToUtf8(std::u16string_view(&unit, 1));
    return {utf8.begin(), utf8.end()};
}

// The characters of [first, last] that the code page holds in `length` bytes whose first byte
// passes leadOk.
std::vector<Character> CharactersOf(char32_t first, char32_t last, int codePage, std::size_t length,
                                    bool (*leadOk)(std::uint8_t)) {
    std::vector<Character> characters;
    for (char32_t code = first; code <= last; ++code) {
        const char16_t unit = static_cast<char16_t>(code);
        const Bytes bytes =
            codePage == kGb2312
                ? CodePage::Utf16ToGb2312(std::u16string_view(&unit, 1)).Bytes
                : CodePage::Utf16ToCodePage(std::u16string_view(&unit, 1), codePage);
        if (bytes.size() == length && bytes[0] != '?' && leadOk(bytes[0])) {
            characters.push_back({Utf8Of(code), bytes});
        }
    }
    return characters;
}

// Printable ASCII but for '\' and '~', which JIS X 0201 reads as the yen sign and the overline;
// digits and capitals come twice, so that numeric and alphanumeric runs form.
std::vector<Character> AsciiCharacters() {
    std::vector<Character> characters;
    for (char c = ' '; c < '~'; ++c) {
        if (c != '\\') {
            characters.push_back({std::string(1, c), Bytes{static_cast<std::uint8_t>(c)}});
        }
    }
    for (char c = '0'; c <= 'Z'; ++c) {
        if (c <= '9' || c >= 'A') {
            characters.push_back({std::string(1, c), Bytes{static_cast<std::uint8_t>(c)}});
        }
    }
    return characters;
}

// Random texts of 1 to 40 characters: about half from `wide`, a tenth from `narrow` (if any),
// the rest ASCII.
std::vector<Sample> RandomTexts(std::uint32_t seed, const std::vector<Character>& wide,
                                const std::vector<Character>& narrow) {
    const std::vector<Character> ascii = AsciiCharacters();
    std::mt19937 random(seed);
    std::vector<Sample> samples;
    for (int k = 0; k < kTexts; ++k) {
        Sample sample;
        const auto length = 1 + random() % 40;
        const auto shortLength = 1 + random() % 6;
        for (std::uint32_t c = 0; c < length; ++c) {
            if (c == shortLength) {
                sample.ShortText = sample.Text;
                sample.ShortEncoded = sample.Encoded;
            }
            const auto pick = random() % 10;
            const auto& pool = pick < 5 ? wide : pick == 5 && !narrow.empty() ? narrow : ascii;
            const Character& character = pool[random() % pool.size()];
            sample.Text += character.Text;
            sample.Encoded.insert(sample.Encoded.end(), character.Encoded.begin(),
                                  character.Encoded.end());
        }
        if (sample.ShortText.empty()) {
            sample.ShortText = sample.Text;
            sample.ShortEncoded = sample.Encoded;
        }
        samples.push_back(std::move(sample));
    }
    return samples;
}

// Shift JIS texts: kana and the Kanji of JIS X 0208 levels 1 and 2 (leads 0x82..0x83, 0x88..0x9F,
// 0xE0..0xEA: what every reader's table holds), half-width katakana (one byte each) and ASCII.
std::vector<Sample> JapaneseTexts() {
    const auto jisLead = [](std::uint8_t lead) {
        return (lead >= 0x82 && lead <= 0x83) || (lead >= 0x88 && lead <= 0x9F) ||
               (lead >= 0xE0 && lead <= 0xEA);
    };
    std::vector<Character> wide = CharactersOf(0x3041, 0x30F6, kShiftJis, 2, jisLead);
    const std::vector<Character> kanji = CharactersOf(0x4E00, 0x9FA0, kShiftJis, 2, jisLead);
    wide.insert(wide.end(), kanji.begin(), kanji.end());
    const std::vector<Character> halfWidth =
        CharactersOf(0xFF61, 0xFF9F, kShiftJis, 1, [](std::uint8_t) { return true; });
    EXPECT_GT(wide.size(), 6000U);
    EXPECT_EQ(halfWidth.size(), 63U);
    return RandomTexts(932, wide, halfWidth);
}

// GB 2312 texts: symbols of rows 1 to 9, the Hanzi of rows 16 to 87, and ASCII.
std::vector<Sample> ChineseTexts() {
    const auto any = [](std::uint8_t) { return true; };
    std::vector<Character> wide = CharactersOf(0x3000, 0x30FF, kGb2312, 2, any);
    const std::vector<Character> hanzi = CharactersOf(0x4E00, 0x9FA5, kGb2312, 2, any);
    wide.insert(wide.end(), hanzi.begin(), hanzi.end());
    EXPECT_GT(wide.size(), 6700U);
    return RandomTexts(18284, wide, {});
}

// Symbols as PNG files in a folder of their own, each with the text it must show, read back in
// one go.
class TextReadBack {
public:
    explicit TextReadBack(const std::string& name)
        : m_Folder(std::filesystem::temp_directory_path() /
                   (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(m_Folder);
    }
    ~TextReadBack() { std::filesystem::remove_all(m_Folder); }
    TextReadBack(const TextReadBack&) = delete;
    TextReadBack& operator=(const TextReadBack&) = delete;

    void Add(const clsQRCode::Symbol& symbol, std::int32_t margin, const std::string& text) {
        const std::string path = (m_Folder / (std::to_string(m_Files.size()) + ".png")).string();
        ASSERT_TRUE(ostrel::test::WriteModulePng(
            path, symbol.Columns(), symbol.Rows(),
            [&](std::int32_t x, std::int32_t y) { return symbol.At(x, y) != 0; }, margin, 3));
        m_Files.push_back(path);
        m_Texts.push_back(text);
    }

    std::size_t Size() const { return m_Files.size(); }

    // Every file read by zxing-wasm (and with nativeToo by zxing-cpp 1.4) as its text; content
    // without a designator taken in characterSet.
    void Check(bool nativeToo, const std::string& characterSet) const {
        if (ostrel::test::ZxingWasmReaderPath().empty()) {
            GTEST_SKIP() << "zxing-wasm not installed (run the ctest fixture zxing_wasm_setup)";
        }
        const auto readings = ostrel::test::ReadWithZxingWasm(m_Files, true, characterSet);
        ASSERT_EQ(readings.size(), m_Files.size()) << "zxing-wasm could not be run";
        int wrong = 0;
        for (std::size_t k = 0; k < m_Files.size(); ++k) {
            std::string native = m_Texts[k];
            if (nativeToo) {
                const auto reading = ostrel::test::ReadWithZXing(
                    QImage(QString::fromStdString(m_Files[k])), {}, characterSet);
                native = reading ? reading->Text : std::string("(nothing read)");
            }
            if ((readings[k].Text != m_Texts[k] || native != m_Texts[k]) && ++wrong <= 5) {
                ADD_FAILURE() << "\"" << m_Texts[k] << "\" read as \"" << readings[k].Text
                              << "\" (zxing-wasm), \"" << native << "\" (zxing-cpp)";
            }
        }
        EXPECT_EQ(wrong, 0) << "of " << m_Files.size() << " symbols";
    }

private:
    std::filesystem::path m_Folder;
    std::vector<std::string> m_Files;
    std::vector<std::string> m_Texts;
};

TEST(DoubleByteText, ShiftJisTextsReadBackAsTheirTextInAllThreeSymbologies) {
    // As the window makes them under code page 932: no ECI. The readers are told the character
    // set instead of guessing it from a few bytes.
    clsQRCode qr;
    qr.SetKanjiMode(true);
    ostrel::clsMicroQRCode micro;
    micro.SetKanjiMode(true);
    ostrel::clsRMQRCode rmqr;
    rmqr.SetKanjiMode(true);
    TextReadBack qrFiles("ostrel-sjis-qr");
    TextReadBack microFiles("ostrel-sjis-micro");
    TextReadBack rmqrFiles("ostrel-sjis-rmqr");
    for (const Sample& sample : JapaneseTexts()) {
        const auto symbol = qr.EncodeMatrix(sample.Encoded, std::ssize(sample.Encoded), 0, 2, 0);
        ASSERT_TRUE(symbol) << sample.Text;
        qrFiles.Add(*symbol, 4, sample.Text);
        const auto strip = rmqr.EncodeMatrix(sample.Encoded, std::ssize(sample.Encoded), -1, 2);
        ASSERT_TRUE(strip) << sample.Text; // 80 bytes at most: R17x139 holds them
        rmqrFiles.Add(*strip, 2, sample.Text);
        const auto& data = sample.ShortEncoded;
        if (const auto small = micro.EncodeMatrix(data, std::ssize(data), 0, 1, -1)) {
            microFiles.Add(*small, 2, sample.ShortText);
        }
    }
    EXPECT_GT(microFiles.Size(), static_cast<std::size_t>(kTexts / 2)); // M4 holds 9 Kanji
    qrFiles.Check(true, "Shift_JIS");
    rmqrFiles.Check(false, "Shift_JIS");
    microFiles.Check(false, "Shift_JIS");
}

TEST(DoubleByteText, Gb2312TextsReadBackAsTheirTextWithHanziMode) {
    clsQRCode qr;
    qr.SetKanjiMode(false);
    qr.SetHanziMode(true);
    TextReadBack files("ostrel-gb2312-qr");
    for (const Sample& sample : ChineseTexts()) {
        // As ostrel-qr-cli --hanzi: the designator of GB 2312 (29) for the byte segments.
        qr.SetEciDesignator(CodePage::EciDesignatorFor(sample.Encoded, kGb2312));
        const auto symbol = qr.EncodeMatrix(sample.Encoded, std::ssize(sample.Encoded), 0, 2, 0);
        ASSERT_TRUE(symbol) << sample.Text;
        files.Add(*symbol, 4, sample.Text);
    }
    files.Check(true, "");
}

} // namespace
