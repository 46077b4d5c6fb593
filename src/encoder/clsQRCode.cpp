#include "clsQRCode.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace ostrel {

namespace {

// Error-correction characteristics, ISO/IEC 18004 Table 9, one row per level (L, M, Q, H),
// one column per version 1..40: the total number of blocks of both groups ...
// clang-format off
constexpr std::uint8_t kBlockCountTable[4][40] = {
    {1,  1,  1,  1,  1,  2,  2,  2,  2,  4,  4,  4,  4,  4,  6,  6,  6,  6,  7,  8,
     8,  9,  9,  10, 12, 12, 12, 13, 14, 15, 16, 17, 18, 19, 19, 20, 21, 22, 24, 25},
    {1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,  10, 10, 11, 13, 14, 16,
     17, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49},
    {1,  1,  2,  2,  4,  4,  6,  6,  8,  8,  8,  10, 12, 16, 12, 17, 16, 18, 21, 20,
     23, 23, 25, 27, 29, 34, 34, 35, 38, 40, 43, 45, 48, 51, 53, 56, 59, 62, 65, 68},
    {1,  1,  2,  4,  4,  4,  5,  6,  8,  8,  11, 11, 16, 16, 18, 16, 19, 21, 25, 25,
     25, 34, 30, 32, 35, 37, 40, 42, 45, 48, 51, 54, 57, 60, 63, 66, 70, 74, 77, 81},
};

// ... and the error-correction codewords per block (the same in both groups).
constexpr std::uint8_t kEccPerBlockTable[4][40] = {
    {7,  10, 15, 20, 26, 18, 20, 24, 30, 18, 20, 24, 26, 30, 22, 24, 28, 30, 28, 28,
     28, 28, 30, 30, 26, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24, 24, 28, 28, 26, 26, 26,
     26, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28},
    {13, 22, 18, 26, 18, 24, 18, 22, 20, 24, 28, 26, 24, 20, 30, 24, 28, 28, 26, 30,
     28, 30, 30, 30, 30, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {17, 28, 22, 16, 22, 28, 26, 26, 24, 28, 24, 28, 22, 24, 24, 30, 28, 28, 26, 28,
     30, 24, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
};
// clang-format on

// GF(2^8) of clause 7.5.2: x^8 + x^4 + x^3 + x^2 + 1, primitive element 2.
constexpr std::int32_t kFieldSize = 256;
constexpr std::int32_t kFieldPolynomial = 285;
constexpr std::int32_t kFieldAlpha = 2;

// BCH codes of the version information (18,6) and the format information (15,5), clause 7.9/7.10.
constexpr std::int32_t kVersionGenerator = 0x1F25; // x^12+x^11+x^10+x^9+x^8+x^5+x^2+1
constexpr std::int32_t kFormatGenerator = 0x537;   // x^10+x^8+x^5+x^4+x^2+x+1
constexpr std::int32_t kFormatXorMask = 0x5412;    // 101010000010010

// Pad codewords of clause 7.4.10.
constexpr std::uint8_t kPadCodewords[2] = {0xEC, 0x11};

// Mode indicators (Table 2) and the terminator length.
constexpr std::int32_t kModeIndicator[4] = {0b0100, 0b0001, 0b0010, 0b1000};
constexpr std::int32_t kModeIndicatorBits = 4;
constexpr std::int32_t kTerminatorBits = 4;

// Width classes of the character-count indicators (Table 3): versions 1-9, 10-26, 27-40,
// represented by their offsets 2, 4 and 6.
std::int32_t ClassOffset(std::int32_t version) {
    if (version < 10) {
        return 2;
    }
    return version < 27 ? 4 : 6;
}

// Count-indicator widths and the largest segment each can describe (in characters; a Kanji
// character is two bytes).
struct WidthClass {
    std::int32_t Offset;
    std::int32_t CountBits[4];
    std::int32_t MaxRun[4];

    explicit WidthClass(std::int32_t w)
        : Offset(w), CountBits{w == 2 ? 8 : 16, w + 8, w + 7, w + 6},
          MaxRun{(1 << CountBits[0]) - 1, (1 << CountBits[1]) - 1, (1 << CountBits[2]) - 1,
                 (1 << CountBits[3]) - 1} {}
};

// The character classes of GetCharClass as a table: 1 digit, 2 other alphanumeric character
// (A-Z, space, $ % * + - . / :), 0 every other byte.
constexpr std::array<std::uint8_t, 256> kCharClass = [] {
    std::array<std::uint8_t, 256> table{};
    for (char c = '0'; c <= '9'; ++c) {
        table[static_cast<std::uint8_t>(c)] = 1;
    }
    for (char c = 'A'; c <= 'Z'; ++c) {
        table[static_cast<std::uint8_t>(c)] = 2;
    }
    for (const char c : {' ', '$', '%', '*', '+', '-', '.', '/', ':'}) {
        table[static_cast<std::uint8_t>(c)] = 2;
    }
    return table;
}();

// Entry k of kBitsOfByte[v] is bit 7 - k of v: a byte spread over eight bit-buffer entries, most
// significant bit first.
constexpr std::array<std::array<std::uint8_t, 8>, 256> kBitsOfByte = [] {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (std::size_t v = 0; v < 256; ++v) {
        for (std::size_t k = 0; k < 8; ++k) {
            table[v][k] = static_cast<std::uint8_t>((v >> (7 - k)) & 1);
        }
    }
    return table;
}();

// The byte of eight bit-buffer entries (0 or 1 each), the first entry most significant.
std::uint8_t ByteOfBits(const std::uint8_t* bits) {
    if constexpr (std::endian::native == std::endian::little) {
        // Entry k sits at bit 8k of the word; the multiplier moves it to bit 63 - k, and no two
        // of the partial products share a bit, so nothing carries.
        std::uint64_t word = 0;
        std::memcpy(&word, bits, sizeof word);
        return static_cast<std::uint8_t>((word * 0x8040201008040201ULL) >> 56);
    } else {
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < 8; ++k) {
            value = (value << 1) | bits[k];
        }
        return static_cast<std::uint8_t>(value);
    }
}

// The data-mask conditions of clause 7.8.2 (Table 10) for module (i, j), i the row and j the
// column: true where the module is inverted.
constexpr bool MaskCondition(std::int32_t mask, std::int32_t i, std::int32_t j) {
    const std::int32_t product = i * j;
    switch (mask) {
    case 0:
        return (i + j) % 2 == 0;
    case 1:
        return i % 2 == 0;
    case 2:
        return j % 3 == 0;
    case 3:
        return (i + j) % 3 == 0;
    case 4:
        return (i / 2 + j / 3) % 2 == 0;
    case 5:
        return product % 2 + product % 3 == 0;
    case 6:
        return (product % 2 + product % 3) % 2 == 0;
    default:
        return ((i + j) % 2 + product % 3) % 2 == 0;
    }
}

// Every condition depends on i mod 12 and j mod 6 only (through i mod 2, 3 and 4 and j mod 2,
// 3 and 6), so one 12 x 48 tile per mask, repeated, covers any matrix; 48 columns are a whole
// number of periods and of vector registers.
constexpr std::int32_t kMaskTileRows = 12;
constexpr std::int32_t kMaskTileColumns = 48;
using MaskTile = std::array<std::array<std::uint8_t, kMaskTileColumns>, kMaskTileRows>;
constexpr std::array<MaskTile, 8> kMaskTiles = [] {
    std::array<MaskTile, 8> tiles{};
    for (std::int32_t mask = 0; mask < 8; ++mask) {
        for (std::int32_t i = 0; i < kMaskTileRows; ++i) {
            for (std::int32_t j = 0; j < kMaskTileColumns; ++j) {
                tiles[static_cast<std::size_t>(mask)][static_cast<std::size_t>(i)]
                     [static_cast<std::size_t>(j)] = MaskCondition(mask, i, j) ? 1 : 0;
            }
        }
    }
    return tiles;
}();

// The segment-table cells of one input position: per mode the cost of the cheapest path (data
// bits without the terminator) and the run (characters of its last segment). The search looks
// back one position (two for Kanji), so three rows are all it keeps.
struct SegmentRow {
    std::array<std::int32_t, 4> Cost;
    std::array<std::int32_t, 4> Run;
    // The run modulo the period of its mode's character costs (3 for numeric, 2 for
    // alphanumeric), kept alongside so that no division is needed; 0 for the other modes.
    std::array<std::int32_t, 4> Phase;
};

// The cheapest cell of the last position: its cost and mode.
struct SegmentEnd {
    std::int32_t Cost = 0;
    std::int32_t Mode = 0;
};

// Fills cell `mode` of row `to` from the four cells of row `from` and returns the predecessor
// mode. A predecessor in the same mode whose run is below the largest segment length continues
// its segment at the cost continueCost(phase of its run); every other one starts a new segment at
// startCost. Candidates are taken in mode order and only a strictly smaller cost replaces the
// best, so ties go to the lowest mode. Period is that of the mode's character costs (1: none).
template <std::int32_t Period, typename ContinueCost>
std::uint32_t Relax(const SegmentRow& from, SegmentRow& to, std::int32_t mode, std::int32_t maxRun,
                    std::int32_t startCost, ContinueCost continueCost) {
    std::int32_t bestCost = 0;
    std::int32_t bestRun = 0;
    std::int32_t bestPhase = 0;
    std::uint32_t bestMode = 0;
    for (std::int32_t j = 0; j < 4; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        const bool continues = j == mode && from.Run[jj] < maxRun;
        const std::int32_t cost =
            from.Cost[jj] + (continues ? continueCost(from.Phase[jj]) : startCost);
        if (j == 0 || cost < bestCost) {
            bestCost = cost;
            bestRun = continues ? from.Run[jj] : 0;
            bestPhase = continues ? from.Phase[jj] : 0;
            bestMode = static_cast<std::uint32_t>(j);
        }
    }
    const auto m = static_cast<std::size_t>(mode);
    to.Cost[m] = bestCost;
    to.Run[m] = bestRun + 1;
    to.Phase[m] = bestPhase + 1 == Period ? 0 : bestPhase + 1;
    return bestMode;
}

// Forward search of the segmentation of data[0 .. n-1] (n >= 1) for one width class: the
// cheapest cell of the last position. With preds, one byte per position receives the predecessor
// modes of its four cells, two bits per mode (mode j in bits 2j and 2j + 1); a cell that starts
// its path or cannot be reached stores 0, and the trace back never follows either.
SegmentEnd SearchSegments(const std::uint8_t* data, std::int32_t n, const WidthClass& wc,
                          bool kanji, std::uint8_t* preds) {
    const std::int32_t w = wc.Offset;
    const std::int32_t byteHeader = kModeIndicatorBits + wc.CountBits[clsQRCode::ModeByte];
    const std::int32_t kanjiHeader = kModeIndicatorBits + wc.CountBits[clsQRCode::ModeKanji];
    // Digits cost 4, 3, 3, 4, ... and alphanumeric characters 6, 5, 6, ... by the run so far.
    const auto numericStep = [](std::int32_t phase) { return phase == 0 ? 4 : 3; };
    const auto alphanumericStep = [](std::int32_t phase) { return phase == 0 ? 6 : 5; };
    const auto byteStep = [](std::int32_t) { return 8; };
    const auto kanjiStep = [](std::int32_t) { return 13; };

    std::array<SegmentRow, 3> rows{};
    SegmentRow* older = &rows[0];    // position i - 2
    SegmentRow* previous = &rows[1]; // position i - 1
    SegmentRow* current = &rows[2];
    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint8_t byte = data[i];
        const std::uint8_t charClass = kCharClass[byte];
        SegmentRow& row = *current;
        std::uint32_t from = 0;

        if (i == 0) {
            row.Cost[0] = byteHeader + 8;
            row.Run[0] = 1;
            row.Phase[0] = 0;
        } else {
            from |= Relax<1>(*previous, row, clsQRCode::ModeByte, wc.MaxRun[0], 8 + byteHeader,
                             byteStep);
        }

        if (charClass != 1) {
            row.Cost[1] = clsQRCode::Unreachable;
            row.Run[1] = 0;
            row.Phase[1] = 0;
        } else if (i == 0) {
            row.Cost[1] = w + 16;
            row.Run[1] = 1;
            row.Phase[1] = 1;
        } else {
            from |=
                Relax<3>(*previous, row, clsQRCode::ModeNumeric, wc.MaxRun[1], w + 16, numericStep)
                << 2;
        }

        if (charClass == 0) {
            row.Cost[2] = clsQRCode::Unreachable;
            row.Run[2] = 0;
            row.Phase[2] = 0;
        } else if (i == 0) {
            row.Cost[2] = w + 17;
            row.Run[2] = 1;
            row.Phase[2] = 1;
        } else {
            from |= Relax<2>(*previous, row, clsQRCode::ModeAlphanumeric, wc.MaxRun[2], w + 17,
                             alphanumericStep)
                    << 4;
        }

        if (i == 0 || !kanji || !clsQRCode::IsKanjiPair(data[i - 1], byte)) {
            row.Cost[3] = clsQRCode::Unreachable;
            row.Run[3] = 0;
            row.Phase[3] = 0;
        } else if (i == 1) {
            row.Cost[3] = kanjiHeader + 13;
            row.Run[3] = 1;
            row.Phase[3] = 0;
        } else {
            from |= Relax<1>(*older, row, clsQRCode::ModeKanji, wc.MaxRun[3], 13 + kanjiHeader,
                             kanjiStep)
                    << 6;
        }

        if (preds != nullptr) {
            preds[i] = static_cast<std::uint8_t>(from);
        }
        SegmentRow* const recycled = older;
        older = previous;
        previous = current;
        current = recycled;
    }

    // The cheapest cell of the last position; the lowest mode on equal cost.
    SegmentEnd end{previous->Cost[0], 0};
    for (std::int32_t j = 1; j < 4; ++j) {
        if (previous->Cost[static_cast<std::size_t>(j)] < end.Cost) {
            end = SegmentEnd{previous->Cost[static_cast<std::size_t>(j)], j};
        }
    }
    return end;
}

// Follows the predecessors back from the chosen cell of the last position and stores the mode of
// every position (both bytes of a Kanji pair carry mode 3).
void TraceModes(const std::uint8_t* preds, std::int32_t n, std::int32_t endMode,
                std::uint8_t* modes) {
    for (std::int32_t pos = n - 1, mode = endMode; pos >= 0;) {
        modes[pos] = static_cast<std::uint8_t>(mode);
        const std::int32_t previous = (preds[pos] >> (2 * mode)) & 3;
        if (mode == clsQRCode::ModeKanji) {
            if (pos >= 1) {
                modes[pos - 1] = clsQRCode::ModeKanji;
            }
            pos -= 2;
        } else {
            pos -= 1;
        }
        mode = previous;
    }
}

// Six times a lower bound of the data bits of every segmentation of data[0 .. n-1]: whatever
// the segments, a digit takes at least 10/3 bits, another alphanumeric character 11/2, a byte of
// a Kanji-pair candidate 13/2 and any other byte 8 (mode indicators and counts come on top).
std::int64_t LeastBitsTimesSix(const std::uint8_t* data, std::int32_t n, bool kanji) {
    std::int64_t sum = 0;
    bool pairWithPrevious = false;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint8_t charClass = kCharClass[data[i]];
        const bool pairWithNext =
            kanji && i + 1 < n && clsQRCode::IsKanjiPair(data[i], data[i + 1]);
        if (charClass == 1) {
            sum += 20;
        } else if (charClass == 2) {
            sum += 33;
        } else if (pairWithPrevious || pairWithNext) {
            sum += 39;
        } else {
            sum += 48;
        }
        pairWithPrevious = pairWithNext;
    }
    return sum;
}

