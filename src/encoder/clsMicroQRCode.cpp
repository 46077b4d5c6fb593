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
#include <vector>

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

// The bit sequence to place of M1 and M3: every data bit (only four of the last codeword), then
// the check codewords.
std::array<std::uint8_t, kLargestTotal + kSpareBytes>
PlacementSequence(const std::array<std::uint8_t, kLargestTotal + kSpareBytes>& codewords,
                  std::int32_t dataCodewords, std::int32_t total) {
    std::array<std::uint8_t, kLargestTotal + kSpareBytes> sequence{};
    clsCodewordWriter out(sequence);
    out.PutBytes(codewords.data(), dataCodewords - 1);
    out.Put(static_cast<std::uint32_t>(codewords[static_cast<std::size_t>(dataCodewords - 1)] >> 4),
            4);
    out.PutBytes(codewords.data() + dataCodewords, total - dataCodewords);
    out.Finish();
    return sequence;
}

// ChooseVersion's mark in the first mode for data that is one byte segment (no mode number).
constexpr std::uint8_t kOneByteSegment = 0xFF;

// The lowest first byte of a Kanji pair.
constexpr std::uint8_t kLowestKanjiLead = 0x81;

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

clsModeTable clsMicroQRCode::MakeModeTable(std::int32_t version, bool kanji) {
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

const clsModeTable& clsMicroQRCode::ModeTable(std::int32_t version, bool kanji) {
    // The eight tables (version, Kanji) made once per process, and the table of no version (no
    // mode allowed) last.
    static const std::vector<clsModeTable> tables = [] {
        std::vector<clsModeTable> made;
        for (std::int32_t v = clsMicroQRTable::MinVersion; v <= clsMicroQRTable::MaxVersion; ++v) {
            made.push_back(MakeModeTable(v, false));
            made.push_back(MakeModeTable(v, true));
        }
        made.push_back(MakeModeTable(0, false));
        return made;
    }();
    if (version < clsMicroQRTable::MinVersion || version > clsMicroQRTable::MaxVersion) {
        return tables.back();
    }
    return tables[static_cast<std::size_t>(2 * (version - clsMicroQRTable::MinVersion) +
                                           (kanji ? 1 : 0))];
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

bool clsMicroQRCode::OnlyByteMode(const std::uint8_t* data, std::int32_t n, bool kanji) {
    std::int32_t classBits = 0; // 0 while every byte is one that only byte mode carries
    std::uint8_t high = 0;      // the bits any byte has
    for (std::int32_t i = 0; i < n; ++i) {
        classBits |= clsModeTable::CharClass(data[i]);
        high |= data[i];
    }
    return classBits == 0 && (!kanji || high < kLowestKanjiLead);
}

std::int32_t clsMicroQRCode::ChooseVersion(const std::uint8_t* data, std::int32_t length,
                                           std::int32_t version, std::int32_t level,
                                           std::uint8_t* modes) const {
    // Each version tried is searched with its own count widths and modes (short inputs, buffers on
    // the stack); the last search's predecessors and end serve the writing pass. Data that only
    // byte mode carries is one byte segment wherever its count fits, with no search.
    std::array<std::uint8_t, MaxInputLength> preds{};
    clsSegmentSearch::End end;
    const bool onlyBytes = length > 0 && OnlyByteMode(data, length, m_KanjiMode);
    bool searched = false;
    const auto fits = [&](std::int32_t v) {
        if (!clsMicroQRTable::HasLevel(v, level)) {
            return false;
        }
        if (length == 0) {
            return true;
        }
        const clsModeTable& table = ModeTable(v, m_KanjiMode);
        const bool byteMode = table.Allowed(clsModeTable::Byte);
        if (onlyBytes && (!byteMode || length <= table.MaxCount(clsModeTable::Byte))) {
            searched = false;
            return byteMode &&
                   table.HeaderBits(clsModeTable::Byte) + clsModeTable::ByteBits * length <=
                       clsMicroQRTable::DataBits(v, level);
        }
        searched = true;
        end = clsSegmentSearch::Search(data, length, table, preds.data());
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
    } else if (!fits(version)) {
        version = 0;
    }
    // The version chosen was the last one tried: preds and end are its own.
    if (version != 0 && length > 0) {
        if (searched) {
            clsSegmentSearch::TraceModes(preds.data(), length, end.Mode, modes);
        } else {
            modes[0] = kOneByteSegment;
        }
    }
    return version;
}

bool clsMicroQRCode::EncodeMatrixInto(clsQRCode::Symbol& symbol,
                                      std::span<const std::uint8_t> bytes, std::int32_t length,
                                      std::int32_t version, std::int32_t level, std::int32_t mask) {
    length = clsSymbolBuilder::ClampLength(bytes, length);
    if (version < 0 || version > clsMicroQRTable::MaxVersion || mask < AutomaticMask ||
        mask >= clsMicroQRTable::MaskCount || length > MaxInputLength) {
        return false;
    }
    std::array<std::uint8_t, MaxInputLength> modes{};
    version = ChooseVersion(bytes.data(), length, version, level, modes.data());
    if (version == 0) {
        return false;
    }

    // The data codewords: the stream and its terminator (cut short where the capacity ends),
    // zero bits to the codeword boundary, then the pad codewords 11101100 and 00010001
    // alternately; the 4-bit last codeword of M1 and M3 stays 0000 when padding reaches it. It is
    // held in the high half of its byte.
    const std::int32_t dataCodewords = clsMicroQRTable::DataCodewords(version, level);
    const bool half = clsMicroQRTable::HasHalfCodeword(version);
    std::array<std::uint8_t, kLargestTotal> data{};
    std::int32_t streamBits = 0;
    if (length > 0) {
        clsCodewordWriter out(std::span(data.data(), static_cast<std::size_t>(dataCodewords)));
        const clsModeTable& table = ModeTable(version, m_KanjiMode);
        streamBits =
            modes[0] == kOneByteSegment
                ? clsSegmentWriter::WriteByteSegment(out, bytes.data(), length, table)
                : clsSegmentWriter::WriteSegments(out, bytes.data(), length, table, modes.data());
    }
    clsSymbolBuilder::Pad(data.data(), streamBits, clsMicroQRTable::DataBits(version, level),
                          half ? dataCodewords - 1 : dataCodewords);
    if (half) {
        data[static_cast<std::size_t>(dataCodewords - 1)] &= 0xF0;
    }

    // One Reed-Solomon block over all data codewords (the 4-bit one as its high half). Without a
    // 4-bit codeword the codewords are the bit sequence to place as they are.
    const std::int32_t total = clsMicroQRTable::TotalCodewords(version);
    std::array<std::uint8_t, kLargestTotal + kSpareBytes> codewords{};
    clsSymbolBuilder(m_FiniteField, m_ReedSolomon)
        .MakeBlocks({total, 1, total - dataCodewords}, data.data(), codewords.data());
    if (half) {
        codewords = PlacementSequence(codewords, dataCodewords, total);
    }

    PlaceSymbol(symbol, version, level, codewords.data(), mask);
    MaskAndFormat(symbol, mask, version, level);
    return true;
}

} // namespace ostrel
