// Whole symbols against an independent encoder: libqrencode builds the same segments at the same
// version, level and mask, and the two module matrices must agree module for module (function
// patterns, remainder modules, format and version information included).
//
// Our own bit stream is read back into its segments, and libqrencode gets exactly those segments
// (QRinput_new2 + one QRinput_append per segment), so its own segmentation plays no part: what is
// compared is everything from the bit stream onwards (padding, blocks, Reed-Solomon, interleaving,
// placement, remainder bits, masking, format and version information).
#include "StandardTables.h"
#include "SymbolReader.h"
#include "clsQRCode.h"

#include <gtest/gtest.h>
#include <qrencode.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// Exported by libqrencode 4 but not declared in its header: encodes with a forced mask pattern
// (0..7; -1 chooses by penalty).
extern "C" QRcode* QRcode_encodeMask(QRinput* input, int mask);

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct QrinputDeleter {
    void operator()(QRinput* p) const { QRinput_free(p); }
};
struct QrcodeDeleter {
    void operator()(QRcode* p) const { QRcode_free(p); }
};
using QrinputPtr = std::unique_ptr<QRinput, QrinputDeleter>;
using QrcodePtr = std::unique_ptr<QRcode, QrcodeDeleter>;

QRencodeMode ModeOf(std::int32_t indicator) {
    switch (indicator) {
    case 1:
        return QR_MODE_NUM;
    case 2:
        return QR_MODE_AN;
    case 4:
        return QR_MODE_8;
    default:
        return QR_MODE_KANJI;
    }
}

// Kinds of text run that random inputs are made of.
enum class RunKind { Digits, Capitals, LowerCase, ShiftJis, Binary, AlphanumericMix };

void AppendRun(Bytes& data, RunKind kind, std::size_t length, std::mt19937& rng) {
    static const std::string capitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    static const std::string mix = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    for (std::size_t k = 0; k < length; ++k) {
        switch (kind) {
        case RunKind::Digits:
            data.push_back(static_cast<std::uint8_t>('0' + rng() % 10));
            break;
        case RunKind::Capitals:
            data.push_back(static_cast<std::uint8_t>(capitals[rng() % capitals.size()]));
            break;
        case RunKind::AlphanumericMix:
            data.push_back(static_cast<std::uint8_t>(mix[rng() % mix.size()]));
            break;
        case RunKind::LowerCase:
            data.push_back(static_cast<std::uint8_t>('a' + rng() % 26));
            break;
        case RunKind::ShiftJis: {
            // Double-byte Shift JIS characters: lead 0x81..0x9F or 0xE0..0xEA, trail 0x40..0xFC
            // without 0x7F (the range both encoders accept for Kanji mode).
            const std::uint32_t lead = rng() % 2 == 0 ? 0x81 + rng() % 0x1F : 0xE0 + rng() % 0x0B;
            std::uint32_t trail = 0x40 + rng() % 0xBC;
            if (trail == 0x7F) {
                trail = 0x80;
            }
            data.push_back(static_cast<std::uint8_t>(lead));
            data.push_back(static_cast<std::uint8_t>(trail));
            break;
        }
        case RunKind::Binary:
            data.push_back(static_cast<std::uint8_t>(rng()));
            break;
        }
    }
}

// A random input of several runs of random kinds, about `target` bytes long.
Bytes RandomMixture(std::size_t target, std::mt19937& rng) {
    Bytes data;
    while (data.size() < target) {
        const auto kind = static_cast<RunKind>(rng() % 6);
        const std::size_t maxRun = std::max<std::size_t>(1, target / 3);
        AppendRun(data, kind, 1 + rng() % maxRun, rng);
    }
    return data;
}

class QrencodeOracleTest : public ::testing::Test {
protected:
    std::int32_t Measure(const Bytes& data, std::size_t length, std::int32_t version) {
        std::int32_t bitLength = 0;
        std::vector<std::uint8_t> none(4);
        qr.BuildBitStream(none, data, static_cast<std::int32_t>(length), version, true, bitLength);
        return bitLength;
    }

