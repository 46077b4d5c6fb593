// The symbology descriptors against the standards' tables typed in StandardTables.h, and the one
// encode call swept over every symbology x version x level x mask: its reason is the one the
// tables give, and a symbol exists exactly when the settings are valid and the data fits.
#include "StandardTables.h"
#include "clsSymbolEncoder.h"
#include "clsSymbology.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::test {
namespace {

using Refusal = clsSymbolEncoder::Refusal;
using Feature = clsSymbology::Feature;

constexpr Symbology kKinds[] = {Symbology::QR, Symbology::Micro, Symbology::RMQR};

const SymbologyFacts& FactsOf(Symbology kind) {
    return kSymbologyFacts[static_cast<int>(kind)];
}

// Whether the standard gives the version (1..) the level (1..4).
bool StandardOffers(Symbology kind, std::int32_t version, std::int32_t level) {
    if (level < 1 || level > 4) {
        return false;
    }
    switch (kind) {
    case Symbology::Micro:
        return kMicroLevels[version - 1][level - 1];
    case Symbology::RMQR:
        return level == 2 || level == 4;
    case Symbology::QR:
        break;
    }
    return true;
}

// The most bytes of one byte segment, from the standards' tables alone.
std::int32_t StandardByteCapacity(Symbology kind, std::int32_t version, std::int32_t level) {
    if (kind == Symbology::Micro) {
        return level <= 3 ? kMicroByteCapacity[version - 1][level - 1] : 0;
    }
    if (kind == Symbology::QR) {
        const std::int32_t countBits = version < 10 ? 8 : 16;
        return (8 * kDataCodewords[version - 1][level - 1] - 4 - countBits) / 8;
    }
    return -1; // rMQR: checked against the encoder itself below
}

TEST(Symbology, FactsAreThoseOfTheStandards) {
    for (const Symbology kind : kKinds) {
        const clsSymbology& symbology = clsSymbology::Of(kind);
        const SymbologyFacts& facts = FactsOf(kind);
        SCOPED_TRACE(std::string(symbology.Name()));
        EXPECT_EQ(symbology.Kind(), kind);
        EXPECT_EQ(symbology.VersionCount(), facts.Versions);
        EXPECT_EQ(symbology.MaskCount(), facts.Masks);
        EXPECT_EQ(symbology.HasMaskChoice(), facts.Masks > 0);
        EXPECT_EQ(symbology.QuietZone(), facts.QuietZone);
        EXPECT_EQ(symbology.Takes(Feature::Eci), facts.Eci);
        EXPECT_EQ(symbology.Takes(Feature::StructuredAppend), facts.StructuredAppend);
        EXPECT_EQ(symbology.Takes(Feature::Hanzi), facts.Hanzi);
        EXPECT_EQ(symbology.Takes(Feature::Fnc1), facts.Fnc1);
        EXPECT_TRUE(symbology.Takes(Feature::Kanji));
        EXPECT_EQ(clsSymbology::Named(symbology.Name()), &symbology);
        EXPECT_TRUE(symbology.OffersLevel(0, symbology.DefaultLevel()));
        for (std::int32_t version = 1; version <= facts.Versions; ++version) {
            for (std::int32_t level = 0; level <= 5; ++level) {
                EXPECT_EQ(symbology.OffersLevel(version, level),
                          StandardOffers(kind, version, level))
                    << version << " " << level;
            }
            EXPECT_EQ(symbology.DetectsErrorsOnly(version),
                      kind == Symbology::Micro && version == 1);
        }
        EXPECT_FALSE(symbology.HasVersion(0));
        EXPECT_FALSE(symbology.HasVersion(facts.Versions + 1));
    }
    EXPECT_EQ(clsSymbology::Of(Symbology::QR).AutomaticMask(), clsSymbology::MaskRule::Penalty);
    EXPECT_EQ(clsSymbology::Of(Symbology::Micro).AutomaticMask(),
              clsSymbology::MaskRule::EdgeEvaluation);
    EXPECT_EQ(clsSymbology::Of(Symbology::RMQR).AutomaticMask(),
              clsSymbology::MaskRule::FixedPattern);
    EXPECT_EQ(clsSymbology::LargestMaskCount(), 8);
}

// Every version's name, parsed back in any letter case; the geometry of rMQR from its table.
TEST(Symbology, VersionNamesParseBack) {
    for (const Symbology kind : kKinds) {
        const clsSymbology& symbology = clsSymbology::Of(kind);
        for (std::int32_t version = 1; version <= symbology.VersionCount(); ++version) {
            std::string expected;
            if (kind == Symbology::QR) {
                expected = std::to_string(version);
            } else if (kind == Symbology::Micro) {
                expected = 'M';
                expected += std::to_string(version);
                EXPECT_EQ(symbology.Width(version), 2 * version + 9);
            } else {
                expected = 'R';
                expected += std::to_string(kRMQRSizes[version - 1][0]);
                expected += 'x';
                expected += std::to_string(kRMQRSizes[version - 1][1]);
                EXPECT_EQ(symbology.Height(version), kRMQRSizes[version - 1][0]);
                EXPECT_EQ(symbology.Width(version), kRMQRSizes[version - 1][1]);
            }
            EXPECT_EQ(symbology.VersionName(version), expected);
            EXPECT_EQ(symbology.ParseVersion(expected), version);
            std::string lower = expected;
            for (char& c : lower) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            EXPECT_EQ(symbology.ParseVersion(lower), version) << lower;
        }
        EXPECT_EQ(symbology.ParseVersion("AUTO"), clsSymbology::AutomaticVersion);
        for (const char* bad : {"", "41", "M5", "M0", "R7x27", "R17x140", "-1", "1x", "auto1"}) {
            EXPECT_FALSE(symbology.ParseVersion(bad)) << symbology.Name() << " " << bad;
        }
    }
    EXPECT_EQ(clsSymbology::Of(Symbology::QR).ParseVersion("0"), clsSymbology::AutomaticVersion);
    EXPECT_FALSE(clsSymbology::Of(Symbology::Micro).ParseVersion("2"));
    EXPECT_EQ(clsSymbology::Of(Symbology::RMQR).Heights(),
              (std::vector<std::int32_t>{7, 9, 11, 13, 15, 17}));
}

// The reason the tables give for settings without data; None when they are valid.
Refusal ExpectedRefusal(Symbology kind, std::int32_t version, std::int32_t level,
                        std::optional<std::int32_t> mask) {
    const SymbologyFacts& facts = FactsOf(kind);
    if (version < 0 || version > facts.Versions) {
        return Refusal::NoSuchVersion;
    }
    bool offered = false;
    for (std::int32_t v = version == 0 ? 1 : version;
         v <= (version == 0 ? facts.Versions : version); ++v) {
        offered = offered || StandardOffers(kind, v, level);
    }
    if (!offered) {
        return Refusal::LevelNotOffered;
    }
    if (mask && facts.Masks == 0) {
        return Refusal::NoMaskChoice;
    }
    if (mask && *mask != clsSymbolEncoder::AutomaticMask && (*mask < 0 || *mask >= facts.Masks)) {
        return Refusal::NoSuchMask;
    }
    return Refusal::None;
}

// Bytes that only a byte segment carries.
std::vector<std::uint8_t> HighBytes(std::int32_t count) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(std::max(count, 0)), 0xA5);
}

