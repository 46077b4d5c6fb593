#include "clsModeTable.h"

#include <algorithm>
#include <vector>

namespace ostrel {

namespace {

// Mode indicators of QR Code Model 2 (Table 2), by mode number.
constexpr std::array<std::uint32_t, clsModeTable::ModeCount> kQRIndicator = {0b0100, 0b0001, 0b0010,
                                                                             0b1000, 0b1101};

// Count-indicator widths of QR Code Model 2 (Table 3), by count class and mode number.
constexpr std::int32_t kQRCountBits[clsModeTable::QRCountClassCount][clsModeTable::ModeCount] = {
    {8, 10, 9, 8, 8},     // versions 1 to 9
    {16, 12, 11, 10, 10}, // versions 10 to 26
    {16, 14, 13, 12, 12}, // versions 27 to 40
};

// The longest count indicator of any symbol type (byte mode of QR versions 10 and above).
constexpr std::int32_t kLongestCount = 16;

// Kanji compaction (clause 7.4.6): the lead byte less 0x81 (0x81..0x9F) or 0xC1 (0xE0..0xEB),
// times 0xC0, plus the trail byte less 0x40.
constexpr std::uint8_t kKanjiLowLeadBase = 0x81;
constexpr std::uint8_t kKanjiLowLeadLast = 0x9F;
constexpr std::uint8_t kKanjiHighLeadBase = 0xC1;
constexpr std::uint8_t kKanjiTrailBase = 0x40;
constexpr std::uint32_t kKanjiLeadStride = 0xC0;

} // namespace

std::int32_t clsModeTable::QRCountClass(std::int32_t version) {
    if (version < QRClassFirstVersion[1]) {
        return 0;
    }
    return version < QRClassFirstVersion[2] ? 1 : 2;
}

clsModeTable clsModeTable::QRModel2(std::int32_t version, bool kanji, bool hanzi) {
    // The twelve tables (count class, Kanji, Hanzi) made once per process, then copied.
    static const std::vector<clsModeTable> tables = [] {
        std::vector<clsModeTable> made;
        for (std::int32_t c = 0; c < QRCountClassCount; ++c) {
            for (const bool k : {false, true}) {
                for (const bool h : {false, true}) {
                    const auto& counts = kQRCountBits[static_cast<std::size_t>(c)];
                    made.emplace_back(std::array<bool, ModeCount>{true, true, true, k && !h, h},
                                      QRIndicatorBits, kQRIndicator,
                                      std::array<std::int32_t, ModeCount>{
                                          counts[0], counts[1], counts[2], counts[3], counts[4]},
                                      QRTerminatorBits);
                }
            }
        }
        return made;
    }();
    return tables[static_cast<std::size_t>(4 * QRCountClass(version) + (kanji ? 2 : 0) +
                                           (hanzi ? 1 : 0))];
}

clsModeTable::clsModeTable(std::array<bool, ModeCount> allowed, std::int32_t indicatorBits,
                           std::array<std::uint32_t, ModeCount> indicator,
                           std::array<std::int32_t, ModeCount> countBits,
                           std::int32_t terminatorBits)
    : m_Allowed(allowed), m_IndicatorBits(indicatorBits), m_Indicator(indicator),
      m_CountBits(countBits), m_TerminatorBits(terminatorBits) {
    for (std::size_t m = 0; m < m_CountBits.size(); ++m) {
        m_CountBits[m] = std::clamp(m_CountBits[m], 0, kLongestCount);
        m_MaxCount[m] = (1 << m_CountBits[m]) - 1;
    }
}

std::uint32_t clsModeTable::KanjiValue(std::uint8_t lead, std::uint8_t trail) {
    const std::uint8_t base = lead <= kKanjiLowLeadLast ? kKanjiLowLeadBase : kKanjiHighLeadBase;
    return static_cast<std::uint32_t>(lead - base) * kKanjiLeadStride +
           static_cast<std::uint32_t>(trail - kKanjiTrailBase);
}

std::uint32_t clsModeTable::HanziValue(std::uint8_t lead, std::uint8_t trail) {
    // GB/T 18284: the rows of the symbols (A1..AA) and of the Hanzi (B0..FA) close up, 0x60
    // values a row.
    constexpr std::uint8_t kHanziTrailBase = 0xA1;
    constexpr std::uint8_t kHanziLowLeadLast = 0xAA;
    constexpr std::uint8_t kHanziLowLeadBase = 0xA1;
    constexpr std::uint8_t kHanziHighLeadBase = 0xA6;
    constexpr std::uint32_t kHanziLeadStride = 0x60;
    const std::uint8_t base = lead <= kHanziLowLeadLast ? kHanziLowLeadBase : kHanziHighLeadBase;
    return static_cast<std::uint32_t>(lead - base) * kHanziLeadStride +
           static_cast<std::uint32_t>(trail - kHanziTrailBase);
}

} // namespace ostrel
