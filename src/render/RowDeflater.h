#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel::render {

// A zlib stream (RFC 1950 around RFC 1951 deflate) of the filtered rows of a picture drawn in
// bands of equal rows, as a symbol's picture is: each band is one row (filter byte 0, then the
// pixels) followed by `repeats` rows that repeat it, which the PNG filter "up" turns into the
// filter byte 2 and zeros. The coder knows that shape, so it searches for nothing:
// - the repeated rows of a band are the same bytes as those of the band before, one match at the
//   band's distance (within the first band, and when a band is longer than deflate's 32 KiB
//   window: a row at a time, as matches at distance 1 and at the row's distance);
// - a band's first row is literals, runs of one byte (matches at distance 1), stretches equal
//   to the first row of the band before (matches at the band's distance) and, when asked,
//   stretches found by a hash of their first three bytes.
// Each block has Huffman codes made for its own symbols (a label-sized picture is one block: its
// literals are a handful of byte values, which the fixed codes would spend 8 or 9 bits on). A
// block ends after BlockTokens symbols, so memory stays small whatever the picture's size.
//
// Reproducible: the same rows give the same bytes. The object keeps its buffers between
// pictures (one per thread; not safe to share).
class RowDeflater {
public:
    // Starts a stream of rows of rowSize bytes each (the filter byte included, rowSize >= 2).
    // With search, a first row also looks for stretches of 5 bytes or more anywhere in the last
    // 32 KiB (by a hash of three bytes): that pays when its literals are many different bytes,
    // and about doubles the coder's instructions (the stream is kept in a ring for it).
    void Begin(std::size_t rowSize, std::size_t repeats, bool search);
    // Adds a band: row (rowSize bytes, filter byte 0 first, then the pixels), then the repeats.
    void AddBand(const std::uint8_t* row);
    // Ends the stream; the bytes stay valid until the next Begin.
    std::string_view Finish();

    // Symbols (literals and matches) a block holds at most before it is written out.
    static constexpr std::size_t BlockTokens = 16384;
    // Twice deflate's window, so that a band's bytes never overwrite what a match may reach.
    static constexpr std::size_t RingSize = 65536;
    static constexpr std::size_t RingMask = RingSize - 1;

private:
    void FirstRow(const std::uint8_t* row);
    void KeepBand(const std::uint8_t* row);
    void RepeatedRows();
    void FilteredZeroRow();
    void Literal(std::uint8_t byte) {
        if (m_TokenCount == BlockTokens) [[unlikely]] {
            WriteBlock(false);
        }
        m_Tokens[m_TokenCount++] = byte;
        ++m_LiteralCounts[byte];
    }
    void Match(std::size_t length, std::size_t distance);
    void Copy(std::size_t distance, std::size_t length);
    void WriteBlock(bool last);

    std::size_t m_RowSize = 0;
    std::size_t m_Repeats = 0;
    std::size_t m_BandSize = 0; // bytes of a band: the distance back to the band before
    bool m_HavePrevious = false;
    std::vector<std::uint8_t> m_Previous; // the first row of the band before
    std::size_t m_Position = 0;           // where the band begins in the stream
    // The stream's last RingSize bytes by position, and the last position of each hash of three
    // bytes, for a first row's search when a band fits in the window.
    bool m_Search = false;
    std::vector<std::uint8_t> m_Ring = std::vector<std::uint8_t>(RingSize);
    std::vector<std::uint32_t> m_Head = std::vector<std::uint32_t>(std::size_t{1} << 12);
    // A literal is its byte; a match is 1 << 31 | (length - 3) << 16 | (distance - 1).
    std::vector<std::uint32_t> m_Tokens = std::vector<std::uint32_t>(BlockTokens);
    std::size_t m_TokenCount = 0;
    std::array<std::uint32_t, 286> m_LiteralCounts{};
    std::array<std::uint32_t, 30> m_DistanceCounts{};
    std::uint32_t m_AdlerA = 1;
    std::uint32_t m_AdlerB = 0;
    std::uint64_t m_Bits = 0;
    unsigned m_BitCount = 0;
    std::vector<std::uint8_t> m_Out; // the stream: m_OutSize bytes, then room
    std::size_t m_OutSize = 0;
};

} // namespace ostrel::render