// Appends bits to a bit buffer (one entry per bit), storing only what fits but counting all.
class BitWriter {
public:
    explicit BitWriter(std::span<std::uint8_t> bits)
        : m_Bits(bits.data()), m_Size(static_cast<std::int64_t>(bits.size())) {}

    // The count low bits of value, most significant first.
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
    std::int32_t Position() const {
        return static_cast<std::int32_t>(std::min<std::int64_t>(m_Position, 0x7FFFFFFF));
    }

private:
    std::uint8_t* m_Bits;
    std::int64_t m_Size;
    std::int64_t m_Position = 0;
};

// ECI designators of clause 7.4.2.2: 0..127 in one byte 0bbbbbbb, up to 16383 in two bytes
// 10bbbbbb bbbbbbbb, up to 999999 in three bytes 110bbbbb bbbbbbbb bbbbbbbb.
constexpr std::int32_t kEciModeIndicator = 0b0111;
constexpr std::int32_t kEciOneByteLimit = 127;
constexpr std::int32_t kEciTwoByteLimit = 16383;
constexpr std::int32_t kEciLargestDesignator = 999999;

// Writes the ECI header of a designator (none for 0, negative or too large) from bits[0] and
// returns its length in bits; entries beyond bits.size() are counted but not stored.
std::int32_t WriteEciHeader(std::span<std::uint8_t> bits, std::int32_t designator) {
    const std::int32_t length = clsQRCode::EciHeaderBits(designator);
    if (length == 0) {
        return 0;
    }
    BitWriter out(bits);
    out.Put(static_cast<std::uint32_t>(kEciModeIndicator), kModeIndicatorBits);
    const auto value = static_cast<std::uint32_t>(designator);
    if (designator <= kEciOneByteLimit) {
        out.Put(value, 8);
    } else if (designator <= kEciTwoByteLimit) {
        out.Put((0b10U << 14) | value, 16);
    } else {
        out.Put((0b110U << 21) | value, 24);
    }
    return length;
}

