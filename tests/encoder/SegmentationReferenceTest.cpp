// The segmentation search against a plain reference: the shortest-path search over (position,
// mode) written out in full, for clarity rather than speed, with the whole segment table of
// (predecessor, cost, run) per cell. BuildBitStream must give the same bit stream for every
// input, ties included, and the same measured length; for short inputs that length is also
// checked against the minimum over every possible cutting into segments.
#include "DoubleByteCharacters.h"
#include "clsMicroQRCode.h"
#include "clsMicroQRTable.h"
#include "clsQRCode.h"
#include "clsRMQRCode.h"
#include "clsRMQRTable.h"
#include "clsSegmentSearch.h"
#include "clsSegmentWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Bits = std::vector<std::uint8_t>;

// ---- The reference ----

constexpr std::int32_t kNever = 0x70000000; // cost of a cell no path reaches

enum Mode { Byte = 0, Numeric = 1, Alphanumeric = 2, Kanji = 3 };

struct Cell {
    std::int32_t Predecessor = 0;
    std::int32_t Cost = 0;
    std::int32_t Run = 0;
};

// The modes of one symbol type and size class: which are allowed, the mode indicators, the
// count-indicator widths and the terminator.
// With Hanzi, the pair mode is GB/T 18284's Hanzi mode (GB 2312 pairs, indicator 1101 and a
// 4-bit subset indicator before the count) in place of Kanji.
struct ModeSet {
    bool Allowed[4];
    std::int32_t IndicatorBits;
    std::int32_t Indicator[4];
    std::int32_t Count[4]; // count-indicator bits per mode
    std::int32_t Terminator;
    bool Hanzi = false;
    std::int32_t Max(std::int32_t mode) const { return (1 << Count[mode]) - 1; } // Kanji: chars
    std::int32_t Header(std::int32_t mode) const {
        return IndicatorBits + Count[mode] + (mode == Kanji && Hanzi ? 4 : 0);
    }
};

// The pair mode a QR Code search may use.
enum class Pairs { None, Kanji, Hanzi };

// QR Code Model 2 per width class (versions 1-9, 10-26, 27-40), ISO/IEC 18004 Tables 2 and 3.
ModeSet ClassOf(std::int32_t version, Pairs pairs = Pairs::Kanji) {
    ModeSet set{{true, true, true, pairs != Pairs::None},
                4,
                {0b0100, 0b0001, 0b0010, pairs == Pairs::Hanzi ? 0b1101 : 0b1000},
                {},
                4,
                pairs == Pairs::Hanzi};
    const std::int32_t counts[3][4] = {{8, 10, 9, 8}, {16, 12, 11, 10}, {16, 14, 13, 12}};
    const auto& row = counts[version < 10 ? 0 : (version < 27 ? 1 : 2)];
    std::copy(std::begin(row), std::end(row), set.Count);
    return set;
}

bool IsDigit(std::uint8_t b) {
    return b >= '0' && b <= '9';
}

const std::string kAlphanumeric = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";

bool IsAlphanumeric(std::uint8_t b) {
    return b != 0 && kAlphanumeric.find(static_cast<char>(b)) != std::string::npos;
}

std::int32_t AlphanumericValue(std::uint8_t b) {
    return static_cast<std::int32_t>(kAlphanumeric.find(static_cast<char>(b)));
}

bool KanjiCandidate(std::uint8_t lead, std::uint8_t trail) {
    if (trail < 0x40) {
        return false;
    }
    if ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA)) {
        return true;
    }
    return lead == 0xEB && trail <= 0xBF;
}

bool HanziCandidate(std::uint8_t lead, std::uint8_t trail) {
    return ((lead >= 0xA1 && lead <= 0xAA) || (lead >= 0xB0 && lead <= 0xFA)) && trail >= 0xA1 &&
           trail <= 0xFE;
}

bool PairCandidate(const ModeSet& set, std::uint8_t lead, std::uint8_t trail) {
    return set.Hanzi ? HanziCandidate(lead, trail) : KanjiCandidate(lead, trail);
}

// Where a mode set takes pairs, the data is Shift JIS (Kanji) or GB 2312/GBK (Hanzi): true for
// each byte that ends a two-byte character. No segment may start there.
std::vector<bool> SecondBytes(const Bytes& data, const ModeSet& set) {
    return set.Allowed[Kanji] ? test::SecondBytes(data, set.Hanzi)
                              : std::vector<bool>(data.size(), false);
}

void Put(Bits& bits, std::int32_t value, std::int32_t width) {
    for (std::int32_t k = width - 1; k >= 0; --k) {
        bits.push_back(static_cast<std::uint8_t>((value >> k) & 1));
    }
}

