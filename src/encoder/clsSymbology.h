#pragma once

#include "clsModeTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The three kinds of symbol: QR Code (ISO/IEC 18004), Micro QR (ISO/IEC 18004) and rMQR
// (rectangular Micro QR, ISO/IEC 23941).
enum class Symbology { QR, Micro, RMQR };

// What one symbology offers, in one place for every caller: its versions and their names, the
// error-correction levels of each version, the masks and how the automatic one is chosen, the
// quiet zone and the features it takes. The numbers come from the encoders' own tables
// (clsQRLayout, clsQRCapacity, clsDataMask, clsMicroQRTable, clsRMQRTable); what no table holds
// (names, defaults, the features) is stated here once.
//
// Versions are numbered from 1: QR Code 1..40, Micro QR 1..4 (M1..M4), rMQR 1..32 (the size
// index + 1, R7x43..R17x139); 0 stands for the automatic choice. Levels 1 = L, 2 = M, 3 = Q,
// 4 = H. Standard library only; the three descriptors are constant.
class clsSymbology {
public:
    // How the automatic mask is chosen: the lowest penalty of the four rules (QR Code), the
    // highest score of the dark modules along the right and bottom edges (Micro QR), or not at
    // all: the symbology has one fixed pattern (rMQR).
    enum class MaskRule { Penalty, EdgeEvaluation, FixedPattern };
    // Features a symbology may take. Kanji: a Kanji mode in some version (Micro QR from M3 on);
    // Fnc1: the FNC1 modes that GS1 and AIM data start with.
    enum class Feature { Eci, StructuredAppend, Hanzi, Kanji, Fnc1, Height };

    static constexpr std::int32_t LevelCount = 4;
    static constexpr std::int32_t AutomaticVersion = 0;

    // The descriptor of a symbology; All() the three in the order of the enumeration.
    static const clsSymbology& Of(Symbology kind);
    static std::span<const clsSymbology> All();
    // The descriptor whose Name() is name, in any ASCII letter case; null for none.
    static const clsSymbology* Named(std::string_view name);
    // The most masks of any symbology (8, QR Code's).
    static std::int32_t LargestMaskCount();
    // "L", "M", "Q" or "H" for 1..4; "?" outside.
    static std::string_view LevelName(std::int32_t level);
    // Names joined as a sentence lists them: "a", "a and b", "a, b and c" (last: " or " for
    // "a, b or c").
    static std::string JoinNames(const std::vector<std::string>& names,
                                 std::string_view last = " and ");

    Symbology Kind() const { return m_Kind; }
    // The tool's word for it ("qr", "micro", "rmqr") and its title in a sentence ("QR Code",
    // "Micro QR", "rMQR").
    std::string_view Name() const { return m_Name; }
    std::string_view Title() const { return m_Title; }

    // ---- Versions ----
    std::int32_t VersionCount() const;
    bool HasVersion(std::int32_t version) const {
        return version >= 1 && version <= VersionCount();
    }
    // "5", "M2", "R13x43"; empty outside 1..VersionCount().
    std::string VersionName(std::int32_t version) const;
    // True when the version's name is its number (QR Code).
    bool VersionNameIsNumber() const { return m_Kind == Symbology::QR; }
    // The version a name stands for, in any ASCII letter case; AutomaticVersion for "auto" (and
    // for QR Code "0"); nullopt for a name of no version.
    std::optional<std::int32_t> ParseVersion(std::string_view text) const;
    // The versions as a help text names them: "1..40", "M1..M4", and for rMQR the range with
    // the widths of every height ("R7x43..R17x139 (R7, R9: x43, x59, ...)").
    std::string VersionList() const;
    // The module rows and columns of a version; 0 outside.
    std::int32_t Width(std::int32_t version) const;
    std::int32_t Height(std::int32_t version) const;

    // ---- Levels ----
    // True when the version offers the level; for AutomaticVersion, when some version does.
    bool OffersLevel(std::int32_t version, std::int32_t level) const;
    // The levels a version offers (AutomaticVersion: every version together), lowest first.
    std::vector<std::int32_t> Levels(std::int32_t version) const;
    // Those levels as names: "L, M, Q and H".
    std::string LevelList(std::int32_t version) const;
    // The level without a choice: Q for QR Code (the window's), L for Micro QR, M for rMQR.
    std::int32_t DefaultLevel() const { return m_DefaultLevel; }
    // True when the version's check codewords only detect errors (Micro QR M1).
    bool DetectsErrorsOnly(std::int32_t version) const;

    // ---- Masks ----
    // Masks 0..MaskCount()-1 to choose from; 0 when there is one fixed pattern and no choice.
    std::int32_t MaskCount() const;
    bool HasMaskChoice() const { return MaskCount() > 0; }
    MaskRule AutomaticMask() const;
    // True when no mask given means the automatic choice (Micro QR); else mask 0 (QR Code) or
    // the fixed pattern.
    bool DefaultMaskAutomatic() const { return m_Kind == Symbology::Micro; }

    // ---- Layout and features ----
    // The quiet zone every side needs, in modules: 4, 2, 2.
    std::int32_t QuietZone() const;
    bool Takes(Feature feature) const;
    // The heights that restrict the automatic size (rMQR: 7, 9, ..., 17); none for the others.
    std::vector<std::int32_t> Heights() const;
    // The names of the symbologies that take a feature: "qr and rmqr".
    static std::string NamesTaking(Feature feature);

    // ---- Capacity ----
    // The mode table of a version (Kanji mode as asked; Hanzi for QR Code only).
    clsModeTable ModeTable(std::int32_t version, bool kanji, bool hanzi) const;
    // The data bits a version holds at a level; 0 when it does not offer the level.
    std::int32_t DataBits(std::int32_t version, std::int32_t level) const;
    // The most bytes one byte-mode segment can carry in the version at the level, after
    // prefixBits of headers (ECI, structured append); 0 when the version has no byte mode or
    // does not offer the level.
    std::int32_t ByteCapacity(std::int32_t version, std::int32_t level,
                              std::int32_t prefixBits = 0) const;

private:
    constexpr clsSymbology(Symbology kind, std::string_view name, std::string_view title,
                           std::int32_t defaultLevel)
        : m_Kind(kind), m_Name(name), m_Title(title), m_DefaultLevel(defaultLevel) {}

    Symbology m_Kind;
    std::string_view m_Name;
    std::string_view m_Title;
    std::int32_t m_DefaultLevel;

    static const std::array<clsSymbology, 3> s_All;
};

} // namespace ostrel
