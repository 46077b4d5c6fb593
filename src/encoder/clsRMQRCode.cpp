#include "clsRMQRCode.h"

#include "clsCodewordBlocks.h"
#include "clsCodewordWriter.h"
#include "clsDataMask.h"
#include "clsLayoutCache.h"
#include "clsModuleMatrix.h"
#include "clsRMQRLayout.h"
#include "clsRMQRTable.h"
#include "clsSegmentSearch.h"
#include "clsSegmentWriter.h"
#include "clsSymbolBuilder.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ostrel {

namespace {

// Spare bytes after a codeword sequence for the placement's 64-bit reads.
constexpr std::size_t kSpareBytes = 8;
// Layout keys of the sizes (clsLayoutCache): above those of QR Code and Micro QR.
constexpr std::int32_t kLayoutKeyBase = 80;
// The most codewords of any size (R17x139).
constexpr std::size_t kLargestTotal = 232;

// The ECI header before the segments: after rMQR's 3-bit mode indicator (clsSegmentWriter).
std::int32_t EciHeaderBits(std::int32_t designator) {
    return clsSegmentWriter::EciHeaderBits(designator, clsRMQRTable::IndicatorBits);
}

// The FNC1 header: the indicator, and in second position the application indicator.
std::int32_t Fnc1Bits(bool fnc1, std::int32_t application) {
    if (!fnc1) {
        return 0;
    }
    return clsRMQRTable::IndicatorBits +
           (application >= 0 ? clsSegmentWriter::Fnc1ApplicationBits : 0);
}

} // namespace

clsRMQRCode::clsRMQRCode() : m_FiniteField(clsSymbolBuilder::MakeField()) {}

void clsRMQRCode::SetEciDesignator(std::int32_t designator) {
    m_EciDesignator = EciHeaderBits(designator) > 0 ? designator : 0;
}

clsModeTable clsRMQRCode::ModeTable(std::int32_t index, bool kanji, bool fnc1) {
    std::array<bool, clsModeTable::ModeCount> allowed{};
    std::array<std::uint32_t, clsModeTable::ModeCount> indicator{};
    std::array<std::int32_t, clsModeTable::ModeCount> countBits{};
    for (std::int32_t mode = 0; mode < clsModeTable::ModeCount; ++mode) {
        const auto m = static_cast<std::size_t>(mode);
        indicator[m] = clsRMQRTable::Indicator(mode);
        countBits[m] = clsRMQRTable::CountBits(index, mode);
        // rMQR has no Hanzi mode (no count width for it).
        allowed[m] = countBits[m] > 0 && (kanji || mode != clsModeTable::Kanji);
    }
    const clsModeTable table(allowed, clsRMQRTable::IndicatorBits, indicator, countBits,
                             clsRMQRTable::TerminatorBits);
    return fnc1 ? table.WithFnc1() : table;
}

const std::array<std::int32_t, 32>& clsRMQRCode::SizesBySmallest() {
    static const std::array<std::int32_t, 32> order = [] {
        std::array<std::int32_t, 32> sizes{};
        for (std::int32_t i = 0; i < clsRMQRTable::SizeCount; ++i) {
            sizes[static_cast<std::size_t>(i)] = i;
        }
        std::stable_sort(sizes.begin(), sizes.end(), [](std::int32_t a, std::int32_t b) {
            const std::int32_t areaA = clsRMQRTable::Width(a) * clsRMQRTable::Height(a);
            const std::int32_t areaB = clsRMQRTable::Width(b) * clsRMQRTable::Height(b);
            return areaA != areaB ? areaA < areaB
                                  : clsRMQRTable::Height(a) < clsRMQRTable::Height(b);
        });
        return sizes;
    }();
    return order;
}

// Layout, placement already masked (the remainder modules take the mask), and the format
// information on both sides. Blocks, Reed-Solomon and interleaving as for QR Code, the sequence
// with spare bytes at its end for the placement's wide reads.
void clsRMQRCode::FinishSymbol(clsQRCode::Symbol& symbol, std::int32_t index, std::int32_t level,
                               const std::uint8_t* data) {
    const std::int32_t total = clsRMQRTable::TotalCodewords(index);
    std::array<std::uint8_t, kLargestTotal + kSpareBytes> sequence{};
    const clsCodewordBlocks::BlockTable blocks{total, clsRMQRTable::BlockCount(index, level),
                                               clsRMQRTable::EccPerBlock(index, level)};
    clsSymbolBuilder(m_FiniteField, m_ReedSolomon).MakeBlocks(blocks, data, sequence.data());

    // The right-hand column is a timing pattern from top to bottom: the column pairs start left
    // of it, at width - 2 and width - 3, and end with columns 1 and 0.
    const std::int32_t width = clsRMQRTable::Width(index);
    const clsLayoutCache::Layout& layout =
        clsLayoutCache::Get(kLayoutKeyBase + index, width, clsRMQRTable::Height(index), 8 * total,
                            width - 1, clsRMQRLayout::DrawFunctionPatterns, index);
    clsSymbolBuilder::PlaceMasked(symbol, index + 1, level, layout, sequence.data(), Mask, Mask);
    const clsModuleMatrix matrix = clsSymbolBuilder::Matrix(symbol);
    clsRMQRLayout::WriteFormatInformation(matrix, index, clsRMQRTable::FormatWord(index, level));
}

