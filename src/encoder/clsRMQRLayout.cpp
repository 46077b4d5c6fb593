#include "clsRMQRLayout.h"

#include "clsFunctionPatterns.h"
#include "clsRMQRTable.h"

#include <algorithm>
#include <vector>

namespace ostrel {

namespace {

using Module = clsModuleMatrix::ModuleValue;
using Position = clsFormatInformation::Position;

// Format area beside the finder: a block of 3 columns x 5 rows from (8, 1), then 3 modules down
// column 11 from row 1; beside the sub-finder the same block from (width - 8, height - 6), then 3
// modules along row height - 6 from column width - 5.
constexpr std::int32_t kFormatBlockColumns = 3;
constexpr std::int32_t kFormatBlockRows = 5;
constexpr std::int32_t kFormatBlockBits = kFormatBlockColumns * kFormatBlockRows;
constexpr std::int32_t kFormatExtraBits = clsRMQRTable::FormatBits - kFormatBlockBits;

bool Usable(const clsModuleMatrix& matrix, std::int32_t index) {
    const std::int32_t width = clsRMQRTable::Width(index);
    return width > 0 && !matrix.Empty() && matrix.Width() >= width &&
           matrix.Height() >= clsRMQRTable::Height(index);
}

Position At(std::int32_t x, std::int32_t y) {
    return {static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
}

} // namespace

void clsRMQRLayout::DrawFunctionPatterns(const clsModuleMatrix& matrix, std::int32_t index) {
    if (!Usable(matrix, index)) {
        return;
    }
    const std::int32_t width = clsRMQRTable::Width(index);
    const std::int32_t height = clsRMQRTable::Height(index);

    // Timing patterns first; the finder patterns, corners and alignment patterns overwrite them
    // where they meet.
    clsFunctionPatterns::DrawTimingRow(matrix, 0, 0, width - 1);
    clsFunctionPatterns::DrawTimingRow(matrix, height - 1, 0, width - 1);
    clsFunctionPatterns::DrawTimingColumn(matrix, 0, FinderSide + 1, height - 1);
    clsFunctionPatterns::DrawTimingColumn(matrix, width - 1, 0, height - 1);
    for (const std::uint8_t column : clsRMQRTable::AlignmentColumns(width)) {
        clsFunctionPatterns::DrawTimingColumn(matrix, column, 3, height - 4);
        // Alignment patterns: 3 x 3 dark ring with a light centre, at the top and the bottom.
        for (const std::int32_t top : {0, height - 3}) {
            for (std::int32_t dy = 0; dy < 3; ++dy) {
                for (std::int32_t dx = -1; dx <= 1; ++dx) {
                    matrix.Set(column + dx, top + dy,
                               dx == 0 && dy == 1 ? Module::Light : Module::Dark);
                }
            }
        }
    }

    // The finder with its separator: column 7, and row 7 below a finder that leaves room (the
    // finder of R7 fills the height).
    if (height > FinderSide) {
        clsFunctionPatterns::DrawFinder(matrix, 0, 0, 1, 1);
    } else {
        for (std::int32_t y = 0; y < FinderSide; ++y) {
            for (std::int32_t x = 0; x <= FinderSide; ++x) {
                const bool light = x == FinderSide || ((x == 1 || x == 5) && y >= 1 && y <= 5) ||
                                   ((y == 1 || y == 5) && x >= 1 && x <= 5);
                matrix.Set(x, y, light ? Module::Light : Module::Dark);
            }
        }
    }
    // The sub-finder: the 5 x 5 pattern of dark ring, light ring and dark centre in the corner.
    clsFunctionPatterns::DrawAlignment(matrix, width - 3, height - 3);
    // Corner finder sub-patterns.
    matrix.Set(width - 2, 0, Module::Dark);
    matrix.Set(width - 1, 1, Module::Dark);
    matrix.Set(width - 2, 1, Module::Light);
    if (height > FinderSide) {
        for (std::int32_t x = 0; x < 3; ++x) {
            matrix.Set(x, height - 1, Module::Dark);
        }
        if (height - 2 > FinderSide) {
            matrix.Set(0, height - 2, Module::Dark);
            matrix.Set(1, height - 2, Module::Light);
        }
    }

    // Both format areas.
    clsFunctionPatterns::Reserve(matrix, 8, 1, kFormatBlockColumns, kFormatBlockRows);
    clsFunctionPatterns::Reserve(matrix, 8 + kFormatBlockColumns, 1, 1, kFormatExtraBits);
    clsFunctionPatterns::Reserve(matrix, width - 8, height - 6, kFormatBlockColumns,
                                 kFormatBlockRows);
    clsFunctionPatterns::Reserve(matrix, width - 5, height - 6, kFormatExtraBits, 1);
}

std::int32_t clsRMQRLayout::DataModuleCount(std::int32_t index) {
    const std::int32_t width = clsRMQRTable::Width(index);
    const std::int32_t height = clsRMQRTable::Height(index);
    if (width == 0) {
        return 0;
    }
    std::vector<std::uint8_t> modules(static_cast<std::size_t>(width) * height);
    DrawFunctionPatterns(clsModuleMatrix::Of(modules, width, height, width), index);
    return static_cast<std::int32_t>(std::count(modules.begin(), modules.end(), Module::Free));
}

std::array<Position, 18> clsRMQRLayout::FinderSideFormatPositions() {
    std::array<Position, 18> positions{};
    for (std::int32_t k = 0; k < clsRMQRTable::FormatBits; ++k) {
        positions[static_cast<std::size_t>(k)] =
            k < kFormatBlockBits ? At(8 + k / kFormatBlockRows, 1 + k % kFormatBlockRows)
                                 : At(8 + kFormatBlockColumns, 1 + k - kFormatBlockBits);
    }
    return positions;
}

std::array<Position, 18> clsRMQRLayout::SubFinderSideFormatPositions(std::int32_t width,
                                                                     std::int32_t height) {
    std::array<Position, 18> positions{};
    for (std::int32_t k = 0; k < clsRMQRTable::FormatBits; ++k) {
        positions[static_cast<std::size_t>(k)] =
            k < kFormatBlockBits
                ? At(width - 8 + k / kFormatBlockRows, height - 6 + k % kFormatBlockRows)
                : At(width - 5 + k - kFormatBlockBits, height - 6);
    }
    return positions;
}

void clsRMQRLayout::WriteFormatInformation(const clsModuleMatrix& matrix, std::int32_t index,
                                           std::uint32_t formatWord) {
    if (!Usable(matrix, index)) {
        return;
    }
    clsFormatInformation::WriteBits(
        matrix, static_cast<std::int32_t>(formatWord ^ clsRMQRTable::FormatMaskFinderSide),
        FinderSideFormatPositions());
    clsFormatInformation::WriteBits(
        matrix, static_cast<std::int32_t>(formatWord ^ clsRMQRTable::FormatMaskSubFinderSide),
        SubFinderSideFormatPositions(clsRMQRTable::Width(index), clsRMQRTable::Height(index)));
}

} // namespace ostrel
