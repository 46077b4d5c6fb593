#pragma once
// Test support: reads a finished symbol back the way a reader does, without sharing code with the
// encoder (independent re-derivation of the layout from ISO/IEC 18004 clauses 7.7 and 7.8).

#include "clsQRCode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::test {

// True when (x, y) of a version-v symbol is a function module or reserved area (finder,
// separator, timing, alignment, format, version, dark module).
bool IsFunctionModule(std::int32_t version, std::int32_t x, std::int32_t y);

// The data-mask condition of ISO/IEC 18004 Table 10 for mask patterns 0 to 7 (any other number
// counts as 7): true where the module in row i, column j is inverted.
bool MaskCondition(std::int32_t mask, std::int32_t i, std::int32_t j);

// Unmasks the symbol's data modules with the given mask and reads all codewords in placement
// order (data and check codewords interleaved as transmitted).
std::vector<std::uint8_t> ReadCodewords(const clsQRCode::Symbol& symbol, std::int32_t mask);

// The 15 format bits as read from the first copy (bit 14 first), unmasked with 101010000010010.
std::int32_t ReadFormatBits(const clsQRCode::Symbol& symbol);

// A stream of '0'/'1' characters from a vector of bits (one per entry).
std::string BitString(const std::vector<std::uint8_t>& bits, std::int32_t count);

// Parses a data bit stream (mode indicator, count, data, ... terminator) back into bytes for
// the width class of version; returns false on a malformed stream. Kanji characters come back
// as their two Shift JIS bytes.
bool ParseStream(const std::vector<std::uint8_t>& bits, std::int32_t bitLength,
                 std::int32_t version, std::vector<std::uint8_t>& out);

// One segment of a data bit stream: its 4-bit mode indicator (1 numeric, 2 alphanumeric, 4 byte,
// 8 Kanji, 13 Hanzi) and the input bytes it carries (a Kanji character as its two Shift JIS
// bytes, a Hanzi character as its two GB 2312 bytes).
struct Segment {
    std::int32_t Indicator = 0;
    std::vector<std::uint8_t> Bytes;
};

// Parses a data bit stream into its segments, in stream order; false on a malformed stream.
bool ParseSegments(const std::vector<std::uint8_t>& bits, std::int32_t bitLength,
                   std::int32_t version, std::vector<Segment>& segments);

} // namespace ostrel::test