// The writing pass: one segment per run of equal modes, split at the largest count; then the
// terminator. Returns the number of bits, terminator included.
std::int32_t WriteSegments(std::span<std::uint8_t> bits, const std::uint8_t* data, std::int32_t n,
                           const WidthClass& wc, const std::uint8_t* modes) {
    BitWriter out(bits);
    for (std::int32_t s = 0; s < n;) {
        const std::int32_t mode = modes[s];
        const std::int32_t maxBytes =
            mode == clsQRCode::ModeKanji ? 2 * wc.MaxRun[mode] : wc.MaxRun[mode];
        std::int32_t len = 1;
        while (s + len < n && len < maxBytes && modes[s + len] == mode) {
            ++len;
        }
        const std::uint8_t* at = data + s;

        out.Put(static_cast<std::uint32_t>(kModeIndicator[mode]), kModeIndicatorBits);
        out.Put(static_cast<std::uint32_t>(mode == clsQRCode::ModeKanji ? len / 2 : len),
                wc.CountBits[mode]);
        switch (mode) {
        case clsQRCode::ModeByte:
            for (std::int32_t k = 0; k < len; ++k) {
                out.PutByte(at[k]);
            }
            break;
        case clsQRCode::ModeNumeric: {
            std::int32_t k = 0;
            for (; k + 3 <= len; k += 3) {
                out.Put(static_cast<std::uint32_t>(100 * (at[k] & 0x0F) + 10 * (at[k + 1] & 0x0F) +
                                                   (at[k + 2] & 0x0F)),
                        10);
            }
            if (len - k == 2) {
                out.Put(static_cast<std::uint32_t>(10 * (at[k] & 0x0F) + (at[k + 1] & 0x0F)), 7);
            } else if (len - k == 1) {
                out.Put(at[k] & 0x0FU, 4);
            }
            break;
        }
        case clsQRCode::ModeAlphanumeric: {
            std::int32_t k = 0;
            for (; k + 2 <= len; k += 2) {
                out.Put(static_cast<std::uint32_t>(45 * clsQRCode::GetAlphanumericValue(at[k]) +
                                                   clsQRCode::GetAlphanumericValue(at[k + 1])),
                        11);
            }
            if (k < len) {
                out.Put(static_cast<std::uint32_t>(clsQRCode::GetAlphanumericValue(at[k])), 6);
            }
            break;
        }
        default: // Kanji: the Shift JIS compaction of clause 7.4.6
            for (std::int32_t k = 0; k + 1 < len; k += 2) {
                const std::int32_t lead = at[k];
                const std::int32_t base = lead <= 0x9F ? 0x81 : 0xC1;
                out.Put(static_cast<std::uint32_t>((lead - base) * 0xC0 + (at[k + 1] - 0x40)), 13);
            }
            break;
        }
        s += len;
    }
    out.Put(0, kTerminatorBits);
    return out.Position();
}

} // namespace

