#include "CodePage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

using ostrel::platform::CodePage;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> values) {
    Bytes bytes;
    for (const int v : values) {
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    return bytes;
}

Bytes Ascii(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// Sets the three locale variables for the lifetime of the object and restores them afterwards.
// nullopt unsets a variable.
class LocaleEnvironment {
public:
    LocaleEnvironment(std::optional<std::string> lcAll, std::optional<std::string> lcCtype,
                      std::optional<std::string> lang) {
        for (std::size_t i = 0; i < Names.size(); ++i) {
            const char* old = std::getenv(Names[i]);
            m_Saved[i] = old == nullptr ? std::nullopt : std::optional<std::string>(old);
        }
        Apply({std::move(lcAll), std::move(lcCtype), std::move(lang)});
    }
    explicit LocaleEnvironment(std::string lcAll)
        : LocaleEnvironment(std::move(lcAll), std::nullopt, std::nullopt) {}
    ~LocaleEnvironment() { Apply(m_Saved); }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

private:
    static constexpr std::array<const char*, 3> Names{"LC_ALL", "LC_CTYPE", "LANG"};

    static void Apply(const std::array<std::optional<std::string>, 3>& values) {
        for (std::size_t i = 0; i < Names.size(); ++i) {
#ifdef _WIN32
            _putenv_s(Names[i], values[i] ? values[i]->c_str() : ""); // "" removes it
#else
            if (values[i]) {
                setenv(Names[i], values[i]->c_str(), 1);
            } else {
                unsetenv(Names[i]);
            }
#endif
        }
    }

    std::array<std::optional<std::string>, 3> m_Saved;
};

} // namespace

// On Windows the ANSI code page is the system's (GetACP), whatever the locale variables say.
#ifdef _WIN32
#define SKIP_WHERE_ANSI_IS_THE_SYSTEMS() GTEST_SKIP() << "the ANSI code page is GetACP() here"
#else
#define SKIP_WHERE_ANSI_IS_THE_SYSTEMS() static_cast<void>(0)
#endif

// ---- UTF-8 ----

TEST(CodePageUtf8, AsciiAndLineBreaksPassUnchanged) {
    EXPECT_EQ(CodePage::Utf16ToUtf8(u"abc"), Ascii("abc"));
    EXPECT_EQ(CodePage::Utf16ToUtf8(u"a\r\nb"), B({0x61, 0x0D, 0x0A, 0x62}));
    EXPECT_EQ(CodePage::Utf16ToUtf8(u""), Bytes{});
    // A NUL inside the text is a character like any other; none is added at the end.
    EXPECT_EQ(CodePage::Utf16ToUtf8(std::u16string_view(u"a\0b", 3)), B({0x61, 0x00, 0x62}));
}

TEST(CodePageUtf8, TwoAndThreeByteCharacters) {
    EXPECT_EQ(CodePage::Utf16ToUtf8(u"中"), B({0xE4, 0xB8, 0xAD}));
    EXPECT_EQ(CodePage::Utf16ToUtf8(u"é"), B({0xC3, 0xA9}));
    EXPECT_EQ(CodePage::Utf16ToUtf8(u"\u07FF\u0800\uFFFF"),
              B({0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}));
}

TEST(CodePageUtf8, SurrogatePairGivesFourBytes) {
    EXPECT_EQ(CodePage::Utf16ToUtf8(u"\U0001F600"), B({0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(CodePage::Utf16ToUtf8(u"\U00020BB7"), B({0xF0, 0xA0, 0xAE, 0xB7}));
    EXPECT_EQ(CodePage::Utf16ToUtf8(u"\U00010000\U0010FFFF"),
              B({0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBF}));
}

TEST(CodePageUtf8, UnpairedSurrogateGivesReplacementCharacter) {
    const Bytes fffd = B({0xEF, 0xBF, 0xBD});
    const std::u16string lonelyHigh{u'a', char16_t(0xD83D), u'b'};
    EXPECT_EQ(CodePage::Utf16ToUtf8(lonelyHigh), B({0x61, 0xEF, 0xBF, 0xBD, 0x62}));
    EXPECT_EQ(CodePage::Utf16ToUtf8(std::u16string{char16_t(0xDE00)}), fffd);
    EXPECT_EQ(CodePage::Utf16ToUtf8(std::u16string{char16_t(0xD800)}), fffd); // at the end
    // A low surrogate before a high one is two unpaired surrogates, not a pair.
    EXPECT_EQ(CodePage::Utf16ToUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD800)}),
              B({0xEF, 0xBF, 0xBD, 0xEF, 0xBF, 0xBD}));
    // Two high surrogates and then a low one: the first is unpaired, the other two pair up.
    EXPECT_EQ(
        CodePage::Utf16ToUtf8(std::u16string{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}),
        B({0xEF, 0xBF, 0xBD, 0xF0, 0x9F, 0x98, 0x80}));
}

TEST(CodePageUtf8, DecodesValidUtf8) {
    EXPECT_EQ(CodePage::Utf8ToUtf16("abc"), u"abc");
    EXPECT_EQ(CodePage::Utf8ToUtf16("\xE4\xB8\xAD\r\n"), u"中\r\n");
    EXPECT_EQ(CodePage::Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(CodePage::Utf8ToUtf16("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
    EXPECT_EQ(CodePage::Utf8ToUtf16(std::string_view("\0", 1)), std::u16string(1, u'\0'));
}

TEST(CodePageUtf8, InvalidSequencesBecomeReplacementCharacters) {
    struct Case {
        std::string_view Input;
        std::u16string Expected;
    };
    const std::u16string r(1, char16_t(0xFFFD));
    const std::vector<Case> cases = {
        {"\x80", r}, // lone continuation byte
        {"a\xFF"
         "b",
         u"a" + r + u"b"},           // byte that never occurs
        {"\xC0\xAF", r + r},         // overlong form of '/'
        {"\xE0\x80\xAF", r + r + r}, // overlong three-byte form
        {"\xE4\xB8"
         "a",
         r + u"a"},                          // truncated, then ASCII
        {"\xE4\xB8", r},                     // truncated at the end
        {"\xED\xA0\x80", r + r + r},         // encoded surrogate
        {"\xF4\x90\x80\x80", r + r + r + r}, // above U+10FFFF
        {"\xF0\x9F\x98", r},                 // truncated four-byte sequence
        {"\xC3\xA9\xC3", u"é" + r},          // valid, then truncated
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodePage::Utf8ToUtf16(c.Input), c.Expected)
            << "input of " << c.Input.size() << " bytes";
    }
}

TEST(CodePageUtf8, RandomTextSurvivesTheRoundTrip) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> kind(0, 3);
    for (int round = 0; round < 200; ++round) {
        std::u16string text;
        for (int i = 0; i < 50; ++i) {
            switch (kind(random)) {
            case 0:
                text.push_back(static_cast<char16_t>(random() % 0x80));
                break;
            case 1:
                text.push_back(static_cast<char16_t>(0x80 + random() % (0xD800 - 0x80)));
                break;
            case 2:
                text.push_back(static_cast<char16_t>(0xE000 + random() % 0x2000));
                break;
            default:
                text.push_back(static_cast<char16_t>(0xD800 + random() % 0x400));
                text.push_back(static_cast<char16_t>(0xDC00 + random() % 0x400));
                break;
            }
        }
        const Bytes utf8 = CodePage::Utf16ToUtf8(text);
        const std::string asString(utf8.begin(), utf8.end());
        ASSERT_EQ(CodePage::Utf8ToUtf16(asString), text) << "round " << round;
    }
}

// ---- ANSI code pages ----

TEST(CodePageAnsi, EveryWindowsAnsiCodePageConverts) {
    struct Case {
        int CodePage;
        std::u16string Text;
        Bytes Expected;
    };
    const std::vector<Case> cases = {
        {932, u"日本", B({0x93, 0xFA, 0x96, 0x7B})},
        {936, u"中文", B({0xD6, 0xD0, 0xCE, 0xC4})},
        {949, u"한", B({0xC7, 0xD1})},
        {950, u"中文", B({0xA4, 0xA4, 0xA4, 0xE5})},
        {874, u"ก", B({0xA1})},
        {1250, u"łą", B({0xB3, 0xB9})},
        {1251, u"Привет", B({0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2})},
        {1252, u"é€", B({0xE9, 0x80})},
        {1253, u"Ω", B({0xD9})},
        {1254, u"ğ", B({0xF0})},
        {1255, u"א", B({0xE0})},
        {1256, u"ع", B({0xDA})},
        {1257, u"ą", B({0xE0})},
        {1258, u"đ", B({0xF0})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodePage::Utf16ToCodePage(c.Text, c.CodePage), c.Expected)
            << "code page " << c.CodePage;
        // ASCII and line breaks are the same bytes in all of them.
        EXPECT_EQ(CodePage::Utf16ToCodePage(u"abc\r\n", c.CodePage), Ascii("abc\r\n"))
            << "code page " << c.CodePage;
    }
}

TEST(CodePageAnsi, CodePage65001IsUtf8) {
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"中", CodePage::Utf8), B({0xE4, 0xB8, 0xAD}));
}

