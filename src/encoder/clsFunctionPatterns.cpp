#include "clsFunctionPatterns.h"

#include <cstddef>

namespace ostrel {

namespace {
using Module = clsModuleMatrix::ModuleValue;
} // namespace

void clsFunctionPatterns::DrawFinder(const clsModuleMatrix& matrix, std::int32_t x, std::int32_t y,
                                     std::int32_t dx, std::int32_t dy) {
    std::uint8_t* const modules = matrix.Modules();
    const std::int32_t stride = matrix.Stride();
    for (std::int32_t i = 0; i < FinderWithSeparator; ++i) {
        std::uint8_t* const row = modules + static_cast<std::ptrdiff_t>(y + dy * i) * stride;
        for (std::int32_t j = 0; j < FinderWithSeparator; ++j) {
            // Light: the separator (row or column 7) and the ring between the outer square and
            // the 3 x 3 core.
            const bool separator = i == FinderSize || j == FinderSize;
            const bool ring = ((i == 1 || i == 5) && j >= 1 && j <= 5) ||
                              ((j == 1 || j == 5) && i >= 1 && i <= 5);
            row[x + dx * j] = separator || ring ? Module::Light : Module::Dark;
        }
    }
}

void clsFunctionPatterns::DrawTimingRow(const clsModuleMatrix& matrix, std::int32_t y,
                                        std::int32_t first, std::int32_t last) {
    std::uint8_t* const row = matrix.Row(y);
    for (std::int32_t k = first; k <= last; ++k) {
        row[k] = k % 2 == 0 ? Module::Dark : Module::Light;
    }
}

void clsFunctionPatterns::DrawTimingColumn(const clsModuleMatrix& matrix, std::int32_t x,
                                           std::int32_t first, std::int32_t last) {
    std::uint8_t* const column = matrix.Modules() + x;
    const std::int32_t stride = matrix.Stride();
    for (std::int32_t k = first; k <= last; ++k) {
        column[static_cast<std::ptrdiff_t>(k) * stride] = k % 2 == 0 ? Module::Dark : Module::Light;
    }
}

void clsFunctionPatterns::DrawAlignment(const clsModuleMatrix& matrix, std::int32_t cx,
                                        std::int32_t cy) {
    constexpr std::int32_t r = AlignmentRadius;
    std::uint8_t* const modules = matrix.Modules();
    const std::int32_t stride = matrix.Stride();
    for (std::int32_t dy = -r; dy <= r; ++dy) {
        std::uint8_t* const row = modules + static_cast<std::ptrdiff_t>(cy + dy) * stride + cx;
        for (std::int32_t dx = -r; dx <= r; ++dx) {
            const bool dark = dx == -r || dx == r || dy == -r || dy == r || (dx == 0 && dy == 0);
            row[dx] = dark ? Module::Dark : Module::Light;
        }
    }
}

void clsFunctionPatterns::Reserve(const clsModuleMatrix& matrix, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height) {
    std::uint8_t* const modules = matrix.Modules();
    const std::int32_t stride = matrix.Stride();
    for (std::int32_t row = y; row < y + height; ++row) {
        std::uint8_t* const at = modules + static_cast<std::ptrdiff_t>(row) * stride + x;
        for (std::int32_t column = 0; column < width; ++column) {
            at[column] = Module::Light;
        }
    }
}

} // namespace ostrel
