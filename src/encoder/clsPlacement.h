#pragma once

#include "clsModuleMatrix.h"

#include <cstdint>
#include <span>
#include <vector>

namespace ostrel {

// Codeword placement (ISO/IEC 18004 clause 7.7.3): the bits of the final codeword sequence, most
// significant bit of each codeword first, laid into the free modules of a matrix in the
// two-column zig-zag. The column pairs are taken from the right edge leftwards, the first upward,
// then alternately down and up; within a pair the right-hand module comes first; one column (QR:
// the vertical timing pattern, column 6) is stepped over. Modules that are not Free in the
// pattern are skipped; free modules left after the last bit (remainder bits) are not touched.
//
// What a symbol type supplies: its pattern matrix (width x height, any shape; clsQRLayout draws
// QR's) and the column to step over (none: -1). Micro QR and rMQR place the same way.
//
// Two forms: PlaceBits, the plain reference (one bit per sequence entry, into a separate data
// matrix), kept for tests and for the public clsQRCode::PlaceCodewords; and the pipeline's form,
// which compiles the order of one layout once into runs (Prepare) and then places packed
// codewords along them (Place).
class clsPlacement {
public:
    // ---- Reference ----
    // Writes bit k of sequence (one entry per bit), k = 0 .. bitCount - 1, into the successive
    // free modules of data, the modules that are Free in pattern (data's width and height,
    // patternStride bytes per row; at least that many rows). Stops at the end of the sequence or
    // of the free modules.
    static void PlaceBits(std::span<const std::uint8_t> pattern, std::int32_t patternStride,
                          const clsModuleMatrix& data, std::span<const std::uint8_t> sequence,
                          std::int32_t bitCount, std::int32_t skipColumn);
    // The free modules of pattern in placement order, each as y * Width + x: entry k is the
    // module of bit k. The modules after the last codeword bit (remainder bits) are listed too.
    static std::vector<std::int32_t> ModuleOrder(const clsModuleMatrix& pattern,
                                                 std::int32_t skipColumn);

    // ---- Pipeline ----
    // Makes the runs of the placement order of pattern for bitCount bits (each layout once:
    // clsLayoutCache keeps them). Offsets are kept in 16 bits: Stride x Height below 65536.
    void Prepare(const clsModuleMatrix& pattern, std::int32_t bitCount, std::int32_t skipColumn);
    // Places the prepared bits of sequence (packed codewords, first bit the most significant,
    // followed by at least 8 readable spare bytes) into modules (the pattern's storage): each
    // placed module becomes Data | bit, apart from Free, Dark and Light.
    void Place(std::uint8_t* modules, const std::uint8_t* sequence) const;
    // The fixed-mask form: places the prepared bits of sequence, each XOR the bit of maskBits at
    // the same place (packed the same way, with 8 spare bytes), as finished modules 0 and 1. With
    // a matrix whose other modules are already finished, no masking pass follows.
    void PlaceMasked(std::uint8_t* modules, const std::uint8_t* sequence,
                     const std::uint8_t* maskBits) const;
    // Runs kept for the prepared layout (331 for QR version 40, the most).
    std::size_t RunCount() const { return m_Runs.size(); }

private:
    // Consecutive steps of the zig-zag in which the same modules of a column pair are free:
    // both (two bits per step, the right-hand module first), the right-hand one alone, or the
    // left-hand one alone (one bit per step). Offset is that of the step's left-hand module, or of
    // the lone free module, in the matrix; Step moves one row up or down.
    struct Run {
        std::uint16_t Offset;
        std::int16_t Step;
        std::uint16_t Count;
        std::uint8_t Bits; // bits per step: 2 or 1
    };
    // Adds one step of column pair (c + 1, c) in row y; false once every bit has its module.
    bool AddStep(const clsModuleMatrix& pattern, std::int32_t c, std::int32_t y,
                 std::int32_t direction, std::int32_t& remaining);

    // Place (Masked false: each placed module becomes Data | its bit) and PlaceMasked (its bit
    // XOR the bit of maskBits).
    template <bool Masked>
    void PlaceRuns(std::uint8_t* modules, const std::uint8_t* sequence,
                   const std::uint8_t* maskBits) const;

    std::vector<Run> m_Runs;
};

} // namespace ostrel
