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
    std::string name;
    for (const Piece& piece : m_Pieces) {
        switch (piece.What) {
        case Piece::Kind::Literal:
            name += piece.Literal;
            break;
        case Piece::Kind::Number:
        case Piece::Kind::Symbol: {
            const std::string digits =
                std::to_string(piece.What == Piece::Kind::Number ? lineNumber : symbolNumber);
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
