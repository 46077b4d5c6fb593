#pragma once

#include "OstrelExport.h"
#include "clsCodewordBlocks.h"
#include "clsFiniteField.h"
#include "clsModeTable.h"
#include "clsPlacement.h"
#include "clsQRLayout.h"
#include "clsQRSegmentation.h"
#include "clsReedSolomon.h"
#include "clsSegmentSearch.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// The picture member Encode belongs to the desktop program's picture module (Qt), not to the
// installed library: it is declared only where OSTREL_QR_PICTURE is defined, which this project's
// own build does. Users of the installed headers need no Qt and see no QImage.
#ifdef OSTREL_QR_PICTURE
class QImage;
#endif

namespace ostrel {

// QR Code Model 2 encoder (ISO/IEC 18004), versions 1 to 40, levels L, M, Q and H.
//
// Encode turns a byte string and three settings into a finished symbol: it chooses the
// segmentation (numeric, alphanumeric, byte and Kanji segments) with the fewest bits, the smallest
// version that holds them (or the given one), pads, splits into blocks, adds the Reed-Solomon
// check codewords, interleaves, lays out the function patterns, places the codewords, applies the
// given mask and writes the format and version information. The mask is the caller's choice: no
// penalty evaluation takes place.
//
// Settings: version 1..40, 0 or above 40 for automatic, negative for no symbol; level 1 = L,
// 2 = M, 3 = Q, 4 = H (anything else becomes M); mask 0..7 (anything else becomes 0).
//
// The class uses the standard library only; the one member that makes a picture, Encode, lives
// with the picture module. An object is not safe to use from two threads at once.
//
// The stages live in units of their own, which this class strings together (EncodeMatrix):
//   clsModeTable, clsSegmentSearch, clsSegmentWriter, clsQRSegmentation  the data bit stream;
//   clsQRCapacity, clsCodewordBlocks (with clsReedSolomon)    codewords, blocks, interleaving;
//   clsQRLayout, clsFunctionPatterns, clsModuleMatrix          the symbol's geometry;
//   clsPlacement                                               codeword placement;
//   clsDataMask, clsFormatInformation                          masking, format and version words.
// clsSymbolBuilder takes the steps that Micro QR and rMQR (clsMicroQRCode, clsRMQRCode) share
// with it: padding, blocks, the blank symbol, placement and masking.
// The reference operations below (BuildBitStream, DrawFunctionPatterns, PlaceCodewords,
// ApplyMask, WriteVersionInformation, WriteFormatInformation) call the same units; of them,
// DrawFunctionPatterns and the two Write...Information are the pipeline's own stages, while
// BuildBitStream (one entry per bit), PlaceCodewords (into a separate data matrix) and ApplyMask
// (on a plain bit matrix) are reference forms kept for tests and callers: the pipeline writes
// packed codewords, places them along precompiled runs and masks and combines in one pass.
class OSTREL_API clsQRCode {
public:
    // ---- Constants of the standard ----
    static constexpr std::int32_t MinVersion = clsQRLayout::MinVersion;
    static constexpr std::int32_t MaxVersion = clsQRLayout::MaxVersion;
    // One entry per bit of a stream; the largest symbol holds 3706 codewords = 29648 bits.
    static constexpr std::int32_t BitBufferLength = 32768;
    // Entries of the block array: the longest block of any version and level has 153 codewords.
    static constexpr std::int32_t BlockArrayLength = clsCodewordBlocks::BlockArrayLength;
    // No symbol holds more than 7089 bytes (version 40-L, numeric digits): longer input gets no
    // symbol without any segmentation work.
    static constexpr std::int32_t MaxInputLength = 7089;
    // Cost of a segment-table cell that cannot be reached.
    static constexpr std::int32_t Unreachable = clsSegmentSearch::Unreachable;

    // Mode numbers of the segmentation (clsModeTable); a lower number wins ties.
    static constexpr std::int32_t ModeByte = clsModeTable::Byte;
    static constexpr std::int32_t ModeNumeric = clsModeTable::Numeric;
    static constexpr std::int32_t ModeAlphanumeric = clsModeTable::Alphanumeric;
    static constexpr std::int32_t ModeKanji = clsModeTable::Kanji;

