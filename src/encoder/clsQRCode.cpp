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
// The structured-append header of clause 8: indicator 0011, position, count less one, parity.
constexpr std::int32_t kStructuredAppendHeaderBits = 20;

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

// The eight bytes from p on as one word, the first byte the most significant.
std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
    return (static_cast<std::uint64_t>(p[0]) << 56) | (static_cast<std::uint64_t>(p[1]) << 48) |
           (static_cast<std::uint64_t>(p[2]) << 40) | (static_cast<std::uint64_t>(p[3]) << 32) |
           (static_cast<std::uint64_t>(p[4]) << 24) | (static_cast<std::uint64_t>(p[5]) << 16) |
           (static_cast<std::uint64_t>(p[6]) << 8) | static_cast<std::uint64_t>(p[7]);
}

// Four steps of two data modules each for the byte v, the first step from its two most
// significant bits: in each step the left-hand module (lower address) takes the second bit and
// the right-hand one the first; each module is 4 + its bit.
constexpr std::array<std::array<std::uint8_t, 8>, 256> kDataQuads = [] {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (std::size_t v = 0; v < 256; ++v) {
        for (std::size_t step = 0; step < 4; ++step) {
            const std::size_t first = 7 - 2 * step;
            table[v][2 * step] = static_cast<std::uint8_t>(4 | ((v >> (first - 1)) & 1));
            table[v][2 * step + 1] = static_cast<std::uint8_t>(4 | ((v >> first) & 1));
        }
    }
    return table;
}();

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

// The segment-table cells of one input position, per mode: the cost of the cheapest path (data
// bits without the terminator), the run (characters of its last segment) and the run modulo the
// period of its mode's character costs (3 for numeric, 2 for alphanumeric, 0 for the others),
// kept alongside so that no division is needed. The search looks back one position (two for
// Kanji), so it keeps three rows, as values that the compiler can hold in registers.
struct SegmentRow {
    std::array<std::int32_t, 4> Cost;
    std::array<std::int32_t, 4> Run;
    std::array<std::int32_t, 4> Phase;
};

// A winning candidate: its cost and the mode of the cell it comes from.
struct Choice {
    std::int32_t Cost;
    std::uint32_t Mode;
};

// The cheaper of two candidates, the first on equal cost (give the lower mode first).
inline Choice Cheaper(Choice a, Choice b) {
    return b.Cost < a.Cost ? b : a;
}

// The cheapest cell of the last position: its cost and mode.
struct SegmentEnd {
    std::int32_t Cost = 0;
    std::int32_t Mode = 0;
};

// The cheapest cell of a row but one, the lowest mode on equal cost, from the winners of the pairs
// of modes 0-1 and 2-3.
template <std::size_t Excluded>
Choice CheapestOther(const SegmentRow& row, Choice low, Choice high) {
    const auto cell = [&](std::uint32_t j) { return Choice{row.Cost[j], j}; };
    if constexpr (Excluded == 0) {
        return Cheaper(cell(1), high);
    } else if constexpr (Excluded == 1) {
        return Cheaper(cell(0), high);
    } else if constexpr (Excluded == 2) {
        return Cheaper(low, cell(3));
    } else {
        return Cheaper(low, cell(2));
    }
}

// Fills cell Mode of row `to` from the four cells of row `from` and returns the predecessor mode.
// A predecessor in the same mode whose run is below the largest segment length continues its
// segment at the cost continueCost(phase of its run); every other one starts a new segment at
// startCost. The cheapest candidate wins, the lowest mode on equal cost. The other three cells all
// pay startCost, so of them only the cheapest (`other`, from CheapestOther) can win. Period is
// that of the mode's character costs (1: none).
template <std::size_t Mode, std::int32_t Period, typename ContinueCost>
std::uint32_t Relax(const SegmentRow& from, Choice other, SegmentRow& to, std::int32_t maxRun,
                    std::int32_t startCost, ContinueCost continueCost) {
    const bool continues = from.Run[Mode] < maxRun;
    const std::int32_t same =
        from.Cost[Mode] + (continues ? continueCost(from.Phase[Mode]) : startCost);
    const std::int32_t started = other.Cost + startCost;
    const bool keeps = same < started || (same == started && Mode < other.Mode);
    const bool carried = continues && keeps;
    to.Cost[Mode] = keeps ? same : started;
    to.Run[Mode] = carried ? from.Run[Mode] + 1 : 1;
    const std::int32_t phase = (carried ? from.Phase[Mode] : 0) + 1;
    to.Phase[Mode] = phase == Period ? 0 : phase;
    return keeps ? static_cast<std::uint32_t>(Mode) : other.Mode;
}

