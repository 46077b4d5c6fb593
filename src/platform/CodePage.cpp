#include "CodePage.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace ostrel::platform {

namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;
constexpr std::uint8_t SubstituteByte = '?';

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// Number of code units of the character that starts at text[pos]: 2 for a surrogate pair, else 1
// (an unpaired surrogate counts as a character of its own).
std::size_t CharacterLength(std::u16string_view text, std::size_t pos) {
    if (IsHighSurrogate(text[pos]) && pos + 1 < text.size() && IsLowSurrogate(text[pos + 1])) {
        return 2;
    }
    return 1;
}

void AppendUtf8(std::vector<std::uint8_t>& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<std::uint8_t>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<std::uint8_t>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<std::uint8_t>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<std::uint8_t>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    }
}

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

struct LanguageCodePage {
    std::string_view Language;
    int CodePage;
};

// Languages whose Windows ANSI code page follows from the language alone. Chinese and Serbian
// depend on territory or script and are handled before this table.
constexpr std::array<LanguageCodePage, 28> LanguageTable{{
    {"ja", 932},  {"ko", 949},  {"th", 874},  {"vi", 1258}, {"ru", 1251}, {"uk", 1251},
    {"be", 1251}, {"bg", 1251}, {"mk", 1251}, {"el", 1253}, {"tr", 1254}, {"az", 1254},
    {"he", 1255}, {"ar", 1256}, {"fa", 1256}, {"ur", 1256}, {"lt", 1257}, {"lv", 1257},
    {"et", 1257}, {"pl", 1250}, {"cs", 1250}, {"sk", 1250}, {"hu", 1250}, {"hr", 1250},
    {"sl", 1250}, {"ro", 1250}, {"sq", 1250}, {"bs", 1250},
}};

// Fallback for a code page that the platform cannot convert: ASCII passes, everything else is '?'.
std::vector<std::uint8_t> ToAscii(std::u16string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size(); pos += CharacterLength(text, pos)) {
        const char16_t unit = text[pos];
        out.push_back(unit < 0x80 ? static_cast<std::uint8_t>(unit) : SubstituteByte);
    }
    return out;
}

#ifndef _WIN32

// The variable's value, or empty when it is unset; an empty value counts as unset.
std::string_view Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string_view{} : std::string_view{value};
}

// iconv names to try for a Windows code page, most faithful first. glibc and GNU libiconv know
// the CPnnn names of the Windows code pages; the others are fallbacks for smaller iconv
// implementations.
std::vector<std::string> IconvNames(int codePage) {
    std::vector<std::string> names;
    switch (codePage) {
    case 932:
        names = {"CP932", "WINDOWS-31J", "SHIFT_JIS"};
        break;
    case 936:
        names = {"CP936", "GBK"};
        break;
    case 949:
        names = {"CP949", "UHC", "EUC-KR"};
        break;
    case 950:
        names = {"CP950", "BIG5"};
        break;
    case 874:
        names = {"CP874", "TIS-620"};
        break;
    case 20127:
        names = {"ASCII"};
        break;
    case 20932:
        names = {"EUC-JP"};
        break;
    case 51949:
        names = {"EUC-KR"};
        break;
    case 54936:
        names = {"GB18030"};
        break;
    default:
        if (codePage >= 28591 && codePage <= 28599) {
            names = {"ISO-8859-" + std::to_string(codePage - 28590)};
        } else if (codePage >= 1250 && codePage <= 1258) {
            names = {"CP" + std::to_string(codePage), "WINDOWS-" + std::to_string(codePage)};
        } else if (codePage > 0) {
            names = {"CP" + std::to_string(codePage)};
        }
        break;
    }
    return names;
}

