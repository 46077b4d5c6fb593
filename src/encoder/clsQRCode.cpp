#include "clsQRCode.h"

#include "clsSegmentSearch.h"
#include "clsSegmentWriter.h"

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

// The terminator of QR Code Model 2: four zero bits (clause 7.4.9).
constexpr std::int32_t kTerminatorBits = clsModeTable::QRTerminatorBits;

// Pad codewords of clause 7.4.10.
constexpr std::uint8_t kPadCodewords[2] = {0xEC, 0x11};

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
    return clsSegmentWriter::EciHeaderBits(designator);
}

// ---- Character tests ----

std::int32_t clsQRCode::GetCharClass(std::uint8_t byte) {
    return clsModeTable::CharClass(byte);
}

std::int32_t clsQRCode::GetAlphanumericValue(std::uint8_t byte) {
    return clsModeTable::AlphanumericValue(byte);
}

bool clsQRCode::IsKanjiPair(std::uint8_t lead, std::uint8_t trail) {
    return clsModeTable::IsKanjiPair(lead, trail);
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

    const clsModeTable table = clsModeTable::QRModel2(version, m_KanjiMode);
    const std::int32_t eciBits = EciHeaderBits(m_EciDesignator);
    if (measureOnly) {
        bitLength = eciBits + clsSegmentSearch::Search(data.data(), n, table, nullptr).Cost +
                    kTerminatorBits;
        return;
    }
    // The predecessors of the search, then the mode of every byte.
    std::vector<std::uint8_t> trace(2 * static_cast<std::size_t>(n));
    std::uint8_t* const preds = trace.data();
    std::uint8_t* const modes = preds + n;
    const clsSegmentSearch::End end = clsSegmentSearch::Search(data.data(), n, table, preds);
    clsSegmentSearch::TraceModes(preds, n, end.Mode, modes);
    clsBitWriter out(bits);
    clsSegmentWriter::WriteEciHeader(out, m_EciDesignator); // counted in the writer's position
    bitLength = clsSegmentWriter::WriteSegments(out, data.data(), n, table, modes);
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
    const std::int32_t eciBits = length > 0 ? EciHeaderBits(m_EciDesignator) : 0;

    // The segmentation search depends on the width class only, so the search that measured a
    // class also serves the writing pass for a version of that class. Per input byte it keeps the
    // predecessor modes, and the trace back the chosen mode.
    std::vector<std::uint8_t> trace(2 * static_cast<std::size_t>(length));
    std::uint8_t* const preds = trace.data();
    std::uint8_t* const modes = preds + length;
    std::int32_t searchedClass = -1; // count class of the search held in preds; -1 for none
    clsSegmentSearch::End end;
    const auto search = [&](std::int32_t countClass) {
        if (countClass != searchedClass) {
            const clsModeTable table = clsModeTable::QRModel2(
                clsModeTable::QRClassFirstVersion[static_cast<std::size_t>(countClass)],
                m_KanjiMode);
            end = clsSegmentSearch::Search(bytes.data(), length, table, preds);
            searchedClass = countClass;
        }
        return eciBits + end.Cost + kTerminatorBits;
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
            const std::int64_t eciBitsTimesSix = 6 * static_cast<std::int64_t>(eciBits);
            if (20 * static_cast<std::int64_t>(length) + eciBitsTimesSix > capacityTimesSix) {
                continue;
            }
            if (48 * static_cast<std::int64_t>(length) + eciBitsTimesSix > capacityTimesSix) {
                if (leastBitsTimesSix < 0) {
                    leastBitsTimesSix =
                        eciBitsTimesSix +
                        clsSegmentSearch::LeastBitsTimesSix(
                            bytes.data(), length, clsModeTable::QRModel2(range[0], m_KanjiMode));
                }
                if (leastBitsTimesSix > capacityTimesSix) {
                    continue;
                }
            }
            const std::int32_t measured =
                length == 0 ? kTerminatorBits : search(clsModeTable::QRCountClass(range[0]));
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
    if (length > 0) {
        search(clsModeTable::QRCountClass(version));
        clsSegmentSearch::TraceModes(preds, length, end.Mode, modes);
        clsCodewordWriter out(
            std::span<std::uint8_t>(codewords.data(), static_cast<std::size_t>(dc)));
        clsSegmentWriter::WriteEciHeader(out, m_EciDesignator); // counted in the writer's position
        d = clsSegmentWriter::WriteSegments(out, bytes.data(), length,
                                            clsModeTable::QRModel2(version, m_KanjiMode), modes);
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
