#include "clsQRCode.h"

#include "clsCodewordBlocks.h"
#include "clsDataMask.h"
#include "clsFormatInformation.h"
#include "clsQRCapacity.h"
#include "clsQRLayout.h"
#include "clsQRSegmentation.h"
#include "clsSegmentWriter.h"
#include "clsSymbolBuilder.h"

#include <algorithm>
#include <vector>

namespace ostrel {

namespace {

// The level number that replaces one outside 1..4 (M).
constexpr std::int32_t kDefaultLevel = 2;
// Spare bytes after the codeword sequence for the placement's 64-bit reads.
constexpr std::int32_t kSequenceSpare = 8;
constexpr std::int32_t kBitsPerCodeword = 8;
// Six times the fewest and the most data bits a byte can take in any mode: 10/3 (a digit) and 8
// (byte mode), bounds of a stream's length without searching.
constexpr std::int64_t kFewestBitsPerByteTimesSix = 20;
constexpr std::int64_t kMostBitsPerByteTimesSix = 48;

bool IsMask(std::int32_t mask) {
    return mask >= 0 && mask < clsDataMask::MaskCount;
}

// A module matrix view of a version's size over storage (an empty view for other versions or
// storage too short for (side + 3)^2 modules).
clsModuleMatrix LayoutView(std::span<std::uint8_t> modules, std::int32_t version) {
    const std::int32_t side = clsQRLayout::SymbolSize(version);
    return clsModuleMatrix::Of(modules, side, side, clsQRLayout::Stride(version));
}

// The version information (versions 7 and above) and the format information of level and mask,
// both copies of each, into a finished symbol's matrix.
void WriteVersionWords(const clsModuleMatrix& view, std::int32_t version) {
    if (version < clsQRLayout::FirstVersionWithVersionInformation) {
        return;
    }
    const std::int32_t word = clsFormatInformation::QRVersionWord(version);
    for (const std::int32_t copy : {0, 1}) {
        clsFormatInformation::WriteBits(
            view, word, clsFormatInformation::QRVersionPositions(view.Width(), copy));
    }
}
void WriteFormatWords(const clsModuleMatrix& view, std::int32_t level, std::int32_t mask) {
    clsFormatInformation::WriteQRFormat(view, clsFormatInformation::QRFormatWord(level, mask));
}

// Room for size bytes of data codewords and final sequence: one buffer per thread, grown to the
// largest symbol made on it and then kept, so that a symbol allocates nothing for them. Nothing
// carries from one symbol to the next: each writes every byte it reads (WriteDataCodewords).
std::uint8_t* CodewordBuffer(std::size_t size) {
    thread_local std::vector<std::uint8_t> buffer;
    if (buffer.size() < size) {
        buffer.resize(size);
    }
    return buffer.data();
}

// The largest data capacity in bits among the versions of count class c at level (1..4), from a
// table made once per process.
std::int32_t LargestCapacityBits(std::int32_t level, std::int32_t c) {
    using Row = std::array<std::int32_t, clsModeTable::QRCountClassCount>;
    static const std::array<Row, clsQRCapacity::LevelCount> table = [] {
        std::array<Row, clsQRCapacity::LevelCount> made{};
        for (std::int32_t l = 1; l <= clsQRCapacity::LevelCount; ++l) {
            for (std::int32_t k = 0; k < clsModeTable::QRCountClassCount; ++k) {
                std::int32_t largest = 0;
                for (std::int32_t v =
                         clsModeTable::QRClassFirstVersion[static_cast<std::size_t>(k)];
                     v <= clsModeTable::QRClassLastVersion[static_cast<std::size_t>(k)]; ++v) {
                    largest = std::max(largest, clsQRCapacity::DataCodewords(l, v));
                }
                made[static_cast<std::size_t>(l - 1)][static_cast<std::size_t>(k)] =
                    kBitsPerCodeword * largest;
            }
        }
        return made;
    }();
    return table[static_cast<std::size_t>(level - 1)][static_cast<std::size_t>(c)];
}

} // namespace

std::uint8_t clsQRCode::Symbol::At(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= Columns() || y >= Rows()) {
        return 0;
    }
    return Modules[static_cast<std::size_t>(y * Stride() + x)];
}

clsQRCode::clsQRCode() : m_FiniteField(clsSymbolBuilder::MakeField()) {
    for (std::int32_t k = 0; k < static_cast<std::int32_t>(m_BitMask.size()); ++k) {
        m_BitMask[static_cast<std::size_t>(k)] = 1 << k;
    }
}

// ---- Tables ----

