// EncodeMatrix and BuildBitStream against plain references on many random inputs. EncodeMatrix
// takes its own path (codewords written whole, placement along runs kept per version, masking and
// combination in one pass); every symbol must equal the one that the plain public operations
// make step by step. BuildBitStream's search takes shortcuts (two candidates per cell, runs of
// byte-only input, segments traced back in bulk); every stream must equal the one of a plain
// search over all sixteen candidates per position.
#include "DoubleByteCharacters.h"
#include "clsFiniteField.h"
#include "clsQRCode.h"
#include "clsReedSolomon.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- The symbol by the public operations, one step after the other ----

// The stream's bits from index `at` on, most significant bit first.
void PutBits(std::vector<std::uint8_t>& bits, std::int32_t at, std::uint32_t value,
             std::int32_t count) {
    for (std::int32_t k = 0; k < count; ++k) {
        bits[static_cast<std::size_t>(at + k)] =
            static_cast<std::uint8_t>((value >> (count - 1 - k)) & 1U);
    }
}

std::uint32_t ReadBits(const std::vector<std::uint8_t>& bits, std::int32_t at, std::int32_t count) {
    std::uint32_t value = 0;
    for (std::int32_t k = 0; k < count; ++k) {
        value = (value << 1) | bits[static_cast<std::size_t>(at + k)];
    }
    return value;
}

std::optional<clsQRCode::Symbol> PlainEncode(clsQRCode& qr, const Bytes& bytes,
                                             std::int32_t version, std::int32_t level,
                                             std::int32_t mask) {
    if (level < 1 || level > 4) {
        level = 2;
    }
    if (version < 0) {
        return std::nullopt;
    }
    const auto length = static_cast<std::int32_t>(bytes.size());
    std::vector<std::uint8_t> stream(clsQRCode::BitBufferLength, 0);

    // The smallest version whose capacity holds the measured stream, one measurement per class.
    if (version == 0 || version > clsQRCode::MaxVersion) {
        version = 0;
        for (const auto& [first, last] : {std::pair{1, 9}, {10, 26}, {27, 40}}) {
            std::int32_t measured = 0;
            qr.BuildBitStream(stream, bytes, length, first, true, measured);
            for (std::int32_t v = first; v <= last && version == 0; ++v) {
                if (measured - 4 <= 8 * qr.GetDataCodewords(level, v)) {
                    version = v;
                }
            }
            if (version != 0) {
                break;
            }
        }
        if (version == 0) {
            return std::nullopt;
        }
    }
    std::int32_t d = 0;
    qr.BuildBitStream(stream, bytes, length, version, false, d);
    const std::int32_t total = qr.GetTotalCodewords(version);
    const std::int32_t nb = qr.BlockCount(level, version);
    const std::int32_t ec = qr.EccPerBlock(level, version);
    const std::int32_t dc = total - nb * ec;
    if (d - 4 > 8 * dc) {
        return std::nullopt;
    }

    // Zero bits up to a whole codeword (the buffer is 0 beyond the stream), then EC 11 EC ...
    if (d < 8 * dc) {
        std::int32_t at = (d + 7) / 8 * 8;
        for (std::uint32_t pad = 0xEC; at < 8 * dc; at += 8, pad ^= 0xEC ^ 0x11) {
            PutBits(stream, at, pad, 8);
        }
    }

    // Blocks (short ones first), check codewords, interleaving into the sequence buffer.
    const std::int32_t longLength = (dc + nb - 1) / nb;
    const std::int32_t shortBlocks = dc % nb > 0 ? nb - dc % nb : 0;
    auto field = std::make_shared<clsFiniteField>();
    field->Init(256, 285, 2);
    clsReedSolomon rs;
    rs.Init(longLength, ec, field, 0, 0);
    std::vector<std::uint8_t> sequence(clsQRCode::BitBufferLength, 0);
    std::int32_t next = 0;
    for (std::int32_t b = 0; b < nb; ++b) {
        const std::int32_t blockLength = b < shortBlocks ? longLength - 1 : longLength;
        std::array<std::int32_t, clsQRCode::BlockArrayLength> block{};
        for (std::int32_t i = 0; i < blockLength; ++i, ++next) {
            const std::uint32_t value = ReadBits(stream, 8 * next, 8);
            const std::int32_t position =
                i < longLength - 1 ? i * nb + b : (longLength - 1) * nb + (b - shortBlocks);
            PutBits(sequence, 8 * position, value, 8);
            block[static_cast<std::size_t>(blockLength + ec - 1 - i)] =
                static_cast<std::int32_t>(value);
        }
        rs.ComputeEcc(block);
        for (std::int32_t k = 0; k < ec; ++k) {
            PutBits(sequence, 8 * (dc + k * nb + b),
                    static_cast<std::uint32_t>(block[static_cast<std::size_t>(ec - 1 - k)]), 8);
        }
    }

    // Layout, placement, mask, combination, information words.
    const std::int32_t side = qr.GetSymbolSize(version);
    const std::int32_t stride = side + 3;
    clsQRCode::Symbol symbol;
    symbol.Version = version;
    symbol.Level = level;
    symbol.Side = side;
    symbol.Modules.assign(static_cast<std::size_t>(stride * stride), 0);
    qr.DrawFunctionPatterns(symbol.Modules, version);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(side * side), 0);
    qr.PlaceCodewords(symbol.Modules, data, sequence, 8 * total, side);
    symbol.Mask = qr.ApplyMask(data, side, mask);
    for (std::int32_t y = 0; y < side; ++y) {
        for (std::int32_t x = 0; x < side; ++x) {
            auto& module = symbol.Modules[static_cast<std::size_t>(y * stride + x)];
            module = static_cast<std::uint8_t>(
                (module != 0 ? module : data[static_cast<std::size_t>(y * side + x)]) & 1);
        }
    }
    qr.WriteVersionInformation(symbol.Modules, version);
    qr.WriteFormatInformation(symbol.Modules, version, level, symbol.Mask);
    return symbol;
}

