#pragma once

#include "clsModeTable.h"
#include "clsQRCode.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace ostrel {

// Rectangular Micro QR Code (rMQR, ISO/IEC 23941) encoder, the 32 sizes R7x43 to R17x139, on the
// stages of the QR encoder: the optimal segmentation under each size's mode table (3-bit mode
// indicators, count widths per size, a 3-bit terminator), after an ECI header when a designator
// is set; the Reed-Solomon blocks of clsRMQRTable; the two-column placement over width x height;
// the single data mask (the QR Code mask 4 condition) and the 18-bit format information on both
// sides.
//
// The automatic size is the smallest that holds the data: the smallest area, then the lower
// height; with a required height only the sizes of that height take part.
//
// Settings: size index 0..31 (clsRMQRTable), or -1 for the automatic choice; level 2 = M or
// 4 = H (rMQR has no L and no Q). The symbol comes back as a clsQRCode::Symbol: Version = index +
// 1 (1..32), Level, Mask 4 (the condition used), Side 0, Width and Height the symbol's, modules
// with a stride of Width + 3. Not safe to use from two threads at once.
class clsRMQRCode {
public:
    static constexpr std::int32_t AutomaticSize = -1;
    // The mask condition of rMQR: QR Code mask 4, (i div 2 + j div 3) mod 2 = 0.
    static constexpr std::int32_t Mask = 4;
    // The longest input of any rMQR symbol: 361 digits (R17x139, level M).
    static constexpr std::int32_t MaxInputLength = 361;

    clsRMQRCode();

    void SetKanjiMode(bool on) { m_KanjiMode = on; }
    bool KanjiMode() const { return m_KanjiMode; }
    // ECI (ISO/IEC 23941 mode indicator 111, the designator as in ISO/IEC 18004 clause 7.4.2.2)
    // before the segments of non-empty input; 0 or negative for none, as clsQRCode.
    void SetEciDesignator(std::int32_t designator);
    std::int32_t EciDesignator() const { return m_EciDesignator; }
    // FNC1 in first position (ISO/IEC 23941 mode indicator 101, after any ECI header), as
    // clsQRCode::SetFnc1: GS1 data with 0x1D separators. Off by default.
    // With an application indicator (as clsQRCode::SetFnc1), FNC1 in second position (110).
    void SetFnc1(bool on, std::int32_t application = -1) {
        m_Fnc1 = on;
        m_Fnc1Application = application;
    }
    bool Fnc1() const { return m_Fnc1; }
    // Restricts the automatic choice to one height (7, 9, 11, 13, 15, 17); 0 for any height.
    void SetRequiredHeight(std::int32_t height) { m_RequiredHeight = height; }
    std::int32_t RequiredHeight() const { return m_RequiredHeight; }

    // The finished symbol; nullopt when there is none: an index outside -1..31, a level other
    // than M and H, no size of the required height, or data too long for the size (or for every
    // allowed size).
    std::optional<clsQRCode::Symbol> EncodeMatrix(std::span<const std::uint8_t> bytes,
                                                  std::int32_t length, std::int32_t index,
                                                  std::int32_t level);
    // The same symbol written into symbol, whose storage is reused: no allocation once it has
    // held a symbol as large. False, and symbol unchanged, when there is none.
    bool EncodeMatrixInto(clsQRCode::Symbol& symbol, std::span<const std::uint8_t> bytes,
                          std::int32_t length, std::int32_t index, std::int32_t level);

    // The mode table of a size index 0..31 (with fnc1, the FNC1 table: clsModeTable::WithFnc1).
    static clsModeTable ModeTable(std::int32_t index, bool kanji, bool fnc1 = false);
    // The size indexes in the order of the automatic choice: area, then height.
    static const std::array<std::int32_t, 32>& SizesBySmallest();

private:
    // The cheapest segmentation's data bits for each size tried (without the terminator), and the
    // size chosen: the one asked, or the smallest allowed that holds them; AutomaticSize for none.
    // preds takes the predecessors of the searches (length bytes).
    std::int32_t ChooseSize(std::span<const std::uint8_t> bytes, std::int32_t length,
                            std::int32_t index, std::int32_t level, std::uint8_t* preds) const;
    // The finished symbol of a size into symbol: patterns, the interleaved sequence of the padded
    // data codewords placed, mask and format information.
    void FinishSymbol(clsQRCode::Symbol& symbol, std::int32_t index, std::int32_t level,
                      const std::uint8_t* data);

    std::shared_ptr<clsFiniteField> m_FiniteField;
    std::unique_ptr<clsReedSolomon> m_ReedSolomon;
    bool m_KanjiMode = true;
    std::int32_t m_EciDesignator = 0;
    bool m_Fnc1 = false;
    std::int32_t m_Fnc1Application = -1;
    std::int32_t m_RequiredHeight = 0;
};

} // namespace ostrel