    // A finished symbol: Side = 17 + 4 * Version modules square, stored as a module matrix of
    // (Side + 3) x (Side + 3) bytes, x fastest, 0 light and 1 dark; the three extra columns and
    // rows are always 0 (light quiet zone). Width and Height equal Side for QR Code; a symbol type
    // that is not square sets them (and may leave Side 0). A symbol made by hand with Side alone
    // counts as Side x Side.
    struct Symbol {
        std::int32_t Version = 0;
        std::int32_t Level = 0; // level number actually used, 1..4
        std::int32_t Mask = 0;  // mask number actually used, 0..7
        std::int32_t Side = 0;
        std::vector<std::uint8_t> Modules;
        std::int32_t Width = 0;
        std::int32_t Height = 0;

        std::int32_t Columns() const { return Width > 0 ? Width : Side; }
        std::int32_t Rows() const { return Height > 0 ? Height : Side; }
        std::int32_t Stride() const { return Columns() + 3; }
        // Module (x, y), x the column from the left; 0 outside the symbol.
        std::uint8_t At(std::int32_t x, std::int32_t y) const;
    };

    clsQRCode();

    // ---- Settings ----
    // Kanji mode takes part in the segmentation search (default on). Readers decode Kanji
    // segments as Shift JIS, so a caller whose bytes are not Shift JIS switches it off.
    void SetKanjiMode(bool on) { m_KanjiMode = on; }
    bool KanjiMode() const { return m_KanjiMode; }
    // Hanzi mode (GB/T 18284, GB 2312 subset) takes part in the segmentation search (default
    // off): double-byte GB 2312 characters (lead A1..AA or B0..FA, trail A1..FE) in 13 bits
    // each, after mode indicator 1101 and subset indicator 0001. For GB 2312 data only; it
    // leaves Kanji mode out of the search while it is on (their pairs overlap).
    void SetHanziMode(bool on) { m_HanziMode = on; }
    bool HanziMode() const { return m_HanziMode; }

    // Extended Channel Interpretation (ISO/IEC 18004 clause 7.4.2). With a designator set, every
    // stream of non-empty input starts with the ECI mode indicator 0111 and the designator in
    // the shortest of the three forms of clause 7.4.2.2 (one byte for 0..127, two bytes for
    // 128..16383, three bytes up to 999999), and the version choice counts those bits. 0 or
    // negative (the default) writes no ECI header: the stream is exactly that of an encoder
    // without this setting. A designator above 999999 does not exist and counts as none.
    // Readers still decode Kanji segments as Shift JIS: a caller that declares another
    // character set switches Kanji mode off.
    void SetEciDesignator(std::int32_t designator);
    std::int32_t EciDesignator() const { return m_EciDesignator; }
    // Length of the ECI header for a designator: 12, 20 or 28 bits for the three forms; 0 for
    // none (0 or negative, or above 999999).
    static std::int32_t EciHeaderBits(std::int32_t designator);

    // Structured append (ISO/IEC 18004 clause 8): with a header set, every stream starts with
    // mode indicator 0011, the symbol's position Index (0..15), Count - 1 (Count 1..16) and the
    // parity byte of the whole message, 20 bits ahead of any ECI header and of the segments (also
    // for empty input), and the version choice counts them. nullopt (the default) writes none;
    // a header with a field out of range counts as none. clsStructuredAppend decides the parts.
    using StructuredAppendHeader = clsQRSegmentation::StructuredAppendHeader;
    void SetStructuredAppend(std::optional<StructuredAppendHeader> header);
    const std::optional<StructuredAppendHeader>& StructuredAppend() const {
        return m_StructuredAppend;
    }

    // FNC1 in first position (clause 7.4.8.2): GS1 data, the indicator 0101 after the other
    // headers of non-empty input, each byte 0x1D a separator (written '%' in alphanumeric mode,
    // where a '%' of the data is written '%%'). Off (the default) changes nothing.
    // With an application indicator of 0 or above (00..99, a letter's ASCII value + 100): FNC1
    // in second position (indicator 1001 and the 8-bit application indicator) instead.
    void SetFnc1(bool on, std::int32_t application = -1) {
        m_Fnc1 = on;
        m_Fnc1Application = application < 0 ? clsQRSegmentation::Fnc1FirstPosition
                                            : static_cast<std::uint8_t>(application);
    }
    bool Fnc1() const { return m_Fnc1; }

    // ---- Encoding ----
#ifdef OSTREL_QR_PICTURE
    // The finished symbol as a picture: one pixel per module with a 4-module white quiet zone,
    // (Side + 8) pixels square; a null image when no symbol can be made. Reads bytes[0 ..
    // length-1] (never more than bytes.size()).
    QImage Encode(std::span<const std::uint8_t> bytes, std::int32_t length, std::int32_t version,
                  std::int32_t level, std::int32_t mask);
#endif

