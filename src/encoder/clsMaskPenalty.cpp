#include "clsMaskPenalty.h"

#include "clsDataMask.h"
#include "clsFormatInformation.h"
#include "clsQRLayout.h"
#include "clsSymbolBuilder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

#if defined(__GNUC__) && !defined(__clang__) && defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__) && !defined(_WIN32)
#include <immintrin.h>
#endif

// GCC warns that a 32-byte vector passed or returned by a function compiled without AVX is passed
// differently from one compiled with it. Every function here that takes or gives Lines of
// vectors is internal to this file and always inlined (OSTREL_INLINE, at every optimisation
// level) into the functions compiled for AVX2 or AVX-512, so no call between the two exists.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace ostrel {

namespace {

// Bits set in a word, without the popcount instruction (not part of the baseline x86-64 that
// we build for, and a library call without it).
constexpr std::int32_t PopCount(std::uint64_t w) {
    w -= (w >> 1) & 0x5555555555555555ULL;
    w = (w & 0x3333333333333333ULL) + ((w >> 2) & 0x3333333333333333ULL);
    w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<std::int32_t>((w * 0x0101010101010101ULL) >> 56);
}

// The scoring of the automatic mask is also compiled for processors with the popcount
// instruction and BMI1 (AND NOT in one instruction) and takes that form when the processor
// running it has both (GCC on x86); the instruction counts the same bits as PopCount.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define OSTREL_POPCNT_AT_RUN_TIME 1
#define OSTREL_INLINE [[gnu::always_inline]] inline
#else
#define OSTREL_INLINE inline
#endif

// And with AVX2 where the processor has it, four lines at a time (GCC on x86-64). Not on
// Windows: MinGW's GCC does not align 32-byte vectors that it keeps on the stack there.
#if defined(OSTREL_POPCNT_AT_RUN_TIME) && defined(__x86_64__) && !defined(__clang__) &&            \
    !defined(_WIN32)
#define OSTREL_AVX2_SCORING 1
#endif

// Bits set in w: by PopCount, or with Hardware by the compiler's builtin (the instruction in a
// function compiled for it).
template <bool Hardware> OSTREL_INLINE std::int32_t CountBits(std::uint64_t w) {
#ifdef OSTREL_POPCNT_AT_RUN_TIME
    if constexpr (Hardware) {
        return __builtin_popcountll(w);
    }
#endif
    return PopCount(w);
}

// One row or column of a symbol (plus the padding below) as bits, module k in bit k, in Words
// 64-bit words; the shifts move whole lines: (a >> j) bit k is a bit k + j, (a << j) bit k is
// a bit k - j. The data area of a symbol is close to random, so a loop that branched at every
// change of colour would mispredict at about every other module; these operations do not branch.
// Word may also be a vector of 64-bit lanes (GCC): lane i of each word then belongs to line i of
// as many lines side by side, and every operation works on all of them at once.
template <std::size_t Words, typename Word = std::uint64_t> struct Line {
    std::array<Word, Words> W{};

    void Set(std::size_t k, std::uint64_t bit) { W[k / 64] |= bit << (k % 64); }
    // Bit k becomes bit (0 or 1).
    void Put(std::size_t k, std::uint64_t bit) {
        W[k / 64] = (W[k / 64] & ~(std::uint64_t{1} << (k % 64))) | (bit << (k % 64));
    }
    OSTREL_INLINE friend Line operator&(Line a, const Line& b) {
        for (std::size_t i = 0; i < Words; ++i) {
            a.W[i] &= b.W[i];
        }
        return a;
    }
    OSTREL_INLINE friend Line operator|(Line a, const Line& b) {
        for (std::size_t i = 0; i < Words; ++i) {
            a.W[i] |= b.W[i];
        }
        return a;
    }
    OSTREL_INLINE friend Line operator^(Line a, const Line& b) {
        for (std::size_t i = 0; i < Words; ++i) {
            a.W[i] ^= b.W[i];
        }
        return a;
    }
    OSTREL_INLINE Line operator~() const {
        Line r;
        for (std::size_t i = 0; i < Words; ++i) {
            r.W[i] = ~W[i];
        }
        return r;
    }
    // Shifts by 1..63.
    OSTREL_INLINE Line operator>>(std::size_t j) const {
        Line r;
        for (std::size_t i = 0; i < Words; ++i) {
            r.W[i] = (W[i] >> j) | (i + 1 < Words ? W[i + 1] << (64 - j) : Word{});
        }
        return r;
    }
    OSTREL_INLINE Line operator<<(std::size_t j) const {
        Line r;
        for (std::size_t i = 0; i < Words; ++i) {
            r.W[i] = (W[i] << j) | (i > 0 ? W[i - 1] >> (64 - j) : Word{});
        }
        return r;
    }
    template <bool Hardware = false> OSTREL_INLINE std::int32_t Count() const {
        std::int32_t c = 0;
        for (const std::uint64_t w : W) {
            c += CountBits<Hardware>(w);
        }
        return c;
    }
    // Bits 0 .. n-1 set.
    static Line Ones(std::size_t n) {
        Line r;
        for (std::size_t i = 0; i < Words; ++i) {
            const std::size_t from = 64 * i;
            r.W[i] = n >= from + 64 ? ~std::uint64_t{0}
                     : n > from     ? (std::uint64_t{1} << (n - from)) - 1
                                    : 0;
        }
        return r;
    }
};

// Light modules of quiet zone kept on either side of a line for the finder-like rule.
constexpr std::size_t kPadding = clsMaskPenalty::FinderLightRun;

// The patterns of one line that N1 and N3 count, each a bit per place where it starts.
template <typename Line> struct LinePatterns {
    Line FinderBefore; // finder-like patterns with four light modules before them
    Line FinderAfter;  // ... and those with four light modules after them
    Line Windows;      // windows of five modules of one colour
    Line FirstWindows; // the first window of each run
};

// Word i of line >> j and of line << j, j in 1..63.
template <std::size_t Words, typename Word>
OSTREL_INLINE Word WordDown(const Line<Words, Word>& line, std::size_t i, std::size_t j) {
    return (line.W[i] >> j) | (i + 1 < Words ? line.W[i + 1] << (64 - j) : Word{});
}
template <std::size_t Words, typename Word>
OSTREL_INLINE Word WordUp(const Line<Words, Word>& line, std::size_t i, std::size_t j) {
    return (line.W[i] << j) | (i > 0 ? line.W[i - 1] >> (64 - j) : Word{});
}

// The patterns of one line of n modules, given with kPadding light modules before it (module k
// in bit k + kPadding, light beyond both ends); windows has bits 0 .. n - 5 set. The work goes
// word by word in three rounds, so that few words are live at once: a shift by j of word i takes
// bits from word i + 1 (to the right) or word i - 1 (to the left) only.
template <std::size_t Words, typename Word>
OSTREL_INLINE LinePatterns<Line<Words, Word>> FindPatterns(const Line<Words, Word>& padded,
                                                           const Line<Words, Word>& windows) {
    LinePatterns<Line<Words, Word>> found;
    Line<Words, Word> fourLight;
    Line<Words, Word> alike;
    for (std::size_t i = 0; i < Words; ++i) {
        // The line shifted by j: bit q of pj is padded bit q + j, so module k is bit k of p4.
        const Word p0 = padded.W[i];
        const Word p1 = WordDown(padded, i, 1);
        const Word p2 = WordDown(padded, i, 2);
        const Word p3 = WordDown(padded, i, 3);
        const Word p4 = WordDown(padded, i, 4);
        const Word p5 = WordDown(padded, i, 5);
        // Finder-like patterns 1011101 starting at q (padded), kept in FinderBefore for now.
        found.FinderBefore.W[i] = p0 & ~p1 & p2 & p3 & p4 & ~p5 & WordDown(padded, i, 6);
        fourLight.W[i] = ~(p0 | p1 | p2 | p3);
        // Runs of one colour: a run of m >= 5 modules holds m - 4 windows of five equal modules
        // and scores 3 + (m - 5) = (m - 4) + (N1 - 1), so the rule is the number of such windows
        // plus N1 - 1 per run (a window whose predecessor is not one). Modules k + j and
        // k + j + 1 are alike where bit k + j of alike = ~(p4 ^ p5) is set.
        alike.W[i] = ~(p4 ^ p5);
    }
    for (std::size_t i = 0; i < Words; ++i) {
        // The patterns with four light modules at q - 4 .. q - 1, and with four at q + 7 ..
        // q + 10.
        const Word pattern = found.FinderBefore.W[i];
        found.FinderBefore.W[i] = pattern & WordUp(fourLight, i, 4);
        found.FinderAfter.W[i] = pattern & WordDown(fourLight, i, 7);
        // Pairs of alike neighbours (alikeTwice, kept in Windows for now).
        found.Windows.W[i] = alike.W[i] & WordDown(alike, i, 1);
    }
    for (std::size_t i = 0; i < Words; ++i) {
        // A window at k (which needs k + 4 < n) is where alike holds at k .. k + 3: pairs of
        // pairs. The words above i are still alikeTwice.
        found.Windows.W[i] &= WordDown(found.Windows, i, 2) & windows.W[i];
    }
    for (std::size_t i = 0; i < Words; ++i) {
        found.FirstWindows.W[i] = found.Windows.W[i] & ~WordUp(found.Windows, i, 1);
    }
    return found;
}

// N1 and N3 of one line (FindPatterns) into score.
template <std::size_t Words, bool Hardware>
OSTREL_INLINE void ScoreLine(const Line<Words>& padded, const Line<Words>& windows,
                             clsMaskPenalty::Score& score) {
    const LinePatterns<Line<Words>> found = FindPatterns(padded, windows);
    score.FinderLike += clsMaskPenalty::N3 * (found.FinderBefore.template Count<Hardware>() +
                                              found.FinderAfter.template Count<Hardware>());
    score.Runs += found.Windows.template Count<Hardware>() +
                  (clsMaskPenalty::N1 - 1) * found.FirstWindows.template Count<Hardware>();
}

// The largest side of any symbol scored (Evaluate's limit).
constexpr std::size_t kMaxSide = 184;
template <std::size_t Words> using Lines = std::array<Line<Words>, kMaxSide>;

// N1, N2 and N3 of the n rows and n columns of a matrix (row(k) and column(k) give each as a
// line with the padding before it) into score; returns the number of dark modules. Balance is
// left to the caller.
template <std::size_t Words, bool Hardware = false, typename RowAt, typename ColumnAt>
OSTREL_INLINE std::int64_t ScoreLines(RowAt row, ColumnAt column, std::size_t n,
                                      clsMaskPenalty::Score& score) {
    using Line = ::ostrel::Line<Words>;
    // 2 x 2 blocks of one colour: x and x + 1 alike in both rows, and the rows alike at x.
    const Line pairs = Line::Ones(n - 1 + kPadding) & ~Line::Ones(kPadding);
    // Where a window of five modules can start: k + 4 < n.
    const Line windows = Line::Ones(n >= 4 ? n - 4 : 0);
    std::int32_t blocks = 0;
    std::int64_t dark = 0;
    Line above;      // the row before
    Line aboveAlike; // its modules alike with their right-hand neighbours
    for (std::size_t k = 0; k < n; ++k) {
        const Line here = row(k);
        ScoreLine<Words, Hardware>(here, windows, score);
        ScoreLine<Words, Hardware>(column(k), windows, score);
        dark += here.template Count<Hardware>();
        const Line alike = ~(here ^ (here >> 1));
        if (k > 0) {
            blocks += (aboveAlike & alike & ~(above ^ here) & pairs).template Count<Hardware>();
        }
        above = here;
        aboveAlike = alike;
    }
    score.Blocks = clsMaskPenalty::N2 * blocks;
    return dark;
}

// N1, N2 and N3 of a side x side matrix into score; returns the number of dark modules.
template <std::size_t Words>
std::int64_t ScoreMatrix(std::span<const std::uint8_t> modules, std::int32_t side,
                         std::int32_t stride, clsMaskPenalty::Score& score) {
    // Every row and every column as bits, with the padding before it.
    const auto n = static_cast<std::size_t>(side);
    Lines<Words> rows{};
    Lines<Words> columns{};
    for (std::size_t y = 0; y < n; ++y) {
        const std::uint8_t* in = modules.data() + y * static_cast<std::size_t>(stride);
        for (std::size_t x = 0; x < n; ++x) {
            const std::uint64_t bit = in[x] != 0 ? 1 : 0;
            rows[y].Set(x + kPadding, bit);
            columns[x].Set(y + kPadding, bit);
        }
    }
    return ScoreLines<Words>([&](std::size_t k) { return rows[k]; },
                             [&](std::size_t k) { return columns[k]; }, n, score);
}

// The balance rule of dark modules among side x side.
std::int32_t BalanceScore(std::int64_t dark, std::int32_t side) {
    // Dark share: k whole steps of 5 % away from 50 %.
    const std::int64_t total = static_cast<std::int64_t>(side) * side;
    const std::int64_t k = std::llabs(20 * dark - 10 * total) / total;
    return static_cast<std::int32_t>(k) * clsMaskPenalty::N4;
}

// ---- The eight masks on bit rows (the automatic mask's own path) ----
//
// A placed symbol (clsModuleMatrix values) gives each row and column as two lines once: its
// fixed bits (dark function modules, the data bits, the version information) and the modules that
// the mask inverts (data and remainder modules). A mask then costs one AND and one XOR per word
// of a line with the mask's own line, made while the lines are scored, and the 30 modules of the
// format information; the lines are scored as Evaluate scores a finished symbol's (ScoreLines).

constexpr std::size_t kTileRows = 12;   // the masks repeat every 12 rows ...
constexpr std::size_t kTileColumns = 6; // ... and every 6 columns
constexpr std::size_t kMaxWords = 3;
static_assert(clsDataMask::MaskCount == 8, "MaskTotals gives eight totals");

// Row i (mod 12) of each mask as a line over the columns, and column j (mod 6) as a line over
// the rows, both with the padding before them: bit k + kPadding where the mask inverts.
struct MaskLines {
    std::array<std::array<Line<kMaxWords>, kTileRows>, clsDataMask::MaskCount> Rows{};
    std::array<std::array<Line<kMaxWords>, kTileColumns>, clsDataMask::MaskCount> Columns{};
};

const MaskLines& TheMaskLines() {
    static const MaskLines lines = [] {
        MaskLines made;
        const std::size_t length = 64 * kMaxWords - kPadding;
        for (std::int32_t m = 0; m < clsDataMask::MaskCount; ++m) {
            const auto mask = static_cast<std::size_t>(m);
            for (std::size_t k = 0; k < length; ++k) {
                const auto at = static_cast<std::int32_t>(k);
                for (std::size_t i = 0; i < kTileRows; ++i) {
                    const bool holds = clsDataMask::Condition(m, static_cast<std::int32_t>(i), at);
                    made.Rows[mask][i].Set(k + kPadding, holds ? 1 : 0);
                }
                for (std::size_t j = 0; j < kTileColumns; ++j) {
                    const bool holds = clsDataMask::Condition(m, at, static_cast<std::int32_t>(j));
                    made.Columns[mask][j].Set(k + kPadding, holds ? 1 : 0);
                }
            }
        }
        return made;
    }();
    return lines;
}

template <std::size_t Words> Line<Words> Narrow(const Line<kMaxWords>& wide) {
    Line<Words> line;
    for (std::size_t i = 0; i < Words; ++i) {
        line.W[i] = wide.W[i];
    }
    return line;
}

// The eight bytes from p on, the first in the lowest bits.
[[maybe_unused]] std::uint64_t LoadLittleEndian64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, p, sizeof v);
    } else {
        for (std::size_t i = 0; i < 8; ++i) {
            v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
        }
    }
    return v;
}