// ---- Random inputs ----

enum class Flavour { Digits, Alphanumeric, Letters, AnyBytes, ShiftJis, Utf8Chinese, Mixed };

// About `count` bytes of one flavour; Mixed strings together runs of the others.
Bytes RandomInput(std::mt19937& rng, Flavour flavour, std::int32_t count) {
    static const std::string alphanumeric = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    Bytes out;
    while (static_cast<std::int32_t>(out.size()) < count) {
        Flavour f = flavour;
        std::int32_t run = count;
        if (flavour == Flavour::Mixed) {
            f = static_cast<Flavour>(rng() % 6);
            run = 1 + static_cast<std::int32_t>(rng() % (rng() % 2 == 0 ? 40 : 5));
        }
        for (std::int32_t k = 0; k < run && static_cast<std::int32_t>(out.size()) < count; ++k) {
            switch (f) {
            case Flavour::Digits:
                out.push_back(static_cast<std::uint8_t>('0' + rng() % 10));
                break;
            case Flavour::Alphanumeric:
                out.push_back(static_cast<std::uint8_t>(alphanumeric[rng() % 45]));
                break;
            case Flavour::Letters:
                out.push_back(static_cast<std::uint8_t>('a' + rng() % 26));
                break;
            case Flavour::AnyBytes:
                out.push_back(static_cast<std::uint8_t>(rng()));
                break;
            case Flavour::ShiftJis: // lead bytes of both ranges and 0xEB, any trail from 0x40
                out.push_back(static_cast<std::uint8_t>(rng() % 2 == 0 ? 0x81 + rng() % 0x1F
                                                                       : 0xE0 + rng() % 0x0C));
                out.push_back(static_cast<std::uint8_t>(0x40 + rng() % 0xC0));
                break;
            default: // three-byte UTF-8 of the CJK block
                out.push_back(static_cast<std::uint8_t>(0xE4 + rng() % 6));
                out.push_back(static_cast<std::uint8_t>(0x80 + rng() % 0x40));
                out.push_back(static_cast<std::uint8_t>(0x80 + rng() % 0x40));
                break;
            }
        }
    }
    out.resize(static_cast<std::size_t>(count));
    return out;
}