    // The same symbol as a module matrix, without any picture; nullopt when no symbol can be made
    // (negative version, data too long for the version or for version 40).
    std::optional<Symbol> EncodeMatrix(std::span<const std::uint8_t> bytes, std::int32_t length,
                                       std::int32_t version, std::int32_t level, std::int32_t mask);
    // The same symbol written into symbol, whose storage is reused: a caller that keeps one
    // symbol for its calls makes no allocation once it has held one as large. False, and symbol
    // unchanged, when no symbol can be made.
    bool EncodeMatrixInto(Symbol& symbol, std::span<const std::uint8_t> bytes, std::int32_t length,
                          std::int32_t version, std::int32_t level, std::int32_t mask);

    // ---- Tables (ISO/IEC 18004 Tables 1, 9 and Annex E) ----
    // side = 17 + 4v; 0 outside 1..40.
    std::int32_t GetSymbolSize(std::int32_t version) const;
    // Alignment coordinates per axis: 1 for versions below 2, else v / 7 + 2 (no upper bound).
    std::int32_t GetAlignmentCoordinateCount(std::int32_t version) const;
    // Modules left for codewords and remainder bits; 0 outside 1..40.
    std::int32_t GetDataModuleCount(std::int32_t version) const;
    // GetDataModuleCount / 8; 0 outside 1..40.
    std::int32_t GetTotalCodewords(std::int32_t version) const;
    // Error-correction blocks and check codewords per block for level 1..4 and version 1..40;
    // 0 outside those ranges.
    std::int32_t BlockCount(std::int32_t level, std::int32_t version) const;
    std::int32_t EccPerBlock(std::int32_t level, std::int32_t version) const;
    // Distance between neighbouring alignment-pattern centres; 255 for versions 1 to 6.
    std::int32_t AlignmentSpacing(std::int32_t version) const;
    // 2^k for k = 0..17; 0 outside.
    std::int32_t BitMask(std::int32_t k) const;
    // Data capacity in codewords; 0 for settings outside the tables.
    std::int32_t GetDataCodewords(std::int32_t level, std::int32_t version) const;

    // ---- Segmentation and bit stream (ISO/IEC 18004 clause 7.4) ----
    // 1 for a digit, 2 for the other characters of the alphanumeric set, 0 for everything else.
    static std::int32_t GetCharClass(std::uint8_t byte);
    // Value in the alphanumeric character set (Table 5); 0 for bytes outside it.
    static std::int32_t GetAlphanumericValue(std::uint8_t byte);
    // True when (lead, trail) is a Kanji-mode candidate: lead 0x81..0x9F or 0xE0..0xEA with
    // trail 0x40..0xFF, or lead 0xEB with trail 0x40..0xBF.
    static bool IsKanjiPair(std::uint8_t lead, std::uint8_t trail);

    // The cheapest data bit stream of data[0 .. length-1] for the width class of version
    // (1-9, 10-26, 27-40), by a shortest-path search over (position, mode), after the ECI header
    // when a designator is set (non-empty input only). With measureOnly the
    // bit length (terminator included) is returned in bitLength and bits is not written (but for
    // empty input, whose stream is the 4-bit terminator alone). Otherwise the stream and the
    // terminator are written from bits[0]; entries beyond bits.size() are never stored, but still
    // counted, so that an overlong stream is returned with its true length.
    void BuildBitStream(std::span<std::uint8_t> bits, std::span<const std::uint8_t> data,
                        std::int32_t length, std::int32_t version, bool measureOnly,
                        std::int32_t& bitLength) const;

    // Whether a byte-mode segment of the stream that EncodeMatrix would write for
    // bytes[0 .. length-1] at version and level, under the settings as they are, holds a byte
    // 0x80 or above: with Hanzi mode, a GB 2312 character that the search found cheaper in a
    // byte segment beside ASCII, which readers take by the declared character set (or by their
    // guess) rather than as GB 2312 by itself. version 0 or above 40 is the smallest version that
    // holds the stream, as in EncodeMatrix; a version given is taken even when the stream
    // outgrows it (its count class decides the segmentation). False for a negative version,
    // when no version holds the stream and for empty input.
    bool ByteSegmentHoldsHighByte(std::span<const std::uint8_t> bytes, std::int32_t length,
                                  std::int32_t version, std::int32_t level) const;