TEST(CodePageAnsi, MissingCharacterBecomesOneQuestionMark) {
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"a中b", 1252), Ascii("a?b"));
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"中文", 1252), Ascii("??"));
    // No look-alike substitutes: ł is not l, Ω is not O in Western European.
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"łΩ", 1252), Ascii("??"));
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"xกy", 936), Ascii("x?y"));
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"é", 1251), Ascii("?"));
    // A character above U+FFFF is one character: one '?', not two.
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"a\U0001F600b", 936), Ascii("a?b"));
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"\U0001F600\U0001F600", 1252), Ascii("??"));
    // The characters around a missing one keep their double-byte form.
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"中ก文", 936), B({0xD6, 0xD0, '?', 0xCE, 0xC4}));
    // A '?' in the text stays one '?'.
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"?中", 1252), Ascii("??"));
}

TEST(CodePageAnsi, UnpairedSurrogateBecomesOneQuestionMark) {
    EXPECT_EQ(CodePage::Utf16ToCodePage(std::u16string{u'a', char16_t(0xD83D), u'b'}, 936),
              Ascii("a?b"));
    EXPECT_EQ(CodePage::Utf16ToCodePage(std::u16string{char16_t(0xDC00), char16_t(0xD800)}, 1252),
              Ascii("??"));
    EXPECT_EQ(CodePage::Utf16ToCodePage(std::u16string{u'中', char16_t(0xDE00)}, 936),
              B({0xD6, 0xD0, '?'}));
}

