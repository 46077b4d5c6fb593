#include "clsSymbology.h"

#include "clsDataMask.h"
#include "clsMicroQRCode.h"
#include "clsMicroQRTable.h"
#include "clsQRCapacity.h"
#include "clsQRLayout.h"
#include "clsRMQRCode.h"
#include "clsRMQRTable.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace ostrel {

namespace {

// The quiet zone of QR Code (ISO/IEC 18004: four modules on every side).
constexpr std::int32_t kQRQuietZone = 4;
constexpr std::int32_t kBitsPerByte = 8;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// A whole decimal number filling text; nullopt for anything else.
std::optional<std::int32_t> Number(std::string_view text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

const std::array<clsSymbology, 3> clsSymbology::s_All = {
    clsSymbology(Symbology::QR, "qr", "QR Code", 3),
    clsSymbology(Symbology::Micro, "micro", "Micro QR", 1),
    clsSymbology(Symbology::RMQR, "rmqr", "rMQR", 2),
};

const clsSymbology& clsSymbology::Of(Symbology kind) {
    return s_All[static_cast<std::size_t>(kind)];
}

std::span<const clsSymbology> clsSymbology::All() {
    return s_All;
}

const clsSymbology* clsSymbology::Named(std::string_view name) {
    const std::string lower = Lower(name);
    for (const clsSymbology& symbology : s_All) {
        if (symbology.Name() == lower) {
            return &symbology;
        }
    }
    return nullptr;
}

std::int32_t clsSymbology::LargestMaskCount() {
    std::int32_t largest = 0;
    for (const clsSymbology& symbology : s_All) {
        largest = std::max(largest, symbology.MaskCount());
    }
    return largest;
}

std::string_view clsSymbology::LevelName(std::int32_t level) {
    static constexpr std::string_view Names[] = {"L", "M", "Q", "H"};
    return level >= 1 && level <= LevelCount ? Names[level - 1] : "?";
}

std::string clsSymbology::JoinNames(const std::vector<std::string>& names, std::string_view last) {
    std::string joined;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k > 0) {
            joined += k + 1 == names.size() ? std::string(last) : std::string(", ");
        }
        joined += names[k];
    }
    return joined;
}

// ---- Versions ----

std::int32_t clsSymbology::VersionCount() const {
    switch (m_Kind) {
    case Symbology::Micro:
        return clsMicroQRTable::MaxVersion;
    case Symbology::RMQR:
        return clsRMQRTable::SizeCount;
    case Symbology::QR:
        break;
    }
    return clsQRLayout::MaxVersion;
}

std::string clsSymbology::VersionName(std::int32_t version) const {
    if (!HasVersion(version)) {
        return {};
    }
    switch (m_Kind) {
    case Symbology::Micro: {
        // Appends: GCC 12 at -O2 and above takes "M" + std::string for overlapping copies.
        std::string name = "M";
        name += std::to_string(version);
        return name;
    }
    case Symbology::RMQR: {
        std::string name = "R";
        name += std::to_string(Height(version));
        name += 'x';
        name += std::to_string(Width(version));
        return name;
    }
    case Symbology::QR:
        break;
    }
    return std::to_string(version);
}

std::optional<std::int32_t> clsSymbology::ParseVersion(std::string_view text) const {
    const std::string lower = Lower(text);
    if (lower == "auto") {
        return AutomaticVersion;
    }
    if (m_Kind == Symbology::QR) {
        const auto number = Number(lower);
        if (number && (*number == AutomaticVersion || HasVersion(*number))) {
            return number;
        }
        return std::nullopt;
    }
    for (std::int32_t version = 1; version <= VersionCount(); ++version) {
        if (Lower(VersionName(version)) == lower) {
            return version;
        }
    }
    return std::nullopt;
}

std::string clsSymbology::VersionList() const {
    std::string list = VersionName(1) + ".." + VersionName(VersionCount());
    if (m_Kind != Symbology::RMQR) {
        return list;
    }
    // Heights with the same widths share one entry: "R7, R9: x43, x59, x77, x99, x139".
    std::vector<std::pair<std::string, std::string>> groups;
    for (const std::int32_t height : Heights()) {
        std::string widths;
        for (std::int32_t version = 1; version <= VersionCount(); ++version) {
            if (Height(version) == height) {
                widths += (widths.empty() ? "x" : ", x") + std::to_string(Width(version));
            }
        }
        if (!groups.empty() && groups.back().second == widths) {
            groups.back().first += ", R" + std::to_string(height);
        } else {
            std::string group = "R";
            group += std::to_string(height);
            groups.emplace_back(std::move(group), widths);
        }
    }
    list += " (";
    for (std::size_t k = 0; k < groups.size(); ++k) {
        list += (k > 0 ? "; " : "") + groups[k].first + ": " + groups[k].second;
    }
    return list + ")";
}

std::int32_t clsSymbology::Width(std::int32_t version) const {
    if (!HasVersion(version)) {
        return 0;
    }
    switch (m_Kind) {
    case Symbology::Micro:
        return clsMicroQRTable::Side(version);
    case Symbology::RMQR:
        return clsRMQRTable::Width(version - 1);
    case Symbology::QR:
        break;
    }
    return clsQRLayout::SymbolSize(version);
}

std::int32_t clsSymbology::Height(std::int32_t version) const {
    return m_Kind == Symbology::RMQR && HasVersion(version) ? clsRMQRTable::Height(version - 1)
                                                            : Width(version);
}

// ---- Levels ----