std::int32_t clsRMQRCode::ChooseSize(std::span<const std::uint8_t> bytes, std::int32_t length,
                                     std::int32_t index, std::int32_t level,
                                     std::uint8_t* preds) const {
    const std::int32_t eciBits =
        length > 0 ? EciHeaderBits(m_EciDesignator) + Fnc1Bits(m_Fnc1, m_Fnc1Application) : 0;
    // Sizes with the same count widths share one search.
    std::array<std::pair<std::array<std::int32_t, 4>, std::int32_t>, clsRMQRTable::SizeCount>
        searched{};
    std::size_t searchedCount = 0;
    const auto cost = [&](std::int32_t i) {
        if (length == 0) {
            return 0;
        }
        std::array<std::int32_t, 4> widths{};
        for (std::int32_t mode = 0; mode < 4; ++mode) {
            widths[static_cast<std::size_t>(mode)] = clsRMQRTable::CountBits(i, mode);
        }
        for (std::size_t k = 0; k < searchedCount; ++k) {
            if (searched[k].first == widths) {
                return searched[k].second;
            }
        }
        const std::int32_t c =
            eciBits +
            clsSegmentSearch::Search(bytes.data(), length, ModeTable(i, m_KanjiMode, m_Fnc1), preds)
                .Cost;
        searched[searchedCount++] = {widths, c};
        return c;
    };
    if (index != AutomaticSize) {
        return cost(index) <= 8 * clsRMQRTable::DataCodewords(index, level) ? index : AutomaticSize;
    }
    for (const std::int32_t i : SizesBySmallest()) {
        if ((m_RequiredHeight == 0 || clsRMQRTable::Height(i) == m_RequiredHeight) &&
            cost(i) <= 8 * clsRMQRTable::DataCodewords(i, level)) {
            return i;
        }
    }
    return AutomaticSize;
}

std::optional<clsQRCode::Symbol> clsRMQRCode::EncodeMatrix(std::span<const std::uint8_t> bytes,
                                                           std::int32_t length, std::int32_t index,
                                                           std::int32_t level) {
    clsQRCode::Symbol symbol;
    if (!EncodeMatrixInto(symbol, bytes, length, index, level)) {
        return std::nullopt;
    }
    return symbol;
}

bool clsRMQRCode::EncodeMatrixInto(clsQRCode::Symbol& symbol, std::span<const std::uint8_t> bytes,
                                   std::int32_t length, std::int32_t index, std::int32_t level) {
    length = clsSymbolBuilder::ClampLength(bytes, length);
    if (index < AutomaticSize || index >= clsRMQRTable::SizeCount ||
        !clsRMQRTable::HasLevel(level) || length > MaxInputLength) {
        return false;
    }
    // Short inputs: the predecessors and the modes on the stack.
    std::array<std::uint8_t, MaxInputLength> preds;
    index = ChooseSize(bytes, length, index, level, preds.data());
    if (index == AutomaticSize) {
        return false;
    }

    // The data codewords: ECI header, segments, terminator (cut short where the capacity ends),
    // zero bits to the codeword boundary, pad codewords.
    const std::int32_t dataCodewords = clsRMQRTable::DataCodewords(index, level);
    std::array<std::uint8_t, kLargestTotal> data{};
    std::int32_t streamBits = 0;
    if (length > 0) {
        const clsModeTable table = ModeTable(index, m_KanjiMode, m_Fnc1);
        std::array<std::uint8_t, MaxInputLength> modes;
        const clsSegmentSearch::End end =
            clsSegmentSearch::Search(bytes.data(), length, table, preds.data());
        clsSegmentSearch::TraceModes(preds.data(), length, end.Mode, modes.data());
        clsCodewordWriter out(std::span(data.data(), static_cast<std::size_t>(dataCodewords)));
        clsSegmentWriter::WriteEciHeader(out, m_EciDesignator, table);
        clsSegmentWriter::WriteFnc1(out, table, m_Fnc1Application);
        streamBits =
            clsSegmentWriter::WriteSegments(out, bytes.data(), length, table, modes.data());
    }
    clsSymbolBuilder::Pad(data.data(), streamBits, 8 * dataCodewords, dataCodewords);
    FinishSymbol(symbol, index, level, data.data());
    return true;
}

} // namespace ostrel
