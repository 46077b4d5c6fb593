#include "clsMicroQRCode.h"

#include "clsCodewordBlocks.h"
#include "clsCodewordWriter.h"
#include "clsDataMask.h"
#include "clsLayoutCache.h"
#include "clsMicroQRLayout.h"
#include "clsMicroQRTable.h"
#include "clsModuleMatrix.h"
#include "clsSegmentSearch.h"
#include "clsSegmentWriter.h"
#include "clsSymbolBuilder.h"

#include <algorithm>
#include <array>

namespace ostrel {

namespace {

// The QR Code mask conditions that Micro QR masks 00, 01, 10, 11 use.
constexpr std::int32_t kQRMasks[clsMicroQRTable::MaskCount] = {1, 4, 6, 7};

// Spare bytes after a codeword sequence for the placement's 64-bit reads.
constexpr std::size_t kSpareBytes = 8;

// Layout keys of the versions (clsLayoutCache): above those of QR Code.
constexpr std::int32_t kLayoutKeyBase = 64;

// The most codewords of any version (M4).
constexpr std::size_t kLargestTotal = 24;

// The bit sequence to place: every data bit (only four of the last codeword of M1 and M3), then
// the check codewords.
std::array<std::uint8_t, kLargestTotal + kSpareBytes>
PlacementSequence(const std::array<std::uint8_t, kLargestTotal>& codewords,
                  std::int32_t dataCodewords, std::int32_t total, bool half) {
    std::array<std::uint8_t, kLargestTotal + kSpareBytes> sequence{};
    clsCodewordWriter out(sequence);
    out.PutBytes(codewords.data(), half ? dataCodewords - 1 : dataCodewords);
    if (half) {
        out.Put(
            static_cast<std::uint32_t>(codewords[static_cast<std::size_t>(dataCodewords - 1)] >> 4),
            4);
    }
    out.PutBytes(codewords.data() + dataCodewords, total - dataCodewords);
    out.Finish();
    return sequence;
}

} // namespace

// Masking: the given mask, or each in turn with the evaluation of the edges (clause 7.8.3.2);
// then the format information of the mask chosen.
void clsMicroQRCode::MaskAndFormat(clsQRCode::Symbol& symbol, std::int32_t mask,
                                   std::int32_t version, std::int32_t level) {
    const auto finish = [](clsQRCode::Symbol& s, std::int32_t m) {
        clsSymbolBuilder::ApplyMask(s, m, QRMask(m));
    };
    if (mask == AutomaticMask) {
        clsSymbolBuilder::ChooseMask(symbol, clsMicroQRTable::MaskCount, m_MaskScratch, finish,
                                     EdgeScore);
    }
    clsMicroQRLayout::WriteFormatInformation(
        clsSymbolBuilder::Matrix(symbol), version,
        clsMicroQRTable::FormatWord(clsMicroQRTable::SymbolNumber(version, level), symbol.Mask));
}

// The function patterns of the version and the codeword sequence placed around them, unmasked.
void clsMicroQRCode::PlaceSymbol(clsQRCode::Symbol& symbol, std::int32_t version,
                                 std::int32_t level, const std::uint8_t* sequence,
                                 std::int32_t mask) {
    const std::int32_t side = clsMicroQRTable::Side(version);
    const clsLayoutCache::Layout& layout = clsLayoutCache::Get(
        kLayoutKeyBase + version, side, side, clsMicroQRLayout::DataModuleCount(version), -1,
        clsMicroQRLayout::DrawFunctionPatterns, version);
    if (mask == AutomaticMask) {
        clsSymbolBuilder::PlaceOnLayout(symbol, version, level, layout, sequence);
    } else {
        clsSymbolBuilder::PlaceMasked(symbol, version, level, layout, sequence, mask, QRMask(mask));
    }
}

clsMicroQRCode::clsMicroQRCode() : m_FiniteField(clsSymbolBuilder::MakeField()) {}

clsModeTable clsMicroQRCode::ModeTable(std::int32_t version, bool kanji) {
    std::array<bool, clsModeTable::ModeCount> allowed{};
    std::array<std::uint32_t, clsModeTable::ModeCount> indicator{};
    std::array<std::int32_t, clsModeTable::ModeCount> countBits{};
    for (std::int32_t mode = 0; mode < clsModeTable::ModeCount; ++mode) {
        const auto m = static_cast<std::size_t>(mode);
        countBits[m] = clsMicroQRTable::CountBits(version, mode);
        allowed[m] = countBits[m] > 0 && (kanji || mode != clsModeTable::Kanji);
        indicator[m] = clsMicroQRTable::Indicator(mode);
    }
    return clsModeTable(allowed, clsMicroQRTable::IndicatorBits(version), indicator, countBits,
                        clsMicroQRTable::TerminatorBits(version));
}

std::int32_t clsMicroQRCode::QRMask(std::int32_t mask) {
    return mask >= 0 && mask < clsMicroQRTable::MaskCount ? kQRMasks[mask] : kQRMasks[0];
}

std::int32_t clsMicroQRCode::EdgeScore(const clsQRCode::Symbol& symbol) {
    const std::int32_t side = symbol.Side;
    const auto stride = static_cast<std::size_t>(symbol.Stride());
    if (side <= 0 || symbol.Modules.size() < stride * static_cast<std::size_t>(side)) {
        return 0; // no modules to read
    }
    // The two edges read straight from the rows (the automatic mask scores four symbols).
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    const std::uint8_t* const last = symbol.Modules.data() + stride * (side - 1);
    for (std::int32_t k = 1; k < side; ++k) {
        right += symbol.Modules[stride * static_cast<std::size_t>(k) + (side - 1)];
        bottom += last[k];
    }
    return right <= bottom ? 16 * right + bottom : 16 * bottom + right;
}

std::optional<clsQRCode::Symbol>
clsMicroQRCode::EncodeMatrix(std::span<const std::uint8_t> bytes, std::int32_t length,
                             std::int32_t version, std::int32_t level, std::int32_t mask) {
    clsQRCode::Symbol symbol;
    if (!EncodeMatrixInto(symbol, bytes, length, version, level, mask)) {
        return std::nullopt;
    }
    return symbol;
}

bool clsMicroQRCode::EncodeMatrixInto(clsQRCode::Symbol& symbol,
                                      std::span<const std::uint8_t> bytes, std::int32_t length,
                                      std::int32_t version, std::int32_t level, std::int32_t mask) {
    length = clsSymbolBuilder::ClampLength(bytes, length);
    if (version < 0 || version > clsMicroQRTable::MaxVersion || mask < AutomaticMask ||
        mask >= clsMicroQRTable::MaskCount || length > MaxInputLength) {
        return false;
    }

    // Each version tried is searched with its own count widths and modes (short inputs, buffers on
    // the stack); the last search's predecessors and end serve the writing pass.
    std::array<std::uint8_t, MaxInputLength> preds{};
    clsSegmentSearch::End end;
    const auto fits = [&](std::int32_t v) {
        if (!clsMicroQRTable::HasLevel(v, level)) {
            return false;
        }
        if (length == 0) {
            return true;
        }
        end =
            clsSegmentSearch::Search(bytes.data(), length, ModeTable(v, m_KanjiMode), preds.data());
        return end.Cost < clsSegmentSearch::Unreachable &&
               end.Cost <= clsMicroQRTable::DataBits(v, level);
    };
    if (version == 0) {
        for (std::int32_t v = clsMicroQRTable::MinVersion; v <= clsMicroQRTable::MaxVersion; ++v) {
            if (fits(v)) {
                version = v;
                break;
            }
        }
        if (version == 0) {
            return false;
        }
    } else if (!fits(version)) {
        return false;
    }
    // The search of the chosen version is the last one made: preds and end are its own.

    // The data codewords: the stream and its terminator (cut short where the capacity ends),
    // zero bits to the codeword boundary, then the pad codewords 11101100 and 00010001
    // alternately; the 4-bit last codeword of M1 and M3 stays 0000 when padding reaches it. It is
    // held in the high half of its byte.
    const std::int32_t dataCodewords = clsMicroQRTable::DataCodewords(version, level);
    const bool half = clsMicroQRTable::HasHalfCodeword(version);
    std::array<std::uint8_t, kLargestTotal> data{};
    std::int32_t streamBits = 0;
    if (length > 0) {
        std::array<std::uint8_t, MaxInputLength> modes{};
        clsSegmentSearch::TraceModes(preds.data(), length, end.Mode, modes.data());
        clsCodewordWriter out(std::span(data.data(), static_cast<std::size_t>(dataCodewords)));
        streamBits = clsSegmentWriter::WriteSegments(out, bytes.data(), length,
                                                     ModeTable(version, m_KanjiMode), modes.data());
    }
    clsSymbolBuilder::Pad(data.data(), streamBits, clsMicroQRTable::DataBits(version, level),
                          half ? dataCodewords - 1 : dataCodewords);
    if (half) {
        data[static_cast<std::size_t>(dataCodewords - 1)] &= 0xF0;
    }

    // One Reed-Solomon block over all data codewords (the 4-bit one as its high half).
    const std::int32_t total = clsMicroQRTable::TotalCodewords(version);
    std::array<std::uint8_t, kLargestTotal> codewords{};
    clsSymbolBuilder(m_FiniteField, m_ReedSolomon)
        .MakeBlocks({total, 1, total - dataCodewords}, data.data(), codewords.data());

    const std::array<std::uint8_t, kLargestTotal + kSpareBytes> sequence =
        PlacementSequence(codewords, dataCodewords, total, half);

    PlaceSymbol(symbol, version, level, sequence.data(), mask);
    MaskAndFormat(symbol, mask, version, level);
    return true;
}

} // namespace ostrel