// An open iconv conversion from UTF-16LE to a code page; closed when it goes out of scope.
class IconvHandle {
public:
    explicit IconvHandle(int codePage) {
        for (const std::string& name : IconvNames(codePage)) {
            m_Handle = iconv_open(name.c_str(), "UTF-16LE");
            if (m_Handle != Invalid()) {
                return;
            }
        }
    }
    ~IconvHandle() {
        if (IsOpen()) {
            iconv_close(m_Handle);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool IsOpen() const { return m_Handle != Invalid(); }
    iconv_t Get() const { return m_Handle; }

private:
    // iconv_open's documented failure value is (iconv_t)-1.
    static iconv_t Invalid() {
        return reinterpret_cast<iconv_t>(-1); // NOLINT(performance-no-int-to-ptr)
    }
    iconv_t m_Handle = Invalid();
};

// Converts one chunk of UTF-16LE bytes (no unpaired surrogates, no pair split) and appends the
// result. A character the code page lacks becomes one '?' and the conversion goes on after it.
void ConvertChunk(iconv_t handle, std::vector<char>& input, std::vector<std::uint8_t>& out) {
    std::array<char, 4096> buffer{};
    char* in = input.data();
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.insert(out.end(), buffer.data(), outPtr);
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        // EILSEQ (not representable), or anything unexpected: one '?' for the character at the
        // input position, then on with the next one.
        out.push_back(SubstituteByte);
        if (inLeft < 2) {
            break;
        }
        const auto high = static_cast<unsigned char>(in[1]);
        const std::size_t skip = (high >= 0xD8 && high <= 0xDB && inLeft >= 4) ? 4 : 2;
        const std::size_t step = std::min(skip, inLeft);
        in += step;
        inLeft -= step;
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
    }
}

#else // _WIN32

static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t* Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// Converts count code units with WideCharToMultiByte, without best-fit look-alikes. Returns false
// when a character had no mapping (then out is unchanged).
bool ConvertExact(UINT codePage, const char16_t* text, int count, std::vector<std::uint8_t>& out) {
    BOOL usedDefault = FALSE;
    const char substitute[] = "?";
    int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, Wide(text), count, nullptr, 0,
                                   substitute, &usedDefault);
    if (size <= 0 || usedDefault) {
        return false;
    }
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(size));
    size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, Wide(text), count,
                               reinterpret_cast<char*>(out.data() + start), size, substitute,
                               &usedDefault);
    if (size <= 0 || usedDefault) {
        out.resize(start);
        return false;
    }
    out.resize(start + static_cast<std::size_t>(size));
    return true;
}

#endif

} // namespace

std::vector<std::uint8_t> CodePage::Utf16ToUtf8(std::u16string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() + text.size() / 2);
    for (std::size_t pos = 0; pos < text.size();) {
        const char16_t unit = text[pos];
        if (CharacterLength(text, pos) == 2) {
            const char32_t cp =
                0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[pos + 1] - 0xDC00);
            AppendUtf8(out, cp);
            pos += 2;
        } else {
            AppendUtf8(out, IsSurrogate(unit) ? ReplacementCharacter : unit);
            ++pos;
        }
    }
    return out;
}

std::u16string CodePage::Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++pos;
            continue;
        }
        // Continuation bytes needed and the allowed range of the first one (which excludes
        // overlong forms, surrogates and values above U+10FFFF).
        int needed = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        char32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            cp = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            cp = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            out.push_back(ReplacementCharacter);
            ++pos;
            continue;
        }
        // The longest valid prefix of a broken sequence becomes one U+FFFD; the byte that broke
        // it starts the next character.
        std::size_t next = pos + 1;
        bool complete = true;
        for (int k = 0; k < needed; ++k, ++next) {
            if (next >= text.size()) {
                complete = false;
                break;
            }
            const auto byte = static_cast<unsigned char>(text[next]);
            if (byte < low || byte > high) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (byte & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        pos = next;
        if (!complete) {
            out.push_back(ReplacementCharacter);
        } else if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

int CodePage::AnsiCodePageForLocale(std::string_view localeName) {
    // language[_TERRITORY][.codeset][@modifier]; '-' is accepted as a separator as well, and a
    // four-letter script subtag (zh-Hant, sr-Latn) is recognised.
    std::string_view modifier;
    if (const auto at = localeName.find('@'); at != std::string_view::npos) {
        modifier = localeName.substr(at + 1);
        localeName = localeName.substr(0, at);
    }
    if (const auto dot = localeName.find('.'); dot != std::string_view::npos) {
        localeName = localeName.substr(0, dot);
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= localeName.size()) {
        const auto end = localeName.find_first_of("_-", start);
        parts.push_back(Lower(localeName.substr(start, end - start)));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    const std::string language = parts.empty() ? std::string{} : parts[0];
    std::string script;
    std::string territory;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].size() == 4 && script.empty() && territory.empty()) {
            script = parts[i];
        } else if (territory.empty()) {
            territory = parts[i];
        }
    }

    if (language == "zh") {
        // Traditional Chinese (Big5) for Taiwan, Hong Kong and Macau; Simplified (GBK) otherwise.
        const bool traditional =
            script == "hant" || territory == "tw" || territory == "hk" || territory == "mo";
        return traditional ? 950 : 936;
    }
    if (language == "sr") {
        const bool latin = Lower(modifier) == "latin" || script == "latn";
        return latin ? 1250 : 1251;
    }
    for (const LanguageCodePage& entry : LanguageTable) {
        if (entry.Language == language) {
            return entry.CodePage;
        }
    }
    return 1252;
}

