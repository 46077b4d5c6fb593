#include "clsStructuredAppend.h"

#include <algorithm>

namespace ostrel {

namespace {

// The terminator that BuildBitStream counts: a symbol filled to its last bit needs none
// (ISO/IEC 18004 clause 7.4.9), so it does not count when a part is measured against a symbol.
constexpr std::int32_t kTerminatorBits = 4;

const char* LevelLetter(std::int32_t level) {
    static constexpr const char* kLetters[] = {"L", "M", "Q", "H"};
    return kLetters[level - 1];
}

// The parts of one split, measured against symbols of one version and level.
class Splitter {
public:
    Splitter(const clsQRCode& encoder, std::span<const std::uint8_t> data,
             std::vector<std::int32_t> cuts, std::int32_t version, std::int32_t level)
        : m_Encoder(encoder), m_Data(data), m_Cuts(std::move(cuts)), m_Version(version),
          m_CapacityBits(8 * encoder.GetDataCodewords(level, version)),
          // An encoder with a header set counts it in its own measurement.
          m_HeaderBits(encoder.StructuredAppend() ? 0 : clsStructuredAppend::HeaderBits),
          // A digit takes at least 10/3 bits: no part of a version is longer than this.
          m_MaxPartBytes(3 * (m_CapacityBits - clsStructuredAppend::HeaderBits) / 10 + 1) {}

    std::int32_t Cuts() const { return static_cast<std::int32_t>(m_Cuts.size()); }
    std::int32_t Cut(std::int32_t index) const { return m_Cuts[static_cast<std::size_t>(index)]; }
    std::int32_t Bytes() const { return static_cast<std::int32_t>(m_Data.size()); }

    // Whether the characters between cut positions from and to fit in one symbol with the
    // header.
    bool Fits(std::int32_t from, std::int32_t to) const {
        std::int32_t bits = 0;
        m_Encoder.BuildBitStream({}, m_Data.subspan(static_cast<std::size_t>(Cut(from))),
                                 Cut(to) - Cut(from), m_Version, true, bits);
        return m_HeaderBits + bits - kTerminatorBits <= m_CapacityBits;
    }

    // The last cut position that a part starting at cut position from may end at, the part no
    // longer than maxBytes; from itself when not even one character fits. Fitting only gets
    // harder as a part grows (a longer part never has a cheaper segmentation), so a binary
    // search finds it.
    std::int32_t Reach(std::int32_t from, std::int32_t maxBytes) const {
        const std::int32_t limit = Cut(from) + std::min(maxBytes, m_MaxPartBytes);
        std::int32_t high =
            static_cast<std::int32_t>(std::upper_bound(m_Cuts.begin(), m_Cuts.end(), limit) -
                                      m_Cuts.begin()) -
            1;
        std::int32_t low = from;
        while (low < high) {
            const std::int32_t middle = low + (high - low + 1) / 2;
            if (Fits(from, middle)) {
                low = middle;
            } else {
                high = middle - 1;
            }
        }
        return low;
    }

