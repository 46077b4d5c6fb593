#include "RowDeflater.h"

#include <algorithm>

namespace ostrel::render {

namespace {

constexpr std::size_t MinMatch = 3;
constexpr std::size_t MaxMatch = 258;
constexpr std::size_t Window = 32768;
constexpr std::uint32_t MatchFlag = 0x80000000U;
constexpr unsigned EndOfBlock = 256;
constexpr std::uint32_t AdlerModulus = 65521;

// Shortest runs of one byte and stretches equal to the band before that a first row codes as a
// match rather than as literals: a match costs a length and a distance code and their extra bits.
constexpr std::size_t MinRun = 4;
constexpr std::size_t MinUp = 5;
constexpr std::size_t MinHashed = 5;
constexpr unsigned HashBits = 12;

// Deflate's length codes 257..285 (slot 0..28) and distance codes 0..29: the first length or
// distance of each and its number of extra bits. Slot 28 is 258 alone.
struct CodeTables {
    std::array<std::uint16_t, 29> LengthBase{};
    std::array<std::uint8_t, 29> LengthExtra{};
    std::array<std::uint16_t, 30> DistanceBase{};
    std::array<std::uint8_t, 30> DistanceExtra{};
    std::array<std::uint8_t, 256> LengthSlot{};   // by length - 3
    std::array<std::uint8_t, 512> DistanceSlot{}; // by distance - 1 below 256, else 256 + (d-1)/128