// Characters of the flavour that fill about the data capacity of the version and level.
std::int32_t RoughCapacity(const clsQRCode& qr, Flavour flavour, std::int32_t version,
                           std::int32_t level) {
    const std::int32_t bits = 8 * qr.GetDataCodewords(level < 1 || level > 4 ? 2 : level, version);
    switch (flavour) {
    case Flavour::Digits:
        return bits * 3 / 10;
    case Flavour::Alphanumeric:
        return bits * 2 / 11;
    case Flavour::ShiftJis:
        return bits * 2 / 13;
    default:
        return bits / 8;
    }
}

std::string Describe(const Bytes& bytes, std::int32_t version, std::int32_t level,
                     std::int32_t mask, bool kanji) {
    std::ostringstream s;
    s << bytes.size() << " bytes, version " << version << ", level " << level << ", mask " << mask
      << ", Kanji " << (kanji ? "on" : "off");
    return s.str();
}

void ExpectSameSymbol(clsQRCode& fast, clsQRCode& plain, const Bytes& bytes, std::int32_t version,
                      std::int32_t level, std::int32_t mask) {
    const auto got =
        fast.EncodeMatrix(bytes, static_cast<std::int32_t>(bytes.size()), version, level, mask);
    const auto want = PlainEncode(plain, bytes, version, level, mask);
    const std::string what = Describe(bytes, version, level, mask, fast.KanjiMode());
    ASSERT_EQ(got.has_value(), want.has_value()) << what;
    if (!got) {
        return;
    }
    ASSERT_EQ(got->Version, want->Version) << what;
    ASSERT_EQ(got->Level, want->Level) << what;
    ASSERT_EQ(got->Mask, want->Mask) << what;
    ASSERT_EQ(got->Side, want->Side) << what;
    ASSERT_EQ(got->Modules, want->Modules) << what;
}

// Random inputs sized around every version's capacity, with every level and mask (and settings
// outside their ranges), automatic and given versions, Kanji mode on and off. One encoder object
// serves all of them, so its placement runs keep changing version.
TEST(PipelineAgreement, RandomInputsOfEveryVersionLevelAndMask) {
    std::mt19937 rng(20261208);
    clsQRCode fast;
    clsQRCode plain;
    std::int32_t symbols = 0;
    for (std::int32_t round = 0; round < 12; ++round) {
        for (std::int32_t target = 1; target <= clsQRCode::MaxVersion; ++target) {
            const auto flavour = static_cast<Flavour>(rng() % 7);
            std::int32_t level = 1 + static_cast<std::int32_t>(rng() % 4);
            if (rng() % 16 == 0) {
                level = rng() % 2 == 0 ? 0 : 5;
            }
            const std::int32_t mask = static_cast<std::int32_t>(rng() % 10) - 1; // -1 .. 8
            const std::int32_t capacity = RoughCapacity(fast, flavour, target, level);
            const auto count =
                static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(capacity * 5 / 4 + 2));
            const Bytes bytes = RandomInput(rng, flavour, count);
            const bool kanji = rng() % 2 == 0;
            fast.SetKanjiMode(kanji);
            plain.SetKanjiMode(kanji);
            std::int32_t version = 0;
            switch (rng() % 4) {
            case 0:
                version = target;
                break;
            case 1:
                version = 1 + static_cast<std::int32_t>(rng() % 40);
                break;
            default:
                version = rng() % 8 == 0 ? 41 : 0;
                break;
            }
            ExpectSameSymbol(fast, plain, bytes, version, level, mask);
            if (HasFatalFailure()) {
                return;
            }
            symbols += fast.EncodeMatrix(bytes, count, version, level, mask) ? 1 : 0;
        }
    }
    // Most inputs fit: the comparison is of symbols, not of refusals.
    EXPECT_GT(symbols, 300);
}

