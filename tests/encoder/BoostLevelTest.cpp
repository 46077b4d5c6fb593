// The level boost of the one encode call (clsSymbolEncoder::Settings::BoostLevel) against the
// plain encode: for Micro QR and rMQR over random data, every version and every level asked, the
// boosted symbol keeps the plain symbol's version and takes the highest level whose plain encode
// at that version succeeds, exactly as that encode makes it; a structured-append set gets one
// level. (QR Code against segno: tests/encoder/BoostLevelOracleTest.cpp.)
#include "clsStructuredAppend.h"
#include "clsSymbolEncoder.h"
#include "clsSymbology.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace ostrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Random data for small symbols: digits, alphanumeric characters, lower-case letters and bytes
// above 0x7F, alone or mixed, up to length bytes.
Bytes RandomData(std::mt19937& random, std::size_t length) {
    static const std::string kAlphanumeric = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    const std::size_t kind = random() % 4;
    Bytes data(1 + random() % length);
    for (std::uint8_t& byte : data) {
        const std::size_t pick = kind == 3 ? random() % 3 : kind;
        byte = pick == 0           ? static_cast<std::uint8_t>('0' + random() % 10)
               : pick == 1         ? static_cast<std::uint8_t>(kAlphanumeric[random() % 45])
               : random() % 4 != 0 ? static_cast<std::uint8_t>('a' + random() % 26)
                                   : static_cast<std::uint8_t>(0x80 + random() % 0x80);
    }
    return data;
}

// The highest level the version offers at or above level whose plain encode holds data; 0 when
// the plain encode at level itself fails.
std::int32_t HighestPlainLevel(clsSymbolEncoder& encoder, const Bytes& data,
                               clsSymbolEncoder::Settings settings, std::int32_t version) {
    settings.Version = version;
    settings.Height = 0;
    std::int32_t highest = 0;
    for (const std::int32_t level : clsSymbology::Of(settings.Kind).Levels(version)) {
        if (level < settings.Level) {
            continue;
        }
        clsSymbolEncoder::Settings at = settings;
        at.Level = level;
        if (encoder.Encode(data, at)) {
            highest = level;
        }
    }
    return highest;
}

struct SweepCount {
    int Symbols = 0;
    int Raised = 0;
};

// One case: the boosted outcome against the plain ones.
void ExpectBoostedIsHighestPlain(clsSymbolEncoder& encoder, const Bytes& data,
                                 const clsSymbolEncoder::Settings& plain, SweepCount& count) {
    const std::string where =
        std::string(clsSymbology::Of(plain.Kind).Name()) + " version " +
        std::to_string(plain.Version) + " level " + std::to_string(plain.Level) + " height " +
        std::to_string(plain.Height) + ", " + std::to_string(data.size()) + " bytes";
    clsSymbolEncoder::Settings boost = plain;
    boost.BoostLevel = true;
    const clsSymbolEncoder::Outcome asked = encoder.Encode(data, plain);
    const clsSymbolEncoder::Outcome boosted = encoder.Encode(data, boost);
    ASSERT_EQ(boosted.Symbol.has_value(), asked.Symbol.has_value()) << where;
    if (!asked) {
        EXPECT_EQ(boosted.Why, asked.Why) << where;
        EXPECT_EQ(boosted.Level, asked.Level) << where;
        return;
    }
    const std::int32_t version = asked.Symbol->Version;
    EXPECT_EQ(boosted.Symbol->Version, version) << where; // the version never grows
    const std::int32_t highest = HighestPlainLevel(encoder, data, plain, version);
    EXPECT_EQ(boosted.Symbol->Level, highest) << where;
    EXPECT_EQ(boosted.Level, highest) << where;
    EXPECT_GE(highest, asked.Symbol->Level) << where;
    clsSymbolEncoder::Settings at = plain;
    at.Version = version;
    at.Level = highest;
    at.Height = 0;
    const clsSymbolEncoder::Outcome expected = encoder.Encode(data, at);
    ASSERT_TRUE(expected) << where;
    EXPECT_EQ(boosted.Symbol->Modules, expected.Symbol->Modules) << where;
    EXPECT_EQ(boosted.Symbol->Mask, expected.Symbol->Mask) << where;
    ++count.Symbols;
    count.Raised += highest > asked.Symbol->Level ? 1 : 0;
}

TEST(BoostLevel, MicroQRTakesTheHighestLevelWhosePlainEncodeHoldsTheDataAtTheSameVersion) {
    clsSymbolEncoder encoder;
    std::mt19937 random(18004);
    SweepCount count;
    for (int k = 0; k < 200; ++k) {
        const Bytes data = RandomData(random, 24);
        for (std::int32_t version = 0; version <= 4; ++version) {
            for (std::int32_t level = 1; level <= 3; ++level) {
                clsSymbolEncoder::Settings settings;
                settings.Kind = Symbology::Micro;
                settings.Version = version;
                settings.Level = level;
                if (clsSymbolEncoder::Check(settings).Why != clsSymbolEncoder::Refusal::None) {
                    continue; // M1 at M, any version at H
                }
                ASSERT_NO_FATAL_FAILURE(
                    ExpectBoostedIsHighestPlain(encoder, data, settings, count));
            }
        }
    }
    EXPECT_GE(count.Symbols, 600);
    EXPECT_GE(count.Raised, 150);
}