std::uint8_t clsQRCode::Symbol::At(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= Side || y >= Side) {
        return 0;
    }
    return Modules[static_cast<std::size_t>(y * Stride() + x)];
}

clsQRCode::clsQRCode() : m_FiniteField(std::make_shared<clsFiniteField>()) {
    m_FiniteField->Init(kFieldSize, kFieldPolynomial, kFieldAlpha);

    // Alignment-pattern spacing (the distance between neighbouring centre coordinates) in six
    // ranges of seven versions; this reproduces the positions of Annex E for all 40 versions.
    for (std::int32_t v = 1; v <= MaxVersion; ++v) {
        std::int32_t s = 255;
        if (v >= 35) {
            s = 2 * (v / 3) + 2;
        } else if (v >= 28) {
            s = 2 * (v / 3) + 6;
        } else if (v >= 21) {
            s = (v + 2) & ~1;
        } else if (v >= 14) {
            s = 2 * ((2 * v + 4) / 3);
        } else if (v >= 7) {
            s = 2 * v + 2;
        }
        m_AlignmentSpacing[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(s);
    }
    for (std::int32_t v = 1; v <= MaxVersion; ++v) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const auto index = static_cast<std::size_t>((v - 1) * 4 + (level - 1));
            m_BlockCount[index] = kBlockCountTable[level - 1][v - 1];
            m_EccPerBlock[index] = kEccPerBlockTable[level - 1][v - 1];
        }
    }
    for (std::int32_t k = 0; k < static_cast<std::int32_t>(m_BitMask.size()); ++k) {
        m_BitMask[static_cast<std::size_t>(k)] = 1 << k;
    }
}

// ---- Tables ----

std::int32_t clsQRCode::GetSymbolSize(std::int32_t version) const {
    if (version < MinVersion || version > MaxVersion) {
        return 0;
    }
    return 17 + 4 * version;
}

std::int32_t clsQRCode::GetAlignmentCoordinateCount(std::int32_t version) const {
    return version < 2 ? 1 : version / 7 + 2;
}

std::int32_t clsQRCode::GetDataModuleCount(std::int32_t version) const {
    if (version < MinVersion || version > MaxVersion) {
        return 0;
    }
    const std::int32_t side = GetSymbolSize(version);
    const std::int32_t a = GetAlignmentCoordinateCount(version);
    // All modules less the finder patterns with separators and format areas (191) and the
    // timing patterns; then the alignment patterns (less their overlap with the timing
    // patterns) and the two version information blocks.
    std::int32_t n = side * (side - 2) - 191;
    if (a >= 2) {
        n += (10 - 25 * a) * a + 55;
    }
    if (a > 2) {
        n -= 36;
    }
    return n;
}

