#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

namespace ostrel {

// Appends bits to codewords, eight bits per byte with the first bit the most significant
// (ISO/IEC 18004 clause 7.4.10): the data codewords of the encoding pipeline. Stores only the
// bytes that fit but counts every bit. Bits gather in a 64-bit word and leave it 32 at a time;
// Finish stores what is left, the last byte filled up with zero bits.
//
// One of the two sinks of clsSegmentWriter (see clsBitWriter).
class clsCodewordWriter {
public:
    explicit clsCodewordWriter(std::span<std::uint8_t> bytes)
        : m_Bytes(bytes.data()), m_Size(static_cast<std::int64_t>(bytes.size())) {}

    // The count low bits of value (count 0 to 32), most significant first.
    void Put(std::uint32_t value, std::int32_t count) {
        const std::uint64_t bits = count == 32 ? value : value & ((1U << count) - 1U);
        m_Pending = (m_Pending << count) | bits;
        m_PendingBits += count;
        if (m_PendingBits >= 32) {
            m_PendingBits -= 32;
            Store(static_cast<std::uint32_t>(m_Pending >> m_PendingBits), 4);
        }
    }
    void PutByte(std::uint8_t value) { Put(value, 8); }
    // count bytes, eight at a time: the pending bits and the next eight bytes make the next 64
    // bits of the stream, stored at once while they fit; the eight bytes' last bits stay pending.
    void PutBytes(const std::uint8_t* bytes, std::int32_t count) {
        std::int32_t k = 0;
        if (count >= 8) {
            const std::int32_t pendingBits = m_PendingBits;
            std::uint64_t pending = m_Pending;
            std::int64_t stored = m_Stored;
            for (; k + 8 <= count; k += 8) {
                std::uint64_t next;
                std::memcpy(&next, bytes + k, sizeof next);
                next = BigEndian(next);
                const std::uint64_t word =
                    pendingBits == 0 ? next
                                     : (pending << (64 - pendingBits)) | (next >> pendingBits);
                pending = next;
                if (stored + 8 <= m_Size) {
                    const std::uint64_t out = BigEndian(word);
                    std::memcpy(m_Bytes + stored, &out, sizeof out);
                    stored += 8;
                } else {
                    m_Stored = stored;
                    Store(static_cast<std::uint32_t>(word >> 32), 4);
                    Store(static_cast<std::uint32_t>(word), 4);
                    stored = m_Stored;
                }
            }
            m_Pending = pending;
            m_Stored = stored;
        }
        for (; k + 4 <= count; k += 4) {
            Put((static_cast<std::uint32_t>(bytes[k]) << 24) |
                    (static_cast<std::uint32_t>(bytes[k + 1]) << 16) |
                    (static_cast<std::uint32_t>(bytes[k + 2]) << 8) | bytes[k + 3],
                32);
        }
        for (; k < count; ++k) {
            Put(bytes[k], 8);
        }
    }
    // Bits put so far (stored or not), at most 2^31 - 1.
    std::int32_t Position() const {
        return static_cast<std::int32_t>(
            std::min<std::int64_t>(8 * m_Stored + m_PendingBits, 0x7FFFFFFF));
    }
    void Finish() {
        if (m_PendingBits > 0) {
            Store(static_cast<std::uint32_t>(m_Pending << (32 - m_PendingBits)),
                  (m_PendingBits + 7) / 8);
            m_PendingBits = 0;
        }
    }

private:
    // A word read from or written to memory in the order of the stream (most significant byte
    // first).
    static std::uint64_t BigEndian(std::uint64_t word) {
        if constexpr (std::endian::native == std::endian::little) {
            return __builtin_bswap64(word);
        }
        return word;
    }

    // The first `count` bytes of word, from its most significant byte on. (The members are read
    // into locals: a store through m_Bytes could otherwise alias the writer itself.)
    void Store(std::uint32_t word, std::int32_t count) {
        std::uint8_t* const bytes = m_Bytes;
        const std::int64_t size = m_Size;
        std::int64_t stored = m_Stored;
        for (std::int32_t k = 0; k < count; ++k, ++stored) {
            if (stored < size) {
                bytes[stored] = static_cast<std::uint8_t>(word >> (24 - 8 * k));
            }
        }
        m_Stored = stored;
    }

    std::uint8_t* m_Bytes;
    std::int64_t m_Size;
    std::int64_t m_Stored = 0;
    std::uint64_t m_Pending = 0;
    std::int32_t m_PendingBits = 0;
};

} // namespace ostrel
