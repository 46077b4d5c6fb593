#pragma once

#include "OstrelExport.h"

#include "clsModeTable.h"

#include <cstdint>

namespace ostrel {

// The optimal segmentation of a byte string (ISO/IEC 18004 clause 7.4 and Annex J): the cutting
// into numeric, alphanumeric, byte and Kanji segments with the fewest bits, found by a
// shortest-path search over (position, mode) that counts the exact bits of each step.
//
// Every cell (position i, mode m) holds the cheapest path over data[0 .. i] whose last segment is
// in mode m and ends at i: its cost (data bits, terminator excluded), its predecessor mode (the
// cell one position back, two for a Kanji pair) and its run (characters of its last segment). A
// segment continues while its run is below the mode's largest count and starts again after it;
// every other step starts a new segment and pays its header (mode and count indicator). On an
// equal cost the lower predecessor mode wins, and at the end the lower mode; under a table with
// indicators shorter than QR Code's (Micro QR, rMQR), a numeric or alphanumeric segment that
// starts anew first wins a tie against one that continues into a dearer next character, which
// keeps the search exact with headers that short (QR Code keeps the rule of its reference).
// Exact means the fewest bits of any cutting while no segment must outgrow its largest count,
// which no symbol's capacity asks for.
//
// Where the table allows a double-byte mode, the data is text in its character set (Shift JIS
// for Kanji, GB 2312 or GBK for Hanzi), and a character's two bytes stay in one segment: readers
// decode each segment on its own, so a Kanji segment starting on a second byte, or a byte segment
// ending on a first byte, would show other characters although every byte came back. The search
// is exact among the cuttings that keep characters whole.
//
// What a symbol type supplies is its clsModeTable: the modes it allows, its header lengths and its
// largest counts. The bits per character are the standard's and the same for all types.
//
// The search keeps three rows and is linear in the input: two candidates per cell (the same mode
// continuing and the cheapest other cell starting anew), runs of bytes that only byte mode can
// take summed in closed form, and runs of digits or other alphanumeric characters, whose rows
// repeat every six positions once settled, copied period by period.
//
// Standard library only; nothing is kept between calls.
class OSTREL_API clsSegmentSearch {
public:
    // The cost of a cell that no path reaches. An end whose cost is at or above it means that the
    // allowed modes cannot carry the input (only for a table that disallows byte mode).
    static constexpr std::int32_t Unreachable = 0x70000000;

    // The chosen end of a search: the cheapest cell of the last position.
    struct End {
        std::int32_t Cost = 0; // data bits without the terminator
        std::int32_t Mode = 0;
    };

    // Searches data[0 .. n-1] (n >= 1) under table. With preds (n bytes), byte i receives the
    // predecessor modes of the four cells of position i, two bits per mode (mode m in bits 2m and
    // 2m + 1); a cell that starts its path or cannot be reached stores 0.
    static End Search(const std::uint8_t* data, std::int32_t n, const clsModeTable& table,
                      std::uint8_t* preds);

    // Follows preds (from Search) back from endMode at position n - 1 and stores the mode of every
    // position into modes (n bytes); both bytes of a Kanji pair carry the Kanji mode.
    // The double-byte cell's positions receive doubleByteMode, the table's DoubleByteMode()
    // (Kanji or Hanzi).
    static void TraceModes(const std::uint8_t* preds, std::int32_t n, std::int32_t endMode,
                           std::uint8_t* modes, std::int32_t doubleByteMode = clsModeTable::Kanji);

    // The first position from `from` on (n when there is none) whose byte classes (a table of
    // clsModeTable::Classes) does not count as another byte: where a run of bytes that only byte
    // mode can take ends. Sixteen bytes at a time where none of them lies in the range of the
    // alphanumeric set; plain reads every byte (the reference).
    static std::int32_t OtherBytesEnd(const std::uint8_t* data, std::int32_t n, std::int32_t from,
                                      const std::uint8_t* classes, bool plain = false);

    // Six times a lower bound of the data bits of every segmentation of data[0 .. n-1], headers
    // excluded: a digit takes at least 10/3 bits, another alphanumeric character 11/2, a byte of a
    // Kanji-pair candidate 13/2 (when table allows Kanji) and any other byte 8. Lets a caller rule
    // out sizes without searching.
    static std::int64_t LeastBitsTimesSix(const std::uint8_t* data, std::int32_t n,
                                          const clsModeTable& table);
    // A weaker bound than LeastBitsTimesSix, and quicker (a count of digits, which the compiler
    // can vectorise): a digit 10/3 bits, any other byte 11/2 (no character takes fewer); equal to
    // it for digits and alphanumeric characters alone, FNC1 apart.
    static std::int64_t DigitBoundTimesSix(const std::uint8_t* data, std::int32_t n);
};

} // namespace ostrel