// Marks cell `mode` of a row as unreachable: only its cost counts, run and phase are 0.
void SetUnreachable(SegmentRow& row, std::size_t mode) {
    row.Cost[mode] = clsQRCode::Unreachable;
    row.Run[mode] = 0;
    row.Phase[mode] = 0;
}

// Byte mode alone reached position i - 1 and alone takes position i: the byte segment continues
// (or starts again at its largest length), its cell is the only one reached and every
// predecessor is mode 0. The same holds for the bytes that follow as long as only byte mode takes
// them. Advances `previous` and `older` over all of them and returns the first position after.
std::int32_t ContinueBytes(const std::uint8_t* data, std::int32_t n, std::int32_t i,
                           const WidthClass& wc, bool kanji, std::int32_t byteHeader,
                           std::uint8_t* preds, SegmentRow& previous, SegmentRow& older) {
    const std::int32_t start = i;
    do {
        ++i;
    } while (i < n && kCharClass[data[i]] == 0 &&
             !(kanji && data[i - 1] >= 0x81 && clsQRCode::IsKanjiPair(data[i - 1], data[i])));
    if (preds != nullptr) {
        std::fill(preds + start, preds + i, std::uint8_t{0});
    }
    // Each byte adds 8 bits to the segment, and one more header whenever the run has reached the
    // largest length and starts again at 1: after `steps` bytes the run is where a count from
    // the first run on, taken modulo the largest length (1 .. largest), stands.
    const std::int32_t largest = wc.MaxRun[0];
    const std::int32_t cost = previous.Cost[0];
    const std::int32_t run = previous.Run[0];
    const auto after = [&](std::int32_t steps, std::int32_t& newCost, std::int32_t& newRun) {
        const std::int32_t count = run + steps - 1; // 0-based position in the repeating runs
        newRun = count % largest + 1;
        newCost = cost + 8 * steps + byteHeader * (count / largest);
    };
    older = previous;
    after(i - start - 1, older.Cost[0], older.Run[0]);
    after(i - start, previous.Cost[0], previous.Run[0]);
    return i;
}