TEST(CodePageAnsi, LongTextAcrossConversionChunks) {
    // Enough text for several conversion chunks, with a surrogate pair and a missing character
    // straddling every possible chunk boundary region.
    std::u16string text;
    Bytes expected;
    for (int i = 0; i < 30000; ++i) {
        if (i % 4099 == 4098) {
            text += u"\U0001F600";
            expected.push_back('?');
        } else if (i % 3001 == 3000) {
            text += u"ก";
            expected.push_back('?');
        } else {
            text += u"中";
            expected.push_back(0xD6);
            expected.push_back(0xD0);
        }
    }
    EXPECT_EQ(CodePage::Utf16ToCodePage(text, 936), expected);
}

TEST(CodePageAnsi, UnknownCodePageKeepsAsciiOnly) {
    EXPECT_EQ(CodePage::Utf16ToCodePage(u"a中\U0001F600b", 99999), Ascii("a??b"));
}

// ---- Locale to ANSI code page ----

TEST(CodePageLocale, WindowsAnsiCodePageForLocaleName) {
    struct Case {
        std::string_view Locale;
        int Expected;
    };
    const std::vector<Case> cases = {
        {"zh_CN.UTF-8", 936},
        {"zh_CN", 936},
        {"zh_SG.GBK", 936},
        {"zh_TW.UTF-8", 950},
        {"zh_HK.UTF-8", 950},
        {"zh_MO", 950},
        {"zh-Hant", 950},
        {"zh-CN", 936},
        {"ja_JP.UTF-8", 932},
        {"ja_JP.eucJP", 932},
        {"ja", 932},
        {"ko_KR.UTF-8", 949},
        {"th_TH.UTF-8", 874},
        {"vi_VN", 1258},
        {"ru_RU.UTF-8", 1251},
        {"uk_UA", 1251},
        {"be_BY", 1251},
        {"bg_BG", 1251},
        {"mk_MK", 1251},
        {"sr_RS", 1251},
        {"sr_RS.UTF-8", 1251},
        {"sr_RS@latin", 1250},
        {"sr_RS.UTF-8@latin", 1250},
        {"sr-Latn-RS", 1250},
        {"el_GR.UTF-8", 1253},
        {"tr_TR", 1254},
        {"az_AZ", 1254},
        {"he_IL", 1255},
        {"ar_EG.UTF-8", 1256},
        {"fa_IR", 1256},
        {"ur_PK", 1256},
        {"lt_LT", 1257},
        {"lv_LV", 1257},
        {"et_EE", 1257},
        {"pl_PL.UTF-8", 1250},
        {"cs_CZ", 1250},
        {"sk_SK", 1250},
        {"hu_HU", 1250},
        {"hr_HR", 1250},
        {"sl_SI", 1250},
        {"ro_RO", 1250},
        {"sq_AL", 1250},
        {"bs_BA", 1250},
        {"en_US.UTF-8", 1252},
        {"de_DE@euro", 1252},
        {"fr_FR", 1252},
        {"pt_BR", 1252},
        {"C", 1252},
        {"C.UTF-8", 1252},
        {"POSIX", 1252},
        {"", 1252},
        {"ZH_cn.utf8", 936},
        {"Ja_JP", 932},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodePage::AnsiCodePageForLocale(c.Locale), c.Expected) << c.Locale;
    }
}

