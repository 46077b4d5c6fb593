#pragma once

#include <cstdint>
#include <span>

namespace ostrel {

// The geometry of a Micro QR symbol M1..M4 (ISO/IEC 18004, Micro QR symbol structure): the one
// finder pattern in the upper-left corner with its separator, the timing patterns along the top
// row and the left column, and the 15 modules of the format information along row 8 and column 8.
//
// Matrices are side x side modules stored row by row with the given stride (at least side), x
// fastest. Function-pattern matrices use 1 for a dark function module, 2 for a light function
// module or a reserved one, 0 for a module left free for the codewords. A version outside 1..4,
// a stride below the side or a matrix too small for side rows leaves the matrix untouched.
// Standard library only; no state.
class clsMicroQRLayout {
public:
    // Marks the function patterns and the format area in a zeroed matrix.
    static void DrawFunctionPatterns(std::span<std::uint8_t> matrix, std::int32_t stride,
                                     std::int32_t version);
    // The modules left free for the codewords: 8 * total codewords, 4 fewer for M1 and M3 (whose
    // 4-bit codeword takes four modules); 0 outside 1..4.
    static std::int32_t DataModuleCount(std::int32_t version);
    // Writes the masked 15-bit format word (clsMicroQRTable::FormatWord) into a finished matrix
    // of 0 (light) and 1 (dark) modules: bits 14..7 along row 8 from column 1 to column 8, bits
    // 6..0 up column 8 from row 7 to row 1.
    static void WriteFormatInformation(std::span<std::uint8_t> matrix, std::int32_t stride,
                                       std::int32_t version, std::uint32_t formatWord);
};

} // namespace ostrel
