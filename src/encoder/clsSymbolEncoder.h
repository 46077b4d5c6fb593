#pragma once

#include "clsMicroQRCode.h"
#include "clsQRCode.h"
#include "clsRMQRCode.h"
#include "clsStructuredAppend.h"
#include "clsSymbology.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ostrel {

// One way in for the three symbologies: the settings and the bytes, and either the symbol or
// the reason there is none, with the facts a message needs. The settings are checked against the
// symbology's descriptor (clsSymbology) before any encoding work; the symbol itself is made by
// clsQRCode (with clsMaskPenalty for the automatic mask), clsMicroQRCode or clsRMQRCode, exactly
// as those make it.
//
// An object keeps one encoder of each symbology with their tables between calls; it is not safe
// to use from two threads at once.
class clsSymbolEncoder {
public:
    // A mask value that asks for the symbology's own choice (clsSymbology::AutomaticMask).
    static constexpr std::int32_t AutomaticMask = -1;

    struct Settings {
        Symbology Kind = Symbology::QR;
        std::int32_t Version = clsSymbology::AutomaticVersion; // or 1..VersionCount()
        std::int32_t Level = 0; // 1..4; 0 for the symbology's default level
        // A mask number, AutomaticMask, or unset for the symbology's default (QR Code 0, Micro
        // QR automatic, rMQR its fixed pattern). A symbology without a choice takes none.
        std::optional<std::int32_t> Mask;
        std::int32_t Eci = 0; // ECI designator 1..999999, 0 for none
        bool Kanji = false;   // Kanji mode takes part in the segmentation
        bool Hanzi = false;   // Hanzi mode (GB 2312 data), not with Kanji
        std::optional<clsQRCode::StructuredAppendHeader> Header;
        std::int32_t Height = 0; // the automatic size only among this height; 0 any
        // Once the version is fixed (the one asked, or the smallest that holds the data at
        // Level), the highest level that version offers whose symbol still holds the data: the
        // version never grows and the level never falls below Level. The symbol is then exactly
        // the plain encode at that version and level. With a Header the one symbol is boosted on
        // its own; EncodeParts gives a whole set one level.
        bool BoostLevel = false;
        // GS1 data: FNC1 in first position, the bytes an element string with 0x1D separators
        // (clsModeTable::WithFnc1). QR Code and rMQR; not with ECI or structured append.
        bool Gs1 = false;
        // FNC1 in second position for an industry application: its indicator, two digits 0..99
        // or a letter's ASCII value + 100 (A-Z, a-z); -1 for none. Not with Gs1; otherwise as
        // Gs1 (QR Code and rMQR, separators 0x1D, no ECI or structured append).
        std::int32_t Fnc1Application = -1;
    };

    // Why there is no symbol.
    enum class Refusal {
        None,
        TooLong,         // the data does not fit (Version, Level, Capacity say where)
        NoSuchVersion,   // Version is none of the symbology's
        LevelNotOffered, // the version (or, automatic, every version) lacks the level
        NoSuchMask,      // the mask is outside 0..MaskCount()-1
        NoMaskChoice,    // a mask was given to a symbology with one fixed pattern
        EciNotTaken,     // an ECI designator for a symbology without ECI
        NoSuchEci,       // a designator outside 1..999999
        KanjiWithHanzi,  // both double-byte modes at once
        HanziNotTaken,   // Hanzi mode for a symbology without it
        StructuredAppendNotTaken,
        NoSuchHeader,      // a structured-append header with a field out of range
        HeightNotTaken,    // a height for a symbology without heights
        NoSuchHeight,      // a height of no size, or a height beside a fixed version
        Fnc1NotTaken,      // GS1 data for a symbology without FNC1 (Micro QR)
        Fnc1WithHeader,    // GS1 data with ECI or structured append
        NoSuchApplication, // an application indicator that is no two digits or letter, or with GS1
    };

