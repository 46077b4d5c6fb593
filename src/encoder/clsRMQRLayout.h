#pragma once

#include "clsFormatInformation.h"
#include "clsModuleMatrix.h"

#include <array>
#include <cstdint>

namespace ostrel {

// The geometry of an rMQR symbol (ISO/IEC 23941, symbol structure), for a size index of
// clsRMQRTable:
// - the finder pattern (7 x 7) in the upper-left corner, separated by a light column 7 (and a
//   light row 7 when the symbol is taller than 7 modules);
// - the sub-finder pattern (5 x 5: dark ring, light ring, dark centre) in the lower-right corner;
// - the corner finder sub-patterns: in the upper-right corner the three right-hand modules of
//   row 0 and the module below the last of them dark, the one beside it light; in the lower-left
//   corner (heights 9 and above) the three left-hand modules of the bottom row dark and, where
//   the separator row does not take it, the module above the first dark with the one beside it
//   light;
// - timing patterns along the top and bottom rows, the left column below the separator and the
//   right column, and down every alignment column between its two alignment patterns, dark on
//   even positions;
// - alignment patterns (3 x 3: dark ring, light centre) at the top and the bottom of every
//   alignment column of the width;
// - the two 18-module format areas: columns 8..10 of rows 1..5 and column 11 of rows 1..3
//   beside the finder; columns width-8..width-6 of rows height-6..height-2 and row height-6 of
//   columns width-5..width-3 beside the sub-finder.
//
// Matrices are clsModuleMatrix views at least width x height; an index outside 0..31 or a
// smaller matrix is left untouched. Standard library only; no state.
class clsRMQRLayout {
public:
    static constexpr std::int32_t FinderSide = 7;
    static constexpr std::int32_t SubFinderSide = 5;

    // Marks the function patterns (Dark, Light) and both format areas (Light) in a zeroed
    // matrix; the rest stays Free.
    static void DrawFunctionPatterns(const clsModuleMatrix& matrix, std::int32_t index);
    // The modules left free for the codewords and the remainder bits (8 * total codewords plus
    // fewer than 8); 0 for an index outside 0..31.
    static std::int32_t DataModuleCount(std::int32_t index);
    // The modules of bit k of the format word beside the finder (bit k < 15 in column 8 + k / 5,
    // row 1 + k % 5; bits 15 to 17 in column 11, rows 1 to 3) and beside the sub-finder (bit
    // k < 15 in column width - 8 + k / 5, row height - 6 + k % 5; bits 15 to 17 in row
    // height - 6, columns width - 5 to width - 3).
    static std::array<clsFormatInformation::Position, 18> FinderSideFormatPositions();
    static std::array<clsFormatInformation::Position, 18>
    SubFinderSideFormatPositions(std::int32_t width, std::int32_t height);
    // Writes the format word (clsRMQRTable::FormatWord, unmasked) into a finished matrix, masked
    // for each side.
    static void WriteFormatInformation(const clsModuleMatrix& matrix, std::int32_t index,
                                       std::uint32_t formatWord);
};

} // namespace ostrel
