#include "OutputPattern.h"

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
        } else if (j < pattern.size() && pattern[j] == 's' && !piece.ZeroPadded &&
                   piece.Width == 0) {
            piece.What = Piece::Kind::Text;
        } else {
            return "the output pattern '" + std::string(pattern) + "' holds '" +
                   std::string(pattern.substr(i, j + 1 - i)) +
                   "': only %d (with a width such as %05d), %s and %% may follow a '%'";
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

} // namespace

std::string OutputPattern::Check(std::string_view pattern) {
    std::vector<Piece> pieces;
    if (std::string error = Split(pattern, pieces); !error.empty()) {
        return error;
    }
    for (const Piece& piece : pieces) {
        if (piece.What != Piece::Kind::Literal) {
            return {};
        }
    }
    return "the output pattern '" + std::string(pattern) +
           "' has neither %d (the line number) nor %s (the line): every line would replace the "
           "same file";
}

OutputPattern::OutputPattern(std::string_view pattern) {
    Split(pattern, m_Pieces);
}

std::string OutputPattern::Expand(std::int64_t lineNumber,
                                  std::span<const std::uint8_t> line) const {
    std::string name;
    for (const Piece& piece : m_Pieces) {
        switch (piece.What) {
        case Piece::Kind::Literal:
            name += piece.Literal;
            break;
        case Piece::Kind::Number: {
            const std::string digits = std::to_string(lineNumber);
            if (digits.size() < static_cast<std::size_t>(piece.Width)) {
                name.append(static_cast<std::size_t>(piece.Width) - digits.size(),
                            piece.ZeroPadded ? '0' : ' ');
            }
            name += digits;
            break;
        }
        case Piece::Kind::Text:
            name += SafeName(line);
            break;
        }
    }
    return name;
}

std::string OutputPattern::SafeName(std::span<const std::uint8_t> line) {
    std::string name;
    for (const std::uint8_t byte : line) {
        if (name.size() >= MaxSafeLength) {
            break;
        }
        const bool kept = byte < 0x80 && (std::isalnum(byte) != 0 || byte == '-' || byte == '_' ||
                                          (byte == '.' && !name.empty()));
        if (kept) {
            name += static_cast<char>(byte);
        } else if (name.empty() || name.back() != '_') {
            name += '_';
        }
    }
    return name.empty() ? std::string("_") : name;
}

} // namespace ostrel::cli