// Bit 0 of each of the eight bytes of v (each 0 or 1) as bits 0..7 of the result.
[[maybe_unused]] std::uint64_t GatherBytes(std::uint64_t v) {
    return (v * 0x0102040810204080ULL) >> 56;
}

// a[i] bit j becomes a[j] bit i (64 x 64 bits); Word a 64-bit word, or (GCC) a vector of two
// that transposes two blocks side by side.
template <typename Word> void Transpose64(std::array<Word, 64>& a) {
    std::uint64_t m = 0x00000000FFFFFFFFULL;
    for (std::size_t j = 32; j != 0; j >>= 1, m ^= m << j) {
        for (std::size_t k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const Word t = ((a[k] >> j) ^ a[k | j]) & m;
            a[k] ^= t << j;
            a[k | j] ^= t;
        }
    }
}

// The transposition of padded lines: bit q of each of the 64 rows of block by (bits 64 by .. of
// the lines, the padding before row 0 included) becomes bit 64 by + i of line q: the n columns
// of the n rows, each with the padding before it (line q is column q - kPadding). Word is a
// 64-bit word, or (GCC) a vector of two that transposes two sets of lines at once: get(y, w)
// gives word w of row y, put(x, w, block) takes word w of column x.
template <std::size_t Words, typename Word, typename Get, typename Put>
void TransposePadded(std::size_t n, Get get, Put put) {
    std::array<Word, 64> block{};
    for (std::size_t by = 0; by < Words; ++by) {
        for (std::size_t bx = 0; bx < Words; ++bx) {
            for (std::size_t i = 0; i < 64; ++i) {
                const std::size_t q = 64 * by + i; // row q - kPadding
                block[i] = q >= kPadding && q - kPadding < n ? get(q - kPadding, bx) : Word{};
            }
            Transpose64(block);
            for (std::size_t j = 0; j < 64; ++j) {
                const std::size_t q = 64 * bx + j; // column q - kPadding
                if (q >= kPadding && q - kPadding < n) {
                    put(q - kPadding, by, block[j]);
                }
            }
        }
    }
}

