#include "clsMicroQRLayout.h"

#include "clsFunctionPatterns.h"
#include "clsMicroQRTable.h"

namespace ostrel {

namespace {

// The side of a version when the matrix can hold it, else 0.
std::int32_t UsableSide(const clsModuleMatrix& matrix, std::int32_t version) {
    const std::int32_t side = clsMicroQRTable::Side(version);
    return side > 0 && !matrix.Empty() && matrix.Width() >= side && matrix.Height() >= side ? side
                                                                                            : 0;
}

} // namespace

void clsMicroQRLayout::DrawFunctionPatterns(const clsModuleMatrix& matrix, std::int32_t version) {
    const std::int32_t side = UsableSide(matrix, version);
    if (side == 0) {
        return;
    }
    // The finder with its separator (row 7 and column 7), then the timing patterns from module 8
    // on, then the format area: row 8 columns 1..8 and column 8 rows 1..7.
    clsFunctionPatterns::DrawFinder(matrix, 0, 0, 1, 1);
    constexpr std::int32_t line = clsMicroQRTable::FormatLine;
    clsFunctionPatterns::DrawTimingRow(matrix, 0, line, side - 1);
    clsFunctionPatterns::DrawTimingColumn(matrix, 0, line, side - 1);
    clsFunctionPatterns::Reserve(matrix, 1, line, line, 1);
    clsFunctionPatterns::Reserve(matrix, line, 1, 1, line - 1);
}

std::int32_t clsMicroQRLayout::DataModuleCount(std::int32_t version) {
    const std::int32_t side = clsMicroQRTable::Side(version);
    if (side == 0) {
        return 0;
    }
    // Everything but the 9 x 9 corner (finder, separator, format area) and the two timing lines.
    constexpr std::int32_t corner = clsMicroQRTable::FormatLine + 1;
    return side * side - corner * corner - 2 * (side - corner);
}

std::array<clsFormatInformation::Position, 15> clsMicroQRLayout::FormatPositions() {
    std::array<clsFormatInformation::Position, 15> positions{};
    constexpr std::int16_t line = clsMicroQRTable::FormatLine;
    for (std::int16_t k = 0; k < 15; ++k) {
        positions[static_cast<std::size_t>(k)] =
            k < 7 ? clsFormatInformation::Position{line, static_cast<std::int16_t>(k + 1)}
                  : clsFormatInformation::Position{static_cast<std::int16_t>(15 - k), line};
    }
    return positions;
}

void clsMicroQRLayout::WriteFormatInformation(const clsModuleMatrix& matrix, std::int32_t version,
                                              std::uint32_t formatWord) {
    if (UsableSide(matrix, version) == 0) {
        return;
    }
    // Straight into the matrix, as WriteBits at FormatPositions() would: bits 0..6 down column 8
    // from row 1, bits 7..14 along row 8 from column 8 to column 1.
    constexpr std::int32_t line = clsMicroQRTable::FormatLine;
    const std::ptrdiff_t stride = matrix.Stride();
    std::uint8_t* const column = matrix.Modules() + line;
    std::uint8_t* const row = matrix.Row(line);
    for (std::int32_t k = 0; k < 7; ++k) {
        column[(k + 1) * stride] = static_cast<std::uint8_t>((formatWord >> k) & 1U);
    }
    for (std::int32_t k = 7; k < clsMicroQRTable::FormatBits; ++k) {
        row[15 - k] = static_cast<std::uint8_t>((formatWord >> k) & 1U);
    }
}

} // namespace ostrel
