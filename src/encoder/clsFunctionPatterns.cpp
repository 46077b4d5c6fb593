#include "clsFunctionPatterns.h"

namespace ostrel {

namespace {
using Module = clsModuleMatrix::ModuleValue;
} // namespace

void clsFunctionPatterns::DrawFinder(const clsModuleMatrix& matrix, std::int32_t x, std::int32_t y,
                                     std::int32_t dx, std::int32_t dy) {
    for (std::int32_t i = 0; i < FinderWithSeparator; ++i) {
        for (std::int32_t j = 0; j < FinderWithSeparator; ++j) {
            // Light: the separator (row or column 7) and the ring between the outer square and
            // the 3 x 3 core.
            const bool separator = i == FinderSize || j == FinderSize;
            const bool ring = ((i == 1 || i == 5) && j >= 1 && j <= 5) ||
                              ((j == 1 || j == 5) && i >= 1 && i <= 5);
            matrix.Set(x + dx * j, y + dy * i, separator || ring ? Module::Light : Module::Dark);
        }
    }
}

void clsFunctionPatterns::DrawTimingRow(const clsModuleMatrix& matrix, std::int32_t y,
                                        std::int32_t first, std::int32_t last) {
    for (std::int32_t k = first; k <= last; ++k) {
        matrix.Set(k, y, k % 2 == 0 ? Module::Dark : Module::Light);
    }
}

void clsFunctionPatterns::DrawTimingColumn(const clsModuleMatrix& matrix, std::int32_t x,
                                           std::int32_t first, std::int32_t last) {
    for (std::int32_t k = first; k <= last; ++k) {
        matrix.Set(x, k, k % 2 == 0 ? Module::Dark : Module::Light);
    }
}

void clsFunctionPatterns::DrawAlignment(const clsModuleMatrix& matrix, std::int32_t cx,
                                        std::int32_t cy) {
    constexpr std::int32_t r = AlignmentRadius;
    for (std::int32_t dy = -r; dy <= r; ++dy) {
        for (std::int32_t dx = -r; dx <= r; ++dx) {
            const bool dark = dx == -r || dx == r || dy == -r || dy == r || (dx == 0 && dy == 0);
            matrix.Set(cx + dx, cy + dy, dark ? Module::Dark : Module::Light);
        }
    }
}

void clsFunctionPatterns::Reserve(const clsModuleMatrix& matrix, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height) {
    for (std::int32_t row = y; row < y + height; ++row) {
        for (std::int32_t column = x; column < x + width; ++column) {
            matrix.Set(column, row, Module::Light);
        }
    }
}

} // namespace ostrel
