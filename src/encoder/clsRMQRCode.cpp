#include "clsRMQRCode.h"

#include "clsCodewordBlocks.h"
#include "clsCodewordWriter.h"
#include "clsDataMask.h"
#include "clsModuleMatrix.h"
#include "clsRMQRLayout.h"
#include "clsRMQRTable.h"
#include "clsSegmentSearch.h"
#include "clsSegmentWriter.h"
#include "clsSymbolBuilder.h"

#include <algorithm>
#include <vector>

namespace ostrel {

namespace {

// Spare bytes after a codeword sequence for the placement's 64-bit reads.
constexpr std::size_t kSpareBytes = 8;
// Placement keys of the sizes (clsPlacement::Prepare; 0 never matches).
constexpr std::int32_t kPlacementKeyBase = 1;

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

// Blocks, Reed-Solomon and interleaving of the padded data codewords, as for QR Code; the
// sequence keeps spare bytes at its end for the placement's wide reads.
std::vector<std::uint8_t> clsRMQRCode::Interleaved(std::int32_t index, std::int32_t level,
                                                   const std::vector<std::uint8_t>& data) {
    const std::int32_t total = clsRMQRTable::TotalCodewords(index);
    std::vector<std::uint8_t> sequence(static_cast<std::size_t>(total) + kSpareBytes);
    const clsCodewordBlocks::BlockTable blocks{total, clsRMQRTable::BlockCount(index, level),
                                               clsRMQRTable::EccPerBlock(index, level)};
    clsSymbolBuilder(m_FiniteField, m_ReedSolomon, m_Placement)
        .MakeBlocks(blocks, data.data(), sequence.data());

    return sequence;
}

// Layout, placement (the remainder modules stay free and take the mask), mask, and the format
// information on both sides.
clsQRCode::Symbol clsRMQRCode::FinishedSymbol(std::int32_t index, std::int32_t level,
                                              std::int32_t total, const std::uint8_t* sequence) {
    const std::int32_t width = clsRMQRTable::Width(index);
    clsQRCode::Symbol symbol =
        clsSymbolBuilder::BlankSymbol(index + 1, level, width, clsRMQRTable::Height(index));
    const clsModuleMatrix matrix = clsSymbolBuilder::Matrix(symbol);
    clsRMQRLayout::DrawFunctionPatterns(matrix, index);
    // The right-hand column is a timing pattern from top to bottom: the column pairs start left
    // of it, at width - 2 and width - 3, and end with columns 1 and 0.
    clsSymbolBuilder(m_FiniteField, m_ReedSolomon, m_Placement)
        .Place(matrix, 8 * total, width - 1, kPlacementKeyBase + index, sequence);
    clsSymbolBuilder::ApplyMask(symbol, Mask, Mask);
    clsRMQRLayout::WriteFormatInformation(matrix, index, clsRMQRTable::FormatWord(index, level));
    return symbol;
}

std::optional<clsQRCode::Symbol> clsRMQRCode::EncodeMatrix(std::span<const std::uint8_t> bytes,
                                                           std::int32_t length, std::int32_t index,
                                                           std::int32_t level) {
    length = clsSymbolBuilder::ClampLength(bytes, length);
    if (index < AutomaticSize || index >= clsRMQRTable::SizeCount ||
        !clsRMQRTable::HasLevel(level) || length > MaxInputLength) {
        return std::nullopt;
    }
    const std::int32_t eciBits =
        length > 0 ? EciHeaderBits(m_EciDesignator) + Fnc1Bits(m_Fnc1, m_Fnc1Application) : 0;

    // The data bits of the cheapest segmentation under a size's mode table, without the
    // terminator. Sizes with the same count widths share one search. (preds is filled with an
    // explicit 0: GCC 12 sees a false overflow in the value-initialising form once this inlines.)
    std::vector<std::uint8_t> preds(static_cast<std::size_t>(length), 0);
    std::vector<std::pair<std::array<std::int32_t, 4>, std::int32_t>> searched;
    const auto cost = [&](std::int32_t i) {
        if (length == 0) {
            return 0;
        }
        std::array<std::int32_t, 4> widths{};
        for (std::int32_t mode = 0; mode < 4; ++mode) {
            widths[static_cast<std::size_t>(mode)] = clsRMQRTable::CountBits(i, mode);
        }
        for (const auto& [w, c] : searched) {
            if (w == widths) {
                return c;
            }
        }
        const std::int32_t c =
            eciBits + clsSegmentSearch::Search(bytes.data(), length,
                                               ModeTable(i, m_KanjiMode, m_Fnc1), preds.data())
                          .Cost;
        searched.emplace_back(widths, c);
        return c;
    };
    if (index == AutomaticSize) {
        for (const std::int32_t i : SizesBySmallest()) {
            if ((m_RequiredHeight == 0 || clsRMQRTable::Height(i) == m_RequiredHeight) &&
                cost(i) <= 8 * clsRMQRTable::DataCodewords(i, level)) {
                index = i;
                break;
            }
        }
        if (index == AutomaticSize) {
            return std::nullopt;
        }
    } else if (cost(index) > 8 * clsRMQRTable::DataCodewords(index, level)) {
        return std::nullopt;
    }

    // The data codewords: ECI header, segments, terminator (cut short where the capacity ends),
    // zero bits to the codeword boundary, pad codewords.
    const std::int32_t dataCodewords = clsRMQRTable::DataCodewords(index, level);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(dataCodewords));
    std::int32_t streamBits = 0;
    if (length > 0) {
        const clsModeTable table = ModeTable(index, m_KanjiMode, m_Fnc1);
        std::vector<std::uint8_t> modes(static_cast<std::size_t>(length));
        const clsSegmentSearch::End end =
            clsSegmentSearch::Search(bytes.data(), length, table, preds.data());
        clsSegmentSearch::TraceModes(preds.data(), length, end.Mode, modes.data());
        clsCodewordWriter out(data);
        clsSegmentWriter::WriteEciHeader(out, m_EciDesignator, table);
        clsSegmentWriter::WriteFnc1(out, table, m_Fnc1Application);
        streamBits =
            clsSegmentWriter::WriteSegments(out, bytes.data(), length, table, modes.data());
    }
    clsSymbolBuilder::Pad(data.data(), streamBits, 8 * dataCodewords, dataCodewords);

    const std::int32_t total = clsRMQRTable::TotalCodewords(index);
    const std::vector<std::uint8_t> sequence = Interleaved(index, level, data);
    return FinishedSymbol(index, level, total, sequence.data());
}

} // namespace ostrel