std::int32_t clsQRCode::GetSymbolSize(std::int32_t version) const {
    return clsQRLayout::SymbolSize(version);
}

std::int32_t clsQRCode::GetAlignmentCoordinateCount(std::int32_t version) const {
    return clsQRLayout::AlignmentCoordinateCount(version);
}

std::int32_t clsQRCode::GetDataModuleCount(std::int32_t version) const {
    return clsQRLayout::DataModuleCount(version);
}

std::int32_t clsQRCode::GetTotalCodewords(std::int32_t version) const {
    return clsQRCapacity::TotalCodewords(version);
}

std::int32_t clsQRCode::BlockCount(std::int32_t level, std::int32_t version) const {
    return clsQRCapacity::BlockCount(level, version);
}

std::int32_t clsQRCode::EccPerBlock(std::int32_t level, std::int32_t version) const {
    return clsQRCapacity::EccPerBlock(level, version);
}

std::int32_t clsQRCode::AlignmentSpacing(std::int32_t version) const {
    return clsQRLayout::AlignmentSpacing(version);
}

std::int32_t clsQRCode::BitMask(std::int32_t k) const {
    if (k < 0 || k >= static_cast<std::int32_t>(m_BitMask.size())) {
        return 0;
    }
    return m_BitMask[static_cast<std::size_t>(k)];
}

std::int32_t clsQRCode::GetDataCodewords(std::int32_t level, std::int32_t version) const {
    return clsQRCapacity::DataCodewords(level, version);
}

// ---- Settings ----

void clsQRCode::SetEciDesignator(std::int32_t designator) {
    m_EciDesignator = EciHeaderBits(designator) > 0 ? designator : 0;
}

void clsQRCode::SetStructuredAppend(std::optional<StructuredAppendHeader> header) {
    const bool valid = header && header->Count >= 1 && header->Count <= 16 && header->Index >= 0 &&
                       header->Index < header->Count;
    m_StructuredAppend = valid ? header : std::nullopt;
}

clsQRSegmentation::Settings clsQRCode::StreamSettings() const {
    clsQRSegmentation::Settings settings;
    settings.Kanji = m_KanjiMode;
    settings.Hanzi = m_HanziMode;
    settings.Fnc1 = m_Fnc1;
    settings.Fnc1Application = m_Fnc1Application;
    settings.EciDesignator = m_EciDesignator;
    settings.StructuredAppend = m_StructuredAppend;
    return settings;
}

std::int32_t clsQRCode::EciHeaderBits(std::int32_t designator) {
    return clsSegmentWriter::EciHeaderBits(designator);
}

// ---- Character tests ----

std::int32_t clsQRCode::GetCharClass(std::uint8_t byte) {
    return clsModeTable::CharClass(byte);
}

std::int32_t clsQRCode::GetAlphanumericValue(std::uint8_t byte) {
    return clsModeTable::AlphanumericValue(byte);
}

bool clsQRCode::IsKanjiPair(std::uint8_t lead, std::uint8_t trail) {
    return clsModeTable::IsKanjiPair(lead, trail);
}

// ---- Segmentation and bit stream ----

void clsQRCode::BuildBitStream(std::span<std::uint8_t> bits, std::span<const std::uint8_t> data,
                               std::int32_t length, std::int32_t version, bool measureOnly,
                               std::int32_t& bitLength) const {
    const std::int32_t n =
        std::min<std::int64_t>(std::max<std::int32_t>(length, 0), std::ssize(data));
    clsQRSegmentation stream(data.data(), n, StreamSettings());
    if (measureOnly && n > 0) {
        bitLength = stream.MeasuredBits(version);
        return;
    }
    // Written in both uses for empty input: its stream is the terminator alone.
    clsBitWriter out(bits);
    bitLength = stream.Write(out, version);
}

bool clsQRCode::ByteSegmentHoldsHighByte(std::span<const std::uint8_t> bytes, std::int32_t length,
                                         std::int32_t version, std::int32_t level) const {
    if (level < 1 || level > clsQRCapacity::LevelCount) {
        level = kDefaultLevel;
    }
    const std::int32_t n =
        std::min<std::int64_t>(std::max<std::int32_t>(length, 0), std::ssize(bytes));
    if (version < 0 || n > MaxInputLength) {
        return false;
    }
    clsQRSegmentation stream(bytes.data(), n, StreamSettings());
    if (version == 0 || version > MaxVersion) {
        version = ChooseVersion(stream, level);
    }
    return version != 0 && stream.ByteSegmentHoldsHighByte(version);
}

// ---- Matrix layout ----