TEST(CodePageLocale, SystemCodePageFollowsLcAllThenLcCtypeThenLang) {
    SKIP_WHERE_ANSI_IS_THE_SYSTEMS();
    struct Case {
        std::optional<std::string> LcAll, LcCtype, Lang;
        int Expected;
    };
    const std::vector<Case> cases = {
        {"zh_CN.UTF-8", "ja_JP.UTF-8", "ru_RU.UTF-8", 936},
        {std::nullopt, "ja_JP.UTF-8", "ru_RU.UTF-8", 932},
        {std::nullopt, std::nullopt, "ru_RU.UTF-8", 1251},
        {std::nullopt, std::nullopt, std::nullopt, 1252},
        {"", "", "ko_KR.UTF-8", 949}, // empty counts as unset
        {"", "el_GR", "", 1253},
        {"C", "ja_JP.UTF-8", "zh_CN.UTF-8", 1252},
        {"POSIX", std::nullopt, "zh_CN.UTF-8", 1252},
        {std::nullopt, "C.UTF-8", "zh_TW.UTF-8", 1252},
    };
    for (const Case& c : cases) {
        const LocaleEnvironment environment(c.LcAll, c.LcCtype, c.Lang);
        EXPECT_EQ(CodePage::SystemAnsiCodePage(), c.Expected)
            << c.LcAll.value_or("(unset)") << " / " << c.LcCtype.value_or("(unset)") << " / "
            << c.Lang.value_or("(unset)");
    }
}

// ---- TextToBytes ----

TEST(CodePageTextToBytes, AbcIsTheSameInBothEncodings) {
    const LocaleEnvironment environment("zh_CN.UTF-8");
    EXPECT_EQ(CodePage::TextToBytes(u"abc", true), Ascii("abc"));
    EXPECT_EQ(CodePage::TextToBytes(u"abc", false), Ascii("abc"));
    EXPECT_EQ(CodePage::TextToBytes(u" ", false), B({0x20}));
}

TEST(CodePageTextToBytes, LineBreakIsCrLfInBothEncodings) {
    const LocaleEnvironment environment("zh_CN.UTF-8");
    EXPECT_EQ(CodePage::TextToBytes(u"\r\n", true), B({0x0D, 0x0A}));
    EXPECT_EQ(CodePage::TextToBytes(u"\r\n", false), B({0x0D, 0x0A}));
}

TEST(CodePageTextToBytes, ChineseUnderAChineseLocale) {
    SKIP_WHERE_ANSI_IS_THE_SYSTEMS();
    const LocaleEnvironment environment("zh_CN.UTF-8");
    EXPECT_EQ(CodePage::TextToBytes(u"中", true), B({0xE4, 0xB8, 0xAD}));
    EXPECT_EQ(CodePage::TextToBytes(u"中", false), B({0xD6, 0xD0}));
}

TEST(CodePageTextToBytes, Utf8DoesNotDependOnTheLocale) {
    const LocaleEnvironment environment("ja_JP.UTF-8");
    EXPECT_EQ(CodePage::TextToBytes(u"中\U0001F600", true),
              B({0xE4, 0xB8, 0xAD, 0xF0, 0x9F, 0x98, 0x80}));
}

TEST(CodePageTextToBytes, ShiftJisUnderAJapaneseLocale) {
    SKIP_WHERE_ANSI_IS_THE_SYSTEMS();
    const LocaleEnvironment environment("ja_JP.UTF-8");
    EXPECT_EQ(CodePage::TextToBytes(u"日本", false), B({0x93, 0xFA, 0x96, 0x7B}));
    // Windows-31J: backslash stays 5C, half-width katakana is one byte, the full-width tilde
    // is 81 60.
    EXPECT_EQ(CodePage::TextToBytes(u"\\ｱ～", false), B({0x5C, 0xB1, 0x81, 0x60}));
    EXPECT_EQ(CodePage::TextToBytes(u"中", false), B({0x92, 0x86}));
    EXPECT_EQ(CodePage::TextToBytes(u"한", false), Ascii("?"));
}

TEST(CodePageTextToBytes, MissingCharacterUnderTheCLocale) {
    SKIP_WHERE_ANSI_IS_THE_SYSTEMS();
    const LocaleEnvironment environment("C");
    EXPECT_EQ(CodePage::TextToBytes(u"a中\U0001F600é", false), B({'a', '?', '?', 0xE9}));
}