struct ReferenceResult {
    std::int32_t Measured = 0; // cost of the chosen end + terminator
    Bits Stream;               // the written stream, terminator included
};

// The stream under a mode set; Measured is kNever or more when its modes cannot carry data.
ReferenceResult ReferenceStream(const Bytes& data, const ModeSet& wc) {
    ReferenceResult result;
    const auto n = static_cast<std::int32_t>(data.size());
    if (n == 0) {
        result.Measured = wc.Terminator;
        result.Stream = Bits(static_cast<std::size_t>(wc.Terminator), 0);
        return result;
    }
    // One row per input position, one cell per mode.
    std::vector<Cell> table(4 * static_cast<std::size_t>(n));
    const auto at = [&](std::int32_t i, std::int32_t m) -> Cell& {
        return table[4 * static_cast<std::size_t>(i) + static_cast<std::size_t>(m)];
    };
    const std::vector<bool> second = SecondBytes(data, wc);

    // Picks, among the four predecessor modes in order 0..3, the first one of strictly smallest
    // cost; stepCost(j) gives the cost through (from, j) and whether the segment continues.
    const auto choose = [&](std::int32_t i, std::int32_t mode, std::int32_t from, auto stepCost) {
        std::int32_t best = INT_MAX;
        for (std::int32_t j = 0; j < 4; ++j) {
            bool continues = false;
            const std::int32_t cost = stepCost(j, continues);
            if (cost < best) {
                best = cost;
                at(i, mode).Predecessor = j;
                at(i, mode).Cost = cost;
                at(i, mode).Run = (continues ? at(from, j).Run : 0) + 1;
            }
        }
    };

    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint8_t b = data[static_cast<std::size_t>(i)];
        // The second byte of a character goes on in the segment of the first: a byte segment
        // (restarting only at its largest count) or the pair.
        const bool within = second[static_cast<std::size_t>(i)];
        // Byte: reachable wherever the mode is allowed.
        if (!wc.Allowed[Byte]) {
            at(i, Byte).Cost = kNever;
        } else if (i == 0) {
            at(i, Byte) = {-1, wc.Header(Byte) + 8, 1};
        } else {
            choose(i, Byte, i - 1, [&](std::int32_t j, bool& continues) {
                continues = j == Byte && at(i - 1, Byte).Run < wc.Max(Byte);
                if (within && j != Byte) {
                    return INT_MAX;
                }
                return at(i - 1, j).Cost + (continues ? 8 : 8 + wc.Header(Byte));
            });
        }
        // Numeric.
        if (!IsDigit(b) || !wc.Allowed[Numeric] || within) {
            at(i, Numeric).Cost = kNever;
        } else if (i == 0) {
            at(i, Numeric) = {-1, wc.Header(Numeric) + 4, 1};
        } else {
            choose(i, Numeric, i - 1, [&](std::int32_t j, bool& continues) {
                const Cell& p = at(i - 1, j);
                continues = j == Numeric && p.Run < wc.Max(Numeric);
                return continues ? p.Cost + (p.Run % 3 == 0 ? 4 : 3)
                                 : p.Cost + wc.Header(Numeric) + 4;
            });
        }
        // Alphanumeric.
        if (!IsAlphanumeric(b) || !wc.Allowed[Alphanumeric] || within) {
            at(i, Alphanumeric).Cost = kNever;
        } else if (i == 0) {
            at(i, Alphanumeric) = {-1, wc.Header(Alphanumeric) + 6, 1};
        } else {
            choose(i, Alphanumeric, i - 1, [&](std::int32_t j, bool& continues) {
                const Cell& p = at(i - 1, j);
                continues = j == Alphanumeric && p.Run < wc.Max(Alphanumeric);
                return continues ? p.Cost + (p.Run % 2 == 0 ? 6 : 5)
                                 : p.Cost + wc.Header(Alphanumeric) + 6;
            });
        }
        // Kanji (or Hanzi): a pair ending at i, one character of the data.
        if (i == 0 || !wc.Allowed[Kanji] || !within ||
            !PairCandidate(wc, data[static_cast<std::size_t>(i - 1)], b)) {
            at(i, Kanji).Cost = kNever;
        } else if (i == 1) {
            at(i, Kanji) = {-1, wc.Header(Kanji) + 13, 1};
        } else {
            choose(i, Kanji, i - 2, [&](std::int32_t j, bool& continues) {
                const Cell& p = at(i - 2, j);
                continues = j == Kanji && p.Run < wc.Max(Kanji);
                return continues ? p.Cost + 13 : p.Cost + 13 + wc.Header(Kanji);
            });
        }
    }

    // The end: the cheapest cell of the last row, the lowest mode on equal cost.
    std::int32_t endMode = 0;
    for (std::int32_t m = 1; m < 4; ++m) {
        if (at(n - 1, m).Cost < at(n - 1, endMode).Cost) {
            endMode = m;
        }
    }
    result.Measured = at(n - 1, endMode).Cost + wc.Terminator;
    if (at(n - 1, endMode).Cost >= kNever) {
        return result; // no stream: the allowed modes cannot carry every byte
    }

    // Trace back into one mode per byte.
    std::vector<std::int32_t> modes(static_cast<std::size_t>(n), -1);
    std::int32_t mode = endMode;
    for (std::int32_t i = n - 1; i >= 0;) {
        modes[static_cast<std::size_t>(i)] = mode;
        const std::int32_t predecessor = at(i, mode).Predecessor;
        if (mode == Kanji) {
            modes[static_cast<std::size_t>(i - 1)] = Kanji;
            i -= 2;
        } else {
            i -= 1;
        }
        mode = predecessor;
    }

    // Write the segments.
    Bits& out = result.Stream;
    for (std::int32_t s = 0; s < n;) {
        const std::int32_t m = modes[static_cast<std::size_t>(s)];
        const std::int32_t maxBytes = m == Kanji ? 2 * wc.Max(Kanji) : wc.Max(m);
        std::int32_t length = 0;
        while (s + length < n && length < maxBytes &&
               modes[static_cast<std::size_t>(s + length)] == m) {
            ++length;
        }
        const auto byteAt = [&](std::int32_t k) { return data[static_cast<std::size_t>(s + k)]; };
        Put(out, wc.Indicator[m], wc.IndicatorBits);
        if (m == Kanji && wc.Hanzi) {
            Put(out, 0b0001, 4); // the GB 2312 subset, between mode and count
        }
        Put(out, m == Kanji ? length / 2 : length, wc.Count[m]);
        switch (m) {
        case Byte:
            for (std::int32_t k = 0; k < length; ++k) {
                Put(out, byteAt(k), 8);
            }
            break;
        case Numeric: {
            std::int32_t k = 0;
            for (; k + 3 <= length; k += 3) {
                Put(out, (byteAt(k) - '0') * 100 + (byteAt(k + 1) - '0') * 10 + byteAt(k + 2) - '0',
                    10);
            }
            if (length - k == 2) {
                Put(out, (byteAt(k) - '0') * 10 + byteAt(k + 1) - '0', 7);
            } else if (length - k == 1) {
                Put(out, byteAt(k) - '0', 4);
            }
            break;
        }
        case Alphanumeric: {
            std::int32_t k = 0;
            for (; k + 2 <= length; k += 2) {
                Put(out, 45 * AlphanumericValue(byteAt(k)) + AlphanumericValue(byteAt(k + 1)), 11);
            }
            if (k < length) {
                Put(out, AlphanumericValue(byteAt(k)), 6);
            }
            break;
        }
        default:
            for (std::int32_t k = 0; k < length; k += 2) {
                const std::int32_t lead = byteAt(k);
                const std::int32_t trail = byteAt(k + 1);
                if (wc.Hanzi) {
                    // Rows A1..AA, then B0..FA right after them, 96 cells a row.
                    const std::int32_t row = lead <= 0xAA ? lead - 0xA1 : lead - 0xB0 + 10;
                    Put(out, row * 0x60 + (trail - 0xA1), 13);
                } else {
                    const std::int32_t base = lead <= 0x9F ? 0x81 : 0xC1;
                    Put(out, (lead - base) * 0xC0 + (trail - 0x40), 13);
                }
            }
            break;
        }
        s += length;
    }
    Put(out, 0, wc.Terminator);
    return result;
}