// A placed symbol as lines: Fixed the bits that no mask changes, Masked the modules a mask
// inverts, for rows and columns, with the padding before each.
template <std::size_t Words> struct PlacedLines {
    Lines<Words> FixedRows{};
    Lines<Words> MaskedRows{};
    Lines<Words> FixedColumns{};
    Lines<Words> MaskedColumns{};
};

#if defined(__GNUC__) && !defined(__clang__) && defined(__SSE2__) && defined(__x86_64__)
#define OSTREL_SSE2_ROWS 1
// Sixteen modules at once: their bytes compared and shifted as one vector, the top bit of each
// byte gathered by PMOVMSKB. Fixed: bit 0 of each module; Masked: its value has no bit of 0 .. 2
// set (Free) or has bit 2 (Data): the same bits as the word form's.
using Chars16 = char __attribute__((vector_size(16)));
using Shorts8 = short __attribute__((vector_size(16)));
struct ModuleBits16 {
    std::uint32_t Fixed;
    std::uint32_t Masked;
};
[[gnu::always_inline]] inline ModuleBits16 ReadModules16(const std::uint8_t* p) {
    Chars16 v;
    std::memcpy(&v, p, sizeof v);
    // Shifting the 16-bit lanes moves bit b of every byte to that byte's top bit.
    const auto bit0 = reinterpret_cast<Chars16>(reinterpret_cast<Shorts8>(v) << 7);
    const auto bit2 = reinterpret_cast<Chars16>(reinterpret_cast<Shorts8>(v) << 5);
    const Chars16 free = (v & 7) == 0;
    return {static_cast<std::uint32_t>(__builtin_ia32_pmovmskb128(bit0)),
            static_cast<std::uint32_t>(__builtin_ia32_pmovmskb128(free | bit2))};
}

