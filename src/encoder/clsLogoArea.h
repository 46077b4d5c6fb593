#pragma once

#include "clsCodewordBlocks.h"
#include "clsQRCode.h"
#include "clsSymbology.h"

#include <cstdint>
#include <vector>

namespace ostrel {

// A picture in the middle of a QR Code or rMQR symbol, and what it costs the error correction.
//
// The area is a square of whole modules centred in the symbol: the logo's side is a fraction of
// the symbol's short side (QR Code: its width; rMQR: its height), rounded to the nearest odd
// count so that it centres exactly, with a ring of margin light modules around it. The codeword
// modules (and remainder modules) inside the area are cleared to light; function modules are
// never cleared. The area may not reach the finder patterns, their separators, the timing
// patterns along the edges, the format or the version information; alignment patterns inside it
// (QR Code versions 7 and up have one in the centre, rMQR's alignment columns cross the middle)
// stay as they are and are drawn over the picture.
//
// The damage is counted exactly: every cleared module is mapped through the placement order to
// its bit of the final codeword sequence, its codeword and the codeword's block. A block corrects
// (n - k) / 2 wrong codewords less the misdecode-protection codewords of ISO/IEC 18004 Table 9
// (p: versions 1 and 2 and 3-L); the logo may use Budget percent of that, rounded down.
class clsLogoArea {
public:
    static constexpr double DefaultSize = 0.2;
    static constexpr std::int32_t DefaultMargin = 1;
    static constexpr std::int32_t DefaultBudget = 50;
    static constexpr std::int32_t MinBudget = 10;
    static constexpr std::int32_t MaxBudget = 100;

    struct Request {
        double Size = DefaultSize; // the logo's side over the symbol's short side, (0, 1]
        std::int32_t Margin = DefaultMargin;
        std::int32_t Budget = DefaultBudget; // percent of each block's capacity
        // The area may be made smaller when it would reach a function pattern; else refused.
        bool MayShrink = true;
    };

    // A square of modules: columns X .. X + Side - 1, rows Y .. Y + Side - 1.
    struct Square {
        std::int32_t X = 0;
        std::int32_t Y = 0;
        std::int32_t Side = 0;
        bool Contains(std::int32_t x, std::int32_t y) const {
            return x >= X && x < X + Side && y >= Y && y < Y + Side;
        }
    };

    struct BlockLoad {
        std::int32_t Touched = 0;  // codewords with at least one cleared module
        std::int32_t Capacity = 0; // wrong codewords the block corrects
        std::int32_t Allowed = 0;  // Capacity x Budget / 100, rounded down
    };

    enum class Verdict {
        Fits,
        OverBudget,      // a block loses more codewords than Allowed (OverBlock names it)
        ReachesFunction, // the area would reach a function pattern (and may not shrink)
        NotTaken,        // Micro QR, or a version the symbology does not have
    };

    struct Plan {
        Verdict Result = Verdict::NotTaken;
        Symbology Kind = Symbology::QR;
        std::int32_t Version = 0;
        Square Logo;    // the picture
        Square Cleared; // the picture and its margin
        bool Shrunk = false;
        std::vector<BlockLoad> Blocks;    // in the order of the block table (short blocks first)
        std::int32_t OverBlock = -1;      // the first block over budget
        std::int32_t LargestLogoSide = 0; // the largest logo side that fits (0: none)
        double LargestSize = 0;           // that side as a Size
        std::int32_t ShortSide = 0;       // the symbol's short side in modules
    };

    // The plan for a symbol of the symbology, version (rMQR: size index + 1) and level 1..4.
    static Plan Measure(Symbology kind, std::int32_t version, std::int32_t level,
                        const Request& request);

    // The wrong codewords block table's blocks correct: (n - k) / 2 less p.
    static std::int32_t BlockCapacity(Symbology kind, std::int32_t version, std::int32_t level);

    // The block of each codeword of the interleaved sequence of a block table.
    static std::vector<std::int32_t> BlockOfCodeword(const clsCodewordBlocks::BlockTable& table);

    // Makes the codeword and remainder modules of the plan's cleared area light (0) in a
    // finished symbol; function modules stay.
    static void Clear(clsQRCode::Symbol& symbol, const Plan& plan);

    // Whether module (x, y) of the symbol is a function module (for drawing it over a picture).
    static std::vector<std::uint8_t> FunctionModules(Symbology kind, std::int32_t version);
};

} // namespace ostrel