// The capacity edges of every version and level: the data exactly filling the symbol (no room
// for the terminator), two and four bits short of it, and one byte too many; Kanji pairs filling
// the last version of each width class, where the version search moves to the next class.
TEST(PipelineAgreement, CapacityEdgesOfEveryVersionAndLevel) {
    std::mt19937 rng(7);
    clsQRCode fast;
    clsQRCode plain;
    fast.SetKanjiMode(false);
    plain.SetKanjiMode(false);
    for (std::int32_t version = 1; version <= clsQRCode::MaxVersion; ++version) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const std::int32_t bits = 8 * fast.GetDataCodewords(level, version);
            const std::int32_t header = 4 + (version < 10 ? 10 : (version < 27 ? 12 : 14));
            // Digits: 10 bits per three, 4 for one left over and 7 for two.
            for (std::int32_t shortBy : {0, 1, 2, 4}) {
                const std::int32_t room = bits - header - shortBy;
                const std::int32_t digits =
                    room / 10 * 3 + (room % 10 >= 7 ? 2 : (room % 10 >= 4 ? 1 : 0));
                const Bytes bytes = RandomInput(rng, Flavour::Digits, digits);
                const std::int32_t mask = (version + level + shortBy) % 8;
                ExpectSameSymbol(fast, plain, bytes, version, level, mask);
                ExpectSameSymbol(fast, plain, bytes, 0, level, mask);
                if (HasFatalFailure()) {
                    return;
                }
            }
            // Shift JIS pairs in Kanji mode: 13 bits per pair.
            if (version == 9 || version == 26 || version == 40) {
                fast.SetKanjiMode(true);
                plain.SetKanjiMode(true);
                const std::int32_t kanjiHeader = 4 + (version < 10 ? 8 : (version < 27 ? 10 : 12));
                for (std::int32_t extra : {0, 1}) {
                    const Bytes bytes = RandomInput(rng, Flavour::ShiftJis,
                                                    2 * ((bits - kanjiHeader) / 13 + extra));
                    ExpectSameSymbol(fast, plain, bytes, 0, level, 3);
                    if (HasFatalFailure()) {
                        return;
                    }
                }
                fast.SetKanjiMode(false);
                plain.SetKanjiMode(false);
            }
            const std::int32_t letters = (bits - 4 - (version < 10 ? 8 : 16)) / 8;
            for (std::int32_t extra : {0, 1}) {
                const Bytes bytes = RandomInput(rng, Flavour::Letters, letters + extra);
                ExpectSameSymbol(fast, plain, bytes, version, level, 0);
                if (HasFatalFailure()) {
                    return;
                }
            }
        }
    }
}

// ---- The segmentation by a plain search over all candidates ----

struct PlainCell {
    std::int32_t Pred = 0; // mode of the predecessor cell, -1 when the path starts here
    std::int32_t Cost = 0;
    std::int32_t Run = 0;
};

constexpr std::int32_t kUnreachable = 0x70000000;

std::int32_t CountBits(std::int32_t mode, std::int32_t w) {
    switch (mode) {
    case 0:
        return w == 2 ? 8 : 16;
    case 1:
        return w + 8;
    case 2:
        return w + 7;
    default:
        return w + 6;
    }
}

std::int32_t AlphanumericValue(std::uint8_t c) {
    static const std::string set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    return static_cast<std::int32_t>(set.find(static_cast<char>(c)));
}

