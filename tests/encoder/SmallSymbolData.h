#pragma once
// Inputs of one segment mode for the Micro QR and rMQR tests, and the capacity of a stream as
// the standard's bit counts give it (ISO/IEC 18004 clause 7.4), written apart from the encoder.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ostrel::test {

// One character of each mode that no other mode of the segmentation can take more cheaply
// (byte: a lower-case letter; Kanji: the Shift JIS pair 0x93 0x5F), by mode number.
inline std::vector<std::uint8_t> Repeat(std::int32_t mode, std::int32_t count) {
    static const std::vector<std::vector<std::uint8_t>> unit = {{'q'}, {'7'}, {'K'}, {0x93, 0x5F}};
    std::vector<std::uint8_t> data;
    for (std::int32_t k = 0; k < count; ++k) {
        const auto& u = unit[static_cast<std::size_t>(mode)];
        data.insert(data.end(), u.begin(), u.end());
    }
    return data;
}

// Bits of a segment of n characters of a mode without its header (ISO/IEC 18004 clause 7.4).
inline std::int64_t CharacterBits(std::int32_t mode, std::int64_t n) {
    switch (mode) {
    case 0:
        return 8 * n;
    case 1:
        return 10 * (n / 3) + (n % 3 == 0 ? 0 : (n % 3 == 1 ? 4 : 7));
    case 2:
        return 11 * (n / 2) + 6 * (n % 2);
    default:
        return 13 * n;
    }
}

// The most characters of one mode that a stream of dataBits holds, with segments of at most
// 2^countBits - 1 characters each, a header of indicatorBits + countBits before every one.
inline std::int32_t Capacity(std::int32_t dataBits, std::int32_t indicatorBits,
                             std::int32_t countBits, std::int32_t mode) {
    if (countBits == 0) {
        return 0;
    }
    const std::int64_t longest = (std::int64_t{1} << countBits) - 1;
    std::int32_t n = 0;
    for (;; ++n) {
        const std::int64_t next = n + 1;
        const std::int64_t full = next / longest;
        const std::int64_t rest = next % longest;
        const std::int64_t bits =
            full * (indicatorBits + countBits + CharacterBits(mode, longest)) +
            (rest > 0 ? indicatorBits + countBits + CharacterBits(mode, rest) : 0);
        if (bits > dataBits) {
            return n;
        }
    }
}

// n random characters that only one mode takes (by mode number: byte, numeric, alphanumeric,
// Kanji), so that every encoder makes one segment of them: bytes from lower-case letters and
// bytes 0xA0..0xDF (never a digit, an alphanumeric character or a Kanji lead byte); digits;
// alphanumeric characters other than digits; Shift JIS pairs (lead 0x88..0x9F, trail 0x40..0xFC
// but 0x7F), n pairs for Kanji.
inline std::vector<std::uint8_t> RandomOfMode(std::int32_t mode, std::int32_t n,
                                              std::mt19937& random) {
    static const std::string alphanumeric = "ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    std::vector<std::uint8_t> data;
    for (std::int32_t k = 0; k < n; ++k) {
        const std::uint32_t r = random();
        switch (mode) {
        case 0:
            data.push_back(r % 2 == 0 ? static_cast<std::uint8_t>('a' + (r >> 1) % 26)
                                      : static_cast<std::uint8_t>(0xA0 + (r >> 1) % 0x40));
            break;
        case 1:
            data.push_back(static_cast<std::uint8_t>('0' + r % 10));
            break;
        case 2:
            data.push_back(static_cast<std::uint8_t>(alphanumeric[r % alphanumeric.size()]));
            break;
        default: {
            std::uint8_t trail = static_cast<std::uint8_t>(0x40 + (r >> 8) % (0xFD - 0x40));
            if (trail == 0x7F) {
                trail = 0x80;
            }
            data.push_back(static_cast<std::uint8_t>(0x88 + r % (0xA0 - 0x88)));
            data.push_back(trail);
            break;
        }
        }
    }
    return data;
}

} // namespace ostrel::test