ReferenceResult ReferenceStream(const Bytes& data, std::int32_t version, Pairs pairs) {
    return ReferenceStream(data, ClassOf(version, pairs));
}

// The fewest data bits over every cutting of data into segments (each segment in any mode that
// can carry all of its bytes), terminator included; for inputs too short to reach any largest
// count.
std::int32_t MinimumOverAllCuttings(const Bytes& data, const ModeSet& wc) {
    const auto n = static_cast<std::int32_t>(data.size());
    // A segment starts and ends on a character boundary.
    const std::vector<bool> second = SecondBytes(data, wc);
    const auto boundary = [&](std::int32_t at) {
        return at == n || !second[static_cast<std::size_t>(at)];
    };
    // best[s]: the fewest bits for data[s..n-1].
    std::vector<std::int32_t> best(static_cast<std::size_t>(n) + 1, kNever);
    best[static_cast<std::size_t>(n)] = 0;
    for (std::int32_t s = n - 1; s >= 0; --s) {
        for (std::int32_t e = s + 1; e <= n; ++e) {
            if (!boundary(s) || !boundary(e)) {
                continue;
            }
            const std::int32_t length = e - s;
            const std::int32_t rest = best[static_cast<std::size_t>(e)];
            // A segment holds at most its mode's largest count.
            bool digits = wc.Allowed[Numeric] && length <= wc.Max(Numeric);
            bool alnum = wc.Allowed[Alphanumeric] && length <= wc.Max(Alphanumeric);
            bool kanji = wc.Allowed[Kanji] && length % 2 == 0 && length / 2 <= wc.Max(Kanji);
            for (std::int32_t k = s; k < e; ++k) {
                digits = digits && IsDigit(data[static_cast<std::size_t>(k)]);
                alnum = alnum && IsAlphanumeric(data[static_cast<std::size_t>(k)]);
                if (kanji && (k - s) % 2 == 0) {
                    kanji = PairCandidate(wc, data[static_cast<std::size_t>(k)],
                                          data[static_cast<std::size_t>(k + 1)]);
                }
            }
            std::int32_t cost =
                wc.Allowed[Byte] && length <= wc.Max(Byte) ? wc.Header(Byte) + 8 * length : kNever;
            if (digits) {
                cost = std::min(cost, wc.Header(Numeric) + 10 * (length / 3) +
                                          (length % 3 == 2   ? 7
                                           : length % 3 == 1 ? 4
                                                             : 0));
            }
            if (alnum) {
                cost =
                    std::min(cost, wc.Header(Alphanumeric) + 11 * (length / 2) + 6 * (length % 2));
            }
            if (kanji) {
                cost = std::min(cost, wc.Header(Kanji) + 13 * (length / 2));
            }
            if (cost < kNever && rest < kNever) {
                best[static_cast<std::size_t>(s)] =
                    std::min(best[static_cast<std::size_t>(s)], cost + rest);
            }
        }
    }
    return best[0] >= kNever ? kNever : best[0] + wc.Terminator;
}

