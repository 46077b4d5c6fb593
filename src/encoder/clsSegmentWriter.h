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
    // WriteSegments for data that is one byte segment (every mode Byte, n from 1 to the table's
    // MaxCount(Byte)): the same bits without the walk over the modes.
    template <typename Writer>
    static std::int32_t WriteByteSegment(Writer& out, const std::uint8_t* data, std::int32_t n,
                                         const clsModeTable& table) {
        out.Put(table.Indicator(clsModeTable::Byte), table.IndicatorBits());
        out.Put(static_cast<std::uint32_t>(n), table.CountBits(clsModeTable::Byte));
        out.PutBytes(data, n);
        out.Put(0, table.TerminatorBits());
        const std::int32_t length = out.Position();
        out.Finish();
        return length;
    }

    // ---- ECI header (ISO/IEC 18004 clause 7.4.2; rMQR, ISO/IEC 23941, the same) ----
    // The ECI mode indicator, then the designator: 0..127 in one byte 0bbbbbbb, up to 16383 in two
    // bytes 10bbbbbb bbbbbbbb, up to 999999 in three bytes 110bbbbb bbbbbbbb bbbbbbbb. The
    // indicator is 0111 among QR Code's 4-bit mode indicators and 111 among rMQR's 3-bit ones: the
    // value 7 in the indicator width of the symbol type's mode table. Micro QR has no ECI mode.
    static constexpr std::uint32_t EciIndicator = 0b111;
    static constexpr std::int32_t EciOneByteLimit = 127;
    static constexpr std::int32_t EciTwoByteLimit = 16383;
    static constexpr std::int32_t EciLargestDesignator = 999999;
    // Length of the ECI header with mode indicators of indicatorBits (QR Code's 4 unless given):
    // the indicator and 8, 16 or 24 bits; 0 for no header (0, negative or above 999999).
    static std::int32_t EciHeaderBits(std::int32_t designator,
                                      std::int32_t indicatorBits = clsModeTable::QRIndicatorBits);
    // Writes the ECI header of a designator with the indicator width of table (nothing for none)
    // and returns its length.
    template <typename Writer>
    static std::int32_t WriteEciHeader(Writer& out, std::int32_t designator,
                                       const clsModeTable& table);

    // ---- FNC1 (clause 7.4.8; ISO/IEC 23941 the same) ----
    // In first position the mode indicator marks GS1 data: 0101 among QR Code's 4-bit
    // indicators, 101 among rMQR's 3-bit ones, the value 5 in the width of the symbol type's mode
    // table. In second position it marks an industry application: 1001 (QR Code) or 110 (rMQR),
    // then the application indicator in 8 bits (two digits 00..99 as their value, a letter as its
    // ASCII value + 100). Either stands once, ahead of the first segment; the separators are in
    // the data (clsModeTable::WithFnc1).
    static constexpr std::uint32_t Fnc1FirstIndicator = 0b101;
    static constexpr std::uint32_t QRFnc1SecondIndicator = 0b1001;
    static constexpr std::uint32_t RMQRFnc1SecondIndicator = 0b110;
    static constexpr std::int32_t Fnc1ApplicationBits = 8;
    // Writes the FNC1 header when table is an FNC1 table (nothing otherwise): first position for
    // an application below 0, else second position with that application indicator. Returns its
    // length.
    template <typename Writer>
    static std::int32_t WriteFnc1(Writer& out, const clsModeTable& table,
                                  std::int32_t application = -1);

    // ---- Structured-append header of QR Code Model 2 (clause 8) ----
    // Mode indicator 0011, the symbol's position (4 bits), the number of symbols less one
    // (4 bits) and the parity byte of the whole message (8 bits).
    static constexpr std::int32_t StructuredAppendHeaderBits = 20;
    // Writes it for symbol index (0..15) of count (1..16) and returns its length.
    template <typename Writer>
    static std::int32_t WriteStructuredAppendHeader(Writer& out, std::int32_t index,
                                                    std::int32_t count, std::uint8_t parity);
};

extern template std::int32_t
clsSegmentWriter::WriteSegments<clsBitWriter>(clsBitWriter&, const std::uint8_t*, std::int32_t,
                                              const clsModeTable&, const std::uint8_t*);
extern template std::int32_t
clsSegmentWriter::WriteSegments<clsCodewordWriter>(clsCodewordWriter&, const std::uint8_t*,
                                                   std::int32_t, const clsModeTable&,
                                                   const std::uint8_t*);
extern template std::int32_t
clsSegmentWriter::WriteEciHeader<clsBitWriter>(clsBitWriter&, std::int32_t, const clsModeTable&);
extern template std::int32_t
clsSegmentWriter::WriteEciHeader<clsCodewordWriter>(clsCodewordWriter&, std::int32_t,
                                                    const clsModeTable&);
extern template std::int32_t
clsSegmentWriter::WriteFnc1<clsBitWriter>(clsBitWriter&, const clsModeTable&, std::int32_t);
extern template std::int32_t clsSegmentWriter::WriteFnc1<clsCodewordWriter>(clsCodewordWriter&,
                                                                            const clsModeTable&,
                                                                            std::int32_t);
extern template std::int32_t
clsSegmentWriter::WriteStructuredAppendHeader<clsBitWriter>(clsBitWriter&, std::int32_t,
                                                            std::int32_t, std::uint8_t);
extern template std::int32_t
clsSegmentWriter::WriteStructuredAppendHeader<clsCodewordWriter>(clsCodewordWriter&, std::int32_t,
                                                                 std::int32_t, std::uint8_t);

} // namespace ostrel
