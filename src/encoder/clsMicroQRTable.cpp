#include "clsMicroQRTable.h"

#include "clsFormatInformation.h"

#include <cstddef>

namespace ostrel {

namespace {

// Codewords of M1..M4 (ISO/IEC 18004, error-correction characteristics of Micro QR): all
// codewords, and the error-correction codewords per level L, M, Q (0: level not offered). M1's two
// codewords detect errors only and are listed under L.
constexpr std::int32_t kTotalCodewords[4] = {5, 10, 17, 24};
constexpr std::int32_t kEccCodewords[4][3] = {
    {2, 0, 0},
    {5, 6, 0},
    {6, 8, 0},
    {8, 10, 14},
};

// Character-count widths per version (rows M1..M4) and mode (byte, numeric, alphanumeric,
// Kanji); 0 where the version does not allow the mode.
constexpr std::int32_t kCountBits[4][4] = {
    {0, 3, 0, 0},
    {0, 4, 3, 0},
    {4, 5, 4, 3},
    {5, 6, 5, 4},
};

// Mode indicators: numeric 0, alphanumeric 1, byte 2, Kanji 3, in 0 to 3 bits (by mode number:
// byte, numeric, alphanumeric, Kanji).
constexpr std::uint32_t kIndicator[4] = {2, 0, 1, 3};

// The first symbol number of each version; its levels follow in order L, M, Q.
constexpr std::int32_t kFirstSymbolNumber[4] = {0, 1, 3, 5};

// BCH(15,5) generator of the format information, x^10 + x^8 + x^5 + x^4 + x^2 + x + 1, as for QR.
constexpr std::int32_t kFormatGenerator = 0x537;
constexpr std::int32_t kFormatCheckBits = 10;

bool ValidVersion(std::int32_t version) {
    return version >= clsMicroQRTable::MinVersion && version <= clsMicroQRTable::MaxVersion;
}

} // namespace

std::int32_t clsMicroQRTable::Side(std::int32_t version) {
    return ValidVersion(version) ? 2 * version + 9 : 0;
}

bool clsMicroQRTable::HasLevel(std::int32_t version, std::int32_t level) {
    return ValidVersion(version) && level >= 1 && level <= 3 &&
           kEccCodewords[version - 1][level - 1] > 0;
}

std::int32_t clsMicroQRTable::TotalCodewords(std::int32_t version) {
    return ValidVersion(version) ? kTotalCodewords[version - 1] : 0;
}

std::int32_t clsMicroQRTable::EccCodewords(std::int32_t version, std::int32_t level) {
    return HasLevel(version, level) ? kEccCodewords[version - 1][level - 1] : 0;
}

std::int32_t clsMicroQRTable::DataCodewords(std::int32_t version, std::int32_t level) {
    return HasLevel(version, level) ? TotalCodewords(version) - EccCodewords(version, level) : 0;
}

bool clsMicroQRTable::HasHalfCodeword(std::int32_t version) {
    return version == 1 || version == 3;
}

std::int32_t clsMicroQRTable::DataBits(std::int32_t version, std::int32_t level) {
    const std::int32_t codewords = DataCodewords(version, level);
    if (codewords == 0) {
        return 0;
    }
    return 8 * codewords - (HasHalfCodeword(version) ? 4 : 0);
}

std::int32_t clsMicroQRTable::IndicatorBits(std::int32_t version) {
    return ValidVersion(version) ? version - 1 : 0;
}

std::uint32_t clsMicroQRTable::Indicator(std::int32_t mode) {
    return mode >= 0 && mode < 4 ? kIndicator[mode] : 0;
}

std::int32_t clsMicroQRTable::CountBits(std::int32_t version, std::int32_t mode) {
    if (!ValidVersion(version) || mode < 0 || mode >= 4) {
        return 0;
    }
    return kCountBits[version - 1][mode];
}

std::int32_t clsMicroQRTable::TerminatorBits(std::int32_t version) {
    return ValidVersion(version) ? 2 * version + 1 : 0;
}

std::int32_t clsMicroQRTable::SymbolNumber(std::int32_t version, std::int32_t level) {
    return HasLevel(version, level) ? kFirstSymbolNumber[version - 1] + level - 1 : -1;
}

std::uint32_t clsMicroQRTable::FormatWord(std::int32_t symbolNumber, std::int32_t mask) {
    if (symbolNumber < 0 || symbolNumber > 7 || mask < 0 || mask >= MaskCount) {
        return 0;
    }
    // The 32 words of the five data bits, made once by the compiler.
    static constexpr std::array<std::uint32_t, 32> kWords = [] {
        std::array<std::uint32_t, 32> words{};
        for (std::int32_t data = 0; data < 32; ++data) {
            const std::int32_t check = clsFormatInformation::BchRemainder(
                data, kFormatGenerator, 1 << kFormatCheckBits, kFormatCheckBits);
            words[static_cast<std::size_t>(data)] =
                static_cast<std::uint32_t>((data << kFormatCheckBits) | check) ^ FormatXorMask;
        }
        return words;
    }();
    return kWords[static_cast<std::size_t>(symbolNumber * 4 + mask)];
}

} // namespace ostrel
