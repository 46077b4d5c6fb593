// BuildBitStream under random input: both uses, every version 1..40, Kanji mode on and off.
//
// Input layout: byte 0 picks the version (1..40), byte 1 the options (bit 0 Kanji mode, bits
// 1..2 how the length argument relates to the data: exact, longer than the data, negative),
// the rest is the data.
//
// Checks:
// - the bit buffer is a 32768-entry span inside a larger buffer whose guard entries on both
//   sides must come back untouched (no store beyond index 32767, none before index 0);
// - measuring writes nothing (the empty input aside, whose stream is four zero bits);
// - the measured and the written lengths agree;
// - a stream that fits the buffer holds only 0/1 entries, leaves the entries after it as they
//   were, and parses back (mode indicators, counts, data) to exactly the input bytes;
// - a stream longer than the buffer reports a length above every symbol's capacity;
// - the stream is never longer than the plain byte-mode encoding of the same input.
#include "SymbolReader.h"
#include "clsQRCode.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using ostrel::clsQRCode;

constexpr std::size_t kGuard = 4096;
constexpr std::uint8_t kGuardByte = 0xA5;
constexpr std::uint8_t kFreshByte = 0x5A; // inside the span, before the call

[[noreturn]] void Fail(const char* what, std::int32_t version, std::size_t length) {
    std::fprintf(stderr, "BitStreamFuzzer: %s (version %d, %zu bytes)\n", what, version, length);
    std::abort();
}

// Bits of the data encoded as byte segments only (each at most the largest byte count).
std::int64_t ByteModeBits(std::size_t length, std::int32_t version) {
    const std::int64_t countBits = version < 10 ? 8 : 16;
    const std::int64_t maxRun = version < 10 ? 255 : 65535;
    const auto n = static_cast<std::int64_t>(length);
    const std::int64_t segments = (n + maxRun - 1) / maxRun;
    return segments * (4 + countBits) + 8 * n + 4;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    static clsQRCode qr;
    const std::int32_t version = 1 + data[0] % clsQRCode::MaxVersion;
    const std::uint8_t options = data[1];
    qr.SetKanjiMode((options & 1) != 0);

    // The data in a buffer of its own exact size, so that reading past its end is caught.
    const std::vector<std::uint8_t> input(data + 2, data + size);
    const auto available = static_cast<std::int32_t>(input.size());
    std::int32_t length = available;
    switch ((options >> 1) & 3) {
    case 1:
        length = available + 1 + (options >> 3); // longer than the data
        break;
    case 2:
        length = -1 - (options >> 3);
        break;
    default:
        break;
    }
    const std::size_t used = static_cast<std::size_t>(std::clamp(length, 0, available));
    const std::vector<std::uint8_t> expected(input.begin(),
                                             input.begin() + static_cast<std::ptrdiff_t>(used));

    std::vector<std::uint8_t> buffer(kGuard + clsQRCode::BitBufferLength + kGuard, kGuardByte);
    const std::span<std::uint8_t> bits(buffer.data() + kGuard, clsQRCode::BitBufferLength);
    const auto guardsIntact = [&] {
        return std::all_of(buffer.begin(), buffer.begin() + kGuard,
                           [](std::uint8_t b) { return b == kGuardByte; }) &&
               std::all_of(buffer.end() - kGuard, buffer.end(),
                           [](std::uint8_t b) { return b == kGuardByte; });
    };
    std::fill(bits.begin(), bits.end(), kFreshByte);

    std::int32_t measured = -1;
    qr.BuildBitStream(bits, input, length, version, true, measured);
    if (!guardsIntact()) {
        Fail("measuring stored outside the buffer", version, used);
    }
    const std::size_t touched = used == 0 ? 4 : 0; // the empty stream is written in both uses
    for (std::size_t k = touched; k < bits.size(); ++k) {
        if (bits[k] != kFreshByte) {
            Fail("measuring wrote into the buffer", version, used);
        }
    }

    std::fill(bits.begin(), bits.end(), kFreshByte);
    std::int32_t written = -1;
    qr.BuildBitStream(bits, input, length, version, false, written);
    if (!guardsIntact()) {
        Fail("writing stored outside the buffer", version, used);
    }
    if (measured != written) {
        std::fprintf(stderr, "measured %d, written %d\n", measured, written);
        Fail("measured and written lengths differ", version, used);
    }
    if (written < 4 || written > ByteModeBits(used, version)) {
        std::fprintf(stderr, "written %d, byte mode %lld\n", written,
                     static_cast<long long>(ByteModeBits(used, version)));
        Fail("stream length outside [4, byte-mode length]", version, used);
    }

    if (written > clsQRCode::BitBufferLength) {
        // Every entry was stored; the length must be beyond any capacity (version 40-L holds
        // 2956 data codewords).
        if (written - 4 <= 8 * 2956) {
            Fail("an overlong stream reported a length that fits", version, used);
        }
        for (const std::uint8_t b : bits) {
            if (b > 1) {
                Fail("an overlong stream left a buffer entry unwritten", version, used);
            }
        }
        return 0;
    }

    const auto end = bits.begin() + written;
    if (!std::all_of(bits.begin(), end, [](std::uint8_t b) { return b <= 1; })) {
        Fail("a stream entry is neither 0 nor 1", version, used);
    }
    if (!std::all_of(end, bits.end(), [](std::uint8_t b) { return b == kFreshByte; })) {
        Fail("an entry after the stream was changed", version, used);
    }
    const std::vector<std::uint8_t> stream(bits.begin(), end);
    std::vector<std::uint8_t> parsed;
    if (!ostrel::test::ParseStream(stream, written, version, parsed)) {
        Fail("the stream does not parse", version, used);
    }
    if (parsed != expected) {
        Fail("the stream parses to other bytes", version, used);
    }
    return 0;
}