// Within a run of digits (or of other alphanumeric characters) the table settles into a period of
// six positions, the length in which the character costs of both numeric (4, 3, 3) and
// alphanumeric mode (6, 5) come round again. Every choice depends only on the differences
// between a row's costs, the phases, and whether each run is below its largest length; so when
// the row before position i equals the row six positions earlier but for a constant added to every
// reachable cost and six added to the runs of the modes that continued throughout, the six rows
// after it repeat those six rows in the same way, and so on while the characters last and the
// continuing runs stay below their largest lengths. `recent` holds the rows of positions i - 7 to
// i - 1 (position p at p modulo 8), all of the same class, which also fills the `ahead` positions
// from i on. Returns how many positions it filled (a multiple of 6, 0 when the rows do not
// repeat): their predecessors are written, and `recent` then holds the rows of the last seven.
std::int32_t RepeatPeriod(std::array<SegmentRow, 8>& recent, std::int32_t i, std::int32_t ahead,
                          const WidthClass& wc, std::uint8_t* preds) {
    constexpr std::int32_t kPeriod = 6;
    const SegmentRow& last = recent[static_cast<std::size_t>((i - 1) & 7)];
    const SegmentRow& before = recent[static_cast<std::size_t>((i - 1 - kPeriod) & 7)];
    std::int32_t periods = ahead / kPeriod;
    std::array<bool, 4> continued{};
    for (std::size_t m = 0; m < 4; ++m) {
        const bool reached = last.Cost[m] != clsQRCode::Unreachable;
        if (reached != (before.Cost[m] != clsQRCode::Unreachable) ||
            (reached && last.Cost[m] - last.Cost[0] != before.Cost[m] - before.Cost[0]) ||
            last.Phase[m] != before.Phase[m]) {
            return 0;
        }
        if (last.Run[m] != before.Run[m]) {
            if (last.Run[m] != before.Run[m] + kPeriod) {
                return 0;
            }
            // Checked against the largest length before each step: the run reaches at most
            // last.Run + kPeriod * periods - 1 before the last one.
            continued[m] = true;
            periods = std::min(periods, (wc.MaxRun[m] - last.Run[m]) / kPeriod);
        }
    }
    if (periods <= 0) {
        return 0;
    }
    const std::int32_t filled = kPeriod * periods;
    const std::int32_t added = periods * (last.Cost[0] - before.Cost[0]);
    if (preds != nullptr) {
        for (std::int32_t p = i; p < i + filled; ++p) {
            preds[p] = preds[p - kPeriod];
        }
    }
    std::array<SegmentRow, 8> moved;
    for (std::int32_t p = i - 1 - kPeriod; p < i; ++p) {
        SegmentRow row = recent[static_cast<std::size_t>(p & 7)];
        for (std::size_t m = 0; m < 4; ++m) {
            if (row.Cost[m] != clsQRCode::Unreachable) {
                row.Cost[m] += added;
            }
            if (continued[m]) {
                row.Run[m] += filled;
            }
        }
        moved[static_cast<std::size_t>((p + filled) & 7)] = row;
    }
    recent = moved;
    return filled;
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

    // Position 0: a segment of one character starts in every mode the byte allows.
    SegmentRow previous{};
    const std::uint8_t first = kCharClass[data[0]];
    previous.Cost[0] = byteHeader + 8;
    previous.Run[0] = 1;
    if (first == 1) {
        previous.Cost[1] = w + 16;
        previous.Run[1] = 1;
        previous.Phase[1] = 1;
    } else {
        SetUnreachable(previous, 1);
    }
    if (first != 0) {
        previous.Cost[2] = w + 17;
        previous.Run[2] = 1;
        previous.Phase[2] = 1;
    } else {
        SetUnreachable(previous, 2);
    }
    SetUnreachable(previous, 3);
    if (preds != nullptr) {
        preds[0] = 0;
    }
    SegmentRow older = previous; // read only for a Kanji pair, from position 2 on

    // The rows of the last eight positions of a run of digits or of other alphanumeric characters
    // (by position modulo 8), from runStart on; runEnd is the first position after the run.
    std::array<SegmentRow, 8> recent;
    std::uint8_t runClass = 0;
    std::int32_t runStart = 0;
    std::int32_t runEnd = 0;
    for (std::int32_t i = 1; i < n; ++i) {
        std::uint8_t byte = data[i];
        std::uint8_t charClass = kCharClass[byte];
        if (charClass == 0 && previous.Cost[1] == clsQRCode::Unreachable &&
            previous.Cost[2] == clsQRCode::Unreachable &&
            previous.Cost[3] == clsQRCode::Unreachable &&
            !(kanji && data[i - 1] >= 0x81 && clsQRCode::IsKanjiPair(data[i - 1], byte))) {
            i = ContinueBytes(data, n, i, wc, kanji, byteHeader, preds, previous, older);
            if (i == n) {
                break;
            }
            byte = data[i];
            charClass = kCharClass[byte];
        }
        if (charClass == 0) {
            runClass = 0;
        } else if (charClass != runClass) {
            runClass = charClass;
            runStart = i;
            runEnd = i + 1;
            while (runEnd < n && kCharClass[data[runEnd]] == charClass) {
                ++runEnd;
            }
        } else if (i - runStart >= 7 && runEnd - i >= 6) {
            const std::int32_t jumped = RepeatPeriod(recent, i, runEnd - i, wc, preds);
            if (jumped > 0) {
                i += jumped;
                previous = recent[static_cast<std::size_t>((i - 1) & 7)];
                older = recent[static_cast<std::size_t>((i - 2) & 7)];
                if (i == n) {
                    break;
                }
                byte = data[i];
                charClass = kCharClass[byte];
                if (i == runEnd) {
                    runClass = 0; // the next run starts here (or a byte of class 0 follows)
                    if (charClass != 0) {
                        runClass = charClass;
                        runStart = i;
                        runEnd = i + 1;
                        while (runEnd < n && kCharClass[data[runEnd]] == charClass) {
                            ++runEnd;
                        }
                    }
                }
            }
        }
        const auto cell = [](const SegmentRow& r, std::uint32_t j) { return Choice{r.Cost[j], j}; };
        const Choice low = Cheaper(cell(previous, 0), cell(previous, 1));
        const Choice high = Cheaper(cell(previous, 2), cell(previous, 3));
        SegmentRow row;
        std::uint32_t from = Relax<0, 1>(previous, CheapestOther<0>(previous, low, high), row,
                                         wc.MaxRun[0], 8 + byteHeader, byteStep);
        if (charClass == 1) {
            from |= Relax<1, 3>(previous, CheapestOther<1>(previous, low, high), row, wc.MaxRun[1],
                                w + 16, numericStep)
                    << 2;
        } else {
            SetUnreachable(row, 1);
        }
        if (charClass != 0) {
            from |= Relax<2, 2>(previous, CheapestOther<2>(previous, low, high), row, wc.MaxRun[2],
                                w + 17, alphanumericStep)
                    << 4;
        } else {
            SetUnreachable(row, 2);
        }
        if (!kanji || !clsQRCode::IsKanjiPair(data[i - 1], byte)) {
            SetUnreachable(row, 3);
        } else if (i == 1) {
            row.Cost[3] = kanjiHeader + 13;
            row.Run[3] = 1;
            row.Phase[3] = 0;
        } else {
            const Choice olderLow = Cheaper(cell(older, 0), cell(older, 1));
            const Choice olderHigh = Cheaper(cell(older, 2), cell(older, 3));
            from |= Relax<3, 1>(older, CheapestOther<3>(older, olderLow, olderHigh), row,
                                wc.MaxRun[3], 13 + kanjiHeader, kanjiStep)
                    << 6;
        }
        if (preds != nullptr) {
            preds[i] = static_cast<std::uint8_t>(from);
        }
        if (charClass != 0) {
            recent[static_cast<std::size_t>(i & 7)] = row;
        }
        older = previous;
        previous = row;
    }

    // The cheapest cell of the last position; the lowest mode on equal cost.
    const Choice end = Cheaper(Cheaper(Choice{previous.Cost[0], 0}, Choice{previous.Cost[1], 1}),
                               Cheaper(Choice{previous.Cost[2], 2}, Choice{previous.Cost[3], 3}));
    return SegmentEnd{end.Cost, static_cast<std::int32_t>(end.Mode)};
}