TEST(SymbolEncoder, EverySettingGivesTheTablesReasonAndASymbolExactlyWhenValidAndFitting) {
    clsSymbolEncoder encoder;
    for (const Symbology kind : kKinds) {
        const clsSymbology& symbology = clsSymbology::Of(kind);
        const SymbologyFacts& facts = FactsOf(kind);
        std::vector<std::optional<std::int32_t>> masks = {std::nullopt};
        for (std::int32_t mask = -1; mask <= 8; ++mask) {
            masks.emplace_back(mask);
        }
        for (std::int32_t version = -1; version <= facts.Versions + 1; ++version) {
            for (std::int32_t level = 1; level <= 5; ++level) {
                for (const auto& mask : masks) {
                    clsSymbolEncoder::Settings settings;
                    settings.Kind = kind;
                    settings.Version = version;
                    settings.Level = level;
                    settings.Mask = mask;
                    const std::string where = std::string(symbology.Name()) + " version " +
                                              std::to_string(version) + " level " +
                                              std::to_string(level) + " mask " +
                                              (mask ? std::to_string(*mask) : "unset");
                    const Refusal expected = ExpectedRefusal(kind, version, level, mask);
                    ASSERT_EQ(clsSymbolEncoder::Check(settings).Why, expected) << where;
                    // Data exactly as long as the size holds, then one byte more.
                    const auto fitting = clsSymbolEncoder::TooLong(settings, 0);
                    const auto exact = encoder.Encode(HighBytes(fitting.Capacity), settings);
                    if (expected != Refusal::None) {
                        EXPECT_FALSE(exact.Symbol) << where;
                        EXPECT_EQ(exact.Why, expected) << where;
                        continue;
                    }
                    ASSERT_TRUE(exact.Symbol) << where << " capacity " << fitting.Capacity;
                    EXPECT_EQ(exact.Symbol->Level, level) << where;
                    if (version > 0) {
                        EXPECT_EQ(exact.Symbol->Version, version) << where;
                        const std::int32_t standard = StandardByteCapacity(kind, version, level);
                        if (standard >= 0) {
                            EXPECT_EQ(fitting.Capacity, standard) << where;
                        }
                    }
                    if (mask && *mask >= 0) {
                        EXPECT_EQ(exact.Symbol->Mask, *mask) << where;
                    }
                    const auto over = encoder.Encode(HighBytes(fitting.Capacity + 1), settings);
                    EXPECT_FALSE(over.Symbol) << where;
                    EXPECT_EQ(over.Why, Refusal::TooLong) << where;
                    EXPECT_EQ(over.Largest, fitting.Largest) << where;
                    EXPECT_EQ(over.Capacity, fitting.Capacity) << where;
                }
            }
        }
    }
}

