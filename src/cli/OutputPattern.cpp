#include "OutputPattern.h"

#include <algorithm>
#include <cctype>

namespace ostrel::cli {

namespace {

// Splits a pattern into its pieces; returns an error text, empty on success.
template <typename Piece> std::string Split(std::string_view pattern, std::vector<Piece>& pieces) {
    std::string literal;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            literal += pattern[i];
            continue;
        }
        std::size_t j = i + 1;
        if (j < pattern.size() && pattern[j] == '%') {
            literal += '%';
            i = j;
            continue;
        }
        Piece piece;
        if (j < pattern.size() && pattern[j] == '0') {
            piece.ZeroPadded = true;
            ++j;
        }
        while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j])) != 0) {
            piece.Width = piece.Width * 10 + (pattern[j] - '0');
            if (piece.Width > 20) {
                return "the width in the output pattern '" + std::string(pattern) +
                       "' is too large (20 at most)";
            }
            ++j;
        }
        if (j < pattern.size() && pattern[j] == 'd') {
            piece.What = Piece::Kind::Number;
        } else if (j < pattern.size() && pattern[j] == 'i') {
            piece.What = Piece::Kind::Symbol;
        } else if (j < pattern.size() && pattern[j] == 's' && !piece.ZeroPadded &&
                   piece.Width == 0) {
            piece.What = Piece::Kind::Text;
        } else {
            return "the output pattern '" + std::string(pattern) + "' holds '" +
                   std::string(pattern.substr(i, j + 1 - i)) +
                   "': only %d, %i (with a width such as %05d), %s and %% may follow a '%'";
        }
        if (!literal.empty()) {
            pieces.push_back(Piece{Piece::Kind::Literal, literal, 0, false});
            literal.clear();
        }
        pieces.push_back(piece);
        i = j;
    }
    if (!literal.empty()) {
        pieces.push_back(Piece{Piece::Kind::Literal, literal, 0, false});
    }
    return {};
}

// The length of the UTF-8 character at the start of bytes (1 to 4), 0 when they do not start
// with a well-formed one (a stray continuation byte, an overlong form, a surrogate, a code point
// above U+10FFFF, a sequence cut short).
std::size_t Utf8Length(std::span<const std::uint8_t> bytes) {
    const std::uint8_t lead = bytes[0];
    if (lead < 0x80) {
        return 1;
    }
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || bytes.size() < length) {
        return 0;
    }
    // The second byte's range depends on the lead (no overlong forms, no surrogates, nothing
    // above U+10FFFF); the others are 80..BF.
    const std::uint8_t low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const std::uint8_t high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (bytes[1] < low || bytes[1] > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (bytes[k] < 0x80 || bytes[k] > 0xBF) {
            return 0;
        }
    }
    return length;
}

// The code point of a well-formed UTF-8 character.
char32_t CodePoint(std::span<const std::uint8_t> character) {
    static constexpr std::uint8_t LeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t point = character[0] & LeadBits[character.size()];
    for (std::size_t k = 1; k < character.size(); ++k) {
        point = (point << 6) | (character[k] & 0x3F);
    }
    return point;
}

// True for a character a file name may hold (see SafeName).
bool Printable(std::span<const std::uint8_t> character) {
    const char32_t c = CodePoint(character);
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        return false; // C0, DEL, C1
    }
    if (c < 0x80) {
        return std::string_view(R"(/\<>:"|?*)").find(static_cast<char>(c)) ==
               std::string_view::npos;
    }
    const bool bidirectional =
        c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    return !bidirectional && c != 0x2028 && c != 0x2029 && c != 0xFEFF;
}

