#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace ostrel {

// Appends bits to a bit buffer of one entry per bit (0 or 1), bit k of the stream at index k: the
// form in which clsQRCode::BuildBitStream hands a stream to its callers. Stores only what fits,
// but counts every bit, so that an overlong stream still reports its true length.
//
// One of the two sinks of clsSegmentWriter (the other, clsCodewordWriter, packs eight bits per
// byte for the encoding pipeline); both offer Put, PutByte, PutBytes, Position and Finish.
class clsBitWriter {
public:
    explicit clsBitWriter(std::span<std::uint8_t> bits)
        : m_Bits(bits.data()), m_Size(static_cast<std::int64_t>(bits.size())) {}

    // The count low bits of value (count 0 to 32), most significant first.
    void Put(std::uint32_t value, std::int32_t count) {
        if (m_Position + count <= m_Size) {
            std::uint8_t* out = m_Bits + m_Position;
            for (std::int32_t k = count - 1; k >= 0; --k) {
                *out++ = static_cast<std::uint8_t>((value >> k) & 1U);
            }
            m_Position += count;
            return;
        }
        for (std::int32_t k = count - 1; k >= 0; --k) {
            if (m_Position < m_Size) {
                m_Bits[m_Position] = static_cast<std::uint8_t>((value >> k) & 1U);
            }
            ++m_Position;
        }
    }
    void PutByte(std::uint8_t value) {
        if (m_Position + 8 <= m_Size) {
            std::memcpy(m_Bits + m_Position, kBitsOfByte[value].data(), 8);
            m_Position += 8;
        } else {
            Put(value, 8);
        }
    }
    void PutBytes(const std::uint8_t* bytes, std::int32_t count) {
        for (std::int32_t k = 0; k < count; ++k) {
            PutByte(bytes[k]);
        }
    }
    // Bits put so far (stored or not), at most 2^31 - 1.
    std::int32_t Position() const {
        return static_cast<std::int32_t>(std::min<std::int64_t>(m_Position, 0x7FFFFFFF));
    }
    void Finish() {}

private:
    // Entry k of kBitsOfByte[v] is bit 7 - k of v: a byte spread over eight entries, most
    // significant bit first.
    static constexpr std::array<std::array<std::uint8_t, 8>, 256> kBitsOfByte = [] {
        std::array<std::array<std::uint8_t, 8>, 256> table{};
        for (std::size_t v = 0; v < 256; ++v) {
            for (std::size_t k = 0; k < 8; ++k) {
                table[v][k] = static_cast<std::uint8_t>((v >> (7 - k)) & 1);
            }
        }
        return table;
    }();

    std::uint8_t* m_Bits;
    std::int64_t m_Size;
    std::int64_t m_Position = 0;
};

} // namespace ostrel