    constexpr CodeTables() {
        unsigned length = 3;
        for (unsigned slot = 0; slot < 28; ++slot) {
            LengthExtra[slot] = static_cast<std::uint8_t>(slot < 8 ? 0 : slot / 4 - 1);
            LengthBase[slot] = static_cast<std::uint16_t>(length);
            for (unsigned i = 0; i < (1U << LengthExtra[slot]) && length < 258; ++i) {
                LengthSlot[length++ - 3] = static_cast<std::uint8_t>(slot);
            }
        }
        LengthBase[28] = 258;
        LengthSlot[255] = 28;
        unsigned distance = 1;
        for (unsigned slot = 0; slot < 30; ++slot) {
            DistanceExtra[slot] = static_cast<std::uint8_t>(slot < 4 ? 0 : slot / 2 - 1);
            DistanceBase[slot] = static_cast<std::uint16_t>(distance);
            for (unsigned i = 0; i < (1U << DistanceExtra[slot]); ++i, ++distance) {
                if (distance <= 256) {
                    DistanceSlot[distance - 1] = static_cast<std::uint8_t>(slot);
                } else if ((distance - 1) % 128 == 0) {
                    DistanceSlot[256 + (distance - 1) / 128] = static_cast<std::uint8_t>(slot);
                }
            }
        }
    }
};
constexpr CodeTables Codes;

constexpr unsigned DistanceSlotOf(std::size_t distance) {
    return distance <= 256 ? Codes.DistanceSlot[distance - 1]
                           : Codes.DistanceSlot[256 + (distance - 1) / 128];
}

// The order in which a dynamic block gives the code lengths of the code-length alphabet.
constexpr std::array<std::uint8_t, 19> CodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

// Huffman code lengths (at most limit bits) for the symbols counted in counts (size <= 286).
// Every code is complete (the decoders refuse an incomplete one): when fewer than two symbols
// occur, unused ones are given a count of 1. When the tree is deeper than the limit, the counts
// are halved (rounded up, so a used symbol stays used) and the tree made again.
void HuffmanLengths(const std::uint32_t* counts, std::size_t size, unsigned limit,
                    std::uint8_t* lengths) {
    constexpr std::size_t MaxSymbols = 286;
    struct Leaf {
        std::uint32_t Count;
        std::uint32_t Symbol;
    };
    std::array<Leaf, MaxSymbols> leaves;
    std::size_t n = 0;
    for (std::size_t s = 0; s < size; ++s) {
        lengths[s] = 0;
        if (counts[s] != 0) {
            leaves[n++] = {counts[s], static_cast<std::uint32_t>(s)};
        }
    }
    for (std::size_t s = 0; n < 2; ++s) {
        if (counts[s] == 0) {
            leaves[n++] = {1, static_cast<std::uint32_t>(s)};
        }
    }
    std::array<std::uint64_t, 2 * MaxSymbols> weight;
    std::array<std::uint32_t, 2 * MaxSymbols> parent;
    std::array<std::uint16_t, 2 * MaxSymbols> depth;
    while (true) {
        std::sort(leaves.begin(), leaves.begin() + static_cast<std::ptrdiff_t>(n),
                  [](const Leaf& a, const Leaf& b) {
                      return a.Count != b.Count ? a.Count < b.Count : a.Symbol < b.Symbol;
                  });
        for (std::size_t i = 0; i < n; ++i) {
            weight[i] = leaves[i].Count;
        }
        // Two queues: the leaves in order of weight, and the inner nodes, made in order of weight.
        std::size_t nextLeaf = 0;
        std::size_t nextInner = n;
        for (std::size_t inner = n; inner < 2 * n - 1; ++inner) {
            std::size_t pick[2];
            for (std::size_t& p : pick) {
                const bool leaf =
                    nextLeaf < n && (nextInner >= inner || weight[nextLeaf] <= weight[nextInner]);
                p = leaf ? nextLeaf++ : nextInner++;
            }
            weight[inner] = weight[pick[0]] + weight[pick[1]];
            parent[pick[0]] = parent[pick[1]] = static_cast<std::uint32_t>(inner);
        }
        depth[2 * n - 2] = 0;
        unsigned deepest = 0;
        for (std::size_t node = 2 * n - 2; node-- > 0;) {
            depth[node] = static_cast<std::uint16_t>(depth[parent[node]] + 1);
            deepest = std::max<unsigned>(deepest, depth[node]);
        }
        if (deepest <= limit) {
            break;
        }
        for (std::size_t i = 0; i < n; ++i) {
            leaves[i].Count = (leaves[i].Count + 1) / 2;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        lengths[leaves[i].Symbol] = static_cast<std::uint8_t>(depth[i]);
    }
}

// Each byte with its bits in the opposite order.
constexpr std::array<std::uint8_t, 256> Reversed = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (unsigned b = 0; b < 8; ++b) {
            table[byte] = static_cast<std::uint8_t>(table[byte] | (((byte >> b) & 1U) << (7 - b)));
        }
    }
    return table;
}();

// The canonical codes of the lengths, bit-reversed: deflate sends a code's first bit first and
// the bit writer fills bytes from their least significant bit.
void CanonicalCodes(const std::uint8_t* lengths, std::size_t size, std::uint16_t* codes) {
    std::array<std::uint16_t, 16> perLength{};
    for (std::size_t s = 0; s < size; ++s) {
        ++perLength[lengths[s]];
    }
    perLength[0] = 0;
    std::array<std::uint16_t, 16> next{};
    unsigned code = 0;
    for (unsigned bits = 1; bits < 16; ++bits) {
        code = (code + perLength[bits - 1]) << 1;
        next[bits] = static_cast<std::uint16_t>(code);
    }
    for (std::size_t s = 0; s < size; ++s) {
        const unsigned bits = lengths[s];
        if (bits == 0) {
            codes[s] = 0;
            continue;
        }
        const unsigned value = next[bits]++;
        const unsigned reversed = (Reversed[value & 0xFF] << 8) | Reversed[value >> 8];
        codes[s] = static_cast<std::uint16_t>(reversed >> (16 - bits));
    }
}

// Bits into a buffer with room, each byte filled from its least significant bit. Held in a local
// while a block is written, so that the compiler keeps it in registers.
struct BitWriter {
    std::uint8_t* Out;
    std::uint64_t Bits;
    unsigned Count;

    void Put(std::uint32_t bits, unsigned count) { // count <= 32
        Bits |= static_cast<std::uint64_t>(bits) << Count;
        Count += count;
        if (Count >= 32) {
            for (unsigned b = 0; b < 4; ++b) {
                Out[b] = static_cast<std::uint8_t>(Bits >> (8 * b));
            }
            Out += 4;
            Bits >>= 32;
            Count -= 32;
        }
    }
};

// How many bytes from the start of a and b are equal, at most limit.
std::size_t CommonLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && a[n] == b[n]) {
        ++n;
    }
    return n;
}

