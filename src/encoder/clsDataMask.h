#pragma once

#include "clsModuleMatrix.h"

#include <cstdint>

namespace ostrel {

// The data masks of QR Code Model 2 (ISO/IEC 18004 clause 7.8.2, Table 10): eight conditions on
// the row i and column j of a module; where a condition holds, the module's bit is inverted.
//
// Every condition depends on i mod 12 and j mod 6 only, so each mask is kept as one 12 x 48 tile
// that repeats over any matrix, whatever its width and height (48 columns are a whole number of
// periods and of vector registers).
//
// Two forms: Apply, the plain form on a matrix of bits (clsQRCode::ApplyMask, kept for tests and
// for callers that mask a data matrix of their own), and MaskAndCombine, the pipeline's pass over
// a laid-out matrix. What a symbol type supplies: which masks it uses and its mask number's
// meaning. Micro QR uses the conditions of masks 1, 4, 6 and 7 as its four masks 00 to 11 and
// evaluates them differently (clause 7.8.3.2); rMQR uses mask 4 alone.
class clsDataMask {
public:
    static constexpr std::int32_t MaskCount = 8;

    // True where mask (0..7) inverts module (i row, j column); mask outside 0..7 as 7.
    static constexpr bool Condition(std::int32_t mask, std::int32_t i, std::int32_t j) {
        const std::int32_t product = i * j;
        switch (mask) {
        case 0:
            return (i + j) % 2 == 0;
        case 1:
            return i % 2 == 0;
        case 2:
            return j % 3 == 0;
        case 3:
            return (i + j) % 3 == 0;
        case 4:
            return (i / 2 + j / 3) % 2 == 0;
        case 5:
            return product % 2 + product % 3 == 0;
        case 6:
            return (product % 2 + product % 3) % 2 == 0;
        default:
            return ((i + j) % 2 + product % 3) % 2 == 0;
        }
    }

    // XORs with 1 every module of matrix (Width x Height) where mask (0..7) holds.
    static void Apply(const clsModuleMatrix& matrix, std::int32_t mask);

    // The pipeline's pass over a laid-out matrix (clsModuleMatrix values): a function module keeps
    // its colour (Dark 1, Light 0), a data or remainder module takes its bit XOR the mask (0..7).
    // Afterwards the matrix holds 0 and 1 only.
    static void MaskAndCombine(const clsModuleMatrix& matrix, std::int32_t mask);
};

} // namespace ostrel