std::int32_t MinimumOverAllCuttings(const Bytes& data, std::int32_t version, Pairs pairs) {
    return MinimumOverAllCuttings(data, ClassOf(version, pairs));
}

// ---- The comparisons ----

class SegmentationReferenceTest : public ::testing::Test {
protected:
    // "" when BuildBitStream and the reference agree on data, otherwise what differs.
    std::string Disagreement(const Bytes& data, std::int32_t version, Pairs pairs) {
        qr.SetKanjiMode(pairs == Pairs::Kanji);
        qr.SetHanziMode(pairs == Pairs::Hanzi);
        const ReferenceResult expected = ReferenceStream(data, version, pairs);
        const auto n = static_cast<std::int32_t>(data.size());
        std::int32_t measured = -1;
        qr.BuildBitStream(buffer, data, n, version, true, measured);
        if (measured != expected.Measured) {
            return "measured " + std::to_string(measured) + ", reference " +
                   std::to_string(expected.Measured);
        }
        if (static_cast<std::size_t>(expected.Measured) > buffer.size()) {
            buffer.resize(static_cast<std::size_t>(expected.Measured) * 2);
        }
        std::int32_t written = -1;
        qr.BuildBitStream(buffer, data, n, version, false, written);
        if (written != expected.Measured) {
            return "written " + std::to_string(written) + " bits, reference " +
                   std::to_string(expected.Measured);
        }
        const auto mismatch =
            std::mismatch(expected.Stream.begin(), expected.Stream.end(), buffer.begin());
        if (mismatch.first != expected.Stream.end()) {
            return "streams differ from bit " +
                   std::to_string(mismatch.first - expected.Stream.begin());
        }
        return "";
    }

    static std::string Show(const Bytes& data) {
        std::string s;
        for (std::uint8_t b : data) {
            if (b >= 0x20 && b < 0x7F) {
                s += static_cast<char>(b);
            } else {
                static const char* hex = "0123456789ABCDEF";
                s += "\\x";
                s += hex[b >> 4];
                s += hex[b & 15];
            }
        }
        return s;
    }