// The features each symbology takes or refuses, one setting at a time.
TEST(SymbolEncoder, FeaturesASymbologyLacksAreRefusedBeforeEncoding) {
    for (const Symbology kind : kKinds) {
        const SymbologyFacts& facts = FactsOf(kind);
        const std::vector<std::uint8_t> data = HighBytes(1);
        clsSymbolEncoder encoder;
        struct Case {
            clsSymbolEncoder::Settings Settings;
            Refusal Expected;
        };
        clsSymbolEncoder::Settings base;
        base.Kind = kind;
        std::vector<Case> cases;
        auto with = [&](auto change, Refusal expected) {
            clsSymbolEncoder::Settings settings = base;
            change(settings);
            cases.push_back({settings, expected});
        };
        with([](auto& s) { s.Eci = 26; }, facts.Eci ? Refusal::None : Refusal::EciNotTaken);
        with([](auto& s) { s.Eci = 1000000; },
             facts.Eci ? Refusal::NoSuchEci : Refusal::EciNotTaken);
        with([](auto& s) { s.Hanzi = true; }, facts.Hanzi ? Refusal::None : Refusal::HanziNotTaken);
        with([](auto& s) { s.Hanzi = s.Kanji = true; }, Refusal::KanjiWithHanzi);
        with(
            [](auto& s) {
                s.Header = clsQRCode::StructuredAppendHeader{1, 2, 0};
            },
            facts.StructuredAppend ? Refusal::None : Refusal::StructuredAppendNotTaken);
        with(
            [](auto& s) {
                s.Header = clsQRCode::StructuredAppendHeader{2, 2, 0};
            },
            facts.StructuredAppend ? Refusal::NoSuchHeader : Refusal::StructuredAppendNotTaken);
        const bool heights = kind == Symbology::RMQR;
        with([](auto& s) { s.Height = 9; }, heights ? Refusal::None : Refusal::HeightNotTaken);
        with([](auto& s) { s.Height = 8; },
             heights ? Refusal::NoSuchHeight : Refusal::HeightNotTaken);
        for (const Case& c : cases) {
            const auto outcome = encoder.Encode(data, c.Settings);
            EXPECT_EQ(outcome.Why, c.Expected) << clsSymbology::Of(kind).Name();
            EXPECT_EQ(outcome.Symbol.has_value(), c.Expected == Refusal::None);
        }
    }
}

// The layouts of every size (function patterns and placement order) are made once per process and
// shared: every size of the three symbologies, made in one process one after the other and then
// again in the opposite order, comes out at its own size and the same both times.
TEST(SymbolEncoder, EverySizeOfEverySymbologyKeepsItsOwnLayout) {
    clsSymbolEncoder encoder;
    const std::vector<std::uint8_t> digit = {'1'};
    std::map<std::pair<Symbology, std::int32_t>, std::vector<std::uint8_t>> first;
    const std::span<const clsSymbology> all = clsSymbology::All();
    for (const bool reversed : {false, true}) {
        for (std::size_t k = 0; k < all.size(); ++k) {
            const clsSymbology& symbology = all[reversed ? all.size() - 1 - k : k];
            for (std::int32_t version = 1; version <= symbology.VersionCount(); ++version) {
                clsSymbolEncoder::Settings settings;
                settings.Kind = symbology.Kind();
                settings.Version = version;
                settings.Level = symbology.Levels(version).front();
                const auto outcome = encoder.Encode(digit, settings);
                ASSERT_TRUE(outcome.Symbol) << symbology.VersionName(version);
                EXPECT_EQ(outcome.Symbol->Columns(), symbology.Width(version))
                    << symbology.VersionName(version);
                EXPECT_EQ(outcome.Symbol->Rows(), symbology.Height(version))
                    << symbology.VersionName(version);
                const auto [made, isNew] =
                    first.try_emplace({symbology.Kind(), version}, outcome.Symbol->Modules);
                EXPECT_TRUE(isNew || made->second == outcome.Symbol->Modules)
                    << symbology.VersionName(version);
            }
        }
    }
}

} // namespace
} // namespace ostrel::test
