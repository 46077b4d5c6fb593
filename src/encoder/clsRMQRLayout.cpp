#include "clsRMQRLayout.h"

#include "clsRMQRTable.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace ostrel {

namespace {

constexpr std::uint8_t kDark = 1;
constexpr std::uint8_t kLight = 2;

// Format area beside the finder: a block of 3 columns x 5 rows from (8, 1), then 3 modules down
// column 11 from row 1.
constexpr std::int32_t kFormatBlockColumns = 3;
constexpr std::int32_t kFormatBlockRows = 5;
constexpr std::int32_t kFormatBlockBits = kFormatBlockColumns * kFormatBlockRows;

bool Usable(std::span<const std::uint8_t> matrix, std::int32_t stride, std::int32_t index) {
    const std::int32_t width = clsRMQRTable::Width(index);
    const std::int32_t height = clsRMQRTable::Height(index);
    return width > 0 && stride >= width &&
           std::ssize(matrix) >= static_cast<std::int64_t>(stride) * (height - 1) + width;
}

// The module of format bit k (0..17) on the finder side and on the sub-finder side.
struct Position {
    std::int32_t X;
    std::int32_t Y;
};
Position FinderSideBit(std::int32_t k) {
    if (k < kFormatBlockBits) {
        return {8 + k / kFormatBlockRows, 1 + k % kFormatBlockRows};
    }
    return {8 + kFormatBlockColumns, 1 + k - kFormatBlockBits};
}
Position SubFinderSideBit(std::int32_t k, std::int32_t width, std::int32_t height) {
    if (k < kFormatBlockBits) {
        return {width - 8 + k / kFormatBlockRows, height - 6 + k % kFormatBlockRows};
    }
    return {width - 5 + k - kFormatBlockBits, height - 6};
}

} // namespace

void clsRMQRLayout::DrawFunctionPatterns(std::span<std::uint8_t> matrix, std::int32_t stride,
                                         std::int32_t index) {
    if (!Usable(matrix, stride, index)) {
        return;
    }
    const std::int32_t width = clsRMQRTable::Width(index);
    const std::int32_t height = clsRMQRTable::Height(index);
    const auto set = [&](std::int32_t x, std::int32_t y, std::uint8_t value) {
        matrix[static_cast<std::size_t>(y * stride + x)] = value;
    };
    const auto timing = [](std::int32_t k) { return k % 2 == 0 ? kDark : kLight; };

    // Timing patterns first; the finder patterns, corners and alignment patterns overwrite them
    // where they meet.
    for (std::int32_t x = 0; x < width; ++x) {
        set(x, 0, timing(x));
        set(x, height - 1, timing(x));
    }
    for (std::int32_t y = FinderSide + 1; y < height; ++y) {
        set(0, y, timing(y));
    }
    for (std::int32_t y = 0; y < height; ++y) {
        set(width - 1, y, timing(y));
    }
    for (const std::uint8_t column : clsRMQRTable::AlignmentColumns(width)) {
        for (std::int32_t y = 3; y < height - 3; ++y) {
            set(column, y, timing(y));
        }
        // Alignment patterns: 3 x 3 dark ring with a light centre, at the top and the bottom.
        for (const std::int32_t top : {0, height - 3}) {
            for (std::int32_t dy = 0; dy < 3; ++dy) {
                for (std::int32_t dx = -1; dx <= 1; ++dx) {
                    set(column + dx, top + dy, dx == 0 && dy == 1 ? kLight : kDark);
                }
            }
        }
    }

    // Finder pattern with its separator (column 7, and row 7 below a finder that leaves room).
    for (std::int32_t y = 0; y <= std::min(FinderSide, height - 1); ++y) {
        for (std::int32_t x = 0; x <= FinderSide; ++x) {
            const std::int32_t ring = std::max(std::abs(x - 3), std::abs(y - 3));
            set(x, y, ring == 2 || ring == 4 ? kLight : kDark);
        }
    }
    // Sub-finder pattern in the lower-right corner.
    for (std::int32_t dy = 0; dy < SubFinderSide; ++dy) {
        for (std::int32_t dx = 0; dx < SubFinderSide; ++dx) {
            const std::int32_t ring = std::max(std::abs(dx - 2), std::abs(dy - 2));
            set(width - SubFinderSide + dx, height - SubFinderSide + dy,
                ring == 1 ? kLight : kDark);
        }
    }
    // Corner finder sub-patterns.
    set(width - 2, 0, kDark);
    set(width - 1, 1, kDark);
    set(width - 2, 1, kLight);
    if (height > FinderSide) {
        for (std::int32_t x = 0; x < 3; ++x) {
            set(x, height - 1, kDark);
        }
        if (height - 2 > FinderSide) {
            set(0, height - 2, kDark);
            set(1, height - 2, kLight);
        }
    }

    // Both format areas.
    for (std::int32_t k = 0; k < clsRMQRTable::FormatBits; ++k) {
        const Position a = FinderSideBit(k);
        const Position b = SubFinderSideBit(k, width, height);
        set(a.X, a.Y, kLight);
        set(b.X, b.Y, kLight);
    }
}

std::int32_t clsRMQRLayout::DataModuleCount(std::int32_t index) {
    const std::int32_t width = clsRMQRTable::Width(index);
    const std::int32_t height = clsRMQRTable::Height(index);
    if (width == 0) {
        return 0;
    }
    std::vector<std::uint8_t> matrix(static_cast<std::size_t>(width) * height);
    DrawFunctionPatterns(matrix, width, index);
    return static_cast<std::int32_t>(std::count(matrix.begin(), matrix.end(), 0));
}

void clsRMQRLayout::WriteFormatInformation(std::span<std::uint8_t> matrix, std::int32_t stride,
                                           std::int32_t index, std::uint32_t formatWord) {
    if (!Usable(matrix, stride, index)) {
        return;
    }
    const std::int32_t width = clsRMQRTable::Width(index);
    const std::int32_t height = clsRMQRTable::Height(index);
    const std::uint32_t finderSide = formatWord ^ clsRMQRTable::FormatMaskFinderSide;
    const std::uint32_t subFinderSide = formatWord ^ clsRMQRTable::FormatMaskSubFinderSide;
    for (std::int32_t k = 0; k < clsRMQRTable::FormatBits; ++k) {
        const Position a = FinderSideBit(k);
        const Position b = SubFinderSideBit(k, width, height);
        matrix[static_cast<std::size_t>(a.Y * stride + a.X)] =
            static_cast<std::uint8_t>((finderSide >> k) & 1);
        matrix[static_cast<std::size_t>(b.Y * stride + b.X)] =
            static_cast<std::uint8_t>((subFinderSide >> k) & 1);
    }
}

} // namespace ostrel
