#include "clsQRCode.h"

#include <algorithm>

namespace ostrel {

namespace {

// Error-correction characteristics, ISO/IEC 18004 Table 9, one row per level (L, M, Q, H),
// one column per version 1..40: the total number of blocks of both groups ...
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

// One cell of the segment table: the cheapest path into (position, mode).
struct Cell {
    std::int32_t Predecessor;
    std::int32_t Cost;
    std::int32_t Run;
};

// Appends bits to a bit buffer (one entry per bit), storing only what fits but counting all.
class BitWriter {
public:
    explicit BitWriter(std::span<std::uint8_t> bits) : m_Bits(bits) {}

    void Put(std::int32_t value, std::int32_t count) {
        for (std::int32_t k = count - 1; k >= 0; --k) {
            if (m_Position < static_cast<std::int64_t>(m_Bits.size())) {
                m_Bits[static_cast<std::size_t>(m_Position)] =
                    static_cast<std::uint8_t>((value >> k) & 1);
            }
            ++m_Position;
        }
    }
    std::int32_t Position() const {
        return static_cast<std::int32_t>(std::min<std::int64_t>(m_Position, 0x7FFFFFFF));
    }

private:
    std::span<std::uint8_t> m_Bits;
    std::int64_t m_Position = 0;
};

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

// ---- Character tests ----

std::int32_t clsQRCode::GetCharClass(std::uint8_t byte) {
    if (byte >= '0' && byte <= '9') {
        return 1;
    }
    if ((byte >= 'A' && byte <= 'Z') || byte == ' ' || byte == '$' || byte == '%' ||
        byte == '*' || byte == '+' || byte == '-' || byte == '.' || byte == '/' || byte == ':') {
        return 2;
    }
    return 0;
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
    const std::int32_t w = wc.Offset;
    const std::int32_t byteHeader = kModeIndicatorBits + wc.CountBits[ModeByte];
    const std::int32_t kanjiHeader = kModeIndicatorBits + wc.CountBits[ModeKanji];

    // Forward search: table[i * 4 + mode] is the cheapest way to encode bytes 0..i with the
    // last segment in that mode, ending at i.
    std::vector<Cell> table(static_cast<std::size_t>(n) * 4, Cell{0, 0, 0});
    const auto cell = [&table](std::int32_t i, std::int32_t mode) -> Cell& {
        return table[static_cast<std::size_t>(i) * 4 + static_cast<std::size_t>(mode)];
    };

    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint8_t byte = data[static_cast<std::size_t>(i)];
        const std::int32_t charClass = GetCharClass(byte);

        // Chooses the cheapest predecessor among the four modes of row `from`; a strictly
        // smaller cost wins, so ties go to the lowest mode number.
        const auto relax = [&](std::int32_t from, std::int32_t mode, auto stepCost) {
            Cell& target = cell(i, mode);
            std::int32_t bestCost = Unreachable;
            std::int32_t bestPred = 0;
            std::int32_t bestRun = 0;
            bool first = true;
            for (std::int32_t j = 0; j < 4; ++j) {
                const Cell& pred = cell(from, j);
                bool continues = false;
                const std::int32_t cost = pred.Cost + stepCost(j, pred, continues);
                if (first || cost < bestCost) {
                    first = false;
                    bestCost = cost;
                    bestPred = j;
                    bestRun = continues ? pred.Run : 0;
                }
            }
            target.Cost = bestCost;
            target.Predecessor = bestPred;
            target.Run = bestRun + 1;
        };

        // Byte mode: always reachable.
        if (i == 0) {
            cell(0, ModeByte) = Cell{-1, byteHeader + 8, 1};
        } else {
            relax(i - 1, ModeByte, [&](std::int32_t j, const Cell& p, bool& continues) {
                continues = j == ModeByte && p.Run < wc.MaxRun[ModeByte];
                return continues ? 8 : 8 + byteHeader;
            });
        }

        // Numeric mode: digits cost 4, 3, 3, 4, 3, 3, ... (10 bits per group of three).
        if (charClass != 1) {
            cell(i, ModeNumeric).Cost = Unreachable;
        } else if (i == 0) {
            cell(0, ModeNumeric) = Cell{-1, w + 16, 1};
        } else {
            relax(i - 1, ModeNumeric, [&](std::int32_t j, const Cell& p, bool& continues) {
                continues = j == ModeNumeric && p.Run < wc.MaxRun[ModeNumeric];
                if (continues) {
                    return p.Run % 3 == 0 ? 4 : 3;
                }
                return w + 16;
            });
        }

        // Alphanumeric mode: characters cost 6, 5, 6, 5, ... (11 bits per pair).
        if (charClass == 0) {
            cell(i, ModeAlphanumeric).Cost = Unreachable;
        } else if (i == 0) {
            cell(0, ModeAlphanumeric) = Cell{-1, w + 17, 1};
        } else {
            relax(i - 1, ModeAlphanumeric, [&](std::int32_t j, const Cell& p, bool& continues) {
                continues = j == ModeAlphanumeric && p.Run < wc.MaxRun[ModeAlphanumeric];
                if (continues) {
                    return p.Run % 2 == 0 ? 6 : 5;
                }
                return w + 17;
            });
        }

        // Kanji mode: a pair ending at i, 13 bits per character.
        if (i == 0 || !m_KanjiMode ||
            !IsKanjiPair(data[static_cast<std::size_t>(i - 1)], byte)) {
            cell(i, ModeKanji).Cost = Unreachable;
        } else if (i == 1) {
            cell(1, ModeKanji) = Cell{-1, kanjiHeader + 13, 1};
        } else {
            relax(i - 2, ModeKanji, [&](std::int32_t j, const Cell& p, bool& continues) {
                continues = j == ModeKanji && p.Run < wc.MaxRun[ModeKanji];
                return continues ? 13 : 13 + kanjiHeader;
            });
        }
    }

