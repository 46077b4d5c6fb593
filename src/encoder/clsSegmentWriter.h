#pragma once

#include "clsBitWriter.h"
#include "clsCodewordWriter.h"
#include "clsModeTable.h"

#include <cstdint>

namespace ostrel {

// The writing pass of the data bit stream (ISO/IEC 18004 clauses 7.4.2 to 7.4.9): headers ahead
// of the segments, the segments of a chosen segmentation, the terminator.
//
// Each segment is a mode indicator and a character-count indicator as the symbol type's
// clsModeTable says (their widths and values), then its data: bytes as 8 bits; digits in groups of
// three as 10 bits (two left as 7, one as 4); alphanumeric characters in pairs as 11 bits (45 x
// first + second; one left as 6); Kanji pairs as 13 bits (clause 7.4.6). The terminator is the
// table's TerminatorBits zero bits.
//
// Writer is clsBitWriter (one entry per bit) or clsCodewordWriter (packed codewords); both store
// only what fits but count everything.
class clsSegmentWriter {
public:
    // Writes one segment per run of equal modes in modes[0 .. n-1] (as clsSegmentSearch::TraceModes
    // gives them), split where a run exceeds the table's largest count, then the terminator, and
    // finishes the writer. Returns the writer's position after the terminator.
    template <typename Writer>
    static std::int32_t WriteSegments(Writer& out, const std::uint8_t* data, std::int32_t n,
                                      const clsModeTable& table, const std::uint8_t* modes);

    // ---- ECI header of QR Code Model 2 (clause 7.4.2) ----
    // The designators 0..127 in one byte 0bbbbbbb, up to 16383 in two bytes 10bbbbbb bbbbbbbb, up
    // to 999999 in three bytes 110bbbbb bbbbbbbb bbbbbbbb, after the 4-bit mode indicator 0111.
    static constexpr std::int32_t EciOneByteLimit = 127;
    static constexpr std::int32_t EciTwoByteLimit = 16383;
    static constexpr std::int32_t EciLargestDesignator = 999999;
    // Length of the ECI header: 12, 20 or 28 bits; 0 for no header (0, negative or above 999999).
    static std::int32_t EciHeaderBits(std::int32_t designator);
    // Writes the ECI header of a designator (nothing for none) and returns its length.
    template <typename Writer>
    static std::int32_t WriteEciHeader(Writer& out, std::int32_t designator);
};

extern template std::int32_t
clsSegmentWriter::WriteSegments<clsBitWriter>(clsBitWriter&, const std::uint8_t*, std::int32_t,
                                              const clsModeTable&, const std::uint8_t*);
extern template std::int32_t
clsSegmentWriter::WriteSegments<clsCodewordWriter>(clsCodewordWriter&, const std::uint8_t*,
                                                   std::int32_t, const clsModeTable&,
                                                   const std::uint8_t*);
extern template std::int32_t clsSegmentWriter::WriteEciHeader<clsBitWriter>(clsBitWriter&,
                                                                            std::int32_t);
extern template std::int32_t clsSegmentWriter::WriteEciHeader<clsCodewordWriter>(clsCodewordWriter&,
                                                                                 std::int32_t);

} // namespace ostrel