// The fixed and the masked lines transposed at once, one in each half of 16-byte vectors.
using WordPair = std::uint64_t __attribute__((vector_size(16)));
template <std::size_t Words> void TransposeLinePairs(PlacedLines<Words>& lines, std::size_t n) {
    TransposePadded<Words, WordPair>(
        n,
        [&](std::size_t y, std::size_t w) {
            // Through registers: two 8-byte stores read back as one 16-byte vector would stall.
            return reinterpret_cast<WordPair>(_mm_unpacklo_epi64(
                _mm_cvtsi64_si128(static_cast<long long>(lines.FixedRows[y].W[w])),
                _mm_cvtsi64_si128(static_cast<long long>(lines.MaskedRows[y].W[w]))));
        },
        [&](std::size_t x, std::size_t w, WordPair pair) {
            lines.FixedColumns[x].W[w] = pair[0];
            lines.MaskedColumns[x].W[w] = pair[1];
        });
}
#endif

// Bits 0 .. 63 of a row's fixed and masked line without padding: modules x .. x + 63 from in on.
struct RowWords {
    std::uint64_t Fixed = 0;
    std::uint64_t Masked = 0;
};
RowWords ReadRowWords(const std::uint8_t* in) {
    RowWords words;
#ifdef OSTREL_SSE2_ROWS
    // Sixteen modules a step.
    for (std::size_t x = 0; x < 64; x += 16) {
        const ModuleBits16 bits = ReadModules16(in + x);
        words.Fixed |= std::uint64_t{bits.Fixed} << x;
        words.Masked |= std::uint64_t{bits.Masked} << x;
    }
#else
    // Eight modules a step. Dark 1 and Data | 1 are dark; Free 0 and Data | bit take the mask
    // (values below 8).
    constexpr std::uint64_t kLow = 0x0101010101010101ULL;
    for (std::size_t x = 0; x < 64; x += 8) {
        const std::uint64_t v = LoadLittleEndian64(in + x);
        words.Fixed |= GatherBytes(v & kLow) << x;
        words.Masked |= GatherBytes((~(v | (v >> 1) | (v >> 2)) | (v >> 2)) & kLow) << x;
    }
#endif
    return words;
}

