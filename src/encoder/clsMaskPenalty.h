#pragma once

#include "OstrelExport.h"

#include "clsQRCode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace ostrel {

// The data-mask evaluation of ISO/IEC 18004 clause 7.8.3: the four penalty rules scored on a
// finished symbol (function patterns, format and version information included), and the choice
// of the mask with the lowest score.
//
// The rules, each applied to every row and every column where it concerns lines:
//   N1 = 3  a run of five or more modules of one colour: 3 for five, plus 1 per module beyond;
//   N2 = 3  every 2 x 2 block of one colour (blocks overlap: an m x n area scores
//           3 (m - 1)(n - 1));
//   N3 = 40 every dark-light-dark-dark-dark-light-dark (1:1:3:1:1) pattern with four light
//           modules before it, and again every one with four light modules after it, so that a
//           pattern with light on both sides scores 80;
//   N4 = 10 per whole 5 % by which the dark share departs from 50 %: k = floor(|20 dark - 10
//           total| / total), penalty 10 k (a symbol's side is odd, so its share never sits
//           exactly on a 5 % step).
// Outside the symbol counts as light (the quiet zone): a pattern next to the edge has its four
// light modules on that side. This is the reading that readers and other encoders share; runs
// and blocks never extend beyond the edge.
//
// Standard library only; the functions keep no state.
class OSTREL_API clsMaskPenalty {
public:
    // ---- Weights of clause 7.8.3, Table 11 ----
    static constexpr std::int32_t N1 = 3;
    static constexpr std::int32_t N2 = 3;
    static constexpr std::int32_t N3 = 40;
    static constexpr std::int32_t N4 = 10;
    // Shortest run that scores under N1; light modules required beside a finder-like pattern.
    static constexpr std::int32_t MinRun = 5;
    static constexpr std::int32_t FinderLightRun = 4;

    // The four scores of one symbol.
    struct Score {
        std::int32_t Runs = 0;       // N1 rule, rows and columns
        std::int32_t Blocks = 0;     // N2 rule
        std::int32_t FinderLike = 0; // N3 rule, rows and columns
        std::int32_t Balance = 0;    // N4 rule
        std::int32_t Total() const { return Runs + Blocks + FinderLike + Balance; }
    };

    // ---- Mask choice ----
    // The symbol of bytes[0 .. length-1] that encoder.EncodeMatrix makes with the given version
    // and level and the mask 0..7 of the lowest total score, the lower mask number on a tie; its
    // Mask member is the mask chosen. nullopt when no symbol can be made. The data is encoded
    // and placed once; the eight masks are scored on its bit rows (MaskTotals) and the best one
    // is applied.
    // The same encoder object is used throughout (its Kanji setting and any ECI designator
    // apply); it must not be used from another thread meanwhile.
    static std::optional<clsQRCode::Symbol>
    EncodeBestMask(clsQRCode& encoder, std::span<const std::uint8_t> bytes, std::int32_t length,
                   std::int32_t version, std::int32_t level);
    // The same symbol written into symbol, whose storage is reused (clsQRCode::EncodeMatrixInto);
    // false, and symbol unchanged, when no symbol can be made.
    static bool EncodeBestMaskInto(clsQRCode::Symbol& symbol, clsQRCode& encoder,
                                   std::span<const std::uint8_t> bytes, std::int32_t length,
                                   std::int32_t version, std::int32_t level);

    // The ways of MaskTotals. Words: the placed symbol's rows and columns as 64-bit words once,
    // then per mask one AND and one XOR a word with the mask's lines and the format information
    // set, each line scored on its own. Avx2 and Avx512: the same lines scored four at a time in
    // the lanes of 32-byte vectors, with the instructions of AVX2 or of AVX-512 (VL and
    // VPOPCNTDQ); each takes the way before it where the processor lacks them, and both are
    // Words on Windows and off x86-64 GCC. Avx512 is EncodeBestMask's own. Plain scores as the
    // standard reads: each mask applied to a copy of the placed symbol, its format and version
    // information written, the copy scored by Evaluate (the reference of the tests).
    enum class Scoring { Plain, Words, Avx2, Avx512 };
    // Whether the processor running us takes the given way itself rather than one before it.
    static bool Runs(Scoring scoring);

    // The total score of each mask 0..7 on the symbol of bytes[0 .. length-1] that EncodeBestMask
    // chooses among, scored the given way; nullopt when no symbol can be made.
    static std::optional<std::array<std::int32_t, 8>>
    MaskTotals(clsQRCode& encoder, std::span<const std::uint8_t> bytes, std::int32_t length,
               std::int32_t version, std::int32_t level, Scoring scoring);

    // ---- Scoring ----
    // The score of a finished symbol (symbol.Side x symbol.Side modules of symbol.Modules);
    // an empty score for a symbol whose matrix is smaller than its Side says.
    static Score Evaluate(const clsQRCode::Symbol& symbol);

    // The score of any side x side matrix stored row by row with the given stride (>= side),
    // 0 light and any other value dark, side 1..184 (the largest symbol has 177). Used for
    // hand-made matrices as well as symbols; an empty score when side is outside that range or
    // the span is too short.
    static Score Evaluate(std::span<const std::uint8_t> modules, std::int32_t side,
                          std::int32_t stride);
};

} // namespace ostrel