    // Every string up to maxLength over alphabet, in each width class, under each pair mode.
    void Exhaustive(const Bytes& alphabet, std::int32_t maxLength, bool bruteForce,
                    std::initializer_list<Pairs> pairModes = {Pairs::Kanji, Pairs::None}) {
        std::int64_t checked = 0;
        for (std::int32_t length = 1; length <= maxLength; ++length) {
            std::vector<std::size_t> digit(static_cast<std::size_t>(length), 0);
            Bytes data(static_cast<std::size_t>(length), alphabet[0]);
            while (true) {
                for (const Pairs pairs : pairModes) {
                    for (const std::int32_t version : {1, 10, 27}) {
                        const std::string why = Disagreement(data, version, pairs);
                        ASSERT_EQ(why, "") << "\"" << Show(data) << "\" version " << version
                                           << " pairs " << static_cast<int>(pairs);
                        if (bruteForce) {
                            ASSERT_EQ(ReferenceStream(data, version, pairs).Measured,
                                      MinimumOverAllCuttings(data, version, pairs))
                                << "\"" << Show(data) << "\" version " << version << " pairs "
                                << static_cast<int>(pairs);
                        }
                        ++checked;
                    }
                }
                // Next string in lexicographic order.
                std::size_t k = 0;
                while (k < digit.size() && ++digit[k] == alphabet.size()) {
                    digit[k] = 0;
                    data[k] = alphabet[0];
                    ++k;
                }
                if (k == digit.size()) {
                    break;
                }
                data[k] = alphabet[digit[k]];
            }
        }
        EXPECT_GT(checked, 0);
    }

    clsQRCode qr;
    Bits buffer = Bits(clsQRCode::BitBufferLength, 0);
};

