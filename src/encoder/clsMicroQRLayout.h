#pragma once

#include "clsFormatInformation.h"
#include "clsModuleMatrix.h"

#include <array>
#include <cstdint>

namespace ostrel {

// The geometry of a Micro QR symbol M1..M4 (ISO/IEC 18004, Micro QR symbol structure), drawn with
// the shared function-pattern primitives: the one finder pattern in the upper-left corner with
// its separator, the timing patterns along the top row and the left column, and the 15 modules of
// the format information along row 8 and column 8.
//
// Matrices are clsModuleMatrix views at least side x side; a version outside 1..4 or a smaller
// matrix is left untouched. Standard library only; no state.
class clsMicroQRLayout {
public:
    // Marks the function patterns (Dark, Light) and the format area (Light) in a zeroed matrix;
    // the rest stays Free.
    static void DrawFunctionPatterns(const clsModuleMatrix& matrix, std::int32_t version);
    // The modules left free for the codewords: 8 * total codewords, 4 fewer for M1 and M3 (whose
    // 4-bit codeword takes four modules); 0 outside 1..4.
    static std::int32_t DataModuleCount(std::int32_t version);
    // The module of bit k of the format word: bits 14..7 along row 8 from column 1 to column 8,
    // bits 6..0 up column 8 from row 7 to row 1.
    static std::array<clsFormatInformation::Position, 15> FormatPositions();
    // Writes the masked 15-bit format word (clsMicroQRTable::FormatWord) into a finished matrix:
    // straight into row and column 8, the same as clsFormatInformation::WriteBits at
    // FormatPositions() (the reference it is tested against).
    static void WriteFormatInformation(const clsModuleMatrix& matrix, std::int32_t version,
                                       std::uint32_t formatWord);
};

} // namespace ostrel