bool clsSymbology::OffersLevel(std::int32_t version, std::int32_t level) const {
    if (version == AutomaticVersion) {
        for (std::int32_t v = 1; v <= VersionCount(); ++v) {
            if (OffersLevel(v, level)) {
                return true;
            }
        }
        return false;
    }
    if (!HasVersion(version)) {
        return false;
    }
    switch (m_Kind) {
    case Symbology::Micro:
        return clsMicroQRTable::HasLevel(version, level);
    case Symbology::RMQR:
        return clsRMQRTable::HasLevel(level);
    case Symbology::QR:
        break;
    }
    return level >= 1 && level <= clsQRCapacity::LevelCount;
}

std::vector<std::int32_t> clsSymbology::Levels(std::int32_t version) const {
    std::vector<std::int32_t> levels;
    for (std::int32_t level = 1; level <= LevelCount; ++level) {
        if (OffersLevel(version, level)) {
            levels.push_back(level);
        }
    }
    return levels;
}

std::string clsSymbology::LevelList(std::int32_t version) const {
    std::vector<std::string> names;
    for (const std::int32_t level : Levels(version)) {
        names.emplace_back(LevelName(level));
    }
    return JoinNames(names);
}

bool clsSymbology::DetectsErrorsOnly(std::int32_t version) const {
    // Two check codewords correct nothing: they can only tell that something is wrong.
    return m_Kind == Symbology::Micro && HasVersion(version) &&
           clsMicroQRTable::EccCodewords(version, Levels(version).front()) <= 2;
}

// ---- Masks ----

std::int32_t clsSymbology::MaskCount() const {
    switch (m_Kind) {
    case Symbology::Micro:
        return clsMicroQRTable::MaskCount;
    case Symbology::RMQR:
        return 0; // one fixed pattern
    case Symbology::QR:
        break;
    }
    return clsDataMask::MaskCount;
}

clsSymbology::MaskRule clsSymbology::AutomaticMask() const {
    switch (m_Kind) {
    case Symbology::Micro:
        return MaskRule::EdgeEvaluation;
    case Symbology::RMQR:
        return MaskRule::FixedPattern;
    case Symbology::QR:
        break;
    }
    return MaskRule::Penalty;
}

// ---- Layout and features ----

std::int32_t clsSymbology::QuietZone() const {
    switch (m_Kind) {
    case Symbology::Micro:
        return clsMicroQRTable::QuietZone;
    case Symbology::RMQR:
        return clsRMQRTable::QuietZone;
    case Symbology::QR:
        break;
    }
    return kQRQuietZone;
}

bool clsSymbology::Takes(Feature feature) const {
    switch (feature) {
    case Feature::Eci:
        // Micro QR has no ECI mode indicator; rMQR has 111.
        return m_Kind != Symbology::Micro;
    case Feature::StructuredAppend:
    case Feature::Hanzi:
        // Neither small symbology has the mode indicators of these.
        return m_Kind == Symbology::QR;
    case Feature::Kanji:
        return true;
    case Feature::Fnc1:
        // QR Code and rMQR have both FNC1 modes; Micro QR has none.
        return m_Kind != Symbology::Micro;
    case Feature::Height:
        return m_Kind == Symbology::RMQR;
    }
    return false;
}

std::vector<std::int32_t> clsSymbology::Heights() const {
    std::vector<std::int32_t> heights;
    for (std::int32_t version = 1; Takes(Feature::Height) && version <= VersionCount(); ++version) {
        if (std::find(heights.begin(), heights.end(), Height(version)) == heights.end()) {
            heights.push_back(Height(version));
        }
    }
    return heights;
}

std::string clsSymbology::NamesTaking(Feature feature) {
    std::vector<std::string> names;
    for (const clsSymbology& symbology : s_All) {
        if (symbology.Takes(feature)) {
            names.emplace_back(symbology.Name());
        }
    }
    return JoinNames(names);
}

// ---- Capacity ----

clsModeTable clsSymbology::ModeTable(std::int32_t version, bool kanji, bool hanzi) const {
    switch (m_Kind) {
    case Symbology::Micro:
        return clsMicroQRCode::ModeTable(version, kanji);
    case Symbology::RMQR:
        return clsRMQRCode::ModeTable(version - 1, kanji);
    case Symbology::QR:
        break;
    }
    return clsModeTable::QRModel2(version, kanji, hanzi);
}

std::int32_t clsSymbology::DataBits(std::int32_t version, std::int32_t level) const {
    if (!OffersLevel(version, level)) {
        return 0;
    }
    switch (m_Kind) {
    case Symbology::Micro:
        return clsMicroQRTable::DataBits(version, level);
    case Symbology::RMQR:
        return kBitsPerByte * clsRMQRTable::DataCodewords(version - 1, level);
    case Symbology::QR:
        break;
    }
    return kBitsPerByte * clsQRCapacity::DataCodewords(level, version);
}

std::int32_t clsSymbology::ByteCapacity(std::int32_t version, std::int32_t level,
                                        std::int32_t prefixBits) const {
    if (!OffersLevel(version, level)) {
        return 0;
    }
    const clsModeTable table = ModeTable(version, false, false);
    if (!table.Allowed(clsModeTable::Byte)) {
        return 0;
    }
    const std::int32_t room =
        DataBits(version, level) - prefixBits - table.HeaderBits(clsModeTable::Byte);
    return std::clamp(room / clsModeTable::ByteBits, 0, table.MaxCount(clsModeTable::Byte));
}

} // namespace ostrel
