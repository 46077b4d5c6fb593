#pragma once

#include "clsModuleMatrix.h"
#include "clsPlacement.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel {

// The layouts of the symbol sizes, each made once per process and shared by every encoder on every
// thread: the blank module matrix of a size with its function patterns drawn (clsModuleMatrix
// values: Free, Dark, Light) and the placement order of its free modules as runs (clsPlacement).
// A symbol then starts as a copy of the blank matrix and its codewords are placed in one pass
// over the runs; nothing is drawn or searched again for a size seen before.
//
// A layout is named by a key (1 .. KeyCount - 1) that the symbol types keep apart: QR Code its
// version, Micro QR and rMQR their own ranges above it. It is made on the first request for its
// key, under a lock, and never changed afterwards: readers take it without a lock.
class clsLayoutCache {
public:
    static constexpr std::int32_t KeyCount = 128;
    // Draws the function patterns of a size (the argument: its version or index) into a zeroed
    // matrix.
    using Draw = void (*)(const clsModuleMatrix& matrix, std::int32_t argument);

    // A layout finished for one mask condition (clsDataMask, 0..7) before any codeword is placed:
    // Blank holds its function modules as 0 (light) and 1 (dark) and every free module as the
    // condition's inversion there (what a remainder module becomes); Bits the inversions of the
    // placed modules in placement order, packed like the codeword sequence (the first bit the
    // most significant) and followed by 8 zero bytes. A symbol with that mask is then a copy of
    // Blank with its sequence placed by clsPlacement::PlaceMasked, and no masking pass.
    struct MaskedLayout {
        std::vector<std::uint8_t> Blank;
        std::vector<std::uint8_t> Bits;
    };

    struct Layout {
        static constexpr std::int32_t ConditionCount = 8;

        std::int32_t Width = 0;
        std::int32_t Height = 0;
        std::int32_t Stride = 0;         // Width + 3 (the extra light columns)
        std::vector<std::uint8_t> Blank; // Stride x (Height + 3) modules
        clsPlacement Placement;          // the runs of bitCount bits over Blank
        std::int32_t BitCount = 0;       // the bits placed
        std::int32_t SkipColumn = -1;    // the column the placement steps over (-1 for none)

        // The layout finished for a mask condition (0..7; others as condition & 7), made on the
        // first request for it under a lock and read without one afterwards.
        const MaskedLayout& Masked(std::int32_t condition) const;

    private:
        friend class clsLayoutCache;
        mutable std::array<std::unique_ptr<MaskedLayout>, ConditionCount> m_OwnedMasks;
        mutable std::array<std::atomic<const MaskedLayout*>, ConditionCount> m_ReadyMasks{};
    };

    // The layout of key: a width x height matrix whose function patterns draw(matrix,
    // drawArgument) marks in a zeroed matrix, with the placement of bitCount bits stepping over
    // skipColumn (-1 for none). The arguments are read only on the first request for key; a key
    // outside 1 .. KeyCount - 1 gets a layout made for the call alone (kept by the calling thread
    // until its next such call).
    static const Layout& Get(std::int32_t key, std::int32_t width, std::int32_t height,
                             std::int32_t bitCount, std::int32_t skipColumn, Draw draw,
                             std::int32_t drawArgument);

    // Makes a layout (what Get keeps); the finished layouts of its masks are made again on request.
    static void Make(Layout& layout, std::int32_t width, std::int32_t height, std::int32_t bitCount,
                     std::int32_t skipColumn, Draw draw, std::int32_t drawArgument);
    // Makes the layout finished for a mask condition (what Layout::Masked keeps).
    static void MakeMasked(const Layout& layout, std::int32_t condition, MaskedLayout& masked);
};

} // namespace ostrel