// The fixed and masked lines of a placed symbol, rows and columns, each with the padding before
// it.
template <std::size_t Words>
void ReadPlaced(const clsQRCode::Symbol& symbol, PlacedLines<Words>& lines) {
    using Line = ::ostrel::Line<Words>;
    const auto n = static_cast<std::size_t>(symbol.Side);
    const auto stride = static_cast<std::size_t>(symbol.Stride());
    const Line inside = Line::Ones(n) << kPadding;
    // Rows 64 modules a word, moved past the padding on the way. The matrix keeps three light
    // columns and rows beyond the symbol, so the last word of a row reads within it (modules
    // beyond the row are cleared by inside).
    for (std::size_t y = 0; y < n; ++y) {
        const std::uint8_t* in = symbol.Modules.data() + y * stride;
        Line fixed;
        Line masked;
        std::uint64_t carryFixed = 0;
        std::uint64_t carryMasked = 0;
        for (std::size_t w = 0; w < Words; ++w) {
            // The last word may hold only the padding's carry.
            const RowWords words = 64 * w < n ? ReadRowWords(in + 64 * w) : RowWords{};
            fixed.W[w] = (words.Fixed << kPadding) | carryFixed;
            masked.W[w] = (words.Masked << kPadding) | carryMasked;
            carryFixed = words.Fixed >> (64 - kPadding);
            carryMasked = words.Masked >> (64 - kPadding);
        }
        lines.FixedRows[y] = fixed & inside;
        lines.MaskedRows[y] = masked & inside;
    }
#ifdef OSTREL_SSE2_ROWS
    TransposeLinePairs(lines, n);
#else
    const auto transpose = [&](const Lines<Words>& rows, Lines<Words>& columns) {
        TransposePadded<Words, std::uint64_t>(
            n, [&](std::size_t y, std::size_t w) { return rows[y].W[w]; },
            [&](std::size_t x, std::size_t w, std::uint64_t word) { columns[x].W[w] = word; });
    };
    transpose(lines.FixedRows, lines.FixedColumns);
    transpose(lines.MaskedRows, lines.MaskedColumns);
#endif
}

// Bit k of word at each position: put(x, y, bit) for each.
template <std::size_t Count, typename PutBit>
void PutWord(std::int32_t word, const std::array<clsFormatInformation::Position, Count>& at,
             PutBit put) {
    for (std::size_t k = 0; k < Count; ++k) {
        put(static_cast<std::size_t>(at[k].X), static_cast<std::size_t>(at[k].Y),
            static_cast<std::uint64_t>((word >> k) & 1));
    }
}

