#pragma once

#include "clsModuleMatrix.h"

#include <cstdint>

namespace ostrel {

// The function patterns of ISO/IEC 18004 clause 6.3 (and ISO/IEC 23941 for rMQR) as drawing
// primitives on a module matrix of any width and height: finder patterns with their separators,
// timing patterns, alignment patterns and reserved areas. Each writes Dark and Light
// (clsModuleMatrix::ModuleValue) over what lies there; a symbol type's layout (clsQRLayout for QR
// Code) calls them in its own order with its own positions. No bounds are tested: callers keep
// every pattern inside the matrix.
//
// What a new symbol type supplies is where they go: Micro QR one finder in the upper-left corner
// and timing patterns along row 0 and column 0; rMQR a finder, a sub-finder, corner patterns and
// timing along all four edges, with alignment patterns on its own columns.
class clsFunctionPatterns {
public:
    // Width of a finder pattern (7) and of the finder with its one-module separator (8).
    static constexpr std::int32_t FinderSize = 7;
    static constexpr std::int32_t FinderWithSeparator = 8;
    // Half the width of an alignment pattern (5 x 5 modules around its centre).
    static constexpr std::int32_t AlignmentRadius = 2;

    // The 8 x 8 block of a finder pattern and its separator: the finder's outer corner at
    // (x, y), the block extending right (dx = 1) or left (dx = -1) and down (dy = 1) or up
    // (dy = -1), so that the separator lies on the side facing the symbol.
    static void DrawFinder(const clsModuleMatrix& matrix, std::int32_t x, std::int32_t y,
                           std::int32_t dx, std::int32_t dy);
    // A timing pattern along row y from column first to last (or along column x from row first
    // to last): Dark at even coordinates, Light at odd ones.
    static void DrawTimingRow(const clsModuleMatrix& matrix, std::int32_t y, std::int32_t first,
                              std::int32_t last);
    static void DrawTimingColumn(const clsModuleMatrix& matrix, std::int32_t x, std::int32_t first,
                                 std::int32_t last);
    // A 5 x 5 alignment pattern centred at (cx, cy): a dark ring, a light ring, a dark centre.
    static void DrawAlignment(const clsModuleMatrix& matrix, std::int32_t cx, std::int32_t cy);
    // Marks width x height modules from (x, y) on as Light (an area reserved for format or
    // version information, written after masking).
    static void Reserve(const clsModuleMatrix& matrix, std::int32_t x, std::int32_t y,
                        std::int32_t width, std::int32_t height);
};

} // namespace ostrel
