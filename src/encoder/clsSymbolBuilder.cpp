#include "clsSymbolBuilder.h"

#include "clsDataMask.h"

#include <algorithm>

namespace ostrel {

namespace {

// GF(2^8) of ISO/IEC 18004 clause 7.5.2.
constexpr std::int32_t kFieldSize = 256;
constexpr std::int32_t kFieldPolynomial = 285;
constexpr std::int32_t kFieldAlpha = 2;

constexpr std::int32_t kBitsPerCodeword = 8;
// Extra light columns and rows of the module matrix beyond the symbol (quiet zone in a picture).
constexpr std::int32_t kExtraModules = 3;

} // namespace

std::shared_ptr<clsFiniteField> clsSymbolBuilder::MakeField() {
    // Built on the first call (the initialisation of a function-local static is thread-safe) and
    // never set up again: every encoder object of the process shares these tables, and readers on
    // any number of threads see them as they were built.
    static const std::shared_ptr<clsFiniteField> field = [] {
        auto made = std::make_shared<clsFiniteField>();
        made->Init(kFieldSize, kFieldPolynomial, kFieldAlpha);
        return made;
    }();
    return field;
}

void clsSymbolBuilder::Pad(std::uint8_t* data, std::int32_t streamBits, std::int32_t capacityBits,
                           std::int32_t padEnd) {
    const std::int32_t used = std::min(streamBits, capacityBits);
    clsCodewordBlocks::Pad(data, (used + kBitsPerCodeword - 1) / kBitsPerCodeword, padEnd);
}

void clsSymbolBuilder::MakeBlocks(const clsCodewordBlocks::BlockTable& blocks,
                                  const std::uint8_t* data, std::uint8_t* sequence) {
    if (!m_Coder) {
        m_Coder = std::make_unique<clsReedSolomon>();
    }
    clsCodewordBlocks::Interleave(blocks, data, sequence, *m_Coder, m_Field);
}

void clsSymbolBuilder::Blank(clsQRCode::Symbol& symbol, std::int32_t version, std::int32_t level,
                             std::int32_t width, std::int32_t height) {
    symbol.Version = version;
    symbol.Level = level;
    symbol.Side = width == height ? width : 0;
    symbol.Width = width;
    symbol.Height = height;
    symbol.Mask = 0;
    symbol.Modules.assign(
        static_cast<std::size_t>(width + kExtraModules) * (height + kExtraModules), 0);
}

clsModuleMatrix clsSymbolBuilder::Matrix(clsQRCode::Symbol& symbol) {
    return clsModuleMatrix::Of(symbol.Modules, symbol.Columns(), symbol.Rows(), symbol.Stride());
}

void clsSymbolBuilder::SetSizes(clsQRCode::Symbol& symbol, std::int32_t version, std::int32_t level,
                                const clsLayoutCache::Layout& layout) {
    symbol.Version = version;
    symbol.Level = level;
    symbol.Side = layout.Width == layout.Height ? layout.Width : 0;
    symbol.Width = layout.Width;
    symbol.Height = layout.Height;
    symbol.Mask = 0;
}

void clsSymbolBuilder::PlaceOnLayout(clsQRCode::Symbol& symbol, std::int32_t version,
                                     std::int32_t level, const clsLayoutCache::Layout& layout,
                                     const std::uint8_t* sequence) {
    SetSizes(symbol, version, level, layout);
    symbol.Modules.assign(layout.Blank.begin(), layout.Blank.end());
    layout.Placement.Place(symbol.Modules.data(), sequence);
}

void clsSymbolBuilder::PlaceMasked(clsQRCode::Symbol& symbol, std::int32_t version,
                                   std::int32_t level, const clsLayoutCache::Layout& layout,
                                   const std::uint8_t* sequence, std::int32_t number,
                                   std::int32_t condition) {
    const clsLayoutCache::MaskedLayout& masked = layout.Masked(condition);
    SetSizes(symbol, version, level, layout);
    symbol.Modules.assign(masked.Blank.begin(), masked.Blank.end());
    layout.Placement.PlaceMasked(symbol.Modules.data(), sequence, masked.Bits.data());
    symbol.Mask = number;
}

void clsSymbolBuilder::ApplyMask(clsQRCode::Symbol& symbol, std::int32_t number,
                                 std::int32_t condition) {
    clsDataMask::MaskAndCombine(Matrix(symbol), condition);
    symbol.Mask = number;
}

} // namespace ostrel