// The lines of a placed symbol under mask m (its format information already put into the fixed
// lines) scored by ScoreLines; the mask's lines are made on the way, never stored.
template <std::size_t Words, bool Hardware = false>
OSTREL_INLINE std::int64_t ScoreMasked(const PlacedLines<Words>& placed, std::int32_t m,
                                       std::size_t n, clsMaskPenalty::Score& score) {
    const MaskLines& maskLines = TheMaskLines();
    const auto& rowMasks = maskLines.Rows[static_cast<std::size_t>(m)];
    const auto& columnMasks = maskLines.Columns[static_cast<std::size_t>(m)];
    return ScoreLines<Words, Hardware>(
        [&](std::size_t k) {
            return placed.FixedRows[k] ^
                   (placed.MaskedRows[k] & Narrow<Words>(rowMasks[k % kTileRows]));
        },
        [&](std::size_t k) {
            return placed.FixedColumns[k] ^
                   (placed.MaskedColumns[k] & Narrow<Words>(columnMasks[k % kTileColumns]));
        },
        n, score);
}

#ifdef OSTREL_POPCNT_AT_RUN_TIME
template <std::size_t Words>
[[gnu::target("popcnt,bmi")]] std::int64_t ScoreMaskedPopcntBmi(const PlacedLines<Words>& placed,
                                                                std::int32_t m, std::size_t n,
                                                                clsMaskPenalty::Score& score) {
    return ScoreMasked<Words, true>(placed, m, n, score);
}

bool HasPopcntAndBmi() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("popcnt") != 0 && __builtin_cpu_supports("bmi") != 0;
    }();
    return has;
}
#endif

#ifdef OSTREL_AVX2_SCORING
// ---- Four lines at once (AVX2, AVX-512) ----
//
// Lines kept as planes, word w of line k at W[w][k], so that lines k .. k + 3 load as one
// vector per word: a Line of Lanes4 words, on which the operations above score four lines at
// once (clsMaskPenaltyLanes.inc, compiled once for AVX2 and once for AVX-512).
using Lanes4 = std::uint64_t __attribute__((vector_size(32)));
constexpr std::size_t kLanes = 4;
template <std::size_t Words> using Quad = Line<Words, Lanes4>;

template <std::size_t Words> struct Planes {
    // Lines up to the largest side, whose last group (177 lines) ends within it.
    alignas(32) std::array<std::array<std::uint64_t, kMaxSide>, Words> W{};

    // Bit k of line becomes bit (0 or 1).
    void Put(std::size_t line, std::size_t k, std::uint64_t bit) {
        std::uint64_t& w = W[k / 64][line];
        w = (w & ~(std::uint64_t{1} << (k % 64))) | (bit << (k % 64));
    }
};

template <std::size_t Words> struct PlacedPlanes {
    Planes<Words> FixedRows;
    Planes<Words> MaskedRows;
    Planes<Words> FixedColumns;
    Planes<Words> MaskedColumns;
};

// The n lines as planes, and light lines after them to the end of their group of four.
template <std::size_t Words>
void ToPlanes(const Lines<Words>& lines, std::size_t n, Planes<Words>& planes) {
    const std::size_t end = (n + kLanes - 1) / kLanes * kLanes;
    for (std::size_t k = 0; k < end; ++k) {
        for (std::size_t w = 0; w < Words; ++w) {
            planes.W[w][k] = k < n ? lines[k].W[w] : 0;
        }
    }
}

template <std::size_t Words>
void ToPlanes(const PlacedLines<Words>& lines, std::size_t n, PlacedPlanes<Words>& planes) {
    ToPlanes(lines.FixedRows, n, planes.FixedRows);
    ToPlanes(lines.MaskedRows, n, planes.MaskedRows);
    ToPlanes(lines.FixedColumns, n, planes.FixedColumns);
    ToPlanes(lines.MaskedColumns, n, planes.MaskedColumns);
}

// Whether the processor running us has the instructions that each form of the lanes takes.
bool HasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("popcnt") != 0 &&
               __builtin_cpu_supports("bmi") != 0;
    }();
    return has;
}

bool HasAvx512() {
    static const bool has = [] {
        __builtin_cpu_init();
        return HasAvx2() && __builtin_cpu_supports("avx512f") != 0 &&
               __builtin_cpu_supports("avx512vl") != 0 &&
               __builtin_cpu_supports("avx512vpopcntdq") != 0;
    }();
    return has;
}