// ECI designators of the AIM registry for the code pages the tool converts to.
TEST(CodePageEciTest, DesignatorPerCodePage) {
    const struct {
        int CodePage;
        std::int32_t Designator;
    } cases[] = {{65001, 26}, {932, 20}, {1250, 21}, {1251, 22}, {1252, 23}, {1256, 24},
                 {950, 28},   {936, 29}, {949, 0},   {874, 0},   {1253, 0},  {1254, 0},
                 {1255, 0},   {1257, 0}, {1258, 0},  {437, 0},   {0, 0},     {-1, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(CodePage::EciDesignator(c.CodePage), c.Designator) << c.CodePage;
    }
}

TEST(CodePageEciTest, PlainAsciiNeedsNoDesignator) {
    EXPECT_EQ(CodePage::EciDesignatorFor(Ascii("https://example.com/?q=1 ~"), 65001), 0);
    EXPECT_EQ(CodePage::EciDesignatorFor(Bytes{}, 936), 0);
    EXPECT_EQ(CodePage::EciDesignatorFor(B({0x00, 0x7F, 0x41}), 932), 0);
    // One byte of 0x80 or above anywhere is enough.
    EXPECT_EQ(CodePage::EciDesignatorFor(B({0x41, 0x80}), 65001), 26);
    EXPECT_EQ(CodePage::EciDesignatorFor(B({0xD6, 0xD0, 0x41}), 936), 29);
    EXPECT_EQ(CodePage::EciDesignatorFor(B({0x41, 0xE9}), 1252), 23);
    // A code page without a designator stays without one.
    EXPECT_EQ(CodePage::EciDesignatorFor(B({0xB0, 0xA1}), 949), 0);
}

// GB 2312 for the Hanzi mode: every character of the Basic Multilingual Plane converted alone.
// Rows 16-87 of GB 2312 hold its 6763 Hanzi (3755 of level 1 and 3008 of level 2), rows 1-9 its
// 682 other characters; nothing outside those rows, and nothing that is no character, passes.
TEST(CodePageGb2312, AcceptsExactlyTheRowsOfGb2312) {
    int hanzi = 0;
    int others = 0;
    for (char32_t code = 0x80; code < 0x10000; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) {
            continue;
        }
        const char16_t unit = static_cast<char16_t>(code);
        const auto result = CodePage::Utf16ToGb2312(std::u16string_view(&unit, 1));
        if (result.Missing) {
            EXPECT_TRUE(result.Bytes.empty());
            EXPECT_EQ(*result.Missing, code);
            continue;
        }
        ASSERT_EQ(result.Bytes.size(), 2U) << std::hex << static_cast<unsigned>(code);
        const int row = result.Bytes[0] - 0xA0;
        const int cell = result.Bytes[1] - 0xA0;
        ASSERT_TRUE(((row >= 1 && row <= 9) || (row >= 16 && row <= 87)) && cell >= 1 && cell <= 94)
            << std::hex << static_cast<unsigned>(code);
        (row >= 16 ? hanzi : others) += 1;
    }
    EXPECT_EQ(hanzi, 6763);
    EXPECT_GE(others, 682);
}

TEST(CodePageGb2312, ConvertsTextAndNamesTheFirstCharacterOutside) {
    auto result = CodePage::Utf16ToGb2312(u"A1 中文、啊");
    EXPECT_FALSE(result.Missing);
    EXPECT_EQ(result.Bytes, B({'A', '1', ' ', 0xD6, 0xD0, 0xCE, 0xC4, 0xA1, 0xA2, 0xB0, 0xA1}));
    result = CodePage::Utf16ToGb2312(u"价格€5");
    ASSERT_TRUE(result.Missing);
    EXPECT_TRUE(result.Bytes.empty());
    EXPECT_EQ(CodePage::NameCharacter(*result.Missing, result.MissingPosition),
              "'€' (U+20AC, character 3)");
    // A GBK extension (U+4E02, 81 40), a character beyond the plane and an unpaired surrogate.
    result = CodePage::Utf16ToGb2312(u"中丂");
    EXPECT_EQ(result.Missing, U'\u4E02');
    EXPECT_EQ(result.MissingPosition, 2U);
    result = CodePage::Utf16ToGb2312(u"a\U00020000");
    EXPECT_EQ(result.Missing, U'\U00020000');
    const char16_t lone[] = {u'a', 0xD800, u'b'};
    result = CodePage::Utf16ToGb2312(std::u16string_view(lone, 3));
    EXPECT_EQ(result.Missing, char32_t{0xD800});
    EXPECT_EQ(CodePage::NameCharacter(0xD800, 2), "U+D800 (character 2)");
}
