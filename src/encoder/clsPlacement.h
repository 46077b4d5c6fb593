#pragma once

#include "clsModuleMatrix.h"

#include <array>
#include <cstdint>
#include <functional>
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
// which sorts the codewords of one layout once (Prepare) and then places packed codewords by
// kind (Place, PlaceMasked): most lie as four two-module steps down or up one column pair, in runs
// of whole codewords (one 64-bit table word a codeword, stored as four 16-bit pieces); the others
// (across a turn, the timing pattern or beside an alignment pattern) take four pieces or eight
// modules at the offsets kept for them.
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
    // The same modules handed to visit(x, y) one by one, in the same order, until it returns
    // false (nothing kept: for a layout's once-made tables, without a list of 30 000 entries).
    static void VisitModuleOrder(const clsModuleMatrix& pattern, std::int32_t skipColumn,
                                 const std::function<bool(std::int32_t, std::int32_t)>& visit);

    // ---- Pipeline ----
    // Makes the placement of pattern for bitCount bits (each layout once: clsLayoutCache keeps
    // it). Offsets are kept in 16 bits: Stride x Height below 65536.
    void Prepare(const clsModuleMatrix& pattern, std::int32_t bitCount, std::int32_t skipColumn);
    // Places the prepared bits of sequence (packed codewords, first bit the most significant;
    // the bits of a last partial codeword at its top) into modules (the pattern's storage): each
    // placed module becomes Data | bit, apart from Free, Dark and Light.
    void Place(std::uint8_t* modules, const std::uint8_t* sequence) const;
    // The fixed-mask form: places the prepared bits of sequence, each XOR the bit of maskBits at
    // the same place (packed the same way), as finished modules 0 and 1. With a matrix whose
    // other modules are already finished, no masking pass follows.
    void PlaceMasked(std::uint8_t* modules, const std::uint8_t* sequence,
                     const std::uint8_t* maskBits) const;
    // Codewords kept for the prepared layout in runs of whole codewords, codewords of four
    // two-module steps anywhere (across a turn or a timing pattern), and codewords placed one
    // module at a time (beside other patterns, a last partial one).
    std::size_t RunCount() const { return m_Runs.size(); }
    std::size_t PairCodewordCount() const { return m_PairBytes.size(); }
    std::size_t LooseCount() const { return m_LooseBytes.size() + (m_TailByte >= 0 ? 1 : 0); }

private:
    // Codewords First .. First + Count - 1, each four steps of the zig-zag in which both modules of
    // a column pair are free (the right-hand module takes the first bit of the step): the first
    // step's left-hand module at Offset, each further step Step away (one row up or down).
    struct Run {
        std::uint16_t Offset;
        std::int16_t Step;
        std::uint16_t First;
        std::uint16_t Count;
    };
    static constexpr std::uint16_t kNoModule = 0xFFFF;
    // The module offset of every bit in placement order (the zig-zag over pattern's free modules).
    static std::vector<std::uint16_t> BitModules(const clsModuleMatrix& pattern,
                                                 std::int32_t bitCount, std::int32_t skipColumn);
    // Adds codeword b, whose bits are at modules[8b ..], to a run, or to the other kinds.
    void AddCodeword(const std::vector<std::uint16_t>& modules, std::size_t b, std::int32_t stride);
    // Place (Masked false: each placed module becomes Data | its bit) and PlaceMasked (its bit
    // XOR the bit of maskBits).
    template <bool Masked>
    void PlaceCodewords(std::uint8_t* modules, const std::uint8_t* sequence,
                        const std::uint8_t* maskBits) const;
    // The codewords of PlaceCodewords that are not in runs.
    template <bool Masked>
    void PlaceOthers(std::uint8_t* modules, const std::uint8_t* sequence,
                     const std::uint8_t* maskBits) const;

    std::vector<Run> m_Runs;
    // Codewords of four two-module steps not in one line: their numbers, and the four left-hand
    // modules of each.
    std::vector<std::uint16_t> m_PairBytes;
    std::vector<std::uint16_t> m_PairModules;
    // Codewords placed module by module: their numbers, and eight modules each.
    std::vector<std::uint16_t> m_LooseBytes;
    std::vector<std::uint16_t> m_LooseModules;
    // A last codeword with fewer than eight modules (Micro QR M1 and M3): its number (-1 for none)
    // and its modules, kNoModule past the last bit.
    std::int32_t m_TailByte = -1;
    std::array<std::uint16_t, 8> m_TailModules{};
};

} // namespace ostrel