int CodePage::SystemAnsiCodePage() {
#ifdef _WIN32
    return static_cast<int>(GetACP());
#else
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const std::string_view value = Environment(name);
        if (!value.empty()) {
            return AnsiCodePageForLocale(value);
        }
    }
    return AnsiCodePageForLocale("C");
#endif
}

std::vector<std::uint8_t> CodePage::Utf16ToCodePage(std::u16string_view text, int codePage) {
    if (codePage == Utf8) {
        return Utf16ToUtf8(text);
    }
    std::vector<std::uint8_t> out;
    out.reserve(text.size());
#ifdef _WIN32
    // Whole text first; when some character has no mapping, character by character, so that each
    // such character becomes exactly one '?' (a surrogate pair included).
    const auto cp = static_cast<UINT>(codePage);
    if (codePage <= 0 || IsValidCodePage(cp) == 0) {
        return ToAscii(text);
    }
    constexpr std::size_t ChunkUnits = 1 << 20;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = std::min(text.size(), pos + ChunkUnits);
        if (end < text.size() && IsHighSurrogate(text[end - 1])) {
            ++end; // keep a surrogate pair together
        }
        if (!ConvertExact(cp, text.data() + pos, static_cast<int>(end - pos), out)) {
            for (std::size_t at = pos; at < end;) {
                const std::size_t length = CharacterLength(text, at);
                if (IsSurrogate(text[at]) && length == 1) {
                    out.push_back(SubstituteByte);
                } else if (!ConvertExact(cp, text.data() + at, static_cast<int>(length), out)) {
                    out.push_back(SubstituteByte);
                }
                at += length;
            }
        }
        pos = end;
    }
#else
    IconvHandle handle(codePage);
    if (!handle.IsOpen()) {
        return ToAscii(text);
    }
    // Feed iconv UTF-16LE in chunks that never split a surrogate pair; an unpaired surrogate is
    // passed on as '?', which every ANSI code page holds.
    constexpr std::size_t ChunkUnits = 8192;
    std::vector<char> chunk;
    chunk.reserve(2 * ChunkUnits + 2);
    for (std::size_t pos = 0; pos < text.size();) {
        chunk.clear();
        while (pos < text.size() && chunk.size() < 2 * ChunkUnits) {
            const std::size_t length = CharacterLength(text, pos);
            for (std::size_t k = 0; k < length; ++k) {
                const char16_t unit =
                    (length == 1 && IsSurrogate(text[pos])) ? u'?' : text[pos + k];
                chunk.push_back(static_cast<char>(unit & 0xFF));
                chunk.push_back(static_cast<char>(unit >> 8));
            }
            pos += length;
        }
        ConvertChunk(handle.Get(), chunk, out);
    }
    // Flush whatever a stateful conversion still holds.
    std::array<char, 64> tail{};
    char* outPtr = tail.data();
    std::size_t outLeft = tail.size();
    iconv(handle.Get(), nullptr, nullptr, &outPtr, &outLeft);
    out.insert(out.end(), tail.data(), outPtr);
#endif
    return out;
}

namespace {

std::atomic<std::uint64_t> g_ConvertedUnits{0};

} // namespace

