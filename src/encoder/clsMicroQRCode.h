#pragma once

#include "clsModeTable.h"
#include "clsQRCode.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace ostrel {

// Micro QR Code encoder (ISO/IEC 18004, Micro QR), versions M1 to M4, on the stages of the QR
// encoder: the optimal segmentation under each version's mode table (M1 numeric only, M2 adds
// alphanumeric, M3 and M4 byte and Kanji; indicators of 0 to 3 bits, count widths and
// terminators per version), one Reed-Solomon block, the two-column placement without a column to
// step over, the four data masks (the QR Code masks 1, 4, 6 and 7) and the 15-bit format
// information. M1 and M3 end their data in a 4-bit codeword.
//
// Settings: version 1..4 (M1..M4), 0 for the lowest version that offers the level and holds the
// data; level 1 = L, 2 = M, 3 = Q (M1 answers to L alone, as error detection; no version has
// H); mask 0..3, or -1 for the standard's evaluation (the dark modules of the right and bottom
// edges). No ECI: Micro QR has no ECI mode.
//
// The symbol comes back as a clsQRCode::Symbol: Version 1..4, Level, Mask 0..3, Side = Width =
// Height = 2 * version + 9, the modules with a stride of Side + 3. Not safe to use from two
// threads at once.
class clsMicroQRCode {
public:
    // The longest input of any Micro QR symbol: 35 digits (M4-L).
    static constexpr std::int32_t MaxInputLength = 35;
    static constexpr std::int32_t AutomaticMask = -1;

    clsMicroQRCode();

    // Kanji mode takes part in the segmentation (M3 and M4; default on).
    void SetKanjiMode(bool on) { m_KanjiMode = on; }
    bool KanjiMode() const { return m_KanjiMode; }

    // The finished symbol; nullopt when there is none: a version outside 0..4, a level the
    // version does not offer (H always), a mask outside -1..3, data the allowed modes cannot
    // carry or too long for the version (or for M4).
    std::optional<clsQRCode::Symbol> EncodeMatrix(std::span<const std::uint8_t> bytes,
                                                  std::int32_t length, std::int32_t version,
                                                  std::int32_t level, std::int32_t mask);
    // The same symbol written into symbol, whose storage is reused: no allocation once it (and
    // this object) have made a symbol as large. False, and symbol unchanged, when there is none.
    bool EncodeMatrixInto(clsQRCode::Symbol& symbol, std::span<const std::uint8_t> bytes,
                          std::int32_t length, std::int32_t version, std::int32_t level,
                          std::int32_t mask);

    // The mode table of a version (1..4): allowed modes, indicators, count widths, terminator.
    // One made once per process (outside 1..4: a table that allows no mode); MakeModeTable makes
    // it from clsMicroQRTable, the reference the kept ones are tested against.
    static const clsModeTable& ModeTable(std::int32_t version, bool kanji);
    static clsModeTable MakeModeTable(std::int32_t version, bool kanji);
    // True when every byte of data[0 .. n-1] is one that only byte mode carries: outside the
    // alphanumeric set, and with kanji below 0x81 (no Kanji pair starts). The best segmentation of
    // such data under a table that allows byte mode is then one byte segment when n fits its count
    // (the search gives the same; the encoder takes this way without searching).
    static bool OnlyByteMode(const std::uint8_t* data, std::int32_t n, bool kanji);
    // The QR Code mask whose condition Micro QR mask 0..3 uses: 1, 4, 6, 7.
    static std::int32_t QRMask(std::int32_t mask);
    // The evaluation of a masked symbol (clause 7.8.3.2): SUM1 the dark modules of the right
    // edge, SUM2 those of the bottom edge (the timing modules of row 0 and column 0 left out);
    // 16 * the smaller + the larger. The mask with the highest score is chosen, the lowest
    // number on a tie. 0 for a symbol without its modules.
    static std::int32_t EdgeScore(const clsQRCode::Symbol& symbol);

private:
    // The version to make (0 when none holds the data at level: the version asked for, or the
    // lowest for 0) and the mode of each of the length bytes under it (modes, length bytes); for
    // data that is one byte segment (OnlyByteMode, its count fitting) only a mark in modes[0],
    // 0xFF, that no mode has.
    std::int32_t ChooseVersion(const std::uint8_t* data, std::int32_t length, std::int32_t version,
                               std::int32_t level, std::uint8_t* modes) const;
    // The function patterns and the placed codeword sequence of a version: before masking for
    // AutomaticMask, else placed already masked with mask (clsSymbolBuilder::PlaceMasked).
    static void PlaceSymbol(clsQRCode::Symbol& symbol, std::int32_t version, std::int32_t level,
                            const std::uint8_t* sequence, std::int32_t mask);
    // For AutomaticMask applies the best of the four masks by the edge evaluation (a symbol
    // placed with a given mask is masked already); then writes the format information.
    void MaskAndFormat(clsQRCode::Symbol& symbol, std::int32_t mask, std::int32_t version,
                       std::int32_t level);

    std::shared_ptr<clsFiniteField> m_FiniteField;
    std::unique_ptr<clsReedSolomon> m_ReedSolomon;
    // The candidates of the automatic mask, kept for their storage (nothing else carries over).
    std::array<clsQRCode::Symbol, 2> m_MaskScratch;
    bool m_KanjiMode = true;
};

} // namespace ostrel