void clsQRCode::DrawFunctionPatterns(std::span<std::uint8_t> matrix, std::int32_t version) const {
    const clsModuleMatrix view = LayoutView(matrix, version);
    if (!view.Empty()) {
        clsQRLayout::DrawFunctionPatterns(view, version);
    }
}

void clsQRCode::PlaceCodewords(std::span<const std::uint8_t> pattern, std::span<std::uint8_t> data,
                               std::span<const std::uint8_t> sequence, std::int32_t bitCount,
                               std::int32_t side) const {
    const clsModuleMatrix dataView = clsModuleMatrix::Of(data, side, side, side);
    if (!dataView.Empty()) {
        clsPlacement::PlaceBits(pattern, side + clsQRLayout::ExtraModules, dataView, sequence,
                                bitCount, clsQRLayout::PlacementSkipColumn);
    }
}

// ---- Masking, format and version information ----

std::int32_t clsQRCode::ApplyMask(std::span<std::uint8_t> matrix, std::int32_t size,
                                  std::int32_t mask) const {
    if (!IsMask(mask)) {
        mask = 0;
    }
    const clsModuleMatrix view = clsModuleMatrix::Of(matrix, size, size, size);
    if (!view.Empty()) {
        clsDataMask::Apply(view, mask);
    }
    return mask;
}

std::int32_t clsQRCode::GetBchRemainder(std::int32_t value, std::int32_t generator,
                                        std::int32_t topBit, std::int32_t steps) {
    return clsFormatInformation::BchRemainder(value, generator, topBit, steps);
}

std::int32_t clsQRCode::VersionWord(std::int32_t version) {
    return clsFormatInformation::QRVersionWord(version);
}

std::int32_t clsQRCode::FormatWord(std::int32_t level, std::int32_t mask) {
    return clsFormatInformation::QRFormatWord(level, mask);
}

void clsQRCode::WriteVersionInformation(std::span<std::uint8_t> matrix,
                                        std::int32_t version) const {
    const clsModuleMatrix view = LayoutView(matrix, version);
    if (!view.Empty()) {
        WriteVersionWords(view, version);
    }
}

void clsQRCode::WriteFormatInformation(std::span<std::uint8_t> matrix, std::int32_t version,
                                       std::int32_t level, std::int32_t mask) const {
    const clsModuleMatrix view = LayoutView(matrix, version);
    if (!view.Empty()) {
        WriteFormatWords(view, level, mask);
    }
}

// ---- Encoding pipeline ----

std::optional<clsQRCode::Symbol> clsQRCode::EncodeMatrix(std::span<const std::uint8_t> bytes,
                                                         std::int32_t length, std::int32_t version,
                                                         std::int32_t level, std::int32_t mask) {
    Symbol symbol;
    if (!EncodeMatrixInto(symbol, bytes, length, version, level, mask)) {
        return std::nullopt;
    }
    return symbol;
}

bool clsQRCode::EncodeMatrixInto(Symbol& symbol, std::span<const std::uint8_t> bytes,
                                 std::int32_t length, std::int32_t version, std::int32_t level,
                                 std::int32_t mask) {
    if (!PlaceSymbol(symbol, bytes, length, version, level, IsMask(mask) ? mask : 0)) {
        return false;
    }
    WriteInformation(symbol);
    return true;
}

bool clsQRCode::PlaceSymbol(Symbol& symbol, std::span<const std::uint8_t> bytes,
                            std::int32_t length, std::int32_t version, std::int32_t level,
                            std::int32_t mask) {
    if (level < 1 || level > clsQRCapacity::LevelCount) {
        level = kDefaultLevel;
    }
    if (version < 0) {
        return false;
    }
    length = clsSymbolBuilder::ClampLength(bytes, length);
    if (length > MaxInputLength) {
        return false; // no symbol holds it: spare the segmentation its cost
    }

    // Headers, segments, terminator and pad codewords for the version chosen. The first dc bytes
    // of `codewords` take them, the next total bytes the final sequence.
    std::uint8_t* codewords = nullptr;
    {
        clsQRSegmentation stream(bytes.data(), length, StreamSettings());
        if (version == 0 || version > MaxVersion) {
            version = ChooseVersion(stream, level);
        }
        if (version == 0 || !WriteDataCodewords(stream, version, level, codewords)) {
            return false;
        }
    }
    // The blocks and their check codewords, interleaved.
    clsSymbolBuilder build(m_FiniteField, m_ReedSolomon);
    const clsCodewordBlocks::BlockTable blocks = clsQRCapacity::Blocks(level, version);
    std::uint8_t* const sequence = codewords + blocks.DataCodewords();
    build.MakeBlocks(blocks, codewords, sequence);

    // The function patterns of the version's blank symbol (made once per process) and the
    // sequence placed around them.
    const std::int32_t side = clsQRLayout::SymbolSize(version);
    const clsLayoutCache::Layout& layout = clsLayoutCache::Get(
        version, side, side, kBitsPerCodeword * clsQRCapacity::TotalCodewords(version),
        clsQRLayout::PlacementSkipColumn, clsQRLayout::DrawFunctionPatterns, version);
    if (IsMask(mask)) {
        clsSymbolBuilder::PlaceMasked(symbol, version, level, layout, sequence, mask, mask);
    } else {
        clsSymbolBuilder::PlaceOnLayout(symbol, version, level, layout, sequence);
    }
    return true;
}