// The header of a dynamic block: the code lengths of both alphabets, run-length coded (16: the
// length before, 3-6 times; 17: 3-10 zeros; 18: 11-138 zeros) with a Huffman code of their own.
void WriteCodeLengths(BitWriter& out, const std::uint8_t* lengths, std::size_t literalCodes,
                      std::size_t distanceCodes) {
    std::array<std::uint8_t, 286 + 30> sequence;
    std::copy(lengths, lengths + literalCodes, sequence.begin());
    std::copy(lengths + 286, lengths + 286 + distanceCodes, sequence.begin() + literalCodes);
    const std::size_t total = literalCodes + distanceCodes;
    struct Run {
        std::uint8_t Symbol;
        std::uint8_t Extra;
    };
    std::array<Run, 286 + 30> runs;
    std::size_t runCount = 0;
    std::array<std::uint32_t, 19> counts{};
    const auto add = [&](unsigned symbol, unsigned extra) {
        runs[runCount++] = {static_cast<std::uint8_t>(symbol), static_cast<std::uint8_t>(extra)};
        ++counts[symbol];
    };
    for (std::size_t i = 0; i < total;) {
        const std::uint8_t value = sequence[i];
        std::size_t same = 1;
        while (i + same < total && sequence[i + same] == value) {
            ++same;
        }
        i += same;
        if (value == 0) {
            for (; same >= 11; same -= std::min<std::size_t>(same, 138)) {
                add(18, static_cast<unsigned>(std::min<std::size_t>(same, 138) - 11));
            }
            if (same >= 3) {
                add(17, static_cast<unsigned>(same - 3));
                same = 0;
            }
        } else {
            add(value, 0);
            for (--same; same >= 3; same -= std::min<std::size_t>(same, 6)) {
                add(16, static_cast<unsigned>(std::min<std::size_t>(same, 6) - 3));
            }
        }
        for (; same > 0; --same) {
            add(value, 0);
        }
    }
    std::array<std::uint8_t, 19> bits{};
    std::array<std::uint16_t, 19> code{};
    HuffmanLengths(counts.data(), 19, 7, bits.data());
    CanonicalCodes(bits.data(), 19, code.data());
    std::size_t ordered = 19;
    while (ordered > 4 && bits[CodeLengthOrder[ordered - 1]] == 0) {
        --ordered;
    }
    out.Put(static_cast<std::uint32_t>(literalCodes - 257), 5);
    out.Put(static_cast<std::uint32_t>(distanceCodes - 1), 5);
    out.Put(static_cast<std::uint32_t>(ordered - 4), 4);
    for (std::size_t i = 0; i < ordered; ++i) {
        out.Put(bits[CodeLengthOrder[i]], 3);
    }
    static constexpr std::array<std::uint8_t, 3> ExtraBits = {2, 3, 7};
    for (std::size_t r = 0; r < runCount; ++r) {
        const Run run = runs[r];
        const unsigned extra = run.Symbol >= 16 ? ExtraBits[run.Symbol - 16] : 0;
        out.Put(code[run.Symbol] | (static_cast<std::uint32_t>(run.Extra) << bits[run.Symbol]),
                bits[run.Symbol] + extra);
    }
}

// Where a first row looks for earlier bytes beyond the row above and the byte before: the
// stream's last 64 KiB, and the last position of each hash of three bytes.
struct History {
    const std::uint8_t* Ring = nullptr; // null: no search
    std::uint32_t* Head = nullptr;      // 1 + stream position, 0 for none
    std::uint32_t RowStart = 0;         // the stream position of row[0]
};

constexpr std::uint32_t HashOf(const std::uint8_t* bytes) {
    const std::uint32_t three =
        std::uint32_t{bytes[0]} << 16 | std::uint32_t{bytes[1]} << 8 | bytes[2];
    return (three * 2654435761U) >> (32 - HashBits);
}

// The longest stretch from row[i] (at most limit) that the stream holds at a position of the same
// hash; its distance in distance.
std::size_t HashedLength(const History& history, const std::uint8_t* row, std::size_t i,
                         std::size_t limit, std::size_t& distance) {
    const std::uint32_t position = history.RowStart + static_cast<std::uint32_t>(i);
    std::uint32_t& head = history.Head[HashOf(row + i)];
    const std::uint32_t earlier = head;
    head = position + 1;
    if (earlier == 0 || position - (earlier - 1) > Window) {
        return 0;
    }
    distance = position - (earlier - 1);
    std::size_t n = 0;
    while (n < limit && history.Ring[(earlier - 1 + n) & RowDeflater::RingMask] == row[i + n]) {
        ++n;
    }
    return n;
}

