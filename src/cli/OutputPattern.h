#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

// A file name pattern for many symbols. In a batch run "%d" stands for the line number
// (1-based), with a width and zero padding as in printf ("%05d"), "%s" for a file-name-safe form
// of the line (SafeName) and "%%" for a percent sign; a pattern names a different file for every
// line only through one of the two, so it must hold at least one. When every line makes several
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
    // (Use::BatchSymbols), or for symbol lineNumber of a text (Use::Symbols, line empty). %s is
    // SafeName(line) cut so that its path component (the text between two '/' or '\', the
    // pattern's own text and numbers included, such as the extension) has at most
    // MaxComponentBytes bytes; with two %s in one component the first takes what it needs.
    std::string Expand(std::int64_t lineNumber, std::span<const std::uint8_t> line,
                       std::int64_t symbolNumber = 0) const;

    // The line as a part of a file name that every common file system takes (also a Windows
    // disk): valid UTF-8 is kept as it is, in any script, except what file names cannot hold or
    // should not: '/' and '\', control characters (C0, DEL, C1), Unicode line and paragraph
    // separators, bidirectional controls and U+FEFF (invisible, and able to make a name look
    // like another), and the characters Windows forbids, < > : " | ? *. Each run of those, and of
    // bytes that are not UTF-8, becomes one '_' (no '_' next to one that is already there). A
    // leading '.' becomes '_' (no hidden files, no "." or ".."), and so does a run of dots and
    // blanks at the end (Windows drops them). A name whose part before the first dot is a
    // Windows device name (CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9, also with a superscript
    // digit, CONIN$, CONOUT$; in any letter case, blanks before the dot ignored) gets a '_' right
    // after that part: "con" gives "con_", "Com1.tar.gz" "Com1_.tar.gz". At most maxBytes
    // bytes, cut between characters, never inside one; "_" for a line with nothing left.
    static std::string SafeName(std::span<const std::uint8_t> line,
                                std::size_t maxBytes = MaxComponentBytes);
    // The longest file name (one path component) that Linux, Windows and macOS file systems
    // take, in UTF-8 bytes; Expand cuts %s so that its component, with the pattern's own text
    // around it, stays within it.
    static constexpr std::size_t MaxComponentBytes = 255;

private:
    struct Piece {
        enum class Kind { Literal, Number, Text, Symbol };
        Kind What = Kind::Literal;
        std::string Literal;
        int Width = 0;
        bool ZeroPadded = false;
    };
    // The bytes %s (piece k) may take: what its path component leaves, the other pieces' text in
    // parts, at least one.
    std::size_t TextRoom(const std::vector<std::string>& parts, std::size_t k) const;

    std::vector<Piece> m_Pieces;
};

} // namespace ostrel::cli
