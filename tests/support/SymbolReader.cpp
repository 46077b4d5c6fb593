#include "SymbolReader.h"

#include <vector>

namespace ostrel::test {

namespace {

// Alignment-pattern centre coordinates of Annex E, Table E.1.
const std::vector<std::int32_t>& AlignmentCentres(std::int32_t version) {
    static const std::vector<std::vector<std::int32_t>> table = {
        {},
        {},
        {6, 18},
        {6, 22},
        {6, 26},
        {6, 30},
        {6, 34},
        {6, 22, 38},
        {6, 24, 42},
        {6, 26, 46},
        {6, 28, 50},
        {6, 30, 54},
        {6, 32, 58},
        {6, 34, 62},
        {6, 26, 46, 66},
        {6, 26, 48, 70},
        {6, 26, 50, 74},
        {6, 30, 54, 78},
        {6, 30, 56, 82},
        {6, 30, 58, 86},
        {6, 34, 62, 90},
        {6, 28, 50, 72, 94},
        {6, 26, 50, 74, 98},
        {6, 30, 54, 78, 102},
        {6, 28, 54, 80, 106},
        {6, 32, 58, 84, 110},
        {6, 30, 58, 86, 114},
        {6, 34, 62, 90, 118},
        {6, 26, 50, 74, 98, 122},
        {6, 30, 54, 78, 102, 126},
        {6, 26, 52, 78, 104, 130},
        {6, 30, 56, 82, 108, 134},
        {6, 34, 60, 86, 112, 138},
        {6, 30, 58, 86, 114, 142},
        {6, 34, 62, 90, 118, 146},
        {6, 30, 54, 78, 102, 126, 150},
        {6, 24, 50, 76, 102, 128, 154},
        {6, 28, 54, 80, 106, 132, 158},
        {6, 32, 58, 84, 110, 136, 162},
        {6, 26, 54, 82, 110, 138, 166},
        {6, 30, 58, 86, 114, 142, 170},
    };
    return table[static_cast<std::size_t>(version)];
}

} // namespace

bool IsFunctionModule(std::int32_t version, std::int32_t x, std::int32_t y) {
    const std::int32_t side = 17 + 4 * version;
    // Finder patterns with separators, and the format areas next to them.
    if ((x <= 8 && y <= 8) || (x >= side - 8 && y <= 8) || (x <= 8 && y >= side - 8)) {
        return true;
    }
    if (x == 6 || y == 6) {
        return true; // timing patterns
    }
    if (version >= 7 &&
        ((x < 6 && y >= side - 11 && y < side - 8) || (y < 6 && x >= side - 11 && x < side - 8))) {
        return true; // version information
    }
    const auto& centres = AlignmentCentres(version);
    for (std::size_t i = 0; i < centres.size(); ++i) {
        for (std::size_t j = 0; j < centres.size(); ++j) {
            const bool overlapsFinder = (i == 0 && j == 0) || (i == 0 && j + 1 == centres.size()) ||
                                        (j == 0 && i + 1 == centres.size());
            if (overlapsFinder) {
                continue;
            }
            if (x >= centres[i] - 2 && x <= centres[i] + 2 && y >= centres[j] - 2 &&
                y <= centres[j] + 2) {
                return true;
            }
        }
    }
    return false;
}

bool MaskCondition(std::int32_t mask, std::int32_t i, std::int32_t j) {
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
        return (i * j) % 2 + (i * j) % 3 == 0;
    case 6:
        return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
    default:
        return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
    }
}

std::vector<std::uint8_t> ReadCodewords(const clsQRCode::Symbol& symbol, std::int32_t mask) {
    const std::int32_t side = symbol.Side;
    std::vector<std::uint8_t> codewords;
    std::int32_t current = 0;
    std::int32_t count = 0;
    bool upward = true;
    for (std::int32_t right = side - 1; right >= 1; right -= 2) {
        if (right == 6) {
            right = 5;
        }
        for (std::int32_t step = 0; step < side; ++step) {
            const std::int32_t y = upward ? side - 1 - step : step;
            for (std::int32_t dx = 0; dx < 2; ++dx) {
                const std::int32_t x = right - dx;
                if (IsFunctionModule(symbol.Version, x, y)) {
                    continue;
                }
                const std::int32_t i = y;
                const std::int32_t j = x;
                const bool invert = MaskCondition(mask, i, j);
                current = (current << 1) | (symbol.At(x, y) ^ (invert ? 1 : 0));
                if (++count == 8) {
                    codewords.push_back(static_cast<std::uint8_t>(current));
                    current = 0;
                    count = 0;
                }
            }
        }
        upward = !upward;
    }
    return codewords;
}

std::int32_t ReadFormatBits(const clsQRCode::Symbol& symbol) {
    std::int32_t word = 0;
    const std::int32_t xs[] = {0, 1, 2, 3, 4, 5, 7, 8, 8, 8, 8, 8, 8, 8, 8};
    const std::int32_t ys[] = {8, 8, 8, 8, 8, 8, 8, 8, 7, 5, 4, 3, 2, 1, 0};
    for (int k = 0; k < 15; ++k) {
        word = (word << 1) | symbol.At(xs[k], ys[k]);
    }
    return word ^ 0x5412;
}