// Follows the predecessors back from the chosen cell of the last position and stores the mode of
// every position (both bytes of a Kanji pair carry mode 3). Outside Kanji mode a segment is
// walked back as long as its cells come from the same mode, without the chain of dependent reads
// that following one predecessor at a time would make.
void TraceModes(const std::uint8_t* preds, std::int32_t n, std::int32_t endMode,
                std::uint8_t* modes) {
    for (std::int32_t pos = n - 1, mode = endMode; pos >= 0;) {
        if (mode == clsQRCode::ModeKanji) {
            modes[pos] = clsQRCode::ModeKanji;
            const std::int32_t previous = (preds[pos] >> (2 * mode)) & 3;
            if (pos >= 1) {
                modes[pos - 1] = clsQRCode::ModeKanji;
            }
            pos -= 2;
            mode = previous;
            continue;
        }
        const auto shift = static_cast<unsigned>(2 * mode);
        const std::int32_t last = pos;
        // Eight positions at a time while all eight continue the segment, then one at a time.
        const std::uint64_t lanes = 0x0303030303030303ULL;
        const std::uint64_t same = 0x0101010101010101ULL * static_cast<std::uint64_t>(mode);
        for (std::uint64_t word = 0; pos >= 8; pos -= 8) {
            std::memcpy(&word, preds + pos - 7, sizeof word);
            if (((word >> shift) & lanes) != same) {
                break;
            }
        }
        while (pos > 0 && ((preds[pos] >> shift) & 3) == mode) {
            --pos;
        }
        std::fill(modes + pos, modes + last + 1, static_cast<std::uint8_t>(mode));
        mode = (preds[pos] >> shift) & 3;
        --pos;
    }
}

// Six times the least bits of a character by its class (1 digit: 10/3, 2 other alphanumeric
// character: 11/2, 0 any other byte: 8).
constexpr std::array<std::uint8_t, 256> kLeastBitsTimesSix = [] {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t b = 0; b < 256; ++b) {
        table[b] = kCharClass[b] == 1 ? 20 : (kCharClass[b] == 2 ? 33 : 48);
    }
    return table;
}();