std::int32_t clsQRCode::GetTotalCodewords(std::int32_t version) const {
    return GetDataModuleCount(version) / 8;
}

std::int32_t clsQRCode::BlockCount(std::int32_t level, std::int32_t version) const {
    if (level < 1 || level > 4 || version < MinVersion || version > MaxVersion) {
        return 0;
    }
    return m_BlockCount[static_cast<std::size_t>((version - 1) * 4 + (level - 1))];
}

std::int32_t clsQRCode::EccPerBlock(std::int32_t level, std::int32_t version) const {
    if (level < 1 || level > 4 || version < MinVersion || version > MaxVersion) {
        return 0;
    }
    return m_EccPerBlock[static_cast<std::size_t>((version - 1) * 4 + (level - 1))];
}

std::int32_t clsQRCode::AlignmentSpacing(std::int32_t version) const {
    if (version < MinVersion || version > MaxVersion) {
        return 0;
    }
    return m_AlignmentSpacing[static_cast<std::size_t>(version)];
}

std::int32_t clsQRCode::BitMask(std::int32_t k) const {
    if (k < 0 || k >= static_cast<std::int32_t>(m_BitMask.size())) {
        return 0;
    }
    return m_BitMask[static_cast<std::size_t>(k)];
}

std::int32_t clsQRCode::GetDataCodewords(std::int32_t level, std::int32_t version) const {
    return GetTotalCodewords(version) - BlockCount(level, version) * EccPerBlock(level, version);
}

// ---- Settings ----

void clsQRCode::SetEciDesignator(std::int32_t designator) {
    m_EciDesignator = EciHeaderBits(designator) > 0 ? designator : 0;
}

std::int32_t clsQRCode::EciHeaderBits(std::int32_t designator) {
    if (designator <= 0 || designator > kEciLargestDesignator) {
        return 0;
    }
    if (designator <= kEciOneByteLimit) {
        return kModeIndicatorBits + 8;
    }
    return kModeIndicatorBits + (designator <= kEciTwoByteLimit ? 16 : 24);
}

// ---- Character tests ----

std::int32_t clsQRCode::GetCharClass(std::uint8_t byte) {
    return kCharClass[byte];
}

std::int32_t clsQRCode::GetAlphanumericValue(std::uint8_t byte) {
    if (byte >= '0' && byte <= '9') {
        return byte - '0';
    }
    if (byte >= 'A' && byte <= 'Z') {
        return byte - 'A' + 10;
    }
    switch (byte) {
    case ' ':
        return 36;
    case '$':
        return 37;
    case '%':
        return 38;
    case '*':
        return 39;
    case '+':
        return 40;
    case '-':
        return 41;
    case '.':
        return 42;
    case '/':
        return 43;
    case ':':
        return 44;
    default:
        return 0;
    }
}

bool clsQRCode::IsKanjiPair(std::uint8_t lead, std::uint8_t trail) {
    if (trail < 0x40) {
        return false;
    }
    if ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA)) {
        return true;
    }
    return lead == 0xEB && trail <= 0xBF;
}

// ---- Segmentation and bit stream ----

void clsQRCode::BuildBitStream(std::span<std::uint8_t> bits, std::span<const std::uint8_t> data,
                               std::int32_t length, std::int32_t version, bool measureOnly,
                               std::int32_t& bitLength) const {
    const std::int32_t n =
        std::min<std::int64_t>(std::max<std::int32_t>(length, 0), std::ssize(data));
    if (n <= 0) {
        // The stream of empty input is the terminator alone.
        for (std::size_t k = 0; k < std::min<std::size_t>(kTerminatorBits, bits.size()); ++k) {
            bits[k] = 0;
        }
        bitLength = kTerminatorBits;
        return;
    }

    const WidthClass wc(ClassOffset(version));
    const std::int32_t eciBits = EciHeaderBits(m_EciDesignator);
    if (measureOnly) {
        bitLength = eciBits + SearchSegments(data.data(), n, wc, m_KanjiMode, nullptr).Cost +
                    kTerminatorBits;
        return;
    }
    // The predecessors of the search, then the mode of every byte.
    std::vector<std::uint8_t> trace(2 * static_cast<std::size_t>(n));
    std::uint8_t* const preds = trace.data();
    std::uint8_t* const modes = preds + n;
    const SegmentEnd end = SearchSegments(data.data(), n, wc, m_KanjiMode, preds);
    TraceModes(preds, n, end.Mode, modes);
    WriteEciHeader(bits, m_EciDesignator);
    bitLength = eciBits + WriteSegments(bits.subspan(std::min<std::size_t>(eciBits, bits.size())),
                                        data.data(), n, wc, modes);
}

// ---- Matrix layout ----

