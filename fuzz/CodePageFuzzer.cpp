// The code-page layer under random UTF-16 (unpaired surrogates included) and random UTF-8,
// with the locale variables set to Chinese, Japanese, Korean, Cyrillic, Western and other
// locales.
//
// Input layout: byte 0 picks the locale, byte 1 the direction (bit 0: the rest is UTF-8 bytes
// instead of UTF-16LE code units), the rest is the text.
//
// Checks, UTF-16 to bytes:
// - the UTF-8 output is valid UTF-8 (checked by a validator of its own) and holds exactly the
//   input's characters, every unpaired surrogate as U+FFFD; it converts back to the input;
// - the ANSI conversion of the generate command runs for the locale's code page; for
//   code page 1252 (and the other single-byte code pages 1250..1257) it gives exactly one byte
//   per character (a surrogate pair is one character), ASCII unchanged, '?' for an unpaired
//   surrogate; the double-byte code pages give at most two bytes per character.
// UTF-8 to UTF-16:
// - the result is well-formed UTF-16; valid UTF-8 comes back byte for byte through
//   Utf16ToUtf8, invalid UTF-8 gives at least one U+FFFD.
#include "CodePage.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using ostrel::platform::CodePage;

[[noreturn]] void Fail(const char* what, const char* locale) {
    std::fprintf(stderr, "CodePageFuzzer: %s (LC_ALL=%s)\n", what, locale);
    std::abort();
}

// Decodes strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF, no truncated
// sequence) into code points; false when the bytes are not valid UTF-8.
bool DecodeUtf8(const std::uint8_t* s, std::size_t n, std::vector<char32_t>& out) {
    out.clear();
    for (std::size_t i = 0; i < n;) {
        const std::uint8_t lead = s[i];
        std::size_t extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
            min = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
            min = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= n) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return true;
}

bool IsHigh(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// The characters of UTF-16 text: a pair is one character, an unpaired surrogate U+FFFD.
std::vector<char32_t> Characters(const std::u16string& text, std::vector<bool>* unpaired) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (IsHigh(u) && i + 1 < text.size() && IsLow(text[i + 1])) {
            out.push_back(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                          (text[i + 1] - 0xDC00));
            ++i;
            if (unpaired != nullptr) {
                unpaired->push_back(false);
            }
        } else {
            const bool lone = IsHigh(u) || IsLow(u);
            out.push_back(lone ? 0xFFFD : u);
            if (unpaired != nullptr) {
                unpaired->push_back(lone);
            }
        }
    }
    return out;
}

bool WellFormed(const std::u16string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i])) {
            if (i + 1 >= text.size() || !IsLow(text[i + 1])) {
                return false;
            }
            ++i;
        } else if (IsLow(text[i])) {
            return false;
        }
    }
    return true;
}

constexpr std::array<const char*, 18> kLocales = {
    "zh_CN.UTF-8", "zh_TW.UTF-8", "ja_JP.UTF-8", "ko_KR.UTF-8", "ru_RU.UTF-8", "el_GR.UTF-8",
    "tr_TR.UTF-8", "he_IL.UTF-8", "ar_SA.UTF-8", "th_TH.UTF-8", "vi_VN.UTF-8", "pl_PL.UTF-8",
    "lt_LT.UTF-8", "de_DE.UTF-8", "sr_RS@latin", "C",           "POSIX",       "en_US.UTF-8"};

void FromUtf16(const std::u16string& text, const char* locale) {
    std::vector<bool> unpaired;
    const std::vector<char32_t> chars = Characters(text, &unpaired);

    const std::vector<std::uint8_t> utf8 = CodePage::Utf16ToUtf8(text);
    std::vector<char32_t> decoded;
    if (!DecodeUtf8(utf8.data(), utf8.size(), decoded)) {
        Fail("Utf16ToUtf8 gave invalid UTF-8", locale);
    }
    if (decoded != chars) {
        Fail("Utf16ToUtf8 gave other characters", locale);
    }
    std::u16string repaired;
    for (const char32_t c : chars) {
        if (c >= 0x10000) {
            repaired.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            repaired.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            repaired.push_back(static_cast<char16_t>(c));
        }
    }
    const std::string utf8Text(utf8.begin(), utf8.end());
    if (CodePage::Utf8ToUtf16(utf8Text) != repaired) {
        Fail("UTF-8 does not convert back to the text", locale);
    }
    if (CodePage::TextToBytes(text, true) != utf8) {
        Fail("TextToBytes(utf8) differs from Utf16ToUtf8", locale);
    }

    // The generate command's ANSI conversion, for the code page of the locale.
    const int system = CodePage::SystemAnsiCodePage();
    if (system != CodePage::AnsiCodePageForLocale(locale)) {
        Fail("SystemAnsiCodePage does not follow LC_ALL", locale);
    }
    const std::vector<std::uint8_t> ansi = CodePage::TextToBytes(text, false);
    const bool singleByte = system >= 1250 && system <= 1257;
    if (singleByte && ansi.size() != chars.size()) {
        Fail("a single-byte code page gave other than one byte per character", locale);
    }
    if (!singleByte && ansi.size() > 2 * chars.size() && system != 1258) {
        Fail("a double-byte code page gave more than two bytes per character", locale);
    }

    // Code page 1252 whatever the locale: one byte per character, ASCII as itself, '?' for an
    // unpaired surrogate and for a character outside the code page.
    const std::vector<std::uint8_t> western = CodePage::Utf16ToCodePage(text, 1252);
    if (western.size() != chars.size()) {
        std::fprintf(stderr, "%zu bytes for %zu characters\n", western.size(), chars.size());
        Fail("code page 1252 gave other than one byte per character", locale);
    }
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (chars[i] < 0x80 && !unpaired[i] && western[i] != chars[i]) {
            Fail("code page 1252 changed an ASCII character", locale);
        }
        if ((unpaired[i] || chars[i] >= 0x10000) && western[i] != '?') {
            Fail("code page 1252 did not give '?' for a character it lacks", locale);
        }
    }
}

void FromUtf8(const std::uint8_t* data, std::size_t size, const char* locale) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string text = CodePage::Utf8ToUtf16(bytes);
    if (!WellFormed(text)) {
        Fail("Utf8ToUtf16 gave ill-formed UTF-16", locale);
    }
    std::vector<char32_t> decoded;
    if (DecodeUtf8(data, size, decoded)) {
        const std::vector<std::uint8_t> back = CodePage::Utf16ToUtf8(text);
        if (std::vector<std::uint8_t>(data, data + size) != back) {
            Fail("valid UTF-8 does not come back byte for byte", locale);
        }
    } else if (text.find(u'\uFFFD') == std::u16string::npos) {
        Fail("invalid UTF-8 gave no U+FFFD", locale);
    }
    const int page = CodePage::AnsiCodePageForLocale(bytes);
    if (page < 874 || page > 1258) {
        Fail("AnsiCodePageForLocale gave an unknown code page", locale);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const char* locale = kLocales[data[0] % kLocales.size()];
    setenv("LC_ALL", locale, 1);
    if ((data[1] & 1) != 0) {
        FromUtf8(data + 2, size - 2, locale);
        return 0;
    }
    std::u16string text;
    for (std::size_t i = 2; i + 1 < size; i += 2) {
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    FromUtf16(text, locale);
    return 0;
}