// Six times a lower bound of the data bits of every segmentation of data[0 .. n-1]: whatever
// the segments, a digit takes at least 10/3 bits, another alphanumeric character 11/2, a byte of
// a Kanji-pair candidate 13/2 and any other byte 8 (mode indicators and counts come on top).
std::int64_t LeastBitsTimesSix(const std::uint8_t* data, std::int32_t n, bool kanji) {
    std::int64_t sum = 0;
    std::uint8_t high = 0; // the bits that any byte has
    for (std::int32_t i = 0; i < n; ++i) {
        sum += kLeastBitsTimesSix[data[i]];
        high |= data[i];
    }
    if (kanji && (high & 0x80) != 0) {
        // A byte outside the alphanumeric set that belongs to a candidate pair takes 39, not 48;
        // every pair's lead byte is 0x81 or above.
        std::int32_t counted = -1; // the last byte already taken as part of a pair
        for (std::int32_t i = 0; i + 1 < n; ++i) {
            if (data[i] < 0x81 || !clsQRCode::IsKanjiPair(data[i], data[i + 1])) {
                continue;
            }
            for (std::int32_t j = std::max(i, counted + 1); j <= i + 1; ++j) {
                if (kCharClass[data[j]] == 0) {
                    sum -= 48 - 39;
                }
            }
            counted = i + 1;
        }
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
    void PutBytes(const std::uint8_t* bytes, std::int32_t count) {
        for (std::int32_t k = 0; k < count; ++k) {
            PutByte(bytes[k]);
        }
    }
    std::int32_t Position() const {
        return static_cast<std::int32_t>(std::min<std::int64_t>(m_Position, 0x7FFFFFFF));
    }
    void Finish() {}

private:
    std::uint8_t* m_Bits;
    std::int64_t m_Size;
    std::int64_t m_Position = 0;
};

// Appends bits to codewords (eight bits per byte, the first bit the most significant), storing
// only the bytes that fit but counting all bits. Bits gather in a 64-bit word and leave it 32 at a
// time; Finish stores what is left, the last byte filled up with zero bits.
class CodewordWriter {
public:
    explicit CodewordWriter(std::span<std::uint8_t> bytes)
        : m_Bytes(bytes.data()), m_Size(static_cast<std::int64_t>(bytes.size())) {}

    // The count low bits of value (count 1 to 32), most significant first.
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
    void PutBytes(const std::uint8_t* bytes, std::int32_t count) {
        std::int32_t k = 0;
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
    // The first `count` bytes of word, from its most significant byte on.
    void Store(std::uint32_t word, std::int32_t count) {
        for (std::int32_t k = 0; k < count; ++k, ++m_Stored) {
            if (m_Stored < m_Size) {
                m_Bytes[m_Stored] = static_cast<std::uint8_t>(word >> (24 - 8 * k));
            }
        }
    }

    std::uint8_t* m_Bytes;
    std::int64_t m_Size;
    std::int64_t m_Stored = 0;
    std::uint64_t m_Pending = 0;
    std::int32_t m_PendingBits = 0;
};

// ECI designators of clause 7.4.2.2: 0..127 in one byte 0bbbbbbb, up to 16383 in two bytes
// 10bbbbbb bbbbbbbb, up to 999999 in three bytes 110bbbbb bbbbbbbb bbbbbbbb.
constexpr std::int32_t kEciModeIndicator = 0b0111;
constexpr std::int32_t kEciOneByteLimit = 127;
constexpr std::int32_t kEciTwoByteLimit = 16383;
constexpr std::int32_t kEciLargestDesignator = 999999;

// Writes the ECI header of a designator (nothing for 0, negative or too large) and returns its
// length in bits. Writer is BitWriter or CodewordWriter.
template <typename Writer> std::int32_t WriteEciHeader(Writer& out, std::int32_t designator) {
    const std::int32_t length = clsQRCode::EciHeaderBits(designator);
    if (length == 0) {
        return 0;
    }
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

// The structured-append header of clause 8 (nothing without one): mode indicator 0011, the
// position, the count less one, the parity. Returns its length in bits. Writer is BitWriter or
// CodewordWriter.
template <typename Writer>
std::int32_t
WriteStructuredAppendHeader(Writer& out,
                            const std::optional<clsQRCode::StructuredAppendHeader>& header) {
    if (!header) {
        return 0;
    }
    constexpr std::uint32_t kStructuredAppendIndicator = 0x3;
    out.Put(kStructuredAppendIndicator, 4);
    out.Put(static_cast<std::uint32_t>(header->Index), 4);
    out.Put(static_cast<std::uint32_t>(header->Count - 1), 4);
    out.Put(header->Parity, 8);
    return kStructuredAppendHeaderBits;
}

// The writing pass: one segment per run of equal modes, split at the largest count; then the
// terminator. Returns the number of bits, terminator included. Writer is BitWriter (one entry per
// bit) or CodewordWriter (packed codewords).
template <typename Writer>
std::int32_t WriteSegments(Writer& out, const std::uint8_t* data, std::int32_t n,
                           const WidthClass& wc, const std::uint8_t* modes) {
    for (std::int32_t s = 0; s < n;) {
        const std::int32_t mode = modes[s];
        const std::int32_t maxBytes =
            mode == clsQRCode::ModeKanji ? 2 * wc.MaxRun[mode] : wc.MaxRun[mode];
        // The run of equal modes from s on, eight modes at a time while they last.
        const std::int32_t limit = std::min(maxBytes, n - s);
        const std::uint64_t same = 0x0101010101010101ULL * static_cast<std::uint64_t>(mode);
        std::int32_t len = 1;
        for (std::uint64_t word = 0; len + 8 <= limit; len += 8) {
            std::memcpy(&word, modes + s + len, sizeof word);
            if (word != same) {
                break;
            }
        }
        while (len < limit && modes[s + len] == mode) {
            ++len;
        }
        const std::uint8_t* at = data + s;

        out.Put(static_cast<std::uint32_t>(kModeIndicator[mode]), kModeIndicatorBits);
        out.Put(static_cast<std::uint32_t>(mode == clsQRCode::ModeKanji ? len / 2 : len),
                wc.CountBits[mode]);
        switch (mode) {
        case clsQRCode::ModeByte:
            out.PutBytes(at, len);
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
    const std::int32_t length = out.Position();
    out.Finish();
    return length;
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

void clsQRCode::SetStructuredAppend(std::optional<StructuredAppendHeader> header) {
    const bool valid = header && header->Count >= 1 && header->Count <= 16 && header->Index >= 0 &&
                       header->Index < header->Count;
    m_StructuredAppend = valid ? header : std::nullopt;
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
    const std::int32_t headerBits = m_StructuredAppend ? kStructuredAppendHeaderBits : 0;
    if (n <= 0) {
        // The stream of empty input is the terminator alone, after the structured-append
        // header when there is one.
        BitWriter out(bits); // written also when measuring, as the contract says
        WriteStructuredAppendHeader(out, m_StructuredAppend);
        bitLength = WriteSegments(out, data.data(), 0, WidthClass(ClassOffset(version)), nullptr);
        return;
    }

    const WidthClass wc(ClassOffset(version));
    const std::int32_t eciBits = EciHeaderBits(m_EciDesignator);
    if (measureOnly) {
        bitLength = headerBits + eciBits +
                    SearchSegments(data.data(), n, wc, m_KanjiMode, nullptr).Cost + kTerminatorBits;
        return;
    }
    // The predecessors of the search, then the mode of every byte.
    std::vector<std::uint8_t> trace(2 * static_cast<std::size_t>(n));
    std::uint8_t* const preds = trace.data();
    std::uint8_t* const modes = preds + n;
    const SegmentEnd end = SearchSegments(data.data(), n, wc, m_KanjiMode, preds);
    TraceModes(preds, n, end.Mode, modes);
    BitWriter out(bits);
    WriteStructuredAppendHeader(out, m_StructuredAppend); // counted in the writer's position
    WriteEciHeader(out, m_EciDesignator);
    bitLength = WriteSegments(out, data.data(), n, wc, modes);
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

    // The ECI header, when one is set, precedes the segments of non-empty input.
    // The structured-append header comes first, also for empty input.
    const std::int32_t prefixBits = (length > 0 ? EciHeaderBits(m_EciDesignator) : 0) +
                                    (m_StructuredAppend ? kStructuredAppendHeaderBits : 0);

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
        return prefixBits + end.Cost + kTerminatorBits;
    };

    // Version choice: the character-count widths change only at versions 10 and 27, so one
    // measurement per width class serves all its versions.
    if (version == 0 || version > MaxVersion) {
        static constexpr std::int32_t kClasses[3][2] = {{1, 9}, {10, 26}, {27, 40}};
        // Made only when the bounds of 10/3 and 8 bits per byte leave the question open.
        std::int64_t leastBitsTimesSix = -1;
        version = 0;
        for (const auto& range : kClasses) {
            std::int32_t largest = 0;
            for (std::int32_t v = range[0]; v <= range[1]; ++v) {
                largest = std::max(largest, GetDataCodewords(level, v));
            }
            // When not even the least number of bits of any segmentation fits the largest
            // version of the class, no measurement could make one of its versions fit.
            const std::int64_t capacityTimesSix = 6 * (8 * static_cast<std::int64_t>(largest));
            // (Lower bounds, so the ECI header's bits are added to them.)
            const std::int64_t prefixBitsTimesSix = 6 * static_cast<std::int64_t>(prefixBits);
            if (20 * static_cast<std::int64_t>(length) + prefixBitsTimesSix > capacityTimesSix) {
                continue;
            }
            if (48 * static_cast<std::int64_t>(length) + prefixBitsTimesSix > capacityTimesSix) {
                if (leastBitsTimesSix < 0) {
                    leastBitsTimesSix =
                        prefixBitsTimesSix + LeastBitsTimesSix(bytes.data(), length, m_KanjiMode);
                }
                if (leastBitsTimesSix > capacityTimesSix) {
                    continue;
                }
            }
            const std::int32_t measured =
                length == 0 ? prefixBits + kTerminatorBits : search(ClassOffset(range[0]));
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

    const std::int32_t total = GetTotalCodewords(version);
    const std::int32_t nb = BlockCount(level, version);
    const std::int32_t ec = EccPerBlock(level, version);
    const std::int32_t dc = total - nb * ec;

    // The first dc bytes of `codewords` take the data codewords, the next total bytes the final
    // sequence, followed by 8 spare bytes for the placement's 64-bit reads.
    std::vector<std::uint8_t> codewords(static_cast<std::size_t>(dc + total + 8));

    // The stream for the chosen version, written straight into codewords; the last one is filled
    // up with zero bits. Empty input is the terminator alone: codeword 0 stays 0.
    std::int32_t d = kTerminatorBits;
    if (length > 0 || m_StructuredAppend) {
        if (length > 0) {
            search(ClassOffset(version));
            TraceModes(preds, length, end.Mode, modes);
        }
        CodewordWriter out(std::span<std::uint8_t>(codewords.data(), static_cast<std::size_t>(dc)));
        WriteStructuredAppendHeader(out, m_StructuredAppend); // counted in the writer's position
        if (length > 0) {
            WriteEciHeader(out, m_EciDesignator);
        }
        d = WriteSegments(out, bytes.data(), length, WidthClass(ClassOffset(version)), modes);
    }
    trace.clear();
    trace.shrink_to_fit();
    if (d - kTerminatorBits > 8 * dc) {
        return std::nullopt;
    }
    const std::int32_t longLength = (dc + nb - 1) / nb;
    const std::int32_t shortBlocks = dc % nb > 0 ? nb - dc % nb : 0;

    // Then the pad codewords alternately up to the capacity.
    const std::int32_t streamCodewords = std::min(dc, (d + 7) / 8);
    for (std::int32_t c = streamCodewords; c < dc; ++c) {
        codewords[static_cast<std::size_t>(c)] = kPadCodewords[(c - streamCodewords) & 1];
    }

    // Blocks, Reed-Solomon and interleaving (clause 7.6): data codewords column by column across
    // the blocks (the last column only from the long blocks), then the check codewords likewise.
    if (!m_ReedSolomon) {
        m_ReedSolomon = std::make_unique<clsReedSolomon>();
    }
    m_ReedSolomon->Init(longLength, ec, m_FiniteField, 0, 0);
    std::uint8_t* const sequence = codewords.data() + dc;
    // Blocks are taken two at a time, so that their divisions run side by side.
    std::array<std::array<std::int32_t, BlockArrayLength>, 2> blocks{};
    std::int32_t next = 0; // next data codeword of the stream
    for (std::int32_t first = 0; first < nb; first += 2) {
        const std::int32_t count = std::min(2, nb - first);
        for (std::int32_t j = 0; j < count; ++j) {
            const std::int32_t b = first + j;
            auto& block = blocks[static_cast<std::size_t>(j)];
            const std::int32_t blockLength = b < shortBlocks ? longLength - 1 : longLength;
            block[static_cast<std::size_t>(longLength + ec - 1)] = 0;
            std::int32_t* const top = block.data() + blockLength + ec - 1;
            const std::uint8_t* const data = codewords.data() + next;
            for (std::int32_t i = 0; i < longLength - 1; ++i) {
                sequence[i * nb + b] = data[i];
                top[-i] = data[i];
            }
            if (blockLength == longLength) {
                const std::uint8_t value = data[longLength - 1];
                sequence[(longLength - 1) * nb + (b - shortBlocks)] = value;
                top[-(longLength - 1)] = value;
            }
            next += blockLength;
        }
        if (count == 2) {
            m_ReedSolomon->ComputeEccPair(blocks[0], blocks[1]);
        } else {
            m_ReedSolomon->ComputeEcc(blocks[0]);
        }
        for (std::int32_t j = 0; j < count; ++j) {
            const auto& block = blocks[static_cast<std::size_t>(j)];
            for (std::int32_t k = 0; k < ec; ++k) {
                sequence[dc + k * nb + first + j] =
                    static_cast<std::uint8_t>(block[static_cast<std::size_t>(ec - 1 - k)]);
            }
        }
    }

    // Layout and placement: the function patterns, then the sequence along the version's
    // placement runs, each data module taking 4 + its bit so that it stays apart from the function
    // modules (1 and 2) and the remainder modules (0).
    const std::int32_t side = GetSymbolSize(version);
    const std::int32_t stride = side + 3;
    Symbol symbol;
    symbol.Version = version;
    symbol.Level = level;
    symbol.Side = side;
    symbol.Modules.assign(static_cast<std::size_t>(stride) * stride, 0);
    DrawFunctionPatterns(symbol.Modules, version);
    std::uint8_t* const modules = symbol.Modules.data();
    std::int64_t k = 0; // the next bit of the sequence
    for (const PlacementRun& run : PlacementRuns(symbol.Modules, version)) {
        std::uint8_t* q = modules + run.Offset;
        const std::ptrdiff_t step = run.Step;
        for (std::int32_t left = run.Count; left > 0;) {
            // Up to 56 bits from bit k on, at the top of the word.
            std::uint64_t word = LoadBigEndian64(sequence + (k >> 3)) << (k & 7);
            if (run.Bits == 2) {
                // Four steps per byte of the sequence while four are left, then one at a time.
                const std::int32_t steps = std::min(left, 28);
                std::int32_t i = 0;
                for (; i + 4 <= steps; i += 4, q += 4 * step) {
                    const auto& quad = kDataQuads[word >> 56];
                    std::memcpy(q, quad.data(), 2);
                    std::memcpy(q + step, quad.data() + 2, 2);
                    std::memcpy(q + 2 * step, quad.data() + 4, 2);
                    std::memcpy(q + 3 * step, quad.data() + 6, 2);
                    word <<= 8;
                }
                for (; i < steps; ++i, q += step) {
                    std::memcpy(q, kDataQuads[word >> 56].data(), 2);
                    word <<= 2;
                }
                left -= steps;
                k += 2 * static_cast<std::int64_t>(steps);
            } else {
                const std::int32_t steps = std::min(left, 56);
                for (std::int32_t i = 0; i < steps; ++i, q += step) {
                    *q = static_cast<std::uint8_t>(4 | (word >> 63));
                    word <<= 1;
                }
                left -= steps;
                k += steps;
            }
        }
    }

    // Masking and combination in one pass: a function module keeps its colour (1 dark, 2 light),
    // a data or remainder module takes its bit XOR the mask (branch-free, vectorised).
    symbol.Mask = mask < 0 || mask > 7 ? 0 : mask;
    const auto& tile = kMaskTiles[static_cast<std::size_t>(symbol.Mask)];
    for (std::int32_t y = 0; y < side; ++y) {
        std::uint8_t* row = modules + static_cast<std::size_t>(y) * stride;
        const std::uint8_t* pattern = tile[static_cast<std::size_t>(y % kMaskTileRows)].data();
        for (std::int32_t x = 0; x < side; x += kMaskTileColumns) {
            const std::int32_t width = std::min(kMaskTileColumns, side - x);
            for (std::int32_t t = 0; t < width; ++t) {
                const std::uint8_t v = row[x + t];
                const auto free = static_cast<std::uint8_t>((v == 0) | (v >> 2));
                row[x + t] = static_cast<std::uint8_t>((v & 1) ^ (pattern[t] & free));
            }
        }
    }
    WriteVersionInformation(symbol.Modules, version);
    WriteFormatInformation(symbol.Modules, version, level, symbol.Mask);
    return symbol;
}

const std::vector<clsQRCode::PlacementRun>&
clsQRCode::PlacementRuns(std::span<const std::uint8_t> pattern, std::int32_t version) {
    if (version == m_PlacementVersion) {
        return m_PlacementRuns;
    }
    m_PlacementRuns.clear();
    m_PlacementVersion = 0;
    const std::int32_t side = GetSymbolSize(version);
    const std::int32_t stride = side + 3;
    if (side == 0 || std::ssize(pattern) < static_cast<std::int64_t>(stride) * stride) {
        return m_PlacementRuns;
    }
    std::int32_t remaining = 8 * GetTotalCodewords(version);
    // Visits the step of column pair (c + 1, c) in row y; false once every bit has its module.
    const auto visit = [&](std::int32_t c, std::int32_t y, std::int32_t direction) {
        const std::int32_t offset = y * stride + c;
        const bool right = pattern[static_cast<std::size_t>(offset + 1)] == 0;
        const bool left = pattern[static_cast<std::size_t>(offset)] == 0;
        PlacementRun step{static_cast<std::uint16_t>(offset),
                          static_cast<std::int16_t>(direction * stride), 1, 2};
        if (right && left && remaining >= 2) {
            step.Bits = 2;
        } else if (right) {
            step.Offset = static_cast<std::uint16_t>(offset + 1);
            step.Bits = 1;
        } else if (left) {
            step.Bits = 1;
        } else {
            return true;
        }
        remaining -= step.Bits;
        if (!m_PlacementRuns.empty()) {
            PlacementRun& last = m_PlacementRuns.back();
            if (last.Bits == step.Bits && last.Step == step.Step &&
                last.Offset + last.Count * last.Step == step.Offset) {
                ++last.Count;
                return remaining > 0;
            }
        }
        m_PlacementRuns.push_back(step);
        return remaining > 0;
    };
    // The two-column zig-zag of PlaceCodewords.
    for (std::int32_t right = side; right >= 5 && remaining > 0;) {
        std::int32_t c = right - 2;
        if (c < 6) {
            --c;
        }
        for (std::int32_t y = side - 1; y >= 0 && visit(c, y, -1); --y) {
        }
        right -= 4;
        c = right;
        if (c < 6) {
            --c;
        }
        for (std::int32_t y = 0; y < side && remaining > 0 && visit(c, y, 1); ++y) {
        }
    }
    m_PlacementVersion = version;
    return m_PlacementRuns;
}

} // namespace ostrel