std::string BitString(const std::vector<std::uint8_t>& bits, std::int32_t count) {
    std::string s;
    for (std::int32_t k = 0; k < count; ++k) {
        s += bits[static_cast<std::size_t>(k)] != 0 ? '1' : '0';
    }
    return s;
}

bool ParseStream(const std::vector<std::uint8_t>& bits, std::int32_t bitLength,
                 std::int32_t version, std::vector<std::uint8_t>& out) {
    std::vector<Segment> segments;
    if (!ParseSegments(bits, bitLength, version, segments)) {
        return false;
    }
    out.clear();
    for (const auto& segment : segments) {
        out.insert(out.end(), segment.Bytes.begin(), segment.Bytes.end());
    }
    return true;
}

bool ParseSegments(const std::vector<std::uint8_t>& bits, std::int32_t bitLength,
                   std::int32_t version, std::vector<Segment>& segments) {
    std::int32_t p = 0;
    const auto read = [&](std::int32_t n, std::int32_t& value) {
        if (p + n > bitLength) {
            return false;
        }
        value = 0;
        for (std::int32_t k = 0; k < n; ++k) {
            value = (value << 1) | bits[static_cast<std::size_t>(p++)];
        }
        return true;
    };
    const int cls = version < 10 ? 0 : (version < 27 ? 1 : 2);
    const std::int32_t numericBits[] = {10, 12, 14};
    const std::int32_t alnumBits[] = {9, 11, 13};
    const std::int32_t byteBits[] = {8, 16, 16};
    const std::int32_t kanjiBits[] = {8, 10, 12};
    static const char* kAlnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    segments.clear();
    while (true) {
        std::int32_t mode = 0;
        if (!read(4, mode)) {
            return false;
        }
        if (mode != 0) {
            segments.push_back({mode, {}});
        }
        std::vector<std::uint8_t>* out = mode != 0 ? &segments.back().Bytes : nullptr;
        std::int32_t count = 0;
        switch (mode) {
        case 0: // terminator
            return p == bitLength;
        case 1:
            if (!read(numericBits[cls], count)) {
                return false;
            }
            for (; count >= 3; count -= 3) {
                std::int32_t v = 0;
                if (!read(10, v) || v > 999) {
                    return false;
                }
                out->push_back(static_cast<std::uint8_t>('0' + v / 100));
                out->push_back(static_cast<std::uint8_t>('0' + v / 10 % 10));
                out->push_back(static_cast<std::uint8_t>('0' + v % 10));
            }
            if (count > 0) {
                std::int32_t v = 0;
                if (!read(count == 2 ? 7 : 4, v) || v >= (count == 2 ? 100 : 10)) {
                    return false;
                }
                if (count == 2) {
                    out->push_back(static_cast<std::uint8_t>('0' + v / 10));
                }
                out->push_back(static_cast<std::uint8_t>('0' + v % 10));
            }
            break;
        case 2:
            if (!read(alnumBits[cls], count)) {
                return false;
            }
            for (; count >= 2; count -= 2) {
                std::int32_t v = 0;
                if (!read(11, v) || v >= 45 * 45) {
                    return false;
                }
                out->push_back(static_cast<std::uint8_t>(kAlnum[v / 45]));
                out->push_back(static_cast<std::uint8_t>(kAlnum[v % 45]));
            }
            if (count == 1) {
                std::int32_t v = 0;
                if (!read(6, v) || v >= 45) {
                    return false;
                }
                out->push_back(static_cast<std::uint8_t>(kAlnum[v]));
            }
            break;
        case 4:
            if (!read(byteBits[cls], count)) {
                return false;
            }
            for (; count > 0; --count) {
                std::int32_t v = 0;
                if (!read(8, v)) {
                    return false;
                }
                out->push_back(static_cast<std::uint8_t>(v));
            }
            break;
        case 8:
            if (!read(kanjiBits[cls], count)) {
                return false;
            }
            for (; count > 0; --count) {
                std::int32_t v = 0;
                if (!read(13, v)) {
                    return false;
                }
                std::int32_t two = ((v / 0xC0) << 8) | (v % 0xC0);
                two += two < 0x1F00 ? 0x8140 : 0xC140;
                out->push_back(static_cast<std::uint8_t>(two >> 8));
                out->push_back(static_cast<std::uint8_t>(two & 0xFF));
            }
            break;
        case 13: // Hanzi: subset 0001 (GB 2312), then 13 bits a character
            if (!read(4, count) || count != 1 || !read(kanjiBits[cls], count)) {
                return false;
            }
            for (; count > 0; --count) {
                std::int32_t v = 0;
                if (!read(13, v) || v % 0x60 > 0x5D) {
                    return false;
                }
                const std::int32_t row = v / 0x60;
                const std::int32_t two = ((row << 8) | (v % 0x60)) + (row < 0x0A ? 0xA1A1 : 0xA6A1);
                out->push_back(static_cast<std::uint8_t>(two >> 8));
                out->push_back(static_cast<std::uint8_t>(two & 0xFF));
            }
            break;
        default:
            return false;
        }
    }
}

} // namespace ostrel::test