// The bit stream (one entry per bit, terminator included) of the cheapest segmentation of the
// bytes for the width class of version, by the search table written out in full: every cell
// tries its four candidate predecessors in mode order and keeps a strictly cheaper one. With
// Kanji the bytes are Shift JIS, whose two-byte characters stay in one segment.
std::vector<std::uint8_t> PlainStream(const Bytes& data, std::int32_t version, bool kanji) {
    const auto n = static_cast<std::int32_t>(data.size());
    const std::int32_t w = version < 10 ? 2 : (version < 27 ? 4 : 6);
    std::vector<std::uint8_t> bits;
    const auto put = [&](std::uint32_t value, std::int32_t count) {
        for (std::int32_t k = count - 1; k >= 0; --k) {
            bits.push_back(static_cast<std::uint8_t>((value >> k) & 1U));
        }
    };
    if (n == 0) {
        put(0, 4);
        return bits;
    }
    std::vector<std::array<PlainCell, 4>> table(static_cast<std::size_t>(n));
    const auto cell = [&](std::int32_t i, std::int32_t mode) -> PlainCell& {
        return table[static_cast<std::size_t>(i)][static_cast<std::size_t>(mode)];
    };
    const auto maxRun = [&](std::int32_t mode) { return (1 << CountBits(mode, w)) - 1; };
    const std::vector<bool> second =
        kanji ? test::SecondBytes(data, false) : std::vector<bool>(data.size(), false);
    // The cell `mode` at i from the four cells at `from`: a same-mode predecessor below the
    // largest run continues at step(run), every other one starts a segment at `start`.
    const auto relax = [&](std::int32_t i, std::int32_t from, std::int32_t mode, std::int32_t start,
                           auto step) {
        PlainCell best;
        // A second byte only continues the byte segment of its first (or ends a pair).
        const bool within = mode != 3 && second[static_cast<std::size_t>(i)];
        for (std::int32_t j = 0; j < 4; ++j) {
            const PlainCell& p = cell(from, j);
            const bool continues = j == mode && p.Run < maxRun(mode);
            const std::int32_t cost =
                within && j != mode ? kUnreachable : p.Cost + (continues ? step(p.Run) : start);
            if (j == 0 || cost < best.Cost) {
                best = PlainCell{j, cost, (continues ? p.Run : 0) + 1};
            }
        }
        cell(i, mode) = best;
    };
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t charClass = clsQRCode::GetCharClass(data[static_cast<std::size_t>(i)]);
        if (i == 0) {
            cell(0, 0) = PlainCell{-1, 4 + CountBits(0, w) + 8, 1};
        } else {
            relax(i, i - 1, 0, 12 + CountBits(0, w), [](std::int32_t) { return 8; });
        }
        if (charClass != 1) {
            cell(i, 1).Cost = kUnreachable;
        } else if (i == 0) {
            cell(0, 1) = PlainCell{-1, w + 16, 1};
        } else {
            relax(i, i - 1, 1, w + 16, [](std::int32_t run) { return run % 3 == 0 ? 4 : 3; });
        }
        if (charClass == 0 || second[static_cast<std::size_t>(i)]) {
            cell(i, 2).Cost = kUnreachable;
        } else if (i == 0) {
            cell(0, 2) = PlainCell{-1, w + 17, 1};
        } else {
            relax(i, i - 1, 2, w + 17, [](std::int32_t run) { return run % 2 == 0 ? 6 : 5; });
        }
        const bool pair = i >= 1 && kanji && second[static_cast<std::size_t>(i)] &&
                          clsQRCode::IsKanjiPair(data[static_cast<std::size_t>(i - 1)],
                                                 data[static_cast<std::size_t>(i)]);
        if (!pair) {
            cell(i, 3).Cost = kUnreachable;
        } else if (i == 1) {
            cell(1, 3) = PlainCell{-1, w + 23, 1};
        } else {
            relax(i, i - 2, 3, 13 + 4 + w + 6, [](std::int32_t) { return 13; });
        }
    }
    std::int32_t endMode = 0;
    for (std::int32_t j = 1; j < 4; ++j) {
        if (cell(n - 1, j).Cost < cell(n - 1, endMode).Cost) {
            endMode = j;
        }
    }
    std::vector<std::int32_t> modes(static_cast<std::size_t>(n));
    for (std::int32_t pos = n - 1, mode = endMode; pos >= 0;) {
        modes[static_cast<std::size_t>(pos)] = mode;
        const std::int32_t previous = cell(pos, mode).Pred;
        if (mode == 3) {
            modes[static_cast<std::size_t>(pos - 1)] = 3;
            pos -= 2;
        } else {
            pos -= 1;
        }
        mode = previous;
    }
    static constexpr std::uint32_t kIndicator[4] = {0b0100, 0b0001, 0b0010, 0b1000};
    for (std::int32_t s = 0; s < n;) {
        const std::int32_t mode = modes[static_cast<std::size_t>(s)];
        const std::int32_t limit = mode == 3 ? 2 * maxRun(3) : maxRun(mode);
        std::int32_t len = 1;
        while (s + len < n && len < limit && modes[static_cast<std::size_t>(s + len)] == mode) {
            ++len;
        }
        const auto at = [&](std::int32_t k) {
            return static_cast<std::uint32_t>(data[static_cast<std::size_t>(s + k)]);
        };
        put(kIndicator[mode], 4);
        put(static_cast<std::uint32_t>(mode == 3 ? len / 2 : len), CountBits(mode, w));
        std::int32_t k = 0;
        switch (mode) {
        case 0:
            for (; k < len; ++k) {
                put(at(k), 8);
            }
            break;
        case 1:
            for (; k + 3 <= len; k += 3) {
                put(100 * (at(k) & 15) + 10 * (at(k + 1) & 15) + (at(k + 2) & 15), 10);
            }
            if (len - k == 2) {
                put(10 * (at(k) & 15) + (at(k + 1) & 15), 7);
            } else if (len - k == 1) {
                put(at(k) & 15, 4);
            }
            break;
        case 2:
            for (; k + 2 <= len; k += 2) {
                put(static_cast<std::uint32_t>(45 * AlphanumericValue(data[s + k]) +
                                               AlphanumericValue(data[s + k + 1])),
                    11);
            }
            if (k < len) {
                put(static_cast<std::uint32_t>(AlphanumericValue(data[s + k])), 6);
            }
            break;
        default:
            for (; k + 1 < len; k += 2) {
                const std::uint32_t lead = at(k);
                put((lead - (lead <= 0x9F ? 0x81 : 0xC1)) * 0xC0 + (at(k + 1) - 0x40), 13);
            }
            break;
        }
        s += len;
    }
    put(0, 4);
    return bits;
}

