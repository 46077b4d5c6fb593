#pragma once

#include "OstrelExport.h"

#include <array>
#include <cstdint>

namespace ostrel {

namespace modetable_detail {
// The nine characters of the alphanumeric set after Z, in the order of their values 36 to 44.
inline constexpr char AlphanumericSymbols[] = " $%*+-./:";

// Per byte: 1 digit, 2 other alphanumeric character, 0 any other byte.
constexpr std::array<std::uint8_t, 256> MakeCharClass() {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t c = '0'; c <= '9'; ++c) {
        table[c] = 1;
    }
    for (std::size_t c = 'A'; c <= 'Z'; ++c) {
        table[c] = 2;
    }
    for (std::size_t k = 0; k + 1 < sizeof AlphanumericSymbols; ++k) {
        table[static_cast<std::uint8_t>(AlphanumericSymbols[k])] = 2;
    }
    return table;
}

// As MakeCharClass under FNC1 in first position: the separator 0x1D is an alphanumeric character
// (written as '%') and '%' class 3, a character that alphanumeric mode writes twice.
constexpr std::array<std::uint8_t, 256> MakeFnc1CharClass() {
    std::array<std::uint8_t, 256> table = MakeCharClass();
    table[0x1D] = 2;
    table['%'] = 3;
    return table;
}

// Per byte: its value in the alphanumeric set, 0 outside it.
constexpr std::array<std::uint8_t, 256> MakeAlphanumericValue() {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t c = '0'; c <= '9'; ++c) {
        table[c] = static_cast<std::uint8_t>(c - '0');
    }
    for (std::size_t c = 'A'; c <= 'Z'; ++c) {
        table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
    for (std::size_t k = 0; k + 1 < sizeof AlphanumericSymbols; ++k) {
        table[static_cast<std::uint8_t>(AlphanumericSymbols[k])] =
            static_cast<std::uint8_t>(36 + k);
    }
    return table;
}
} // namespace modetable_detail

// The segment modes of one symbol type and size class, as the segmentation search
// (clsSegmentSearch) and the segment writer (clsSegmentWriter) read them: ISO/IEC 18004 clause
// 7.4, Tables 2 (mode indicators) and 3 (character-count indicators), and the character sets of
// the modes (Table 5, the Kanji candidate test).
//
// What a symbol type supplies, one table per size class whose count widths are equal:
// - which modes it allows (a mode left out is never chosen; a byte its allowed modes cannot carry
//   makes the input unencodable);
// - the width of its mode indicators (0 to 4 bits) and the indicator value of each mode;
// - the count-indicator width of each mode (the largest segment follows: 2^width - 1 characters);
// - the length of its terminator.
// QR Code Model 2 (QRModel2 below): 4-bit indicators, three count classes (versions 1-9, 10-26,
// 27-40), a 4-bit terminator. Micro QR (ISO/IEC 18004 Tables 2 and 3) supplies indicators of 0 to
// 3 bits, counts per version, M1 numeric only, M2 numeric and alphanumeric, and terminators of 3,
// 5, 7 and 9 bits; rMQR (ISO/IEC 23941 Tables 3 and 4) 3-bit indicators and counts per size.
//
// The bits per character are those of the standard and the same for every symbol type; they are
// named here so that the search and the writer agree on them.
class OSTREL_API clsModeTable {
public:
    // ---- Modes ----
    // Mode numbers: the index of every per-mode table, and the order of ties (a lower number wins
    // an equal cost). Hanzi is the double-byte mode of GB/T 18284 for GB 2312 (13 bits per
    // character, after a 4-bit subset indicator). Its pairs overlap the Kanji pairs (lead bytes
    // E0..EA), so a table allows at most one of the two, and the search gives the double-byte
    // cell to whichever it allows (DoubleByteMode).
    enum Mode : std::int32_t { Byte = 0, Numeric = 1, Alphanumeric = 2, Kanji = 3, Hanzi = 4 };
    static constexpr std::int32_t ModeCount = 5;