void clsQRCode::FinishSymbol(Symbol& symbol, std::int32_t mask) {
    clsSymbolBuilder::ApplyMask(symbol, mask, mask);
    WriteInformation(symbol);
}

void clsQRCode::WriteInformation(Symbol& symbol) {
    const clsModuleMatrix matrix = clsSymbolBuilder::Matrix(symbol);
    WriteVersionWords(matrix, symbol.Version);
    WriteFormatWords(matrix, symbol.Level, symbol.Mask);
}

std::int32_t clsQRCode::ChooseVersion(clsQRSegmentation& stream, std::int32_t level) {
    // The character-count widths change only at versions 10 and 27, so one measurement per count
    // class serves all its versions; lower bounds of the stream spare measuring a class whose
    // largest version cannot hold the input.
    std::int64_t digitBoundTimesSix = -1; // made only when the simple bounds leave it open
    std::int64_t leastBitsTimesSix = -1;  // made only when the digit bound leaves it open too
    for (std::int32_t c = 0; c < clsModeTable::QRCountClassCount; ++c) {
        const std::int32_t first = clsModeTable::QRClassFirstVersion[static_cast<std::size_t>(c)];
        const std::int32_t last = clsModeTable::QRClassLastVersion[static_cast<std::size_t>(c)];
        const std::int64_t capacityTimesSix =
            6 * static_cast<std::int64_t>(LargestCapacityBits(level, c));
        const std::int64_t prefixBitsTimesSix = 6 * static_cast<std::int64_t>(stream.PrefixBits());
        const std::int64_t length = stream.Length();
        if (kFewestBitsPerByteTimesSix * length + prefixBitsTimesSix > capacityTimesSix) {
            continue;
        }
        if (kMostBitsPerByteTimesSix * length + prefixBitsTimesSix > capacityTimesSix) {
            if (digitBoundTimesSix < 0) {
                digitBoundTimesSix = stream.DigitBoundTimesSix();
            }
            if (digitBoundTimesSix > capacityTimesSix) {
                continue;
            }
            if (leastBitsTimesSix < 0) {
                leastBitsTimesSix = stream.LeastBitsTimesSix();
            }
            if (leastBitsTimesSix > capacityTimesSix) {
                continue;
            }
        }
        const std::int32_t dataBits = stream.MeasuredBits(first) - clsModeTable::QRTerminatorBits;
        for (std::int32_t v = first; v <= last; ++v) {
            if (dataBits <= kBitsPerCodeword * clsQRCapacity::DataCodewords(level, v)) {
                return v;
            }
        }
    }
    return 0;
}

bool clsQRCode::WriteDataCodewords(clsQRSegmentation& stream, std::int32_t version,
                                   std::int32_t level, std::uint8_t*& codewords) {
    const clsCodewordBlocks::BlockTable blocks = clsQRCapacity::Blocks(level, version);
    const std::int32_t dc = blocks.DataCodewords();
    // Not cleared: the stream, the pad codewords and the interleaving write every byte but the
    // spare ones.
    const std::int32_t size = dc + blocks.Total + kSequenceSpare;
    codewords = CodewordBuffer(static_cast<std::size_t>(size));
    std::fill_n(codewords + size - kSequenceSpare, kSequenceSpare, std::uint8_t{0});
    // Written straight into codewords; the last one is filled up with zero bits.
    clsCodewordWriter out(std::span<std::uint8_t>(codewords, static_cast<std::size_t>(dc)));
    const std::int32_t d = stream.Write(out, version);
    // The data bits must fit; the terminator may be cut short.
    if (d - clsModeTable::QRTerminatorBits > kBitsPerCodeword * dc) {
        return false;
    }
    clsSymbolBuilder::Pad(codewords, d, kBitsPerCodeword * dc, dc);
    return true;
}

} // namespace ostrel
