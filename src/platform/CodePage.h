#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::platform {

// Text to bytes: UTF-16 text as the windows hold it, converted to UTF-8 or to the system's ANSI
// code page. On Windows the ANSI code page is the system's (GetACP, WideCharToMultiByte with
// CP_ACP); elsewhere it is derived from the locale the way Windows would choose it, and the
// conversion is done with iconv.
class CodePage {
public:
    static constexpr int Utf8 = 65001;

    // UTF-16 code units to UTF-8: a surrogate pair gives four bytes, an unpaired surrogate the
    // replacement character EF BF BD. No byte-order mark, no terminating NUL.
    static std::vector<std::uint8_t> Utf16ToUtf8(std::u16string_view text);

    // UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
    static std::u16string Utf8ToUtf16(std::string_view text);

    // The Windows ANSI code page for a locale name such as "zh_CN.UTF-8", "ja_JP" or "C":
    // 936 for zh_CN/zh_SG, 950 for zh_TW/zh_HK/zh_MO, 932 ja, 949 ko, 874 th, 1258 vi,
    // 1251 Cyrillic, 1253 el, 1254 tr/az, 1255 he, 1256 ar/fa/ur, 1257 lt/lv/et,
    // 1250 Central European, else 1252.
    static int AnsiCodePageForLocale(std::string_view localeName);

    // The system's ANSI code page: GetACP on Windows; elsewhere from LC_ALL, else LC_CTYPE,
    // else LANG.
    static int SystemAnsiCodePage();

    // UTF-16 to the given code page (65001 for UTF-8); every character the code page cannot
    // represent becomes one '?'.
    static std::vector<std::uint8_t> Utf16ToCodePage(std::u16string_view text, int codePage);

    // The conversion of the generate command: UTF-8 when utf8 is true, else the system's ANSI
    // code page.
    static std::vector<std::uint8_t> TextToBytes(std::u16string_view text, bool utf8);

    // Text in GB 2312 (EUC-CN: ASCII as one byte, a character of GB 2312 rows 1-9 and 16-87 as
    // two bytes A1..A9 or B0..F7, then A1..FE), the character set of the Hanzi mode of GB/T
    // 18284. Nothing is ever replaced: a character outside GB 2312 (or an unpaired surrogate)
    // leaves Bytes empty and Missing naming it, with its position (counted in characters from
    // 1) in MissingPosition.
    struct Gb2312Result {
        std::vector<std::uint8_t> Bytes;
        std::optional<char32_t> Missing;
        std::size_t MissingPosition = 0;
    };
    static Gb2312Result Utf16ToGb2312(std::u16string_view text);
    // "'€' (U+20AC, character 3)": a character as an error message names it.
    static std::string NameCharacter(char32_t character, std::size_t position);

    // UTF-16 code units that TextToBytes has been handed since the program started, over all
    // threads: lets a caller (and its tests) see that a text was, or was not, converted.
    static std::uint64_t ConvertedUnits();

    // The ECI designator (AIM ECI registry, ISO/IEC 18004 clause 7.4.2) that declares a code
    // page in a QR Code symbol: 26 UTF-8 (65001), 20 Shift JIS (932), 21 Windows-1250,
    // 22 Windows-1251, 23 Windows-1252, 24 Windows-1256, 28 Big5 (950), 29 the Simplified-Chinese
    // GB 2312 family (936); 0 (no designator) for every other code page.
    static std::int32_t EciDesignator(int codePage);

    // The designator to write for bytes in a code page: EciDesignator(codePage) when any byte is
    // 0x80 or above, 0 for plain ASCII (which every reader takes the same way without one).
    static std::int32_t EciDesignatorFor(std::span<const std::uint8_t> bytes, int codePage);
};

} // namespace ostrel::platform
