#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

// The file name pattern of a batch run: "%d" stands for the line number (1-based), with a
// width and zero padding as in printf ("%05d"), "%s" for a file-name-safe form of the line and
// "%%" for a percent sign. A pattern names a different file for every line only through one of
// the two, so a pattern must hold at least one.
class OutputPattern {
public:
    // An error text for a pattern that cannot be used, empty for a good one.
    static std::string Check(std::string_view pattern);

    // A pattern that Check accepted.
    explicit OutputPattern(std::string_view pattern);

    // The file name for one line.
    std::string Expand(std::int64_t lineNumber, std::span<const std::uint8_t> line) const;

    // The line as a part of a file name: ASCII letters, digits, '-', '_' and '.' are kept, every
    // run of other bytes becomes one '_', a leading '.' becomes '_'; at most MaxSafeLength
    // bytes, and "_" for a line with nothing left.
    static std::string SafeName(std::span<const std::uint8_t> line);
    static constexpr std::size_t MaxSafeLength = 80;

private:
    struct Piece {
        enum class Kind { Literal, Number, Text };
        Kind What = Kind::Literal;
        std::string Literal;
        int Width = 0;
        bool ZeroPadded = false;
    };
    std::vector<Piece> m_Pieces;
};

} // namespace ostrel::cli