    struct Outcome {
        std::optional<clsQRCode::Symbol> Symbol;
        Refusal Why = Refusal::None;
        // The settings as checked: the level after the default (with BoostLevel, for a symbol,
        // the level it was made at), the version asked (0 for automatic). For TooLong, Largest is
        // the version the data was last measured against (the one asked, else the largest allowed)
        // and Capacity the bytes it holds in one byte segment at the level after the headers.
        std::int32_t Version = 0;
        std::int32_t Level = 0;
        std::int32_t Largest = 0;
        std::int32_t Capacity = 0;
        std::int32_t Length = 0;

        explicit operator bool() const { return Symbol.has_value(); }
    };

    // A letter's application indicator is its ASCII value plus this.
    static constexpr std::int32_t ApplicationLetterOffset = 100;
    // Whether Fnc1Application is an application indicator (00..99, A-Z, a-z) beside no Gs1.
    static bool IsApplication(const Settings& settings);

    // The settings' first fault, without any data: Refusal::None when they are good. The
    // outcome's Level is the one that applies.
    static Outcome Check(const Settings& settings);

    // The symbol of bytes, or why there is none.
    Outcome Encode(std::span<const std::uint8_t> bytes, const Settings& settings);
    // The same with the symbol written into symbol instead of the outcome (whose Symbol stays
    // empty: Why is Refusal::None when symbol holds the new one). symbol's storage is reused, so
    // that a caller that keeps one symbol makes no allocation per call once this object and the
    // symbol have made one as large; what symbol held before never changes the result. Unchanged
    // when there is no symbol.
    Outcome EncodeInto(std::span<const std::uint8_t> bytes, const Settings& settings,
                       clsQRCode::Symbol& symbol);

    // Structured append: the parts of bytes over up to 16 QR Code symbols (symbols 0 for the
    // fewest, else that many) at the settings' version and level, cut between characters; the
    // settings' header is ignored. The plan's Error says why when it has no parts; the settings
    // must have passed Check.
    clsStructuredAppend::Plan Split(std::span<const std::uint8_t> bytes, const Settings& settings,
                                    std::int32_t symbols,
                                    clsStructuredAppend::Characters characters);

    // Structured append: the symbols of a plan's parts of bytes (from Split with the same
    // settings), in order, each with its header, at the plan's version; none when a part cannot
    // be made. With BoostLevel the set takes the highest level at which every symbol still holds
    // its part, so that all symbols have one level.
    std::vector<clsQRCode::Symbol> EncodeParts(std::span<const std::uint8_t> bytes,
                                               const clsStructuredAppend::Plan& plan,
                                               const Settings& settings);

    // The refusal for data of length bytes that the settings' symbols cannot hold: Largest is the
    // version asked, else the allowed one that holds the most, and Capacity its bytes.
    static Outcome TooLong(const Settings& settings, std::int32_t length);

    // QR Code: whether a byte segment of the stream of bytes under the settings (the automatic
    // version for version 0) holds a byte above 0x7F (clsQRCode::ByteSegmentHoldsHighByte).
    bool ByteSegmentHoldsHighByte(std::span<const std::uint8_t> bytes, const Settings& settings);
    // The bits of the headers that every stream of the settings starts with (structured append,
    // ECI), as the encoders count them.
    static std::int32_t PrefixBits(const Settings& settings);

private:
    // The symbol of checked settings at level into symbol; false when the data do not fit.
    bool EncodeChecked(std::span<const std::uint8_t> bytes, const Settings& settings,
                       std::int32_t level, clsQRCode::Symbol& symbol);
    bool EncodeQR(std::span<const std::uint8_t> bytes, const Settings& settings, std::int32_t level,
                  clsQRCode::Symbol& symbol);
    void SetUpQR(const Settings& settings);
    // BoostLevel: replaces symbol (made at the outcome's level) by the one at the highest level
    // that its version offers and that still holds bytes, when that is above the outcome's level.
    void BoostLevel(std::span<const std::uint8_t> bytes, const Settings& settings, Outcome& outcome,
                    clsQRCode::Symbol& symbol);

    clsQRCode m_QR;
    clsMicroQRCode m_Micro;
    clsRMQRCode m_RMQR;
};

} // namespace ostrel
