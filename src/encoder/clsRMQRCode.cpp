#include "clsRMQRCode.h"

#include "clsCodewordBlocks.h"
#include "clsCodewordWriter.h"
#include "clsDataMask.h"
#include "clsModuleMatrix.h"
#include "clsRMQRLayout.h"
#include "clsRMQRTable.h"
#include "clsSegmentSearch.h"
#include "clsSegmentWriter.h"

#include <algorithm>
#include <vector>

namespace ostrel {

namespace {

// GF(2^8) of ISO/IEC 18004 clause 7.5.2, which ISO/IEC 23941 shares.
constexpr std::int32_t kFieldSize = 256;
constexpr std::int32_t kFieldPolynomial = 285;
constexpr std::int32_t kFieldAlpha = 2;

// Spare bytes after a codeword sequence for the placement's 64-bit reads.
constexpr std::size_t kSpareBytes = 8;
// Extra light columns and rows of the module matrix beyond the symbol, as for QR Code.
constexpr std::int32_t kExtraModules = 3;
// Placement keys of the sizes (clsPlacement::Prepare; 0 never matches).
constexpr std::int32_t kPlacementKeyBase = 1;

// The ECI header: the 3-bit indicator 111, then the designator in the three forms of ISO/IEC
// 18004 clause 7.4.2.2 (one byte 0bbbbbbb, two bytes 10bbbbbb bbbbbbbb, three bytes 110bbbbb
// bbbbbbbb bbbbbbbb). Returns its length, 0 for no designator.
std::int32_t EciHeaderBits(std::int32_t designator) {
    const std::int32_t qrBits = clsSegmentWriter::EciHeaderBits(designator);
    return qrBits == 0 ? 0 : qrBits - clsModeTable::QRIndicatorBits + clsRMQRTable::IndicatorBits;
}
void WriteEciHeader(clsCodewordWriter& out, std::int32_t designator) {
    if (EciHeaderBits(designator) == 0) {
        return;
    }
    out.Put(clsRMQRTable::EciIndicator, clsRMQRTable::IndicatorBits);
    const auto value = static_cast<std::uint32_t>(designator);
    if (designator <= clsSegmentWriter::EciOneByteLimit) {
        out.Put(value, 8);
    } else if (designator <= clsSegmentWriter::EciTwoByteLimit) {
        out.Put((0b10U << 14) | value, 16);
    } else {
        out.Put((0b110U << 21) | value, 24);
    }
}

} // namespace

clsRMQRCode::clsRMQRCode() : m_FiniteField(std::make_shared<clsFiniteField>()) {
    m_FiniteField->Init(kFieldSize, kFieldPolynomial, kFieldAlpha);
}

void clsRMQRCode::SetEciDesignator(std::int32_t designator) {
    m_EciDesignator = EciHeaderBits(designator) > 0 ? designator : 0;
}

clsModeTable clsRMQRCode::ModeTable(std::int32_t index, bool kanji) {
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
    return clsModeTable(allowed, clsRMQRTable::IndicatorBits, indicator, countBits,
                        clsRMQRTable::TerminatorBits);
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
    if (!m_ReedSolomon) {
        m_ReedSolomon = std::make_unique<clsReedSolomon>();
    }
    const clsCodewordBlocks::BlockTable blocks{total, clsRMQRTable::BlockCount(index, level),
                                               clsRMQRTable::EccPerBlock(index, level)};
    clsCodewordBlocks::Interleave(blocks, data.data(), sequence.data(), *m_ReedSolomon,
                                  m_FiniteField);

    return sequence;
}

// Layout, placement (the remainder modules stay free and take the mask), mask, and the format
// information on both sides.
clsQRCode::Symbol clsRMQRCode::FinishedSymbol(std::int32_t index, std::int32_t level,
                                              std::int32_t total, const std::uint8_t* sequence) {
    const std::int32_t width = clsRMQRTable::Width(index);
    const std::int32_t height = clsRMQRTable::Height(index);
    const std::int32_t stride = width + kExtraModules;
    clsQRCode::Symbol symbol;
    symbol.Version = index + 1;
    symbol.Level = level;
    symbol.Mask = Mask;
    symbol.Width = width;
    symbol.Height = height;
    symbol.Modules.assign(static_cast<std::size_t>(stride) * (height + kExtraModules), 0);
    const clsModuleMatrix matrix = clsModuleMatrix::Of(symbol.Modules, width, height, stride);
    clsRMQRLayout::DrawFunctionPatterns(matrix, index);
    // The right-hand column is a timing pattern from top to bottom: the column pairs start left
    // of it, at width - 2 and width - 3, and end with columns 1 and 0.
    m_Placement.Prepare(matrix, 8 * total, width - 1, kPlacementKeyBase + index);
    m_Placement.Place(symbol.Modules.data(), sequence);
    clsDataMask::MaskAndCombine(matrix, Mask);
    clsRMQRLayout::WriteFormatInformation(matrix, index, clsRMQRTable::FormatWord(index, level));
    return symbol;
}

std::optional<clsQRCode::Symbol> clsRMQRCode::EncodeMatrix(std::span<const std::uint8_t> bytes,
                                                           std::int32_t length, std::int32_t index,
                                                           std::int32_t level) {
    length = static_cast<std::int32_t>(
        std::min<std::int64_t>(std::max<std::int32_t>(length, 0), std::ssize(bytes)));
    if (index < AutomaticSize || index >= clsRMQRTable::SizeCount ||
        !clsRMQRTable::HasLevel(level) || length > MaxInputLength) {
        return std::nullopt;
    }
    const std::int32_t eciBits = length > 0 ? EciHeaderBits(m_EciDesignator) : 0;

    // The data bits of the cheapest segmentation under a size's mode table, without the
    // terminator. Sizes with the same count widths share one search.
    std::vector<std::uint8_t> preds(static_cast<std::size_t>(length));
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
            eciBits +
            clsSegmentSearch::Search(bytes.data(), length, ModeTable(i, m_KanjiMode), preds.data())
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
        const clsModeTable table = ModeTable(index, m_KanjiMode);
        std::vector<std::uint8_t> modes(static_cast<std::size_t>(length));
        const clsSegmentSearch::End end =
            clsSegmentSearch::Search(bytes.data(), length, table, preds.data());
        clsSegmentSearch::TraceModes(preds.data(), length, end.Mode, modes.data());
        clsCodewordWriter out(data);
        WriteEciHeader(out, m_EciDesignator);
        streamBits =
            clsSegmentWriter::WriteSegments(out, bytes.data(), length, table, modes.data());
    }
    clsCodewordBlocks::Pad(data.data(), (std::min(streamBits, 8 * dataCodewords) + 7) / 8,
                           dataCodewords);

    const std::int32_t total = clsRMQRTable::TotalCodewords(index);
    const std::vector<std::uint8_t> sequence = Interleaved(index, level, data);
    return FinishedSymbol(index, level, total, sequence.data());
}

} // namespace ostrel
