#include "clsSymbolEncoder.h"

#include "clsMaskPenalty.h"
#include "clsSegmentWriter.h"

#include <algorithm>

namespace ostrel {

namespace {

using Refusal = clsSymbolEncoder::Refusal;
using Feature = clsSymbology::Feature;

// The mask, level and version faults of settings (checked in that order after the version).
Refusal CheckSymbol(const clsSymbology& symbology, const clsSymbolEncoder::Settings& settings,
                    std::int32_t level) {
    if (settings.Version != clsSymbology::AutomaticVersion &&
        !symbology.HasVersion(settings.Version)) {
        return Refusal::NoSuchVersion;
    }
    if (!symbology.OffersLevel(settings.Version, level)) {
        return Refusal::LevelNotOffered;
    }
    if (settings.Mask) {
        if (!symbology.HasMaskChoice()) {
            return Refusal::NoMaskChoice;
        }
        if (*settings.Mask != clsSymbolEncoder::AutomaticMask &&
            (*settings.Mask < 0 || *settings.Mask >= symbology.MaskCount())) {
            return Refusal::NoSuchMask;
        }
    }
    return Refusal::None;
}

// The faults of the stream's settings: ECI, the double-byte modes, structured append, height.
Refusal CheckStream(const clsSymbology& symbology, const clsSymbolEncoder::Settings& settings) {
    if (settings.Eci != 0) {
        if (!symbology.Takes(Feature::Eci)) {
            return Refusal::EciNotTaken;
        }
        if (clsQRCode::EciHeaderBits(settings.Eci) == 0) {
            return Refusal::NoSuchEci;
        }
    }
    if (settings.Kanji && settings.Hanzi) {
        return Refusal::KanjiWithHanzi;
    }
    if (settings.Hanzi && !symbology.Takes(Feature::Hanzi)) {
        return Refusal::HanziNotTaken;
    }
    if (settings.Header) {
        const auto& header = *settings.Header;
        if (!symbology.Takes(Feature::StructuredAppend)) {
            return Refusal::StructuredAppendNotTaken;
        }
        if (header.Count < 1 || header.Count > clsStructuredAppend::MaxSymbols ||
            header.Index < 0 || header.Index >= header.Count) {
            return Refusal::NoSuchHeader;
        }
    }
    if (settings.Fnc1Application != -1 && !clsSymbolEncoder::IsApplication(settings)) {
        return Refusal::NoSuchApplication;
    }
    if (settings.Gs1 || settings.Fnc1Application >= 0) {
        if (!symbology.Takes(Feature::Fnc1)) {
            return Refusal::Fnc1NotTaken;
        }
        if (settings.Eci != 0 || settings.Header) {
            return Refusal::Fnc1WithHeader;
        }
    }
    if (settings.Height != 0) {
        if (!symbology.Takes(Feature::Height)) {
            return Refusal::HeightNotTaken;
        }
        const std::vector<std::int32_t> heights = symbology.Heights();
        if (settings.Version != clsSymbology::AutomaticVersion ||
            std::find(heights.begin(), heights.end(), settings.Height) == heights.end()) {
            return Refusal::NoSuchHeight;
        }
    }
    return Refusal::None;
}

} // namespace

bool clsSymbolEncoder::IsApplication(const Settings& settings) {
    const std::int32_t value = settings.Fnc1Application;
    const auto letter = [value](char first, char last) {
        return value >= first + ApplicationLetterOffset && value <= last + ApplicationLetterOffset;
    };
    return !settings.Gs1 && ((value >= 0 && value <= 99) || letter('A', 'Z') || letter('a', 'z'));
}

clsSymbolEncoder::Outcome clsSymbolEncoder::Check(const Settings& settings) {
    const clsSymbology& symbology = clsSymbology::Of(settings.Kind);
    Outcome outcome;
    outcome.Version = settings.Version;
    outcome.Level = settings.Level != 0 ? settings.Level : symbology.DefaultLevel();
    outcome.Why = CheckSymbol(symbology, settings, outcome.Level);
    if (outcome.Why == Refusal::None) {
        outcome.Why = CheckStream(symbology, settings);
    }
    return outcome;
}

std::int32_t clsSymbolEncoder::PrefixBits(const Settings& settings) {
    const clsSymbology& symbology = clsSymbology::Of(settings.Kind);
    std::int32_t bits = settings.Header ? clsSegmentWriter::StructuredAppendHeaderBits : 0;
    if (settings.Gs1 || settings.Fnc1Application >= 0) {
        bits += symbology.ModeTable(symbology.VersionCount(), false, false).IndicatorBits() +
                (settings.Fnc1Application >= 0 ? clsSegmentWriter::Fnc1ApplicationBits : 0);
    }
    if (settings.Eci != 0 && clsQRCode::EciHeaderBits(settings.Eci) > 0) {
        // The designator after the symbology's own ECI mode indicator.
        bits += clsQRCode::EciHeaderBits(settings.Eci) - clsModeTable::QRIndicatorBits +
                symbology.ModeTable(symbology.VersionCount(), false, false).IndicatorBits();
    }
    return bits;
}

clsSymbolEncoder::Outcome clsSymbolEncoder::TooLong(const Settings& settings, std::int32_t length) {
    const clsSymbology& symbology = clsSymbology::Of(settings.Kind);
    Outcome outcome = Check(settings);
    outcome.Length = length;
    outcome.Why = Refusal::TooLong;
    outcome.Largest = settings.Version;
    if (outcome.Largest == clsSymbology::AutomaticVersion) {
        // The allowed version that holds the most, the later one on a tie.
        for (std::int32_t version = 1; version <= symbology.VersionCount(); ++version) {
            const bool allowed =
                symbology.OffersLevel(version, outcome.Level) &&
                (settings.Height == 0 || symbology.Height(version) == settings.Height);
            if (allowed &&
                (outcome.Largest == 0 || symbology.DataBits(version, outcome.Level) >=
                                             symbology.DataBits(outcome.Largest, outcome.Level))) {
                outcome.Largest = version;
            }
        }
    }
    outcome.Capacity = symbology.ByteCapacity(outcome.Largest, outcome.Level, PrefixBits(settings));
    return outcome;
}

void clsSymbolEncoder::SetUpQR(const Settings& settings) {
    m_QR.SetEciDesignator(settings.Eci);
    m_QR.SetKanjiMode(settings.Kanji);
    m_QR.SetHanziMode(settings.Hanzi);
    m_QR.SetStructuredAppend(settings.Header);
    m_QR.SetFnc1(settings.Gs1 || settings.Fnc1Application >= 0, settings.Fnc1Application);
}

bool clsSymbolEncoder::ByteSegmentHoldsHighByte(std::span<const std::uint8_t> bytes,
                                                const Settings& settings) {
    SetUpQR(settings);
    return m_QR.ByteSegmentHoldsHighByte(bytes, static_cast<std::int32_t>(bytes.size()),
                                         settings.Version, Check(settings).Level);
}

bool clsSymbolEncoder::EncodeQR(std::span<const std::uint8_t> bytes, const Settings& settings,
                                std::int32_t level, clsQRCode::Symbol& symbol) {
    SetUpQR(settings);
    const auto length = static_cast<std::int32_t>(bytes.size());
    const std::int32_t mask = settings.Mask.value_or(0);
    if (mask == AutomaticMask) {
        return clsMaskPenalty::EncodeBestMaskInto(symbol, m_QR, bytes, length, settings.Version,
                                                  level);
    }
    return m_QR.EncodeMatrixInto(symbol, bytes, length, settings.Version, level, mask);
}

bool clsSymbolEncoder::EncodeChecked(std::span<const std::uint8_t> bytes, const Settings& settings,
                                     std::int32_t level, clsQRCode::Symbol& symbol) {
    const auto length = static_cast<std::int32_t>(bytes.size());
    switch (settings.Kind) {
    case Symbology::Micro:
        m_Micro.SetKanjiMode(settings.Kanji);
        return m_Micro.EncodeMatrixInto(symbol, bytes, length, settings.Version, level,
                                        settings.Mask.value_or(AutomaticMask));
    case Symbology::RMQR:
        m_RMQR.SetKanjiMode(settings.Kanji);
        m_RMQR.SetEciDesignator(settings.Eci);
        m_RMQR.SetRequiredHeight(settings.Height);
        m_RMQR.SetFnc1(settings.Gs1 || settings.Fnc1Application >= 0, settings.Fnc1Application);
        return m_RMQR.EncodeMatrixInto(symbol, bytes, length,
                                       settings.Version != clsSymbology::AutomaticVersion
                                           ? settings.Version - 1
                                           : clsRMQRCode::AutomaticSize,
                                       level);
    case Symbology::QR:
        return EncodeQR(bytes, settings, level, symbol);
    }
    return false;
}

clsSymbolEncoder::Outcome clsSymbolEncoder::Encode(std::span<const std::uint8_t> bytes,
                                                   const Settings& settings) {
    clsQRCode::Symbol symbol;
    Outcome outcome = EncodeInto(bytes, settings, symbol);
    if (outcome.Why == Refusal::None) {
        outcome.Symbol = std::move(symbol);
    }
    return outcome;
}

clsSymbolEncoder::Outcome clsSymbolEncoder::EncodeInto(std::span<const std::uint8_t> bytes,
                                                       const Settings& settings,
                                                       clsQRCode::Symbol& symbol) {
    Outcome outcome = Check(settings);
    outcome.Length = static_cast<std::int32_t>(bytes.size());
    if (outcome.Why != Refusal::None) {
        return outcome;
    }
    if (!EncodeChecked(bytes, settings, outcome.Level, symbol)) {
        return TooLong(settings, outcome.Length);
    }
    if (settings.BoostLevel) {
        BoostLevel(bytes, settings, outcome, symbol);
    }
    return outcome;
}

void clsSymbolEncoder::BoostLevel(std::span<const std::uint8_t> bytes, const Settings& settings,
                                  Outcome& outcome, clsQRCode::Symbol& symbol) {
    // The plain encode at the symbol's version, from the highest level down: the first symbol
    // made is the boosted one (one that is not made leaves symbol as it is). The segmentation at
    // one version does not depend on the level (the count widths are the version's), so only
    // the capacity decides.
    Settings fixed = settings;
    fixed.BoostLevel = false;
    fixed.Version = symbol.Version;
    fixed.Height = 0; // the size is chosen: a height goes with the automatic version only
    const std::vector<std::int32_t> levels = clsSymbology::Of(settings.Kind).Levels(fixed.Version);
    for (auto level = levels.rbegin(); level != levels.rend() && *level > outcome.Level; ++level) {
        fixed.Level = *level;
        if (Check(fixed).Why == Refusal::None && EncodeChecked(bytes, fixed, *level, symbol)) {
            outcome.Level = *level;
            return;
        }
    }
}

std::vector<clsQRCode::Symbol> clsSymbolEncoder::EncodeParts(std::span<const std::uint8_t> bytes,
                                                             const clsStructuredAppend::Plan& plan,
                                                             const Settings& settings) {
    const auto count = static_cast<std::int32_t>(plan.Parts.size());
    Settings each = settings;
    each.Version = plan.Version;
    std::vector<clsQRCode::Symbol> symbols;
    const auto encodeAll = [&] {
        symbols.clear();
        for (std::int32_t index = 0; index < count; ++index) {
            const auto& part = plan.Parts[static_cast<std::size_t>(index)];
            each.Header = clsQRCode::StructuredAppendHeader{index, count, plan.Parity};
            Outcome outcome = Encode(bytes.subspan(static_cast<std::size_t>(part.Offset),
                                                   static_cast<std::size_t>(part.Length)),
                                     each);
            if (!outcome.Symbol) {
                symbols.clear();
                return;
            }
            symbols.push_back(std::move(*outcome.Symbol));
        }
    };
    encodeAll();
    if (settings.BoostLevel && !symbols.empty()) {
        // Each symbol boosted on its own holds its part at its level and at every level between
        // (the capacity falls as the level rises): the lowest of them holds every part.
        const std::int32_t lowest = std::ranges::min(symbols, {}, &clsQRCode::Symbol::Level).Level;
        if (std::ranges::any_of(symbols, [lowest](const clsQRCode::Symbol& symbol) {
                return symbol.Level != lowest;
            })) {
            each.BoostLevel = false;
            each.Level = lowest;
            encodeAll();
        }
    }
    return symbols;
}

clsStructuredAppend::Plan clsSymbolEncoder::Split(std::span<const std::uint8_t> bytes,
                                                  const Settings& settings, std::int32_t symbols,
                                                  clsStructuredAppend::Characters characters) {
    Settings whole = settings;
    whole.Header.reset();
    SetUpQR(whole);
    return clsStructuredAppend::Split(m_QR, bytes, Check(whole).Level, whole.Version, symbols,
                                      characters);
}

} // namespace ostrel