    // The longest prefix of data whose stream fits version and level (terminator not counted).
    Bytes FittingPrefix(const Bytes& data, std::int32_t version, std::int32_t level) {
        const std::int32_t capacity = 8 * test::kDataCodewords[version - 1][level - 1];
        std::size_t lo = 0;
        std::size_t hi = data.size();
        while (lo < hi) {
            const std::size_t mid = (lo + hi + 1) / 2;
            if (Measure(data, mid, version) - 4 <= capacity) {
                lo = mid;
            } else {
                hi = mid - 1;
            }
        }
        while (lo > 0 && Measure(data, lo, version) - 4 > capacity) {
            --lo;
        }
        return Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(lo));
    }

    // Encodes data with our encoder and with libqrencode from our own segments, and returns a
    // description of the first difference ("" when the two symbols agree module for module).
    std::string Compare(const Bytes& data, std::int32_t version, std::int32_t level,
                        std::int32_t mask) {
        const auto ours =
            qr.EncodeMatrix(data, static_cast<std::int32_t>(data.size()), version, level, mask);
        if (!ours) {
            return "our encoder made no symbol";
        }
        std::vector<std::uint8_t> bits(clsQRCode::BitBufferLength, 0);
        std::int32_t bitLength = 0;
        qr.BuildBitStream(bits, data, static_cast<std::int32_t>(data.size()), ours->Version, false,
                          bitLength);
        std::vector<test::Segment> segments;
        if (!test::ParseSegments(bits, bitLength, ours->Version, segments)) {
            return "our bit stream does not parse";
        }
        for (const auto& segment : segments) {
            ++segmentsSeen[segment.Indicator];
        }
        multiSegmentSymbols += segments.size() > 1 ? 1 : 0;
        QrinputPtr input(QRinput_new2(ours->Version, static_cast<QRecLevel>(level - 1)));
        if (!input) {
            return "QRinput_new2 failed";
        }
        for (const auto& segment : segments) {
            std::int32_t size = static_cast<std::int32_t>(segment.Bytes.size());
            if (QRinput_append(input.get(), ModeOf(segment.Indicator), size,
                               segment.Bytes.data()) != 0) {
                return "libqrencode refused a segment of mode " + std::to_string(segment.Indicator);
            }
        }
        const QrcodePtr peer(QRcode_encodeMask(input.get(), mask));
        if (!peer) {
            return "libqrencode made no symbol";
        }
        if (peer->version != ours->Version || peer->width != ours->Side) {
            return "libqrencode chose version " + std::to_string(peer->version) + " for our " +
                   std::to_string(ours->Version);
        }
        std::int32_t differences = 0;
        std::ostringstream first;
        for (std::int32_t y = 0; y < ours->Side; ++y) {
            for (std::int32_t x = 0; x < ours->Side; ++x) {
                // libqrencode: one byte per module, row by row, bit 0 set for a dark module.
                const int peerDark = peer->data[y * peer->width + x] & 1;
                if (peerDark != ours->At(x, y)) {
                    if (differences++ == 0) {
                        first << "first at (" << x << ", " << y << ")";
                    }
                }
            }
        }
        if (differences > 0) {
            return std::to_string(differences) + " modules differ, " + first.str();
        }
        return "";
    }

    // Every mode seen at least once, and symbols of several segments: the sweeps exercise what
    // they claim to.
    void ExpectEveryModeAndMixtures(std::int32_t minimumMixtures) const {
        for (std::int32_t indicator : {1, 2, 4, 8}) {
            EXPECT_GT(segmentsSeen[indicator], 0) << "no segment of mode " << indicator;
        }
        EXPECT_GE(multiSegmentSymbols, minimumMixtures);
    }

    clsQRCode qr;
    std::int32_t segmentsSeen[9] = {};
    std::int32_t multiSegmentSymbols = 0;
};