    // ---- Bits per character (clause 7.4.3 to 7.4.6) ----
    static constexpr std::int32_t ByteBits = 8;
    static constexpr std::int32_t NumericTripleBits = 10; // three digits
    static constexpr std::int32_t NumericPairBits = 7;    // two digits left at the end
    static constexpr std::int32_t NumericSingleBits = 4;  // one digit left at the end
    static constexpr std::int32_t AlphanumericPairBits = 11;
    static constexpr std::int32_t AlphanumericSingleBits = 6;
    static constexpr std::int32_t KanjiBits = 13; // one double-byte character
    static constexpr std::int32_t HanziBits = 13; // one GB 2312 character (GB/T 18284)
    // The subset indicator that follows the Hanzi mode indicator: 0001 for GB 2312.
    static constexpr std::int32_t HanziSubsetBits = 4;
    static constexpr std::uint32_t HanziSubsetGb2312 = 0b0001;
    // Within a segment, the cost of each further character by how many came before it in the
    // segment: digits 4, 3, 3, 4, 3, 3, ... (10 per triple), alphanumeric characters 6, 5, 6, 5,
    // ... (11 per pair). Period is the length after which the costs come round.
    static constexpr std::int32_t NumericPeriod = 3;
    static constexpr std::int32_t AlphanumericPeriod = 2;
    static constexpr std::int32_t NumericFirstBits = NumericSingleBits;
    static constexpr std::int32_t NumericNextBits = NumericPairBits - NumericSingleBits;
    static constexpr std::int32_t AlphanumericFirstBits = AlphanumericSingleBits;
    static constexpr std::int32_t AlphanumericNextBits =
        AlphanumericPairBits - AlphanumericSingleBits;

    // ---- QR Code Model 2 ----
    static constexpr std::int32_t QRIndicatorBits = 4;
    static constexpr std::int32_t QRTerminatorBits = 4;
    // The count class of a QR version: 0 for versions below 10, 1 for 10 to 26, 2 for 27 and
    // above (Table 3); the first version of each class.
    static std::int32_t QRCountClass(std::int32_t version);
    static constexpr std::int32_t QRCountClassCount = 3;
    static constexpr std::array<std::int32_t, QRCountClassCount> QRClassFirstVersion = {1, 10, 27};
    static constexpr std::array<std::int32_t, QRCountClassCount> QRClassLastVersion = {9, 26, 40};
    // The table of QR Code Model 2 for the count class of version: byte 0100, numeric 0001,
    // alphanumeric 0010, Kanji 1000 (allowed when kanji is true), Hanzi 1101 (allowed when hanzi
    // is true, which leaves Kanji out); counts numeric 10/12/14, alphanumeric 9/11/13, byte
    // 8/16/16, Kanji and Hanzi 8/10/12 bits.
    static clsModeTable QRModel2(std::int32_t version, bool kanji, bool hanzi = false);

    // ---- A table ----
    // allowed, indicator and countBits per mode number; countBits from 0 to 16 (a width outside
    // that range is clamped).
    clsModeTable(std::array<bool, ModeCount> allowed, std::int32_t indicatorBits,
                 std::array<std::uint32_t, ModeCount> indicator,
                 std::array<std::int32_t, ModeCount> countBits, std::int32_t terminatorBits);

    bool Allowed(std::int32_t mode) const { return m_Allowed[static_cast<std::size_t>(mode)]; }
    std::int32_t IndicatorBits() const { return m_IndicatorBits; }
    std::uint32_t Indicator(std::int32_t mode) const {
        return m_Indicator[static_cast<std::size_t>(mode)];
    }
    std::int32_t CountBits(std::int32_t mode) const {
        return m_CountBits[static_cast<std::size_t>(mode)];
    }
    // The largest count of a segment, 2^CountBits - 1 characters (a Kanji character is two
    // bytes); a longer run is split into several segments.
    std::int32_t MaxCount(std::int32_t mode) const {
        return m_MaxCount[static_cast<std::size_t>(mode)];
    }
    // Mode indicator plus count indicator (and for Hanzi the subset indicator between them): the
    // bits every segment of the mode starts with.
    std::int32_t HeaderBits(std::int32_t mode) const {
        return m_IndicatorBits + CountBits(mode) + (mode == Hanzi ? HanziSubsetBits : 0);
    }
    // The double-byte mode the table allows: Hanzi when it does, else Kanji (allowed or not).
    std::int32_t DoubleByteMode() const { return Allowed(Hanzi) ? Hanzi : Kanji; }
    std::int32_t TerminatorBits() const { return m_TerminatorBits; }

