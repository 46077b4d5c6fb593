// Round trips through a real reader: the pictures that Encode makes, scaled up by whole pixels,
// decoded by zxing-cpp back to the bytes that went in.
#include "PeerReaders.h"
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Decodes a symbol picture with zxing-cpp; nullopt when nothing is found.
std::optional<Bytes> Decode(const QImage& picture, int scale) {
    const auto reading = test::ReadWithZXing(
        mdlTilvane::StretchPicture(picture, picture.width() * scale, picture.height() * scale));
    if (!reading) {
        return std::nullopt;
    }
    return Bytes(reading->Bytes.begin(), reading->Bytes.end());
}

// Every version, level and mask, each symbol filled close to its capacity with random bytes:
// 1280 symbols.
TEST(RoundTripTest, EveryVersionLevelAndMask) {
    clsQRCode qr;
    std::mt19937 rng(1804);
    int decoded = 0;
    for (std::int32_t v = 1; v <= 40; ++v) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const std::int32_t countBits = v < 10 ? 8 : 16;
            const std::int32_t capacity = (8 * qr.GetDataCodewords(level, v) - 4 - countBits) / 8;
            for (std::int32_t mask = 0; mask < 8; ++mask) {
                Bytes input(static_cast<std::size_t>(capacity));
                for (auto& b : input) {
                    b = static_cast<std::uint8_t>(rng());
                }
                qr.SetKanjiMode(mask % 2 == 0);
                const QImage picture = qr.Encode(input, capacity, v, level, mask);
                ASSERT_FALSE(picture.isNull()) << "version " << v << " level " << level;
                ASSERT_EQ(picture.width(), qr.GetSymbolSize(v) + 8);
                const auto out = Decode(picture, v < 10 ? 4 : 3);
                ASSERT_TRUE(out) << "not decoded: version " << v << " level " << level << " mask "
                                 << mask;
                EXPECT_EQ(*out, input) << "version " << v << " level " << level << " mask " << mask;
                ++decoded;
            }
        }
    }
    EXPECT_EQ(decoded, 1280);
}

Bytes Utf8(const std::u8string& s) {
    return Bytes(s.begin(), s.end());
}

// Random texts in automatic mode, the way the window encodes them (version 0, any level).
TEST(RoundTripTest, RandomInputsInAutomaticMode) {
    const std::string digits = "0123456789";
    const std::string capitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 $%*+-./:";
    const std::string lower = "abcdefghijklmnopqrstuvwxyz ,;!?";
    const std::vector<Bytes> chinese = {Utf8(u8"中"), Utf8(u8"文"), Utf8(u8"二"),
                                        Utf8(u8"维"), Utf8(u8"码"), Utf8(u8"测"),
                                        Utf8(u8"试"), Utf8(u8"，"), Utf8(u8"。")};
    clsQRCode qr;
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        Bytes input;
        const int flavour = round % 7;
        const int length = 1 + static_cast<int>(rng() % 500);
        while (static_cast<int>(input.size()) < length) {
            const int pick = flavour == 6 ? static_cast<int>(rng() % 6) : flavour;
            switch (pick) {
            case 0:
                input.push_back(static_cast<std::uint8_t>(digits[rng() % 10]));
                break;
            case 1:
                input.push_back(static_cast<std::uint8_t>(capitals[rng() % capitals.size()]));
                break;
            case 2:
                input.push_back(static_cast<std::uint8_t>(lower[rng() % lower.size()]));
                break;
            case 3: {
                const Bytes& c = chinese[rng() % chinese.size()];
                input.insert(input.end(), c.begin(), c.end());
                break;
            }
            case 4: // Shift JIS double-byte characters (Kanji candidates)
                input.push_back(static_cast<std::uint8_t>(0x88 + rng() % 0x17));
                input.push_back(static_cast<std::uint8_t>(0x40 + rng() % 0x3F));
                break;
            default:
                input.push_back(static_cast<std::uint8_t>(rng()));
                break;
            }
        }
        const std::int32_t level = 1 + round % 4;
        qr.SetKanjiMode(round % 3 != 0);
        const auto n = static_cast<std::int32_t>(input.size());
        const QImage picture = qr.Encode(input, n, 0, level, static_cast<std::int32_t>(rng() % 8));
        ASSERT_FALSE(picture.isNull()) << "round " << round << " length " << n;
        const auto out = Decode(picture, 3);
        ASSERT_TRUE(out) << "round " << round << " flavour " << flavour;
        EXPECT_EQ(*out, input) << "round " << round << " flavour " << flavour;
    }
}

} // namespace
} // namespace ostrel