// The symbols of row[start, end): literals, runs of the byte before (distance 1), stretches
// equal to up, the first row of the band before (distance bandSize; null when out of reach), and
// stretches found by hash. Returns the number of symbols written to tokens; counts each symbol's
// codes. The state is held in locals: stores through the byte pointers could otherwise change
// any member.
template <bool Search>
std::size_t FirstRowTokens(const std::uint8_t* row, const std::uint8_t* up, std::size_t start,
                           std::size_t end, std::size_t bandSize, const History history,
                           std::uint32_t* tokens, std::uint32_t* literalCounts,
                           std::uint32_t* distanceCounts) {
    std::uint32_t* const first = tokens;
    std::size_t i = start;
    while (i < end) {
        const std::uint8_t byte = row[i];
        const std::size_t limit = std::min(MaxMatch, end - i);
        // A run or a stretch of the band before is worth a look only when its last byte at the
        // shortest length that counts is equal too.
        const bool sameUp = up != nullptr && byte == up[i] && limit >= MinUp &&
                            row[i + MinUp - 1] == up[i + MinUp - 1];
        const bool sameRun =
            i > 0 && byte == row[i - 1] && limit >= MinRun && row[i + MinRun - 1] == byte;
        if (!sameUp && !sameRun && !Search) {
            *tokens++ = byte;
            ++literalCounts[byte];
            ++i;
            continue;
        }
        std::size_t best = 0;
        std::size_t distance = 0;
        if (Search && limit >= MinMatch) {
            best = HashedLength(history, row, i, limit, distance);
            best = best >= MinHashed ? best : 0;
        }
        if (sameUp) {
            const std::size_t length = CommonLength(row + i, up + i, limit);
            if (length >= MinUp && length >= best) {
                best = length;
                distance = bandSize;
            }
        }
        if (sameRun) {
            const std::size_t length = CommonLength(row + i, row + i - 1, limit);
            if (length >= MinRun && length >= best) {
                best = length;
                distance = 1;
            }
        }
        if (best == 0) {
            *tokens++ = byte;
            ++literalCounts[byte];
            ++i;
            continue;
        }
        *tokens++ = MatchFlag | static_cast<std::uint32_t>((best - MinMatch) << 16) |
                    static_cast<std::uint32_t>(distance - 1);
        ++literalCounts[257 + Codes.LengthSlot[best - MinMatch]];
        ++distanceCounts[DistanceSlotOf(distance)];
        i += best;
    }
    return static_cast<std::size_t>(tokens - first);
}

} // namespace

void RowDeflater::Begin(std::size_t rowSize, std::size_t repeats, bool search) {
    m_RowSize = rowSize;
    m_Repeats = repeats;
    m_BandSize = rowSize * (repeats + 1);
    m_HavePrevious = false;
    m_Previous.assign(rowSize, 0);
    m_Position = 0;
    m_Search = search && m_BandSize <= Window;
    if (m_Search) {
        std::fill(m_Head.begin(), m_Head.end(), 0);
    }
    m_TokenCount = 0;
    m_LiteralCounts.fill(0);
    m_DistanceCounts.fill(0);
    m_AdlerA = 1;
    m_AdlerB = 0;
    // zlib header: deflate with a 32 KiB window, no dictionary, check bits (0x7801 % 31 == 0).
    m_Bits = 0x0178;
    m_BitCount = 16;
    m_OutSize = 0;
}

void RowDeflater::AddBand(const std::uint8_t* row) {
    // Adler-32: a is 1 + the sum of the bytes, b the sum of the a after each byte, both modulo
    // 65521; 5552 bytes at most between two reductions keep b within 32 bits.
    for (std::size_t start = 0; start < m_RowSize; start += 5552) {
        const std::size_t end = std::min(m_RowSize, start + 5552);
        for (std::size_t i = start; i < end; ++i) {
            m_AdlerA += row[i];
            m_AdlerB += m_AdlerA;
        }
        m_AdlerA %= AdlerModulus;
        m_AdlerB %= AdlerModulus;
    }
    // Each repeated row: the byte 2 (a += 2, b += a), then rowSize - 1 zeros (b += a each), so
    // the k-th adds rowSize * (a + 2k) to b; over r rows, rowSize * (r * a + r * (r + 1)).
    const std::uint64_t r = m_Repeats % AdlerModulus;
    const std::uint64_t sum = (r * m_AdlerA + r * ((m_Repeats + 1) % AdlerModulus)) % AdlerModulus;
    m_AdlerB =
        static_cast<std::uint32_t>((m_AdlerB + sum * (m_RowSize % AdlerModulus)) % AdlerModulus);
    m_AdlerA = static_cast<std::uint32_t>((m_AdlerA + 2 * r) % AdlerModulus);
    // The hash search keeps stream positions in 32 bits, and a band must be within the window.
    m_Search = m_Search && m_Position + 2 * m_BandSize < 0xFFFFFFFFU;
    if (m_Search) {
        KeepBand(row);
    }
    FirstRow(row);
    RepeatedRows();
    std::copy(row, row + m_RowSize, m_Previous.begin());
    m_HavePrevious = true;
    m_Position += m_BandSize;
}