std::vector<std::uint8_t> CodePage::TextToBytes(std::u16string_view text, bool utf8) {
    g_ConvertedUnits.fetch_add(text.size(), std::memory_order_relaxed);
    return utf8 ? Utf16ToUtf8(text) : Utf16ToCodePage(text, SystemAnsiCodePage());
}

CodePage::Gb2312Result CodePage::Utf16ToGb2312(std::u16string_view text) {
    // GB 2312 sits unchanged inside code page 936 (GBK), which both iconv and Windows convert:
    // each character is converted alone and kept when it gives ASCII or a pair of the rows of
    // GB 2312, so a GBK extension, the euro sign (80) or a '?' for a missing character never
    // passes.
    constexpr int Gbk = 936;
    constexpr char32_t kPrivateUseFirst = 0xE000;
    constexpr char32_t kPrivateUseLast = 0xF8FF;
    Gb2312Result result;
    std::size_t position = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = CharacterLength(text, pos);
        const std::u16string_view character = text.substr(pos, length);
        ++position;
        char32_t code = character[0];
        if (length == 2) {
            code = 0x10000 + ((static_cast<char32_t>(character[0]) - 0xD800) << 10) +
                   (static_cast<char32_t>(character[1]) - 0xDC00);
        }
        bool inSet = code < 0x80;
        if (inSet) {
            result.Bytes.push_back(static_cast<std::uint8_t>(code));
        } else if ((!IsSurrogate(character[0]) || length == 2) &&
                   !(code >= kPrivateUseFirst && code <= kPrivateUseLast)) {
            // (GB 2312 has no private-use characters; Windows' code page 936 maps five of
            // them into the empty end of row 55, D7FA..D7FE.)
            const std::vector<std::uint8_t> pair = Utf16ToCodePage(character, Gbk);
            inSet =
                pair.size() == 2 &&
                ((pair[0] >= 0xA1 && pair[0] <= 0xA9) || (pair[0] >= 0xB0 && pair[0] <= 0xF7)) &&
                pair[1] >= 0xA1 && pair[1] <= 0xFE;
            if (inSet) {
                result.Bytes.insert(result.Bytes.end(), pair.begin(), pair.end());
            }
        }
        if (!inSet) {
            result.Bytes.clear();
            result.Missing = code;
            result.MissingPosition = position;
            return result;
        }
        pos += length;
    }
    return result;
}

std::string CodePage::NameCharacter(char32_t character, std::size_t position) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
    std::string name;
    // Control characters and surrogates are named by their number alone.
    const bool shown = character >= 0x20 && !(character >= 0x7F && character < 0xA0) &&
                       !(character >= 0xD800 && character <= 0xDFFF) && character <= 0x10FFFF;
    if (shown) {
        std::vector<std::uint8_t> utf8;
        AppendUtf8(utf8, character);
        name.push_back('\'');
        name.append(utf8.begin(), utf8.end());
        name.append("' (");
    }
    name.append(code);
    name.append(shown ? ", character " : " (character ");
    name.append(std::to_string(position));
    name.push_back(')');
    return name;
}

std::uint64_t CodePage::ConvertedUnits() {
    return g_ConvertedUnits.load(std::memory_order_relaxed);
}

std::int32_t CodePage::EciDesignator(int codePage) {
    // Code page and ECI designator pairs of the AIM ECI registry.
    static constexpr std::array<std::array<int, 2>, 8> kDesignators = {{
        {Utf8, 26},
        {932, 20},  // Shift JIS
        {1250, 21}, // Windows-1250, Central European
        {1251, 22}, // Windows-1251, Cyrillic
        {1252, 23}, // Windows-1252, Western European
        {1256, 24}, // Windows-1256, Arabic
        {950, 28},  // Big5
        {936, 29},  // GB 2312 (GBK is its superset; readers take 29 as GBK or GB 18030)
    }};
    for (const auto& [page, designator] : kDesignators) {
        if (page == codePage) {
            return designator;
        }
    }
    return 0;
}

std::int32_t CodePage::EciDesignatorFor(std::span<const std::uint8_t> bytes, int codePage) {
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; });
    return ascii ? 0 : EciDesignator(codePage);
}

} // namespace ostrel::platform