    // ---- Matrix layout (ISO/IEC 18004 clauses 6.3, 7.7) ----
    // Marks the function patterns in a zeroed module matrix of (side+3)^2 bytes: 1 dark
    // function module, 2 light function module or reserved area, 0 free. Writes nothing for a
    // version outside 1..40 or a matrix that is too small.
    void DrawFunctionPatterns(std::span<std::uint8_t> matrix, std::int32_t version) const;
    // Places bitCount bits of sequence into the free modules of data (side x side) in the
    // standard's two-column zig-zag order, the free modules being those that are 0 in pattern.
    void PlaceCodewords(std::span<const std::uint8_t> pattern, std::span<std::uint8_t> data,
                        std::span<const std::uint8_t> sequence, std::int32_t bitCount,
                        std::int32_t side) const;

    // ---- Masking, format and version information (ISO/IEC 18004 clauses 7.8, 7.9, 7.10) ----
    // XORs with 1 every module of the size x size matrix where mask condition holds; a mask
    // outside 0..7 becomes 0. Returns the mask applied.
    std::int32_t ApplyMask(std::span<std::uint8_t> matrix, std::int32_t size,
                           std::int32_t mask) const;
    // Remainder of value * x^steps divided by the generator (topBit = the generator's leading
    // term); value itself when steps <= 0.
    static std::int32_t GetBchRemainder(std::int32_t value, std::int32_t generator,
                                        std::int32_t topBit, std::int32_t steps);
    // The 18-bit version word: version in bits 17..12, BCH(18,6) remainder in bits 11..0.
    static std::int32_t VersionWord(std::int32_t version);
    // The 15-bit format word for level 1..4 and mask 0..7, XOR-masked with 101010000010010.
    static std::int32_t FormatWord(std::int32_t level, std::int32_t mask);
    // Writes the version information (versions 7 and above) into a finished module matrix.
    void WriteVersionInformation(std::span<std::uint8_t> matrix, std::int32_t version) const;
    // Writes both copies of the format information into a finished module matrix.
    void WriteFormatInformation(std::span<std::uint8_t> matrix, std::int32_t version,
                                std::int32_t level, std::int32_t mask) const;

private:
    // ---- Steps of EncodeMatrix ----
    // The smallest version whose data capacity at level holds the stream; 0 when none does.
    static std::int32_t ChooseVersion(clsQRSegmentation& stream, std::int32_t level);
    // The stream for version written into codewords, then the pad codewords up to the capacity;
    // codewords points to room for the data codewords, the final sequence after them and spare
    // bytes (the calling thread's buffer, kept between symbols). False when the data bits exceed
    // the capacity.
    static bool WriteDataCodewords(clsQRSegmentation& stream, std::int32_t version,
                                   std::int32_t level, std::uint8_t*& codewords);
    // The symbol up to its mask, into symbol (its storage reused): the data codewords of the
    // version chosen (or given), the blocks, the function patterns and the codeword sequence
    // placed around them, its modules still clsModuleMatrix values; false, and symbol unchanged,
    // when no symbol can be made. A level outside 1..4 becomes M. With a mask 0..7 the symbol is
    // placed already masked (clsSymbolBuilder::PlaceMasked): FinishSymbol's modules, but for the
    // version and format information (WriteInformation).
    bool PlaceSymbol(Symbol& symbol, std::span<const std::uint8_t> bytes, std::int32_t length,
                     std::int32_t version, std::int32_t level, std::int32_t mask = -1);
    // Masks a placed symbol with mask 0..7 and writes its version and format information.
    static void FinishSymbol(Symbol& symbol, std::int32_t mask);
    // Writes the version and format information of a masked symbol (its Mask).
    static void WriteInformation(Symbol& symbol);
    // The automatic mask evaluates the eight masks on one placed symbol.
    friend class clsMaskPenalty;

    std::array<std::int32_t, 18> m_BitMask{};
    std::shared_ptr<clsFiniteField> m_FiniteField;
    std::unique_ptr<clsReedSolomon> m_ReedSolomon;
    bool m_KanjiMode = true;
    bool m_HanziMode = false;
    // In the padding after the two modes: the class keeps its 2.0 layout.
    bool m_Fnc1 = false;
    std::uint8_t m_Fnc1Application = clsQRSegmentation::Fnc1FirstPosition;
    std::int32_t m_EciDesignator = 0; // 0: no ECI header
    std::optional<StructuredAppendHeader> m_StructuredAppend;

    // The settings of the data bit stream: Kanji, Hanzi, ECI, structured append.
    clsQRSegmentation::Settings StreamSettings() const;
};

} // namespace ostrel
