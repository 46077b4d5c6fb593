#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

// A file name pattern for many symbols. In a batch run "%d" stands for the line number
// (1-based), with a width and zero padding as in printf ("%05d"), "%s" for a file-name-safe form
// of the line and "%%" for a percent sign; a pattern names a different file for every line only
// through one of the two, so it must hold at least one. When every line makes several
// structured-append symbols, "%i" (with a width as %d) is the symbol's number in its line
// (1-based), and a pattern must hold it too. For the symbols of one text, "%d" is the symbol's
// number, and the pattern must hold it.
class OutputPattern {
public:
    enum class Use {
        Batch,        // one file per line: %d, %s
        BatchSymbols, // several per line: %d or %s, and %i
        Symbols,      // the symbols of one text: %d
    };

    // An error text for a pattern that cannot be used, empty for a good one.
    static std::string Check(std::string_view pattern, Use use = Use::Batch);

    // A pattern that Check accepted.
    explicit OutputPattern(std::string_view pattern);

    // The file name for one line (Use::Batch), for symbol symbolNumber of a line
    // (Use::BatchSymbols), or for symbol lineNumber of a text (Use::Symbols, line empty).
    std::string Expand(std::int64_t lineNumber, std::span<const std::uint8_t> line,
                       std::int64_t symbolNumber = 0) const;

    // The line as a part of a file name: ASCII letters, digits, '-', '_' and '.' are kept, every
    // run of other bytes becomes one '_', a leading '.' becomes '_'; at most MaxSafeLength
    // bytes, and "_" for a line with nothing left.
    static std::string SafeName(std::span<const std::uint8_t> line);
    static constexpr std::size_t MaxSafeLength = 80;

private:
    struct Piece {
        enum class Kind { Literal, Number, Text, Symbol };
        Kind What = Kind::Literal;
        std::string Literal;
        int Width = 0;
        bool ZeroPadded = false;
    };
    std::vector<Piece> m_Pieces;
};

} // namespace ostrel::cli