// The reference itself reproduces the worked cases of the standard's clause 7.4 and of our own
// notes, so that agreeing with it means something.
TEST_F(SegmentationReferenceTest, ReferenceReproducesTheWorkedExamples) {
    const auto bitsOf = [](const std::string& s, std::int32_t version) {
        const ReferenceResult r = ReferenceStream(Bytes(s.begin(), s.end()), version, Pairs::Kanji);
        std::string text;
        for (std::uint8_t b : r.Stream) {
            text += static_cast<char>('0' + b);
        }
        return text;
    };
    EXPECT_EQ(bitsOf("01234567", 1), "0001"
                                     "0000001000"
                                     "0000001100"
                                     "0101011001"
                                     "1000011"
                                     "0000");
    EXPECT_EQ(bitsOf("AC-42", 1), "0010"
                                  "000000101"
                                  "00111001110"
                                  "11100111001"
                                  "000010"
                                  "0000");
    // a111: byte a + numeric 111 ties with one byte segment of four; the tie keeps byte mode.
    EXPECT_EQ(bitsOf("a111", 1), "0100"
                                 "00000100"
                                 "01100001"
                                 "00110001"
                                 "00110001"
                                 "00110001"
                                 "0000");
    EXPECT_EQ(
        ReferenceStream({'T', 'E', 'L', ':', '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '1'},
                        1, Pairs::Kanji)
            .Measured,
        90);
    EXPECT_EQ(ReferenceStream({0x93, 0x5F, 0xE4, 0xAA}, 1, Pairs::Kanji).Measured, 42);
    EXPECT_EQ(ReferenceStream({0xE4, 0xB8, 0xAD}, 1, Pairs::Kanji).Measured, 4 + 8 + 24 + 4);
}

// Every string of up to seven characters over a digit, a capital, a colon, a lower-case letter
// and the Shift JIS pair 0x93 0x5F (whose lead byte also pairs with the capital and the letter).
TEST_F(SegmentationReferenceTest, EveryShortStringOverMixedAlphabetAgrees) {
    Exhaustive({'1', 'A', ':', 'a', 0x93, 0x5F}, 7, false);
}

// Every string of up to six characters over a second alphabet: a lead byte whose trail range
// ends at 0xBF, trail bytes on both sides of that end, a zero, a space and a lower-case letter;
// the measured length is also the minimum over every cutting into segments.
TEST_F(SegmentationReferenceTest, EveryShortStringIsTheShortestCutting) {
    Exhaustive({'0', ' ', 'z', 0xEB, 0xBF, 0xC0, 0xE0}, 6, true);
    Exhaustive({'1', 'A', ':', 'a', 0x93, 0x5F}, 5, true);
}

// Hanzi mode over GB 2312 bytes whose pairs also form across characters (0xB0 0xA1 is one
// character, 0xA1 0xB0 another's last and the next one's first byte), a GBK lead below the
// Hanzi rows whose second byte may be a capital, a digit and a capital: the shortest cutting
// that keeps every character whole, with the 4-bit subset indicator in every Hanzi header.
TEST_F(SegmentationReferenceTest, HanziStringsAreTheShortestWholeCharacterCutting) {
    Exhaustive({'1', 'A', 0xB0, 0xA1, 0x81}, 6, true, {Pairs::Hanzi});
}

// Long random inputs made of runs around each width class's largest counts (255 and 1023 Kanji
// characters, 1023 and 4095 digits, 511 and 2047 capitals, 255 bytes), joined by short runs of
// other kinds, where segments restart in their own mode.
TEST_F(SegmentationReferenceTest, LongInputsNearTheLargestCountsAgree) {
    std::mt19937 rng(20261208);
    const std::int32_t edges[] = {255, 511, 1023, 2047, 4095};
    const std::string capitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    const std::string marks = "!\"#&'(),;<=>?@[\\]^_`{|}~";
    std::int32_t checked = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes data;
        const int runs = 1 + static_cast<int>(rng() % 4);
        for (int r = 0; r < runs; ++r) {
            const int kind = static_cast<int>(rng() % 6);
            std::int32_t length = 0;
            if (rng() % 3 == 0) {
                length = 1 + static_cast<std::int32_t>(rng() % 12); // a short run
            } else {
                const std::int32_t edge = edges[rng() % (round % 10 == 0 ? 5 : 3)];
                length = edge - 3 + static_cast<std::int32_t>(rng() % 7);
            }
            for (std::int32_t k = 0; k < length; ++k) {
                switch (kind) {
                case 0:
                    data.push_back(static_cast<std::uint8_t>('0' + rng() % 10));
                    break;
                case 1:
                    data.push_back(static_cast<std::uint8_t>(capitals[rng() % capitals.size()]));
                    break;
                case 2: // letters, now and then a mark that only byte mode takes either
                    data.push_back(static_cast<std::uint8_t>(
                        rng() % 16 != 0 ? 'a' + rng() % 26 : marks[rng() % marks.size()]));
                    break;
                case 3:
                    data.push_back(static_cast<std::uint8_t>(0x81 + rng() % 0x1F));
                    data.push_back(static_cast<std::uint8_t>(0x40 + rng() % 0xC0));
                    break;
                case 4: // GB 2312 Hanzi, whose bytes also pair across characters
                    data.push_back(static_cast<std::uint8_t>(0xB0 + rng() % 0x28));
                    data.push_back(static_cast<std::uint8_t>(0xA1 + rng() % 0x5E));
                    break;
                default:
                    data.push_back(static_cast<std::uint8_t>(rng()));
                    break;
                }
            }
        }
        const Pairs pairs = round % 4 == 3   ? Pairs::None
                            : round % 4 == 2 ? Pairs::Hanzi
                                             : Pairs::Kanji;
        for (const std::int32_t version : {1, 10, 27}) {
            ASSERT_EQ(Disagreement(data, version, pairs), "")
                << "round " << round << ", " << data.size() << " bytes, version " << version;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 9000);
}

// Where a run of bytes that only byte mode takes ends, sixteen bytes at a time against byte by
// byte, from every start, under the class tables with and without FNC1: on bytes around the edges
// of the alphanumeric set's range and its classes, and on long runs of letters with now and then
// such a byte.
TEST(SegmentationOtherBytesTest, RunEndsAgreeWithTheByteByByteForm) {
    const Bytes pool = {'a', 'z', '~', '!', '@', '[',  '`',  '_',  0x1C, 0x1D, 0x1F, ' ',
                        '%', '0', '9', 'A', 'Z', 0x80, 0x81, 0xFF, 0x00, 0x7F, 0x5B, ':'};
    const auto classes = {modetable_detail::MakeCharClass(), modetable_detail::MakeFnc1CharClass()};
    std::mt19937 rng(20261209);
    std::int64_t ends = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes data(1 + rng() % 90);
        const std::uint32_t rare = 1 + rng() % 64; // one byte in `rare` from the pool
        for (std::uint8_t& b : data) {
            b = rng() % rare == 0 ? pool[rng() % pool.size()]
                                  : static_cast<std::uint8_t>('a' + rng() % 26);
        }
        const auto n = static_cast<std::int32_t>(data.size());
        for (const auto& table : classes) {
            for (std::int32_t from = 0; from <= n; ++from) {
                const std::int32_t plain =
                    clsSegmentSearch::OtherBytesEnd(data.data(), n, from, table.data(), true);
                ASSERT_EQ(clsSegmentSearch::OtherBytesEnd(data.data(), n, from, table.data()),
                          plain)
                    << "round " << round << " from " << from;
                ends += plain < n ? 1 : 0;
            }
        }
    }
    EXPECT_GT(ends, 0);
}

// ---- Other mode tables ----