void clsQRCode::DrawFunctionPatterns(std::span<std::uint8_t> matrix, std::int32_t version) const {
    const std::int32_t side = GetSymbolSize(version);
    const std::int32_t stride = side + 3;
    if (side == 0 || std::ssize(matrix) < static_cast<std::int64_t>(stride) * stride) {
        return;
    }
    const auto set = [&](std::int32_t x, std::int32_t y, std::uint8_t value) {
        matrix[static_cast<std::size_t>(y * stride + x)] = value;
    };

    // Finder patterns (7x7) with their separators, in the three corners.
    for (std::int32_t i = 0; i < 8; ++i) {
        for (std::int32_t j = 0; j < 8; ++j) {
            // Light: the separator (row or column 7) and the ring between the outer square and
            // the 3x3 core.
            const bool separator = i == 7 || j == 7;
            const bool ring = ((i == 1 || i == 5) && j >= 1 && j <= 5) ||
                              ((j == 1 || j == 5) && i >= 1 && i <= 5);
            const std::uint8_t value = separator || ring ? 2 : 1;
            set(j, i, value);
            set(side - 1 - j, i, value);
            set(j, side - 1 - i, value);
        }
    }

    // Format information areas and the dark module.
    for (std::int32_t k = 0; k < 8; ++k) {
        set(k, 8, 2);
        set(8, k, 2);
        set(side - 1 - k, 8, 2);
        set(8, side - 1 - k, 2);
    }
    set(8, 8, 2);
    set(8, side - 8, 1);

    // Version information areas (6x3 blocks), versions 7 and above.
    if (version >= 7) {
        for (std::int32_t y = side - 11; y <= side - 9; ++y) {
            for (std::int32_t x = 0; x <= 6; ++x) {
                set(x, y, 2);
                set(y, x, 2);
            }
        }
    }

    // Timing patterns.
    for (std::int32_t k = 8; k <= side - 9; ++k) {
        const std::uint8_t value = k % 2 == 0 ? 1 : 2;
        set(k, 6, value);
        set(6, k, value);
    }

    // Alignment patterns at every combination of the centre coordinates but the three that
    // would overlap the finder patterns.
    if (version >= 2) {
        const std::int32_t spacing = AlignmentSpacing(version);
        std::array<std::int32_t, 8> coords{};
        std::int32_t count = 0;
        for (std::int32_t c = side - 7; c >= 18 && count < static_cast<std::int32_t>(coords.size());
             c -= spacing) {
            coords[static_cast<std::size_t>(count++)] = c;
        }
        const auto pattern = [&](std::int32_t cx, std::int32_t cy) {
            for (std::int32_t dy = -2; dy <= 2; ++dy) {
                for (std::int32_t dx = -2; dx <= 2; ++dx) {
                    const bool dark =
                        dx == -2 || dx == 2 || dy == -2 || dy == 2 || (dx == 0 && dy == 0);
                    set(cx + dx, cy + dy, dark ? 1 : 2);
                }
            }
        };
        for (std::int32_t r = 0; r < count; ++r) {
            for (std::int32_t c = 0; c < count; ++c) {
                pattern(coords[static_cast<std::size_t>(c)], coords[static_cast<std::size_t>(r)]);
            }
        }
        for (std::int32_t k = 1; k < count; ++k) {
            pattern(coords[static_cast<std::size_t>(k)], 6);
            pattern(6, coords[static_cast<std::size_t>(k)]);
        }
    }
}

void clsQRCode::PlaceCodewords(std::span<const std::uint8_t> pattern, std::span<std::uint8_t> data,
                               std::span<const std::uint8_t> sequence, std::int32_t bitCount,
                               std::int32_t side) const {
    const std::int32_t stride = side + 3;
    if (side <= 0 || std::ssize(pattern) < static_cast<std::int64_t>(stride) * stride ||
        std::ssize(data) < static_cast<std::int64_t>(side) * side) {
        return;
    }
    bitCount = static_cast<std::int32_t>(std::min<std::int64_t>(bitCount, std::ssize(sequence)));
    if (bitCount <= 0) {
        return;
    }
    const std::uint8_t* const free = pattern.data();
    std::uint8_t* const out = data.data();
    const std::uint8_t* const in = sequence.data();
    std::int32_t k = 0;
    // Columns c + 1 and c of rows y = from, from + step, ... (side rows): the right module first.
    // Returns false once every bit is placed.
    const auto pair = [&](std::int32_t c, std::int32_t from, std::int32_t step) {
        const std::uint8_t* p = free + static_cast<std::ptrdiff_t>(from) * stride + c;
        std::uint8_t* q = out + static_cast<std::ptrdiff_t>(from) * side + c;
        const std::ptrdiff_t patternStep = static_cast<std::ptrdiff_t>(step) * stride;
        const std::ptrdiff_t dataStep = static_cast<std::ptrdiff_t>(step) * side;
        for (std::int32_t y = 0; y < side; ++y, p += patternStep, q += dataStep) {
            std::uint16_t both = 0;
            std::memcpy(&both, p, sizeof both);
            if (both == 0 && bitCount - k > 2) {
                // Both modules free and more bits to come: the common case.
                q[1] = in[k];
                q[0] = in[k + 1];
                k += 2;
                continue;
            }
            if (p[1] == 0) {
                q[1] = in[k];
                if (++k == bitCount) {
                    return false;
                }
            }
            if (p[0] == 0) {
                q[0] = in[k];
                if (++k == bitCount) {
                    return false;
                }
            }
        }
        return true;
    };
    // Two-column zig-zag from the bottom-right corner, skipping the vertical timing column 6.
    for (std::int32_t right = side; right >= 5;) {
        std::int32_t c = right - 2;
        if (c < 6) {
            --c;
        }
        if (!pair(c, side - 1, -1)) {
            return;
        }
        right -= 4;
        c = right;
        if (c < 6) {
            --c;
        }
        if (!pair(c, 0, 1)) {
            return;
        }
    }
}

// ---- Masking, format and version information ----

std::int32_t clsQRCode::ApplyMask(std::span<std::uint8_t> matrix, std::int32_t size,
                                  std::int32_t mask) const {
    if (mask < 0 || mask > 7) {
        mask = 0;
    }
    if (size <= 0 || std::ssize(matrix) < static_cast<std::int64_t>(size) * size) {
        return mask;
    }
    // Row i takes row i mod 12 of the mask's tile, repeated every 48 columns.
    const auto& tile = kMaskTiles[static_cast<std::size_t>(mask)];
    for (std::int32_t i = 0; i < size; ++i) {
        std::uint8_t* row = matrix.data() + static_cast<std::size_t>(i) * size;
        const std::uint8_t* pattern = tile[static_cast<std::size_t>(i % kMaskTileRows)].data();
        std::int32_t j = 0;
        for (; j + kMaskTileColumns <= size; j += kMaskTileColumns) {
            for (std::int32_t t = 0; t < kMaskTileColumns; ++t) {
                row[j + t] ^= pattern[t];
            }
        }
        for (std::int32_t t = 0; j < size; ++j, ++t) {
            row[j] ^= pattern[t];
        }
    }
    return mask;
}