// The reading of libqrencode's matrix: finder corner dark, separator light, timing alternating,
// and the dark module at (8, 4v + 9).
TEST_F(QrencodeOracleTest, PeerMatrixLayoutIsReadAsDocumented) {
    QrinputPtr input(QRinput_new2(2, QR_ECLEVEL_M));
    const Bytes abc = {'a', 'b', 'c'};
    ASSERT_EQ(QRinput_append(input.get(), QR_MODE_8, 3, abc.data()), 0);
    const QrcodePtr peer(QRcode_encodeMask(input.get(), 5));
    ASSERT_TRUE(peer);
    ASSERT_EQ(peer->width, 25);
    const auto dark = [&](int x, int y) { return (peer->data[y * peer->width + x] & 1) != 0; };
    EXPECT_TRUE(dark(0, 0));
    EXPECT_TRUE(dark(6, 6));
    EXPECT_FALSE(dark(7, 0));
    EXPECT_FALSE(dark(0, 7));
    EXPECT_FALSE(dark(1, 1));
    for (int k = 8; k < 17; ++k) {
        EXPECT_EQ(dark(k, 6), k % 2 == 0) << k;
        EXPECT_EQ(dark(6, k), k % 2 == 0) << k;
    }
    EXPECT_TRUE(dark(8, 4 * 2 + 9));
}

// Every version, level and mask (1280 symbols), each filled close to its capacity with a random
// mixture of numeric, alphanumeric, byte and Kanji runs; Kanji mode on for half of them.
TEST_F(QrencodeOracleTest, EveryVersionLevelAndMaskMatchesLibqrencode) {
    std::mt19937 rng(18004);
    std::int32_t compared = 0;
    for (std::int32_t v = 1; v <= 40; ++v) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            for (std::int32_t mask = 0; mask < 8; ++mask) {
                qr.SetKanjiMode((v + level + mask) % 2 == 0);
                const std::size_t capacityBytes =
                    static_cast<std::size_t>(test::kDataCodewords[v - 1][level - 1]);
                const Bytes data =
                    FittingPrefix(RandomMixture(capacityBytes * 2 + 8, rng), v, level);
                ASSERT_EQ(Compare(data, v, level, mask), "")
                    << "version " << v << " level " << level << " mask " << mask << ", "
                    << data.size() << " bytes, Kanji " << qr.KanjiMode();
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 1280);
    ExpectEveryModeAndMixtures(1000);
}

// Random multi-segment inputs of random lengths in automatic version choice, Kanji on and off.
TEST_F(QrencodeOracleTest, RandomMixturesMatchLibqrencode) {
    std::mt19937 rng(4711);
    std::int32_t compared = 0;
    for (int round = 0; round < 400; ++round) {
        const std::size_t lengths[] = {1 + rng() % 20, 1 + rng() % 200, 1 + rng() % 1500};
        const Bytes data = RandomMixture(lengths[round % 3], rng);
        const std::int32_t level = 1 + static_cast<std::int32_t>(rng() % 4);
        const std::int32_t mask = static_cast<std::int32_t>(rng() % 8);
        qr.SetKanjiMode(round % 2 == 0);
        const auto ours =
            qr.EncodeMatrix(data, static_cast<std::int32_t>(data.size()), 0, level, mask);
        if (!ours) {
            continue; // longer than version 40 holds at this level
        }
        ASSERT_EQ(Compare(data, 0, level, mask), "")
            << "round " << round << ", " << data.size() << " bytes, level " << level;
        ++compared;
    }
    EXPECT_GE(compared, 350);
    ExpectEveryModeAndMixtures(250);
}

// Runs of a single kind, each near the largest count of its mode in each width class, where the
// stream splits a run into two segments.
TEST_F(QrencodeOracleTest, LongSingleModeRunsMatchLibqrencode) {
    std::mt19937 rng(99);
    const RunKind kinds[] = {RunKind::Digits, RunKind::Capitals, RunKind::LowerCase,
                             RunKind::ShiftJis};
    for (std::int32_t version : {9, 26, 40}) {
        for (const RunKind kind : kinds) {
            qr.SetKanjiMode(true);
            Bytes run;
            AppendRun(run, kind, 2 * static_cast<std::size_t>(test::kDataCodewords[version - 1][0]),
                      rng);
            const Bytes data = FittingPrefix(run, version, 1);
            ASSERT_EQ(Compare(data, version, 1, static_cast<std::int32_t>(kind)), "")
                << "version " << version << ", run kind " << static_cast<int>(kind);
        }
    }
}

} // namespace
} // namespace ostrel