// Where a name may be cut at most maxBytes bytes in: never inside a UTF-8 character.
std::size_t CutPoint(const std::string& name, std::size_t maxBytes) {
    std::size_t cut = std::min(maxBytes, name.size());
    while (cut > 0 && cut < name.size() && (static_cast<std::uint8_t>(name[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cut;
}

// A run of dots and blanks at the end becomes one '_' (none after a '_'); nothing becomes "_".
void EndSafely(std::string& name) {
    const std::size_t end = name.find_last_not_of(". ");
    if (end + 1 == name.size() && !name.empty()) {
        return;
    }
    name.resize(end == std::string::npos ? 0 : end + 1);
    if (name.empty() || name.back() != '_') {
        name += '_';
    }
}

// The length of the part of name before its first dot (blanks before the dot left out) when
// that part is a Windows device name, else 0.
std::size_t DeviceStem(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    const std::size_t length = stem.size();
    for (char& c : stem) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const std::string_view device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (stem == device) {
            return length;
        }
    }
    if (stem.size() < 4 || (!stem.starts_with("com") && !stem.starts_with("lpt"))) {
        return 0;
    }
    const std::string_view number = std::string_view(stem).substr(3);
    const bool digit = number.size() == 1 && number[0] >= '1' && number[0] <= '9';
    // Superscript one, two and three (U+00B9, U+00B2, U+00B3) name the same devices.
    const bool superscript = number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
    return digit || superscript ? length : 0;
}

} // namespace

std::string OutputPattern::Check(std::string_view pattern, Use use) {
    std::vector<Piece> pieces;
    if (std::string error = Split(pattern, pieces); !error.empty()) {
        return error;
    }
    bool number = false;
    bool text = false;
    bool symbol = false;
    for (const Piece& piece : pieces) {
        number = number || piece.What == Piece::Kind::Number;
        text = text || piece.What == Piece::Kind::Text;
        symbol = symbol || piece.What == Piece::Kind::Symbol;
    }
    const std::string quoted = "the output pattern '" + std::string(pattern) + "'";
    switch (use) {
    case Use::Batch:
        if (symbol) {
            return quoted + " holds %i, the number of a structured-append symbol, without "
                            "--structured-append";
        }
        if (!number && !text) {
            return quoted + " has neither %d (the line number) nor %s (the line): every line "
                            "would replace the same file";
        }
        break;
    case Use::BatchSymbols:
        if (!number && !text) {
            return quoted + " has neither %d (the line number) nor %s (the line): every line "
                            "would replace the same files";
        }
        if (!symbol) {
            return quoted + " has no %i (the symbol's number in its line): the symbols of a line "
                            "would replace each other";
        }
        break;
    case Use::Symbols:
        if (text || symbol) {
            return quoted + " holds %s or %i: for the symbols of one text only %d, the symbol's "
                            "number, may stand in it (%s and %i are for --batch)";
        }
        if (!number) {
            return "with --structured-append, -o needs a pattern with %d (the symbol's number, "
                   "1-based; %05d pads it), not '" +
                   std::string(pattern) + "'";
        }
        break;
    }
    return {};
}

OutputPattern::OutputPattern(std::string_view pattern) {
    Split(pattern, m_Pieces);
}

std::string OutputPattern::Expand(std::int64_t lineNumber, std::span<const std::uint8_t> line,
                                  std::int64_t symbolNumber) const {
    // Every piece's text; %s only once the others are known, for the length of its component.
    std::vector<std::string> parts(m_Pieces.size());
    for (std::size_t k = 0; k < m_Pieces.size(); ++k) {
        const Piece& piece = m_Pieces[k];
        if (piece.What == Piece::Kind::Literal) {
            parts[k] = piece.Literal;
        } else if (piece.What != Piece::Kind::Text) {
            const std::string digits =
                std::to_string(piece.What == Piece::Kind::Number ? lineNumber : symbolNumber);
            if (digits.size() < static_cast<std::size_t>(piece.Width)) {
                parts[k].append(static_cast<std::size_t>(piece.Width) - digits.size(),
                                piece.ZeroPadded ? '0' : ' ');
            }
            parts[k] += digits;
        }
    }
    for (std::size_t k = 0; k < m_Pieces.size(); ++k) {
        if (m_Pieces[k].What == Piece::Kind::Text) {
            parts[k] = SafeName(line, TextRoom(parts, k));
        }
    }
    std::string name;
    for (const std::string& part : parts) {
        name += part;
    }
    return name;
}

std::size_t OutputPattern::TextRoom(const std::vector<std::string>& parts, std::size_t k) const {
    static constexpr std::string_view Separators = "/\\";
    // The bytes of the component before piece k (an earlier %s as it came out), and after it
    // (a later %s keeps at least one byte).
    std::size_t taken = 0;
    for (std::size_t j = k; j-- > 0;) {
        const std::size_t separator = parts[j].find_last_of(Separators);
        if (separator != std::string::npos) {
            taken += parts[j].size() - separator - 1;
            break;
        }
        taken += parts[j].size();
    }
    for (std::size_t j = k + 1; j < parts.size(); ++j) {
        if (m_Pieces[j].What == Piece::Kind::Text) {
            ++taken;
            continue;
        }
        const std::size_t separator = parts[j].find_first_of(Separators);
        taken += std::min(separator, parts[j].size());
        if (separator != std::string::npos) {
            break;
        }
    }
    return taken < MaxComponentBytes ? MaxComponentBytes - taken : 1;
}

std::string OutputPattern::SafeName(std::span<const std::uint8_t> line, std::size_t maxBytes) {
    std::string name;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t length = Utf8Length(line.subspan(i));
        const bool kept =
            length > 0 && Printable(line.subspan(i, length)) && (line[i] != '.' || !name.empty());
        const std::size_t adds = kept ? length : (name.empty() || name.back() != '_') ? 1 : 0;
        if (name.size() + adds > maxBytes) {
            break;
        }
        if (kept) {
            name.append(reinterpret_cast<const char*>(line.data() + i), length);
        } else if (adds > 0) {
            name += '_';
        }
        i += length > 0 ? length : 1;
    }
    EndSafely(name);
    if (const std::size_t stem = DeviceStem(name); stem > 0) {
        name.insert(stem, 1, '_');
        if (name.size() > maxBytes) {
            name.resize(CutPoint(name, maxBytes));
            EndSafely(name);
        }
        if (DeviceStem(name) > 0) {
            name.assign(1, '_');
        }
    }
    return name;
}

} // namespace ostrel::cli