void RowDeflater::FirstRow(const std::uint8_t* row) {
    const std::uint8_t* const up =
        m_HavePrevious && m_BandSize <= Window ? m_Previous.data() : nullptr;
    const History history{m_Search ? m_Ring.data() : nullptr, m_Head.data(),
                          static_cast<std::uint32_t>(m_Position)};
    // A stretch makes at most one symbol a byte: half a block at a time, with room made first.
    for (std::size_t start = 0; start < m_RowSize; start += BlockTokens / 2) {
        const std::size_t end = std::min(m_RowSize, start + BlockTokens / 2);
        if (m_TokenCount + (end - start) > BlockTokens) {
            WriteBlock(false);
        }
        std::uint32_t* const tokens = m_Tokens.data() + m_TokenCount;
        m_TokenCount +=
            m_Search ? FirstRowTokens<true>(row, up, start, end, m_BandSize, history, tokens,
                                            m_LiteralCounts.data(), m_DistanceCounts.data())
                     : FirstRowTokens<false>(row, up, start, end, m_BandSize, history, tokens,
                                             m_LiteralCounts.data(), m_DistanceCounts.data());
    }
}

// The band's bytes into the ring of the stream's last bytes, which the hash search reads.
void RowDeflater::KeepBand(const std::uint8_t* row) {
    const auto put = [&](std::size_t at, const std::uint8_t* from, std::size_t count) {
        for (std::size_t done = 0; done < count;) {
            const std::size_t slot = (at + done) & RingMask;
            const std::size_t part = std::min(count - done, RingSize - slot);
            if (from != nullptr) {
                std::copy(from + done, from + done + part, m_Ring.begin() + slot);
            } else {
                std::fill(m_Ring.begin() + slot, m_Ring.begin() + slot + part, 0);
            }
            done += part;
        }
    };
    put(m_Position, row, m_RowSize);
    for (std::size_t r = 0; r < m_Repeats; ++r) {
        const std::size_t at = m_Position + (r + 1) * m_RowSize;
        m_Ring[at & RingMask] = 2;
        put(at + 1, nullptr, m_RowSize - 1);
    }
}

void RowDeflater::RepeatedRows() {
    if (m_Repeats == 0) {
        return;
    }
    const std::size_t length = m_Repeats * m_RowSize;
    if (m_HavePrevious && m_BandSize <= Window && length >= MinMatch) {
        Copy(m_BandSize, length); // the repeated rows of the band before: the same bytes
        return;
    }
    FilteredZeroRow();
    const std::size_t rest = length - m_RowSize;
    if (m_RowSize <= Window && rest >= MinMatch) {
        Copy(m_RowSize, rest);
        return;
    }
    for (std::size_t r = 1; r < m_Repeats; ++r) {
        FilteredZeroRow();
    }
}

// One row of filter 2 and zeros, on its own: the byte 2, one zero, the other zeros copied from
// the byte before.
void RowDeflater::FilteredZeroRow() {
    Literal(2);
    const std::size_t zeros = m_RowSize - 1;
    if (zeros < 1 + MinMatch) {
        for (std::size_t z = 0; z < zeros; ++z) {
            Literal(0);
        }
        return;
    }
    Literal(0);
    Copy(1, zeros - 1);
}

void RowDeflater::Match(std::size_t length, std::size_t distance) {
    if (m_TokenCount == BlockTokens) [[unlikely]] {
        WriteBlock(false);
    }
    m_Tokens[m_TokenCount++] = MatchFlag | static_cast<std::uint32_t>((length - MinMatch) << 16) |
                               static_cast<std::uint32_t>(distance - 1);
    ++m_LiteralCounts[257 + Codes.LengthSlot[length - MinMatch]];
    ++m_DistanceCounts[DistanceSlotOf(distance)];
}