    // ---- FNC1 in first position (clause 7.4.8.2; rMQR the same) ----
    // A table for GS1 data: the FNC1 separator is the byte 0x1D, which alphanumeric mode writes
    // as '%', and a '%' of the data goes into alphanumeric mode as '%%' (two characters of the
    // segment's count); numeric and byte mode write the bytes as they are.
    static constexpr std::uint8_t Fnc1Separator = 0x1D;
    // The class of '%' under FNC1 (CharClass gives 1 and 2 for the others).
    static constexpr std::int32_t DoubledClass = 3;
    clsModeTable WithFnc1() const {
        clsModeTable table = *this;
        table.m_Fnc1 = true;
        return table;
    }
    bool Fnc1() const { return m_Fnc1; }
    // The classes of CharClass, or under FNC1 with 0x1D alphanumeric and '%' DoubledClass.
    const std::array<std::uint8_t, 256>& Classes() const {
        return m_Fnc1 ? kFnc1CharClass : kCharClass;
    }

    // ---- Character sets (Table 5; clause 7.4.6) ----
    // 1 for a digit, 2 for the other characters of the alphanumeric set (A-Z, space, $ % * + - .
    // / :), 0 for every other byte.
    static constexpr std::int32_t CharClass(std::uint8_t byte) { return kCharClass[byte]; }
    // Value in the alphanumeric set: digits 0-9, A-Z 10-35, then space $ % * + - . / : 36-44;
    // 0 for bytes outside it.
    static std::int32_t AlphanumericValue(std::uint8_t byte) { return kAlphanumericValue[byte]; }
    // True when (lead, trail) is a Kanji-mode candidate: lead 0x81..0x9F or 0xE0..0xEA with trail
    // 0x40..0xFF, or lead 0xEB with trail 0x40..0xBF. Its 13-bit value is KanjiValue.
    static bool IsKanjiPair(std::uint8_t lead, std::uint8_t trail) {
        if (trail < 0x40) {
            return false;
        }
        if ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA)) {
            return true;
        }
        return lead == 0xEB && trail <= 0xBF;
    }
    static std::uint32_t KanjiValue(std::uint8_t lead, std::uint8_t trail);
    // True when (lead, trail) is a Hanzi-mode character of GB/T 18284: lead 0xA1..0xAA or
    // 0xB0..0xFA with trail 0xA1..0xFE. Its 13-bit value is HanziValue.
    static bool IsHanziPair(std::uint8_t lead, std::uint8_t trail) {
        return ((lead >= 0xA1 && lead <= 0xAA) || (lead >= 0xB0 && lead <= 0xFA)) &&
               trail >= 0xA1 && trail <= 0xFE;
    }
    // (lead - 0xA1) * 0x60 + (trail - 0xA1) for leads up to 0xAA, (lead - 0xA6) * 0x60 + (trail -
    // 0xA1) from 0xB0 on.
    static std::uint32_t HanziValue(std::uint8_t lead, std::uint8_t trail);
    // True when trail, following lead, completes a two-byte character of the character set that
    // the double-byte mode reads: Shift JIS for Kanji (lead 0x81..0x9F or 0xE0..0xFC, trail
    // 0x40..0xFF), GB 2312 and its extension GBK for Hanzi (lead 0x81..0xFE, trail 0x40..0xFE).
    // Every Kanji or Hanzi pair is such a character. Read from the start of the data, a byte that
    // completes one is never the lead of the next.
    static bool IsDoubleByteCharacter(std::uint8_t lead, std::uint8_t trail, bool hanzi) {
        if (trail < 0x40) {
            return false;
        }
        if (hanzi) {
            return lead >= 0x81 && lead <= 0xFE && trail <= 0xFE;
        }
        return (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    }

private:
    static constexpr std::array<std::uint8_t, 256> kCharClass = modetable_detail::MakeCharClass();
    static constexpr std::array<std::uint8_t, 256> kFnc1CharClass =
        modetable_detail::MakeFnc1CharClass();
    static constexpr std::array<std::uint8_t, 256> kAlphanumericValue =
        modetable_detail::MakeAlphanumericValue();

    std::array<bool, ModeCount> m_Allowed;
    // In the padding after m_Allowed: the layout of the exported class stays that of 2.0.
    bool m_Fnc1 = false;
    std::int32_t m_IndicatorBits;
    std::array<std::uint32_t, ModeCount> m_Indicator;
    std::array<std::int32_t, ModeCount> m_CountBits;
    std::array<std::int32_t, ModeCount> m_MaxCount{};
    std::int32_t m_TerminatorBits;
};

} // namespace ostrel