std::int32_t clsQRCode::GetBchRemainder(std::int32_t value, std::int32_t generator,
                                        std::int32_t topBit, std::int32_t steps) {
    for (std::int32_t s = 0; s < steps; ++s) {
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << 1);
        if ((value & topBit) != 0) {
            value = (value ^ generator) & (topBit - 1);
        }
    }
    return value;
}

std::int32_t clsQRCode::VersionWord(std::int32_t version) {
    return version * 4096 + GetBchRemainder(version, kVersionGenerator, 4096, 12);
}

std::int32_t clsQRCode::FormatWord(std::int32_t level, std::int32_t mask) {
    // The level indicator of Table 12: L 01, M 00, Q 11, H 10.
    const std::int32_t data = (((level - 1) ^ 1) & 3) * 8 + (mask & 7);
    return (data * 1024 + GetBchRemainder(data, kFormatGenerator, 1024, 10)) ^ kFormatXorMask;
}

void clsQRCode::WriteVersionInformation(std::span<std::uint8_t> matrix,
                                        std::int32_t version) const {
    const std::int32_t side = GetSymbolSize(version);
    const std::int32_t stride = side + 3;
    if (version < 7 || side == 0 ||
        std::ssize(matrix) < static_cast<std::int64_t>(stride) * stride) {
        return;
    }
    const std::int32_t word = VersionWord(version);
    for (std::int32_t a = 0; a < 6; ++a) {
        for (std::int32_t b = 0; b < 3; ++b) {
            const std::uint8_t bit = (word & BitMask(3 * a + b)) != 0 ? 1 : 0;
            matrix[static_cast<std::size_t>((side - 11 + b) * stride + a)] = bit;
            matrix[static_cast<std::size_t>(a * stride + side - 11 + b)] = bit;
        }
    }
}

void clsQRCode::WriteFormatInformation(std::span<std::uint8_t> matrix, std::int32_t version,
                                       std::int32_t level, std::int32_t mask) const {
    const std::int32_t side = GetSymbolSize(version);
    const std::int32_t stride = side + 3;
    if (side == 0 || std::ssize(matrix) < static_cast<std::int64_t>(stride) * stride) {
        return;
    }
    const std::int32_t word = FormatWord(level, mask);
    const auto set = [&](std::int32_t x, std::int32_t y, std::int32_t bit) {
        matrix[static_cast<std::size_t>(y * stride + x)] = ((word >> bit) & 1) != 0 ? 1 : 0;
    };
    // First copy around the upper-left finder, skipping the timing modules (6, 8) and (8, 6).
    for (std::int32_t bit = 14; bit >= 9; --bit) {
        set(14 - bit, 8, bit);
    }
    set(7, 8, 8);
    set(8, 8, 7);
    set(8, 7, 6);
    for (std::int32_t bit = 5; bit >= 0; --bit) {
        set(8, bit, bit);
    }
    // Second copy: bits 14..8 up the left column under the lower-left finder, bits 7..0 along
    // row 8 under the upper-right finder.
    for (std::int32_t bit = 14; bit >= 8; --bit) {
        set(8, side - 15 + bit, bit);
    }
    for (std::int32_t bit = 7; bit >= 0; --bit) {
        set(side - 1 - bit, 8, bit);
    }
}

// ---- Encoding pipeline ----

