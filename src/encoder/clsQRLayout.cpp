#include "clsQRLayout.h"

#include "clsFunctionPatterns.h"

namespace ostrel {

namespace {

using Module = clsModuleMatrix::ModuleValue;

// side = kBaseSide + kSidePerVersion * version (clause 6.3.1).
constexpr std::int32_t kBaseSide = 17;
constexpr std::int32_t kSidePerVersion = 4;
// Alignment coordinates stop above this value: smaller ones would touch the upper-left finder.
constexpr std::int32_t kLowestAlignmentCoordinate = 18;
// The format information areas: 8 modules along row and column 8 beside each finder.
constexpr std::int32_t kFormatLine = 8;
// The version information blocks: 6 x 3 modules, 11 modules in from the far edge.
constexpr std::int32_t kVersionBlockLong = 6;
constexpr std::int32_t kVersionBlockShort = 3;
constexpr std::int32_t kVersionBlockInset = 11;

// Alignment-pattern spacing (the distance between neighbouring centre coordinates) in six ranges
// of seven versions; this reproduces the positions of Annex E for all 40 versions.
constexpr std::array<std::uint8_t, clsQRLayout::MaxVersion + 1> kAlignmentSpacing = [] {
    std::array<std::uint8_t, clsQRLayout::MaxVersion + 1> table{};
    for (std::int32_t v = 1; v <= clsQRLayout::MaxVersion; ++v) {
        std::int32_t s = clsQRLayout::NoSpacing;
        if (v >= 35) {
            s = 2 * (v / 3) + 2;
        } else if (v >= 28) {
            s = 2 * (v / 3) + 6;
        } else if (v >= 21) {
            s = (v + 2) & ~1;
        } else if (v >= 14) {
            s = 2 * ((2 * v + 4) / 3);
        } else if (v >= 7) {
            s = 2 * v + 2;
        }
        table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(s);
    }
    return table;
}();

bool IsVersion(std::int32_t version) {
    return version >= clsQRLayout::MinVersion && version <= clsQRLayout::MaxVersion;
}

} // namespace

std::int32_t clsQRLayout::SymbolSize(std::int32_t version) {
    return IsVersion(version) ? kBaseSide + kSidePerVersion * version : 0;
}

std::int32_t clsQRLayout::Stride(std::int32_t version) {
    return IsVersion(version) ? SymbolSize(version) + ExtraModules : 0;
}

std::int32_t clsQRLayout::AlignmentCoordinateCount(std::int32_t version) {
    return version < 2 ? 1 : version / 7 + 2;
}

std::int32_t clsQRLayout::AlignmentSpacing(std::int32_t version) {
    return IsVersion(version) ? kAlignmentSpacing[static_cast<std::size_t>(version)] : 0;
}

std::int32_t clsQRLayout::AlignmentCoordinates(std::int32_t version,
                                               std::array<std::int32_t, 8>& coordinates) {
    if (!IsVersion(version) || version < 2) {
        return 0;
    }
    const std::int32_t spacing = AlignmentSpacing(version);
    std::int32_t count = 0;
    for (std::int32_t c = SymbolSize(version) - 7;
         c >= kLowestAlignmentCoordinate && count < static_cast<std::int32_t>(coordinates.size());
         c -= spacing) {
        coordinates[static_cast<std::size_t>(count++)] = c;
    }
    return count;
}

std::int32_t clsQRLayout::DataModuleCount(std::int32_t version) {
    if (!IsVersion(version)) {
        return 0;
    }
    const std::int32_t side = SymbolSize(version);
    const std::int32_t a = AlignmentCoordinateCount(version);
    // All modules less the finder patterns with separators and format areas (191) and the
    // timing patterns; then the alignment patterns (less their overlap with the timing
    // patterns) and the two version information blocks.
    std::int32_t n = side * (side - 2) - 191;
    if (a >= 2) {
        n += (10 - 25 * a) * a + 55;
    }
    if (a > 2) {
        n -= 2 * kVersionBlockLong * kVersionBlockShort;
    }
    return n;
}

void clsQRLayout::DrawFunctionPatterns(const clsModuleMatrix& matrix, std::int32_t version) {
    const std::int32_t side = SymbolSize(version);
    if (side == 0 || matrix.Width() < side || matrix.Height() < side) {
        return;
    }
    using Patterns = clsFunctionPatterns;
    // Finder patterns with their separators, in three corners.
    Patterns::DrawFinder(matrix, 0, 0, 1, 1);
    Patterns::DrawFinder(matrix, side - 1, 0, -1, 1);
    Patterns::DrawFinder(matrix, 0, side - 1, 1, -1);
    // Format information areas and the dark module (8, side - 8).
    Patterns::Reserve(matrix, 0, kFormatLine, kFormatLine + 1, 1);
    Patterns::Reserve(matrix, kFormatLine, 0, 1, kFormatLine);
    Patterns::Reserve(matrix, side - kFormatLine, kFormatLine, kFormatLine, 1);
    Patterns::Reserve(matrix, kFormatLine, side - kFormatLine, 1, kFormatLine);
    matrix.Set(kFormatLine, side - kFormatLine, Module::Dark);
    // Version information areas (6 x 3 blocks), versions 7 and above.
    if (version >= FirstVersionWithVersionInformation) {
        Patterns::Reserve(matrix, 0, side - kVersionBlockInset, kVersionBlockLong + 1,
                          kVersionBlockShort);
        Patterns::Reserve(matrix, side - kVersionBlockInset, 0, kVersionBlockShort,
                          kVersionBlockLong + 1);
    }
    // Timing patterns between the separators.
    Patterns::DrawTimingRow(matrix, TimingLine, kFormatLine, side - 1 - kFormatLine);
    Patterns::DrawTimingColumn(matrix, TimingLine, kFormatLine, side - 1 - kFormatLine);
    // Alignment patterns at every combination of the centre coordinates but the three that
    // would overlap the finder patterns.
    std::array<std::int32_t, 8> coords{};
    const std::int32_t count = AlignmentCoordinates(version, coords);
    for (std::int32_t r = 0; r < count; ++r) {
        for (std::int32_t c = 0; c < count; ++c) {
            Patterns::DrawAlignment(matrix, coords[static_cast<std::size_t>(c)],
                                    coords[static_cast<std::size_t>(r)]);
        }
    }
    for (std::int32_t k = 1; k < count; ++k) {
        Patterns::DrawAlignment(matrix, coords[static_cast<std::size_t>(k)], TimingLine);
        Patterns::DrawAlignment(matrix, TimingLine, coords[static_cast<std::size_t>(k)]);
    }
}

} // namespace ostrel
