#include "clsMicroQRLayout.h"

#include "clsMicroQRTable.h"

#include <algorithm>
#include <cstdlib>

namespace ostrel {

namespace {

constexpr std::uint8_t kDark = 1;
constexpr std::uint8_t kLight = 2;

// The side of a version when the matrix can hold it, else 0.
std::int32_t UsableSide(std::span<const std::uint8_t> matrix, std::int32_t stride,
                        std::int32_t version) {
    const std::int32_t side = clsMicroQRTable::Side(version);
    if (side == 0 || stride < side ||
        std::ssize(matrix) < static_cast<std::int64_t>(stride) * (side - 1) + side) {
        return 0;
    }
    return side;
}

} // namespace

void clsMicroQRLayout::DrawFunctionPatterns(std::span<std::uint8_t> matrix, std::int32_t stride,
                                            std::int32_t version) {
    const std::int32_t side = UsableSide(matrix, stride, version);
    if (side == 0) {
        return;
    }
    const auto set = [&](std::int32_t x, std::int32_t y, std::uint8_t value) {
        matrix[static_cast<std::size_t>(y * stride + x)] = value;
    };
    // Finder pattern: 7 x 7 dark ring, light ring, 3 x 3 dark centre; its separator is the light
    // row 7 and column 7 (modules 0..7).
    constexpr std::int32_t finder = clsMicroQRTable::FinderSide;
    for (std::int32_t y = 0; y <= finder; ++y) {
        for (std::int32_t x = 0; x <= finder; ++x) {
            const std::int32_t ring = std::max(std::abs(x - 3), std::abs(y - 3));
            set(x, y, ring == 2 || ring == 4 ? kLight : kDark);
        }
    }
    // Timing patterns: row 0 and column 0 from module 8 on, dark on even positions.
    for (std::int32_t k = finder + 1; k < side; ++k) {
        set(k, 0, k % 2 == 0 ? kDark : kLight);
        set(0, k, k % 2 == 0 ? kDark : kLight);
    }
    // Format area: row 8 columns 1..8 and column 8 rows 1..7.
    constexpr std::int32_t line = clsMicroQRTable::FormatLine;
    for (std::int32_t k = 1; k <= line; ++k) {
        set(k, line, kLight);
        set(line, k, kLight);
    }
}

std::int32_t clsMicroQRLayout::DataModuleCount(std::int32_t version) {
    const std::int32_t side = clsMicroQRTable::Side(version);
    if (side == 0) {
        return 0;
    }
    // Everything but the 9 x 9 corner (finder, separator, format area) and the two timing lines.
    return side * side - 81 - 2 * (side - 9);
}

void clsMicroQRLayout::WriteFormatInformation(std::span<std::uint8_t> matrix, std::int32_t stride,
                                              std::int32_t version, std::uint32_t formatWord) {
    if (UsableSide(matrix, stride, version) == 0) {
        return;
    }
    constexpr std::int32_t line = clsMicroQRTable::FormatLine;
    const auto bit = [&](std::int32_t k) {
        return static_cast<std::uint8_t>((formatWord >> k) & 1);
    };
    for (std::int32_t x = 1; x <= line; ++x) {
        matrix[static_cast<std::size_t>(line * stride + x)] = bit(15 - x);
    }
    for (std::int32_t y = 1; y < line; ++y) {
        matrix[static_cast<std::size_t>(y * stride + line)] = bit(y - 1);
    }
}

} // namespace ostrel