    // The parts of the greedy split (each part as long as maxBytes and the symbol allow), as
    // cut indices from 0 to the end; empty when some character fits in no symbol or more than
    // limit parts would be needed. For empty data one empty part.
    std::vector<std::int32_t> Greedy(std::int32_t maxBytes, std::int32_t limit) const {
        std::vector<std::int32_t> ends{0};
        if (Cuts() == 1) {
            ends.push_back(0);
            return Fits(0, 0) ? ends : std::vector<std::int32_t>{};
        }
        while (ends.back() < Cuts() - 1) {
            const std::int32_t next = Reach(ends.back(), maxBytes);
            if (next == ends.back() || std::ssize(ends) > limit) {
                return {};
            }
            ends.push_back(next);
        }
        return ends;
    }

private:
    const clsQRCode& m_Encoder;
    std::span<const std::uint8_t> m_Data;
    std::vector<std::int32_t> m_Cuts;
    std::int32_t m_Version;
    std::int32_t m_CapacityBits;
    std::int32_t m_HeaderBits;
    std::int32_t m_MaxPartBytes;
};

// The part ends of the split into count parts whose longest part is the shortest: the fewest
// parts' ends (fewest) first, then bisection on the greedy split's length limit.
std::vector<std::int32_t> Balanced(const Splitter& splitter, std::vector<std::int32_t> fewest,
                                   std::int32_t count) {
    std::int32_t low = (splitter.Bytes() + count - 1) / count;
    std::int32_t high = splitter.Bytes();
    std::vector<std::int32_t> best = std::move(fewest);
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        std::vector<std::int32_t> ends = splitter.Greedy(middle, count);
        if (ends.empty()) {
            low = middle + 1;
        } else {
            best = std::move(ends);
            high = middle;
        }
    }
    // Fewer parts than asked for: the longest part (in characters) is halved, which keeps
    // both halves within their symbols, until the count is reached.
    while (std::ssize(best) - 1 < count) {
        std::size_t widest = 1;
        for (std::size_t k = 1; k < best.size(); ++k) {
            if (best[k] - best[k - 1] > best[widest] - best[widest - 1]) {
                widest = k;
            }
        }
        best.insert(best.begin() + static_cast<std::ptrdiff_t>(widest),
                    best[widest - 1] + (best[widest] - best[widest - 1]) / 2);
    }
    return best;
}

// Length in bytes of the character that starts with lead (1 for a byte that cannot start one,
// which is then a character of its own).
std::int32_t CharacterBytes(std::uint8_t lead, clsStructuredAppend::Characters characters) {
    using Characters = clsStructuredAppend::Characters;
    switch (characters) {
    case Characters::Bytes:
        return 1;
    case Characters::Utf8:
        return lead >= 0xF0 && lead <= 0xF4   ? 4
               : lead >= 0xE0 && lead <= 0xEF ? 3
               : lead >= 0xC2 && lead <= 0xDF ? 2
                                              : 1;
    case Characters::ShiftJis:
        return (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? 2 : 1;
    case Characters::DoubleByte:
        return lead >= 0x81 && lead <= 0xFE ? 2 : 1;
    }
    return 1;
}

} // namespace

std::uint8_t clsStructuredAppend::Parity(std::span<const std::uint8_t> data) {
    std::uint8_t parity = 0;
    for (const std::uint8_t byte : data) {
        parity ^= byte;
    }
    return parity;
}

std::vector<std::int32_t> clsStructuredAppend::CutPositions(std::span<const std::uint8_t> data,
                                                            Characters characters) {
    std::vector<std::int32_t> cuts{0};
    const auto n = static_cast<std::int32_t>(data.size());
    for (std::int32_t at = 0; at < n;) {
        std::int32_t length = CharacterBytes(data[static_cast<std::size_t>(at)], characters);
        // A sequence cut short by the end of the data, or (UTF-8) one whose continuation bytes
        // are not 10xxxxxx, is no character: its lead byte stands alone.
        if (at + length > n) {
            length = 1;
        }
        for (std::int32_t k = 1; k < length && characters == Characters::Utf8; ++k) {
            if ((data[static_cast<std::size_t>(at + k)] & 0xC0) != 0x80) {
                length = 1;
            }
        }
        at += length;
        cuts.push_back(at);
    }
    return cuts;
}

clsStructuredAppend::Plan clsStructuredAppend::Split(const clsQRCode& encoder,
                                                     std::span<const std::uint8_t> data,
                                                     std::int32_t level, std::int32_t version,
                                                     std::int32_t symbols, Characters characters) {
    if (level < 1 || level > 4) {
        level = 2;
    }
    Plan plan;
    if (symbols < 0 || symbols > MaxSymbols) {
        plan.Error = "structured append joins 1 to 16 symbols, not " + std::to_string(symbols);
        return plan;
    }
    if (version < 0 || version > clsQRCode::MaxVersion) {
        plan.Error = "there is no version " + std::to_string(version);
        return plan;
    }
    std::vector<std::int32_t> cuts = CutPositions(data, characters);
    const auto characterCount = static_cast<std::int32_t>(cuts.size()) - 1;
    if (symbols > std::max(characterCount, 1)) {
        plan.Error = "the data has ";
        plan.Error += std::to_string(characterCount);
        plan.Error += characterCount == 1 ? " character" : " characters";
        plan.Error += ", too few for " + std::to_string(symbols) + " symbols";
        return plan;
    }
    const std::int32_t limit = symbols > 0 ? symbols : MaxSymbols;
    const std::string levelText = std::string(" at level ") + LevelLetter(level);

    // The version: the one given, else the smallest at which `limit` symbols hold the data.
    std::int32_t first = version;
    std::int32_t last = version;
    if (version == 0) {
        first = 1;
        last = clsQRCode::MaxVersion;
    }
    for (std::int32_t v = first; v <= last; ++v) {
        const Splitter splitter(encoder, data, cuts, v, level);
        const std::vector<std::int32_t> fewest = splitter.Greedy(splitter.Bytes(), limit);
        if (fewest.empty()) {
            continue;
        }
        const auto count = symbols > 0 ? symbols : static_cast<std::int32_t>(fewest.size()) - 1;
        const std::vector<std::int32_t> best = Balanced(splitter, fewest, count);
        plan.Version = v;
        plan.Parity = Parity(data);
        for (std::size_t k = 1; k < best.size(); ++k) {
            plan.Parts.push_back(
                Part{splitter.Cut(best[k - 1]), splitter.Cut(best[k]) - splitter.Cut(best[k - 1])});
        }
        return plan;
    }
    const std::string what =
        symbols > 0 ? std::to_string(symbols) + " symbols" : std::string("16 symbols");
    plan.Error = "the data does not fit in " + what +
                 (version > 0 ? " of version " + std::to_string(version) : " of any version") +
                 levelText + " (" + std::to_string(data.size()) +
                 (data.size() == 1 ? " byte" : " bytes") +
                 (symbols == 0 ? "; structured append joins 16 symbols at most)" : ")");
    return plan;
}

} // namespace ostrel