    // The cheapest cell of the last row; lowest mode on equal cost.
    std::int32_t endMode = 0;
    for (std::int32_t j = 1; j < 4; ++j) {
        if (cell(n - 1, j).Cost < cell(n - 1, endMode).Cost) {
            endMode = j;
        }
    }
    if (measureOnly) {
        bitLength = cell(n - 1, endMode).Cost + kTerminatorBits;
        return;
    }

    // Trace back: the mode of every byte (both bytes of a Kanji pair carry mode 3).
    std::vector<std::uint8_t> modes(static_cast<std::size_t>(n), 0);
    for (std::int32_t pos = n - 1, mode = endMode; pos >= 0 && mode >= 0;) {
        modes[static_cast<std::size_t>(pos)] = static_cast<std::uint8_t>(mode);
        const std::int32_t previous = cell(pos, mode).Predecessor;
        if (mode == ModeKanji) {
            if (pos >= 1) {
                modes[static_cast<std::size_t>(pos - 1)] = ModeKanji;
            }
            pos -= 2;
        } else {
            pos -= 1;
        }
        mode = previous;
    }
    table.clear();
    table.shrink_to_fit();

    // Writing pass: one segment per run of equal modes, split at the largest count.
    BitWriter out(bits);
    for (std::int32_t s = 0; s < n;) {
        const std::int32_t mode = modes[static_cast<std::size_t>(s)];
        const std::int32_t maxBytes =
            mode == ModeKanji ? 2 * wc.MaxRun[ModeKanji] : wc.MaxRun[mode];
        std::int32_t len = 1;
        while (s + len < n && len < maxBytes && modes[static_cast<std::size_t>(s + len)] == mode) {
            ++len;
        }
        const auto at = [&](std::int32_t k) { return data[static_cast<std::size_t>(s + k)]; };

        out.Put(kModeIndicator[mode], kModeIndicatorBits);
        out.Put(mode == ModeKanji ? len / 2 : len, wc.CountBits[mode]);
        switch (mode) {
        case ModeByte:
            for (std::int32_t k = 0; k < len; ++k) {
                out.Put(at(k), 8);
            }
            break;
        case ModeNumeric: {
            std::int32_t k = 0;
            for (; k + 3 <= len; k += 3) {
                out.Put(100 * (at(k) & 0x0F) + 10 * (at(k + 1) & 0x0F) + (at(k + 2) & 0x0F), 10);
            }
            if (len - k == 2) {
                out.Put(10 * (at(k) & 0x0F) + (at(k + 1) & 0x0F), 7);
            } else if (len - k == 1) {
                out.Put(at(k) & 0x0F, 4);
            }
            break;
        }
        case ModeAlphanumeric: {
            std::int32_t k = 0;
            for (; k + 2 <= len; k += 2) {
                out.Put(45 * GetAlphanumericValue(at(k)) + GetAlphanumericValue(at(k + 1)), 11);
            }
            if (k < len) {
                out.Put(GetAlphanumericValue(at(k)), 6);
            }
            break;
        }
        default: // Kanji: the Shift JIS compaction of clause 7.4.6
            for (std::int32_t k = 0; k + 1 < len; k += 2) {
                const std::int32_t lead = at(k);
                const std::int32_t base = lead <= 0x9F ? 0x81 : 0xC1;
                out.Put((lead - base) * 0xC0 + (at(k + 1) - 0x40), 13);
            }
            break;
        }
        s += len;
    }
    out.Put(0, kTerminatorBits);
    bitLength = out.Position();
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
            std::uint8_t value = 1;
            if (i == 7 || j == 7) {
                value = 2;
            } else if (((i == 1 || i == 5) && j >= 1 && j <= 5) ||
                       ((j == 1 || j == 5) && i >= 1 && i <= 5)) {
                value = 2;
            }
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
                    const bool dark = dx == -2 || dx == 2 || dy == -2 || dy == 2 ||
                                      (dx == 0 && dy == 0);
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
    std::int32_t k = 0;
    const auto visit = [&](std::int32_t x, std::int32_t y) {
        if (k < bitCount && pattern[static_cast<std::size_t>(y * stride + x)] == 0) {
            data[static_cast<std::size_t>(y * side + x)] = sequence[static_cast<std::size_t>(k++)];
        }
    };
    // Two-column zig-zag from the bottom-right corner, skipping the vertical timing column 6.
    for (std::int32_t right = side; right >= 5 && k < bitCount;) {
        std::int32_t c = right - 2;
        if (c < 6) {
            --c;
        }
        for (std::int32_t y = side - 1; y >= 0; --y) {
            visit(c + 1, y);
            visit(c, y);
        }
        right -= 4;
        c = right;
        if (c < 6) {
            --c;
        }
        for (std::int32_t y = 0; y < side; ++y) {
            visit(c + 1, y);
            visit(c, y);
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
    for (std::int32_t i = 0; i < size; ++i) {
        std::uint8_t* row = matrix.data() + static_cast<std::size_t>(i) * size;
        std::int32_t product = 0; // i * j, kept as a running sum
        for (std::int32_t j = 0; j < size; ++j, product += i) {
            bool invert = false;
            switch (mask) {
            case 0:
                invert = (i + j) % 2 == 0;
                break;
            case 1:
                invert = i % 2 == 0;
                break;
            case 2:
                invert = j % 3 == 0;
                break;
            case 3:
                invert = (i + j) % 3 == 0;
                break;
            case 4:
                invert = (i / 2 + j / 3) % 2 == 0;
                break;
            case 5:
                invert = product % 2 + product % 3 == 0;
                break;
            case 6:
                invert = (product % 2 + product % 3) % 2 == 0;
                break;
            default:
                invert = ((i + j) % 2 + product % 3) % 2 == 0;
                break;
            }
            row[j] ^= static_cast<std::uint8_t>(invert);
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
                                                         std::int32_t length,
                                                         std::int32_t version, std::int32_t level,
                                                         std::int32_t mask) {
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

    // Version choice: the character-count widths change only at versions 10 and 27, so one
    // measurement per width class serves all its versions.
    if (version == 0 || version > MaxVersion) {
        static constexpr std::int32_t kClasses[3][2] = {{1, 9}, {10, 26}, {27, 40}};
        version = 0;
        for (const auto& range : kClasses) {
            std::int32_t measured = 0;
            BuildBitStream(stream, bytes, length, range[0], true, measured);
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

    std::int32_t d = 0;
    BuildBitStream(stream, bytes, length, version, false, d);
    const std::int32_t total = GetTotalCodewords(version);
    const std::int32_t nb = BlockCount(level, version);
    const std::int32_t ec = EccPerBlock(level, version);
    const std::int32_t dc = total - nb * ec;
    if (d - kTerminatorBits > 8 * dc) {
        return std::nullopt;
    }
    const std::int32_t longLength = (dc + nb - 1) / nb;
    const std::int32_t shortBlocks = dc % nb > 0 ? nb - dc % nb : 0;

    // Fill to capacity: zero bits to the codeword boundary, then the pad codewords.
    if (d < 8 * dc) {
        std::int32_t p = d;
        for (; p % 8 != 0; ++p) {
            stream[static_cast<std::size_t>(p)] = 0;
        }
        for (std::int32_t pad = 0; p < 8 * dc; pad ^= 1) {
            for (std::int32_t k = 7; k >= 0; --k) {
                stream[static_cast<std::size_t>(p++)] = (kPadCodewords[pad] >> k) & 1;
            }
        }
    }

    // Blocks, Reed-Solomon and interleaving (clause 7.6): data codewords column by column across
    // the blocks (the last column only from the long blocks), then the check codewords likewise.
    std::vector<std::uint8_t> sequence(BitBufferLength, 0);
    if (!m_ReedSolomon) {
        m_ReedSolomon = std::make_unique<clsReedSolomon>();
    }
    m_ReedSolomon->Init(longLength, ec, m_FiniteField, 0, 0);
    const auto putCodeword = [&sequence](std::int32_t position, std::int32_t value) {
        for (std::int32_t k = 0; k < 8; ++k) {
            sequence[static_cast<std::size_t>(8 * position + k)] =
                static_cast<std::uint8_t>((value >> (7 - k)) & 1);
        }
    };
    std::array<std::int32_t, BlockArrayLength> block{};
    std::int32_t next = 0; // next data codeword of the stream
    for (std::int32_t b = 0; b < nb; ++b) {
        const std::int32_t blockLength = b < shortBlocks ? longLength - 1 : longLength;
        block[static_cast<std::size_t>(longLength + ec - 1)] = 0;
        for (std::int32_t i = 0; i < blockLength; ++i, ++next) {
            std::int32_t value = 0;
            for (std::int32_t k = 0; k < 8; ++k) {
                value = (value << 1) | stream[static_cast<std::size_t>(8 * next + k)];
            }
            const std::int32_t position =
                i < longLength - 1 ? i * nb + b : (longLength - 1) * nb + (b - shortBlocks);
            putCodeword(position, value);
            block[static_cast<std::size_t>(blockLength + ec - 1 - i)] = value;
        }
        m_ReedSolomon->ComputeEcc(block);
        for (std::int32_t k = 0; k < ec; ++k) {
            putCodeword(dc + k * nb + b, block[static_cast<std::size_t>(ec - 1 - k)]);
        }
    }
    stream.clear();
    stream.shrink_to_fit();

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
    symbol.Mask = ApplyMask(dataMatrix, side, mask);
    for (std::int32_t y = 0; y < side; ++y) {
        std::uint8_t* row = symbol.Modules.data() + static_cast<std::size_t>(y) * stride;
        const std::uint8_t* dataRow = dataMatrix.data() + static_cast<std::size_t>(y) * side;
        for (std::int32_t x = 0; x < side; ++x) {
            row[x] = (row[x] != 0 ? row[x] : dataRow[x]) & 1;
        }
    }
    WriteVersionInformation(symbol.Modules, version);
    WriteFormatInformation(symbol.Modules, version, level, symbol.Mask);
    return symbol;
}

} // namespace ostrel