#pragma GCC push_options
#pragma GCC target("avx2,popcnt,bmi")
namespace avx2 {
// Bits are counted a byte at a time by a table of the sixteen nibbles (PSHUFB); the byte counts
// of a group of lines (below 256 a byte) are summed into 64-bit lanes (PSADBW) once a group.
OSTREL_INLINE __m256i CountBits(Lanes4 w) {
    const __m256i table = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, //
                                           0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
    constexpr std::uint64_t kNibbles = 0x0F0F0F0F0F0F0F0FULL;
    const auto low = reinterpret_cast<__m256i>(w & kNibbles);
    const auto high = reinterpret_cast<__m256i>((w >> 4) & kNibbles);
    return _mm256_add_epi8(_mm256_shuffle_epi8(table, low), _mm256_shuffle_epi8(table, high));
}
OSTREL_INLINE __m256i AddCounts(__m256i a, __m256i b) {
    return _mm256_add_epi8(a, b);
}
OSTREL_INLINE __m256i LaneSums(__m256i counts) {
    return _mm256_sad_epu8(counts, _mm256_setzero_si256());
}
#include "clsMaskPenaltyLanes.inc"
} // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2,popcnt,bmi,avx512f,avx512vl,avx512vpopcntdq")
namespace avx512 {
// The same on 32-byte vectors with AVX-512's own instructions: a count of bits per 64-bit lane
// (VPOPCNTQ), 32 vector registers and three-input logic.
OSTREL_INLINE __m256i CountBits(Lanes4 w) {
    return _mm256_popcnt_epi64(reinterpret_cast<__m256i>(w));
}
OSTREL_INLINE __m256i AddCounts(__m256i a, __m256i b) {
    return _mm256_add_epi64(a, b);
}
OSTREL_INLINE __m256i LaneSums(__m256i counts) {
    return counts;
}
#include "clsMaskPenaltyLanes.inc"
} // namespace avx512
#pragma GCC pop_options
#endif

// The format information of each mask put into lines by put(x, y, bit), then the mask scored
// by score(m, Score&), which returns the number of dark modules: the eight totals.
template <typename PutBit, typename ScoreMask>
std::array<std::int32_t, clsDataMask::MaskCount> TotalsOfMasks(const clsQRCode::Symbol& symbol,
                                                               PutBit put, ScoreMask scoreMask) {
    const std::array<std::array<clsFormatInformation::Position, clsFormatInformation::QRFormatBits>,
                     2>
        format{clsFormatInformation::QRFormatPositions(symbol.Side, 0),
               clsFormatInformation::QRFormatPositions(symbol.Side, 1)};
    std::array<std::int32_t, clsDataMask::MaskCount> totals{};
    for (std::int32_t m = 0; m < clsDataMask::MaskCount; ++m) {
        // The format information of mask m replaces that of the mask before.
        const std::int32_t word = clsFormatInformation::QRFormatWord(symbol.Level, m);
        for (const auto& positions : format) {
            PutWord(word, positions, put);
        }
        clsMaskPenalty::Score score;
        const std::int64_t dark = scoreMask(m, score);
        score.Balance = BalanceScore(dark, symbol.Side);
        totals[static_cast<std::size_t>(m)] = score.Total();
    }
    return totals;
}

template <std::size_t Words>
std::array<std::int32_t, clsDataMask::MaskCount> MaskTotalsOnLines(const clsQRCode::Symbol& symbol,
                                                                   clsMaskPenalty::Scoring lanes) {
    const auto n = static_cast<std::size_t>(symbol.Side);
    // Kept per thread rather than zeroed per call: ReadPlaced writes every word of the n rows
    // and n columns that are read.
    thread_local PlacedLines<Words> placed;
    ReadPlaced(symbol, placed);
    const auto putInLines = [&](std::size_t x, std::size_t y, std::uint64_t bit) {
        placed.FixedRows[y].Put(x + kPadding, bit);
        placed.FixedColumns[x].Put(y + kPadding, bit);
    };
    // The version information is the same under every mask.
    if (symbol.Version >= clsQRLayout::FirstVersionWithVersionInformation) {
        const std::int32_t word = clsFormatInformation::QRVersionWord(symbol.Version);
        for (const std::int32_t copy : {0, 1}) {
            PutWord(word, clsFormatInformation::QRVersionPositions(symbol.Side, copy), putInLines);
        }
    }
#ifdef OSTREL_AVX2_SCORING
    const bool avx512 = lanes == clsMaskPenalty::Scoring::Avx512 && HasAvx512();
    if (avx512 || (lanes != clsMaskPenalty::Scoring::Words && HasAvx2())) {
        thread_local PlacedPlanes<Words> planes;
        ToPlanes(placed, n, planes);
        return TotalsOfMasks(
            symbol,
            [&](std::size_t x, std::size_t y, std::uint64_t bit) {
                planes.FixedRows.Put(y, x + kPadding, bit);
                planes.FixedColumns.Put(x, y + kPadding, bit);
            },
            [&](std::int32_t m, clsMaskPenalty::Score& score) {
                return avx512 ? avx512::ScoreMaskedQuads(planes, m, n, score)
                              : avx2::ScoreMaskedQuads(planes, m, n, score);
            });
    }
#else
    static_cast<void>(lanes);
#endif
    return TotalsOfMasks(symbol, putInLines, [&](std::int32_t m, clsMaskPenalty::Score& score) {
#ifdef OSTREL_POPCNT_AT_RUN_TIME
        return HasPopcntAndBmi() ? ScoreMaskedPopcntBmi(placed, m, n, score)
                                 : ScoreMasked(placed, m, n, score);
#else
        return ScoreMasked(placed, m, n, score);
#endif
    });
}

