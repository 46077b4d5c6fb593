#include "clsModeTable.h"

#include <algorithm>

namespace ostrel {

namespace {

// Mode indicators of QR Code Model 2 (Table 2), by mode number.
constexpr std::array<std::uint32_t, clsModeTable::ModeCount> kQRIndicator = {0b0100, 0b0001, 0b0010,
                                                                             0b1000};

// Count-indicator widths of QR Code Model 2 (Table 3), by count class and mode number.
constexpr std::int32_t kQRCountBits[clsModeTable::QRCountClassCount][clsModeTable::ModeCount] = {
    {8, 10, 9, 8},    // versions 1 to 9
    {16, 12, 11, 10}, // versions 10 to 26
    {16, 14, 13, 12}, // versions 27 to 40
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

clsModeTable clsModeTable::QRModel2(std::int32_t version, bool kanji) {
    const auto& counts = kQRCountBits[QRCountClass(version)];
    return clsModeTable({true, true, true, kanji}, QRIndicatorBits, kQRIndicator,
                        {counts[0], counts[1], counts[2], counts[3]}, QRTerminatorBits);
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

} // namespace ostrel