TEST(BoostLevel, RMQRTakesHAtTheSameSizeWhenItsPlainEncodeHoldsTheData) {
    clsSymbolEncoder encoder;
    std::mt19937 random(23941);
    const std::vector<std::int32_t> heights = clsSymbology::Of(Symbology::RMQR).Heights();
    SweepCount count;
    for (int k = 0; k < 200; ++k) {
        const Bytes data = RandomData(random, 120);
        for (const std::int32_t level : {2, 4}) {
            clsSymbolEncoder::Settings settings;
            settings.Kind = Symbology::RMQR;
            settings.Level = level;
            // The automatic size, the automatic size of one height, and two fixed sizes.
            ASSERT_NO_FATAL_FAILURE(ExpectBoostedIsHighestPlain(encoder, data, settings, count));
            settings.Height = heights[random() % heights.size()];
            ASSERT_NO_FATAL_FAILURE(ExpectBoostedIsHighestPlain(encoder, data, settings, count));
            settings.Height = 0;
            for (int fixed = 0; fixed < 2; ++fixed) {
                settings.Version = 1 + static_cast<std::int32_t>(random() % 32);
                ASSERT_NO_FATAL_FAILURE(
                    ExpectBoostedIsHighestPlain(encoder, data, settings, count));
            }
        }
    }
    EXPECT_GE(count.Symbols, 900);
    EXPECT_GE(count.Raised, 150);
}

// A structured-append set boosted: one level for all symbols, the lowest of the levels that
// each symbol boosted on its own reaches, and each symbol the plain one at that level.
TEST(BoostLevel, AStructuredAppendSetTakesTheLowestOfItsSymbolsBoostedLevels) {
    clsSymbolEncoder encoder;
    std::mt19937 random(8);
    int mixed = 0; // sets whose symbols alone would boost to different levels
    for (int k = 0; k < 60; ++k) {
        Bytes data;
        for (int run = 0; run < 4; ++run) {
            const Bytes part = RandomData(random, 20);
            data.insert(data.end(), part.begin(), part.end());
        }
        clsSymbolEncoder::Settings settings;
        settings.Version = 1 + static_cast<std::int32_t>(k % 5);
        settings.Level = 1 + static_cast<std::int32_t>(k % 3);
        settings.BoostLevel = true;
        const clsStructuredAppend::Plan plan =
            encoder.Split(data, settings, 0, clsStructuredAppend::Characters::Bytes);
        ASSERT_FALSE(plan.Parts.empty()) << plan.Error;
        const std::vector<clsQRCode::Symbol> set = encoder.EncodeParts(data, plan, settings);
        ASSERT_EQ(set.size(), plan.Parts.size());
        const auto count = static_cast<std::int32_t>(plan.Parts.size());
        std::int32_t lowest = clsSymbology::LevelCount;
        std::int32_t highest = 0;
        std::vector<Bytes> parts;
        for (std::int32_t index = 0; index < count; ++index) {
            const auto& part = plan.Parts[static_cast<std::size_t>(index)];
            parts.emplace_back(data.begin() + part.Offset,
                               data.begin() + part.Offset + part.Length);
            clsSymbolEncoder::Settings alone = settings;
            alone.Version = plan.Version;
            alone.Header = clsQRCode::StructuredAppendHeader{index, count, plan.Parity};
            const auto outcome = encoder.Encode(parts.back(), alone);
            ASSERT_TRUE(outcome);
            lowest = std::min(lowest, outcome.Level);
            highest = std::max(highest, outcome.Level);
        }
        mixed += lowest != highest ? 1 : 0;
        EXPECT_GE(lowest, settings.Level);
        for (std::int32_t index = 0; index < count; ++index) {
            const auto& symbol = set[static_cast<std::size_t>(index)];
            clsSymbolEncoder::Settings plain = settings;
            plain.BoostLevel = false;
            plain.Version = plan.Version;
            plain.Level = lowest;
            plain.Header = clsQRCode::StructuredAppendHeader{index, count, plan.Parity};
            const auto expected = encoder.Encode(parts[static_cast<std::size_t>(index)], plain);
            ASSERT_TRUE(expected);
            EXPECT_EQ(symbol.Version, plan.Version);
            EXPECT_EQ(symbol.Level, lowest) << "set " << k << " symbol " << index;
            EXPECT_EQ(symbol.Modules, expected.Symbol->Modules) << "set " << k;
        }
    }
    EXPECT_GE(mixed, 5);
}

} // namespace
} // namespace ostrel::test