// Random inputs of every flavour, some with runs long enough to reach the largest segment of a
// width class (255 bytes, 511 alphanumeric characters, 1023 digits, 255 Kanji characters below
// version 10), in the three width classes, Kanji mode on and off: both uses of BuildBitStream
// against the plain search.
TEST(SegmentationAgreement, BuildBitStreamMatchesThePlainSearch) {
    std::mt19937 rng(1208);
    clsQRCode qr;
    std::vector<std::uint8_t> bits(clsQRCode::BitBufferLength);
    for (std::int32_t round = 0; round < 700; ++round) {
        const auto flavour = static_cast<Flavour>(round % 7);
        std::int32_t count = static_cast<std::int32_t>(rng() % 120);
        if (round % 5 == 0) {
            count = static_cast<std::int32_t>(rng() % 2400);
        }
        const Bytes data = RandomInput(rng, flavour, count);
        const bool kanji = rng() % 3 != 0;
        qr.SetKanjiMode(kanji);
        for (const std::int32_t version : {1, 10, 27}) {
            const std::vector<std::uint8_t> want = PlainStream(data, version, kanji);
            std::int32_t measured = 0;
            std::int32_t written = 0;
            qr.BuildBitStream(bits, data, count, version, true, measured);
            std::fill(bits.begin(), bits.end(), std::uint8_t{7});
            qr.BuildBitStream(bits, data, count, version, false, written);
            const std::string what =
                "round " + std::to_string(round) + ", " + Describe(data, version, 0, 0, kanji);
            ASSERT_EQ(measured, static_cast<std::int32_t>(want.size())) << what;
            ASSERT_EQ(written, static_cast<std::int32_t>(want.size())) << what;
            if (written <= clsQRCode::BitBufferLength) {
                ASSERT_TRUE(std::equal(want.begin(), want.end(), bits.begin())) << what;
                ASSERT_EQ(bits[static_cast<std::size_t>(written)], 7) << what;
            }
        }
    }
}

} // namespace
} // namespace ostrel