// The totals of the eight masks of a placed QR Code symbol on bit rows, scored in the lanes of
// vectors as far as lanes says and the processor can (clsMaskPenalty::Scoring).
std::array<std::int32_t, clsDataMask::MaskCount> MaskTotalsOf(const clsQRCode::Symbol& symbol,
                                                              clsMaskPenalty::Scoring lanes) {
    const auto width = static_cast<std::size_t>(symbol.Side) + 2 * kPadding;
    if (width <= 64) {
        return MaskTotalsOnLines<1>(symbol, lanes);
    }
    if (width <= 128) {
        return MaskTotalsOnLines<2>(symbol, lanes);
    }
    return MaskTotalsOnLines<3>(symbol, lanes);
}

// The totals of the eight masks by the plain way: each mask applied to a copy of the placed
// symbol, its information written (clsQRCode::FinishSymbol) and the copy scored by Evaluate.
template <typename Finish>
std::array<std::int32_t, clsDataMask::MaskCount> MaskTotalsPlain(const clsQRCode::Symbol& placed,
                                                                 Finish finish) {
    std::array<std::int32_t, clsDataMask::MaskCount> totals{};
    for (std::int32_t m = 0; m < clsDataMask::MaskCount; ++m) {
        clsQRCode::Symbol candidate = placed;
        finish(candidate, m);
        totals[static_cast<std::size_t>(m)] = clsMaskPenalty::Evaluate(candidate).Total();
    }
    return totals;
}

} // namespace

bool clsMaskPenalty::Runs(Scoring scoring) {
#ifdef OSTREL_AVX2_SCORING
    if (scoring == Scoring::Avx2) {
        return HasAvx2();
    }
    if (scoring == Scoring::Avx512) {
        return HasAvx512();
    }
#endif
    return scoring == Scoring::Plain || scoring == Scoring::Words;
}

clsMaskPenalty::Score clsMaskPenalty::Evaluate(const clsQRCode::Symbol& symbol) {
    return Evaluate(symbol.Modules, symbol.Side, symbol.Stride());
}

clsMaskPenalty::Score clsMaskPenalty::Evaluate(std::span<const std::uint8_t> modules,
                                               std::int32_t side, std::int32_t stride) {
    Score score;
    if (side <= 0 || stride < side ||
        std::ssize(modules) < static_cast<std::int64_t>(stride) * (side - 1) + side) {
        return score;
    }
    // Lines of one, two or three words: up to version 9, 25 and 40.
    const auto width = static_cast<std::size_t>(side) + 2 * kPadding;
    std::int64_t dark = 0;
    if (width <= 64) {
        dark = ScoreMatrix<1>(modules, side, stride, score);
    } else if (width <= 128) {
        dark = ScoreMatrix<2>(modules, side, stride, score);
    } else if (width <= 192) {
        dark = ScoreMatrix<3>(modules, side, stride, score);
    } else {
        return score; // wider than any symbol
    }

    score.Balance = BalanceScore(dark, side);
    return score;
}

std::optional<clsQRCode::Symbol>
clsMaskPenalty::EncodeBestMask(clsQRCode& encoder, std::span<const std::uint8_t> bytes,
                               std::int32_t length, std::int32_t version, std::int32_t level) {
    clsQRCode::Symbol symbol;
    if (!EncodeBestMaskInto(symbol, encoder, bytes, length, version, level)) {
        return std::nullopt;
    }
    return symbol;
}

bool clsMaskPenalty::EncodeBestMaskInto(clsQRCode::Symbol& symbol, clsQRCode& encoder,
                                        std::span<const std::uint8_t> bytes, std::int32_t length,
                                        std::int32_t version, std::int32_t level) {
    // The mask changes neither the data nor whether it fits: the symbol is placed once, the eight
    // masks are scored on its bit rows with their own format information, as a reader would see
    // the symbol, and the best one finishes it.
    if (!encoder.PlaceSymbol(symbol, bytes, length, version, level)) {
        return false;
    }
    const std::array<std::int32_t, clsDataMask::MaskCount> totals =
        MaskTotalsOf(symbol, Scoring::Avx512);
    // The lowest total, the lowest mask number on a tie.
    const auto best = static_cast<std::int32_t>(
        std::distance(totals.begin(), std::min_element(totals.begin(), totals.end())));
    clsQRCode::FinishSymbol(symbol, best);
    return true;
}

std::optional<std::array<std::int32_t, clsDataMask::MaskCount>>
clsMaskPenalty::MaskTotals(clsQRCode& encoder, std::span<const std::uint8_t> bytes,
                           std::int32_t length, std::int32_t version, std::int32_t level,
                           Scoring scoring) {
    clsQRCode::Symbol symbol;
    if (!encoder.PlaceSymbol(symbol, bytes, length, version, level)) {
        return std::nullopt;
    }
    return scoring == Scoring::Plain ? MaskTotalsPlain(symbol, clsQRCode::FinishSymbol)
                                     : MaskTotalsOf(symbol, scoring);
}

} // namespace ostrel