std::optional<clsQRCode::Symbol> clsQRCode::EncodeMatrix(std::span<const std::uint8_t> bytes,
                                                         std::int32_t length, std::int32_t version,
                                                         std::int32_t level, std::int32_t mask) {
    if (level < 1 || level > 4) {
        level = 2;
    }
    if (version < 0) {
        return std::nullopt;
    }
    length = static_cast<std::int32_t>(
        std::min<std::int64_t>(std::max<std::int32_t>(length, 0), std::ssize(bytes)));
    if (length > MaxInputLength) {
        return std::nullopt; // no symbol holds it: spare the segmentation its cost
    }

    std::vector<std::uint8_t> stream(BitBufferLength, 0);
    // The ECI header, when one is set, precedes the segments of non-empty input.
    const std::int32_t eciBits = length > 0 ? EciHeaderBits(m_EciDesignator) : 0;

    // The segmentation search depends on the width class only, so the search that measured a
    // class also serves the writing pass for a version of that class. Per input byte it keeps the
    // predecessor modes, and the trace back the chosen mode.
    std::vector<std::uint8_t> trace(2 * static_cast<std::size_t>(length));
    std::uint8_t* const preds = trace.data();
    std::uint8_t* const modes = preds + length;
    std::int32_t searchedOffset = 0; // width class of the search held in preds; 0 for none
    SegmentEnd end;
    const auto search = [&](std::int32_t offset) {
        if (offset != searchedOffset) {
            end = SearchSegments(bytes.data(), length, WidthClass(offset), m_KanjiMode, preds);
            searchedOffset = offset;
        }
        return eciBits + end.Cost + kTerminatorBits;
    };

    // Version choice: the character-count widths change only at versions 10 and 27, so one
    // measurement per width class serves all its versions.
    if (version == 0 || version > MaxVersion) {
        static constexpr std::int32_t kClasses[3][2] = {{1, 9}, {10, 26}, {27, 40}};
        const std::int64_t leastBitsTimesSix = (6 * static_cast<std::int64_t>(eciBits)) +
                                               LeastBitsTimesSix(bytes.data(), length, m_KanjiMode);
        version = 0;
        for (const auto& range : kClasses) {
            std::int32_t largest = 0;
            for (std::int32_t v = range[0]; v <= range[1]; ++v) {
                largest = std::max(largest, GetDataCodewords(level, v));
            }
            // When not even the least number of bits of any segmentation fits the largest
            // version of the class, no measurement could make one of its versions fit.
            if (leastBitsTimesSix > 6 * (8 * static_cast<std::int64_t>(largest))) {
                continue;
            }
            const std::int32_t measured =
                length == 0 ? kTerminatorBits : search(ClassOffset(range[0]));
            for (std::int32_t v = range[0]; v <= range[1]; ++v) {
                if (measured - kTerminatorBits <= 8 * GetDataCodewords(level, v)) {
                    version = v;
                    break;
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

    // The stream for the chosen version; empty input is the terminator alone, already 0.
    std::int32_t d = kTerminatorBits;
    if (length > 0) {
        search(ClassOffset(version));
        TraceModes(preds, length, end.Mode, modes);
        WriteEciHeader(stream, m_EciDesignator);
        d = eciBits + WriteSegments(std::span(stream).subspan(static_cast<std::size_t>(eciBits)),
                                    bytes.data(), length, WidthClass(ClassOffset(version)), modes);
    }
    const std::int32_t total = GetTotalCodewords(version);
    const std::int32_t nb = BlockCount(level, version);
    const std::int32_t ec = EccPerBlock(level, version);
    const std::int32_t dc = total - nb * ec;
    if (d - kTerminatorBits > 8 * dc) {
        return std::nullopt;
    }
    const std::int32_t longLength = (dc + nb - 1) / nb;
    const std::int32_t shortBlocks = dc % nb > 0 ? nb - dc % nb : 0;

    // Data codewords: the stream cut into bytes (the buffer is 0 beyond the stream, which fills
    // the last codeword with zero bits), then the pad codewords alternately up to the capacity.
    // The first dc bytes of `codewords` hold them, the next total bytes the final sequence.
    std::vector<std::uint8_t> codewords(static_cast<std::size_t>(dc + total));
    const std::int32_t streamCodewords = std::min(dc, (d + 7) / 8);
    for (std::int32_t c = 0; c < streamCodewords; ++c) {
        codewords[static_cast<std::size_t>(c)] =
            ByteOfBits(stream.data() + static_cast<std::ptrdiff_t>(8) * c);
    }
    for (std::int32_t c = streamCodewords; c < dc; ++c) {
        codewords[static_cast<std::size_t>(c)] = kPadCodewords[(c - streamCodewords) & 1];
    }
    stream.clear();
    stream.shrink_to_fit();
    trace.clear();
    trace.shrink_to_fit();

    // Blocks, Reed-Solomon and interleaving (clause 7.6): data codewords column by column across
    // the blocks (the last column only from the long blocks), then the check codewords likewise.
    if (!m_ReedSolomon) {
        m_ReedSolomon = std::make_unique<clsReedSolomon>();
    }
    m_ReedSolomon->Init(longLength, ec, m_FiniteField, 0, 0);
    std::uint8_t* const sequenceBytes = codewords.data() + dc;
    std::array<std::int32_t, BlockArrayLength> block{};
    std::int32_t next = 0; // next data codeword of the stream
    for (std::int32_t b = 0; b < nb; ++b) {
        const std::int32_t blockLength = b < shortBlocks ? longLength - 1 : longLength;
        block[static_cast<std::size_t>(longLength + ec - 1)] = 0;
        for (std::int32_t i = 0; i < blockLength; ++i, ++next) {
            const std::uint8_t value = codewords[static_cast<std::size_t>(next)];
            const std::int32_t position =
                i < longLength - 1 ? i * nb + b : (longLength - 1) * nb + (b - shortBlocks);
            sequenceBytes[position] = value;
            block[static_cast<std::size_t>(blockLength + ec - 1 - i)] = value;
        }
        m_ReedSolomon->ComputeEcc(block);
        for (std::int32_t k = 0; k < ec; ++k) {
            sequenceBytes[dc + k * nb + b] =
                static_cast<std::uint8_t>(block[static_cast<std::size_t>(ec - 1 - k)]);
        }
    }
    // The sequence buffer: codeword p at entries 8p to 8p + 7, most significant bit first.
    std::vector<std::uint8_t> sequence(BitBufferLength, 0);
    for (std::int32_t p = 0; p < total; ++p) {
        std::memcpy(sequence.data() + static_cast<std::ptrdiff_t>(8) * p,
                    kBitsOfByte[sequenceBytes[p]].data(), 8);
    }
    codewords.clear();
    codewords.shrink_to_fit();

    // Layout, placement, masking and the information words.
    const std::int32_t side = GetSymbolSize(version);
    const std::int32_t stride = side + 3;
    Symbol symbol;
    symbol.Version = version;
    symbol.Level = level;
    symbol.Side = side;
    symbol.Modules.assign(static_cast<std::size_t>(stride) * stride, 0);
    std::vector<std::uint8_t> dataMatrix(static_cast<std::size_t>(side) * side, 0);
    DrawFunctionPatterns(symbol.Modules, version);
    PlaceCodewords(symbol.Modules, dataMatrix, sequence, 8 * total, side);
    sequence.clear();
    sequence.shrink_to_fit();
    symbol.Mask = ApplyMask(dataMatrix, side, mask);
    for (std::int32_t y = 0; y < side; ++y) {
        std::uint8_t* row = symbol.Modules.data() + static_cast<std::size_t>(y) * stride;
        const std::uint8_t* dataRow = dataMatrix.data() + static_cast<std::size_t>(y) * side;
        for (std::int32_t x = 0; x < side; ++x) {
            // The function module where there is one, else the data module (branch-free).
            const std::uint8_t function = row[x];
            const auto unreserved = static_cast<std::uint8_t>(-static_cast<int>(function == 0));
            row[x] = static_cast<std::uint8_t>((function | (dataRow[x] & unreserved)) & 1);
        }
    }
    WriteVersionInformation(symbol.Modules, version);
    WriteFormatInformation(symbol.Modules, version, level, symbol.Mask);
    return symbol;
}

} // namespace ostrel