// length >= 3 bytes from distance back, as matches of at most 258 bytes; none is left shorter
// than 3.
void RowDeflater::Copy(std::size_t distance, std::size_t length) {
    while (length > 0) {
        std::size_t part = std::min(length, MaxMatch);
        if (length - part != 0 && length - part < MinMatch) {
            part = length - MinMatch;
        }
        Match(part, distance);
        length -= part;
    }
}

std::string_view RowDeflater::Finish() {
    WriteBlock(true);
    // The bits still held, padded with zeros to a whole byte.
    for (; m_BitCount > 0; m_BitCount = m_BitCount > 8 ? m_BitCount - 8 : 0) {
        m_Out[m_OutSize++] = static_cast<std::uint8_t>(m_Bits);
        m_Bits >>= 8;
    }
    for (const std::uint32_t value : {m_AdlerB, m_AdlerA}) {
        m_Out[m_OutSize++] = static_cast<std::uint8_t>(value >> 8);
        m_Out[m_OutSize++] = static_cast<std::uint8_t>(value);
    }
    return {reinterpret_cast<const char*>(m_Out.data()), m_OutSize};
}

void RowDeflater::WriteBlock(bool last) {
    ++m_LiteralCounts[EndOfBlock];
    // Room for the block: its header, every symbol at 15 + 5 + 15 + 13 bits, the end and the
    // Adler-32.
    const std::size_t room = m_OutSize + 8 + 400 + m_TokenCount * 6 + 16;
    if (m_Out.size() < room) {
        m_Out.resize(std::max(room, 2 * m_Out.size()));
    }
    std::array<std::uint8_t, 286 + 30> lengths;
    HuffmanLengths(m_LiteralCounts.data(), 286, 15, lengths.data());
    HuffmanLengths(m_DistanceCounts.data(), 30, 15, lengths.data() + 286);
    std::size_t literalCodes = 286;
    while (lengths[literalCodes - 1] == 0) {
        --literalCodes;
    }
    std::size_t distanceCodes = 30;
    while (lengths[286 + distanceCodes - 1] == 0) {
        --distanceCodes;
    }
    std::array<std::uint16_t, 286> literalCode;
    std::array<std::uint16_t, 30> distanceCode;
    CanonicalCodes(lengths.data(), 286, literalCode.data());
    CanonicalCodes(lengths.data() + 286, 30, distanceCode.data());

    BitWriter out{m_Out.data() + m_OutSize, m_Bits, m_BitCount};
    out.Put(last ? 1U : 0U, 1);
    out.Put(2, 2); // dynamic Huffman codes
    WriteCodeLengths(out, lengths.data(), literalCodes, distanceCodes);
    for (std::size_t t = 0; t < m_TokenCount; ++t) {
        const std::uint32_t token = m_Tokens[t];
        if ((token & MatchFlag) == 0) {
            out.Put(literalCode[token], lengths[token]);
            continue;
        }
        const std::size_t length = ((token >> 16) & 0xFF) + MinMatch;
        const std::size_t distance = (token & 0x7FFF) + 1;
        const unsigned slot = Codes.LengthSlot[length - MinMatch];
        const unsigned bits = lengths[257 + slot];
        out.Put(literalCode[257 + slot] |
                    static_cast<std::uint32_t>((length - Codes.LengthBase[slot]) << bits),
                bits + Codes.LengthExtra[slot]);
        const unsigned dslot = DistanceSlotOf(distance);
        const unsigned dbits = lengths[286 + dslot];
        out.Put(distanceCode[dslot] |
                    static_cast<std::uint32_t>((distance - Codes.DistanceBase[dslot]) << dbits),
                dbits + Codes.DistanceExtra[dslot]);
    }
    out.Put(literalCode[EndOfBlock], lengths[EndOfBlock]);
    m_OutSize = static_cast<std::size_t>(out.Out - m_Out.data());
    m_Bits = out.Bits;
    m_BitCount = out.Count;
    m_TokenCount = 0;
    m_LiteralCounts.fill(0);
    m_DistanceCounts.fill(0);
}

} // namespace ostrel::render