// Mode sets of other symbol types, by mode number (byte, numeric, alphanumeric, Kanji): Micro QR
// M1 to M4 (ISO/IEC 18004 Tables 2 and 3: indicators of 0 to 3 bits, counts per version,
// terminators of 3 to 9 bits, M1 numeric only, M2 without byte and Kanji) and rMQR R7x43
// (ISO/IEC 23941: 3-bit indicators).
const ModeSet kOtherModeSets[] = {
    {{false, true, false, false}, 0, {0, 0, 0, 0}, {0, 3, 0, 0}, 3},
    {{false, true, true, false}, 1, {0, 0, 1, 0}, {0, 4, 3, 0}, 5},
    {{true, true, true, true}, 2, {0b10, 0b00, 0b01, 0b11}, {4, 5, 4, 3}, 7},
    {{true, true, true, true}, 3, {0b010, 0b000, 0b001, 0b011}, {5, 6, 5, 4}, 9},
    {{true, true, true, true}, 3, {0b011, 0b001, 0b010, 0b100}, {3, 4, 3, 2}, 3},
};

clsModeTable TableOf(const ModeSet& set) {
    std::array<bool, clsModeTable::ModeCount> allowed{};
    std::array<std::uint32_t, clsModeTable::ModeCount> indicator{};
    std::array<std::int32_t, clsModeTable::ModeCount> count{};
    for (std::size_t m = 0; m < 4; ++m) {
        allowed[m] = set.Allowed[m];
        indicator[m] = static_cast<std::uint32_t>(set.Indicator[m]);
        count[m] = set.Count[m];
    }
    return clsModeTable(allowed, set.IndicatorBits, indicator, count, set.Terminator);
}

// The fewest bytes that some allowed mode's largest segment holds.
std::int32_t ShortestLargestSegment(const ModeSet& set) {
    std::int32_t bytes = kNever;
    for (std::int32_t m = 0; m < 4; ++m) {
        if (set.Allowed[m]) {
            bytes = std::min(bytes, set.Max(m) * (m == Kanji ? 2 : 1));
        }
    }
    return bytes;
}

// True when every byte's mode can carry it: digits in numeric, the alphanumeric set in
// alphanumeric, whole candidate pairs in Kanji; and every two-byte character lies in one segment.
bool CarriesEveryByte(const Bytes& data, const Bytes& modes, const ModeSet& set) {
    const std::vector<bool> second = SecondBytes(data, set);
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (second[i] || (i + 1 < data.size() && modes[i] == Kanji && !second[i + 1])) {
            return false; // a segment, or a pair, starts on a character's second byte
        }
        const bool fits = modes[i] == Byte           ? true
                          : modes[i] == Numeric      ? IsDigit(data[i])
                          : modes[i] == Alphanumeric ? IsAlphanumeric(data[i])
                          : i + 1 < data.size() && modes[i + 1] == Kanji
                              ? KanjiCandidate(data[i], data[i + 1])
                              : false;
        if (!fits) {
            return false;
        }
        if (i + 1 < data.size() && second[i + 1] && modes[i + 1] != modes[i]) {
            return false;
        }
        i += modes[i] == Kanji || (i + 1 < data.size() && second[i + 1]) ? 1 : 0;
    }
    return true;
}

