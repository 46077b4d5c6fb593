#pragma once

#include "clsModuleMatrix.h"

#include <array>
#include <cstdint>

namespace ostrel {

// The geometry of QR Code Model 2 symbols, versions 1 to 40 (ISO/IEC 18004 clauses 6.3 and 7.7,
// Annex E): the size, the alignment-pattern positions, the function patterns and reserved areas
// in their drawing order, and the number of modules left for codewords.
//
// This is the data a symbol type supplies to the shared stages: its width and height, its function
// patterns (drawn with clsFunctionPatterns), the column that the placement skips
// (PlacementSkipColumn; clsPlacement), and the count of free modules (DataModuleCount, from which
// the capacity follows). A Micro QR or rMQR layout is a class of the same shape with its own
// positions; rMQR's width and height differ.
class clsQRLayout {
public:
    static constexpr std::int32_t MinVersion = 1;
    static constexpr std::int32_t MaxVersion = 40;
    // Versions from this one on carry version information (clause 7.10).
    static constexpr std::int32_t FirstVersionWithVersionInformation = 7;
    // The vertical timing pattern's column, which the two-column zig-zag steps over, and the row
    // of the horizontal one.
    static constexpr std::int32_t TimingLine = 6;
    static constexpr std::int32_t PlacementSkipColumn = TimingLine;
    // Spacing of a version without a second alignment coordinate (versions 1 to 6).
    static constexpr std::int32_t NoSpacing = 255;
    // Extra light columns and rows of the module matrix beyond the symbol (quiet zone).
    static constexpr std::int32_t ExtraModules = 3;

    // side = 17 + 4v modules; 0 outside 1..40.
    static std::int32_t SymbolSize(std::int32_t version);
    // The module-matrix stride of a version: side + 3; 0 outside 1..40.
    static std::int32_t Stride(std::int32_t version);
    // Alignment coordinates per axis: 1 for versions below 2, else v / 7 + 2 (no upper bound).
    static std::int32_t AlignmentCoordinateCount(std::int32_t version);
    // Distance between neighbouring alignment-pattern centre coordinates; 255 for versions 1 to 6;
    // 0 outside 1..40.
    static std::int32_t AlignmentSpacing(std::int32_t version);
    // The alignment coordinates other than 6, descending from side - 7 (Annex E): their count is
    // returned, 0 for version 1 and outside 1..40.
    static std::int32_t AlignmentCoordinates(std::int32_t version,
                                             std::array<std::int32_t, 8>& coordinates);
    // Modules left for codewords and remainder bits; 0 outside 1..40.
    static std::int32_t DataModuleCount(std::int32_t version);

    // Marks the function patterns of a version in a zeroed module matrix of its size (Width and
    // Height at least side): Dark and Light function modules, Light reserved areas, Free the
    // rest. Nothing for a version outside 1..40 or a smaller matrix.
    static void DrawFunctionPatterns(const clsModuleMatrix& matrix, std::int32_t version);
};

} // namespace ostrel