// Every string up to maxLength over alphabet, under each of the other mode sets: the search
// finds the shortest cutting (over every cutting, a plain dynamic programme), the segment writer
// writes exactly that many bits, and every byte goes into a mode that can carry it; where the
// allowed modes cannot carry a byte, both say so.
void ExhaustiveUnderOtherTables(const Bytes& alphabet, std::int32_t maxLength) {
    std::int32_t unencodable = 0;
    std::int32_t encoded = 0;
    std::int32_t longerThanASegment = 0;
    for (const ModeSet& set : kOtherModeSets) {
        const clsModeTable table = TableOf(set);
        for (std::int32_t length = 1; length <= maxLength; ++length) {
            std::vector<std::size_t> digit(static_cast<std::size_t>(length), 0);
            Bytes data(static_cast<std::size_t>(length), alphabet[0]);
            do {
                const std::int32_t shortest = MinimumOverAllCuttings(data, set);
                const auto n = static_cast<std::int32_t>(data.size());
                Bytes preds(data.size());
                Bytes modes(data.size());
                const auto end = clsSegmentSearch::Search(data.data(), n, table, preds.data());
                if (shortest >= kNever) {
                    ASSERT_EQ(end.Cost, clsSegmentSearch::Unreachable) << data.size();
                    ++unencodable;
                    continue;
                }
                clsSegmentSearch::TraceModes(preds.data(), n, end.Mode, modes.data());
                Bits stream(1024, 7);
                clsBitWriter out(stream);
                const std::int32_t written =
                    clsSegmentWriter::WriteSegments(out, data.data(), n, table, modes.data());
                std::string what = "indicator bits ";
                what += std::to_string(set.IndicatorBits);
                what += ", counts ";
                what += std::to_string(set.Count[0]);
                what += ", bytes";
                for (const std::uint8_t b : data) {
                    what += ' ';
                    what += std::to_string(b);
                }
                ASSERT_EQ(written, end.Cost + set.Terminator) << what;
                // Exact while no segment can outgrow its largest count, which holds for all data
                // that a Micro QR or rMQR symbol has room for (NoSymbolHoldsMoreThanOneSegment
                // Carries). Past that (eight digits in M1: 6 + 2 beats the search's 7 + 1), a
                // cell's one path may run into the largest count first: never below the shortest.
                if (n <= ShortestLargestSegment(set)) {
                    ASSERT_EQ(written, shortest) << what;
                } else {
                    ASSERT_GE(written, shortest) << what;
                    ++longerThanASegment;
                }
                ASSERT_TRUE(CarriesEveryByte(data, modes, set)) << what;
                ++encoded;
            } while ([&] {
                std::size_t k = 0;
                while (k < digit.size() && ++digit[k] == alphabet.size()) {
                    digit[k] = 0;
                    data[k] = alphabet[0];
                    ++k;
                }
                if (k < digit.size()) {
                    data[k] = alphabet[digit[k]];
                }
                return k < digit.size();
            }());
        }
    }
    EXPECT_GT(unencodable, 0);
    EXPECT_GT(encoded - longerThanASegment, 0);
}

// Short indicators, small largest counts (seven digits in M1, three Kanji characters in R7x43),
// disallowed modes and long terminators: the search reads them all from its table.
TEST(SegmentationOtherTablesTest, EveryShortStringTakesTheShortestCutting) {
    ExhaustiveUnderOtherTables({'1', 'A', 'a', 0x93, 0x5F}, 6);
    ExhaustiveUnderOtherTables({'7', 'Q', 0x81}, 11);
}

// The most characters of a mode that one segment fits into dataBits under table, and whether
// that is within the mode's largest count.
bool OneSegmentCarriesAll(const clsModeTable& table, std::int32_t mode, std::int32_t dataBits) {
    const auto bits = [mode](std::int32_t n) {
        switch (mode) {
        case Numeric:
            return 10 * (n / 3) + (n % 3 == 2 ? 7 : n % 3 == 1 ? 4 : 0);
        case Alphanumeric:
            return 11 * (n / 2) + 6 * (n % 2);
        case Byte:
            return 8 * n;
        default:
            return 13 * n;
        }
    };
    std::int32_t n = 0;
    while (table.HeaderBits(mode) + bits(n + 1) <= dataBits) {
        ++n;
    }
    return n <= table.MaxCount(mode);
}

// Every Micro QR and rMQR size, level and mode: the data one symbol has room for never needs two
// segments of one mode, so the largest counts never shape a symbol's segmentation.
TEST(SegmentationOtherTablesTest, NoSymbolHoldsMoreThanOneSegmentCarries) {
    std::int32_t checked = 0;
    for (std::int32_t mode = 0; mode < 4; ++mode) {
        for (std::int32_t version = 1; version <= 4; ++version) {
            const clsModeTable table = clsMicroQRCode::ModeTable(version, true);
            for (std::int32_t level = 1; level <= 3 && table.Allowed(mode); ++level) {
                if (clsMicroQRTable::HasLevel(version, level)) {
                    EXPECT_TRUE(OneSegmentCarriesAll(table, mode,
                                                     clsMicroQRTable::DataBits(version, level)))
                        << "M" << version << " level " << level << " mode " << mode;
                    ++checked;
                }
            }
        }
        for (std::int32_t index = 0; index < clsRMQRTable::SizeCount; ++index) {
            const clsModeTable table = clsRMQRCode::ModeTable(index, true);
            for (const std::int32_t level : {2, 4}) {
                EXPECT_TRUE(OneSegmentCarriesAll(table, mode,
                                                 8 * clsRMQRTable::DataCodewords(index, level)))
                    << "R" << clsRMQRTable::Height(index) << "x" << clsRMQRTable::Width(index)
                    << " level " << level << " mode " << mode;
                ++checked;
            }
        }
    }
    // Micro QR: M1 numeric at one level, M2 two modes at two levels, M3 four at two, M4 four at
    // three; rMQR: four modes at two levels in every size.
    EXPECT_EQ(checked, 1 + 4 + 8 + 12 + 4 * 2 * clsRMQRTable::SizeCount);
}

} // namespace
} // namespace ostrel
