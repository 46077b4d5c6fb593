// The logo area against a brute force (LogoBruteForce: the area's modules of a real symbol
// flipped, the codewords read back and dealt to their blocks independently of the encoder), the
// wrong codewords per block compared with the area's own count, over every version and level and
// several sizes and margins.
#include "LogoBruteForce.h"
#include "SymbolReader.h"
#include "clsLogoArea.h"
#include "clsQRCapacity.h"
#include "clsSymbolEncoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {
namespace {

clsQRCode::Symbol Encode(std::int32_t version, std::int32_t level) {
    clsSymbolEncoder encoder;
    clsSymbolEncoder::Settings settings;
    settings.Version = version;
    settings.Level = level;
    settings.Mask = 3;
    const std::string text = "LOGO 42";
    auto outcome = encoder.Encode(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), settings);
    return outcome.Symbol.value_or(clsQRCode::Symbol{});
}

// The brute force's wrong codewords per block for a square.
std::vector<std::int32_t> BruteForceLoads(const clsQRCode::Symbol& symbol,
                                          const clsLogoArea::Square& square) {
    return test::BruteForceLoads(symbol, square.X, square.Y, square.Side);
}

// Whether the brute force lets a logo of this side (and margin) into the budget.
bool BruteForceFits(const clsQRCode::Symbol& symbol, std::int32_t side, std::int32_t margin,
                    std::int32_t budget) {
    const std::int32_t cleared = side + 2 * margin;
    const std::int32_t corner = (symbol.Side - cleared) / 2;
    return test::BruteForceFits(symbol, corner, corner, cleared, budget);
}

void CheckClear(const clsQRCode::Symbol& symbol, const clsLogoArea::Plan& plan) {
    clsQRCode::Symbol cleared = symbol;
    clsLogoArea::Clear(cleared, plan);
    for (std::int32_t y = 0; y < symbol.Side; ++y) {
        for (std::int32_t x = 0; x < symbol.Side; ++x) {
            const bool light =
                plan.Cleared.Contains(x, y) && !test::IsFunctionModule(symbol.Version, x, y);
            ASSERT_EQ(cleared.At(x, y), light ? 0 : symbol.At(x, y))
                << "version " << symbol.Version << " module " << x << "," << y;
        }
    }
}

void CheckPlan(const clsQRCode::Symbol& symbol, const clsLogoArea::Plan& plan, double size,
               std::int32_t margin, std::int32_t budget) {
    const std::string where = "version " + std::to_string(symbol.Version) + " level " +
                              std::to_string(symbol.Level) + " size " + std::to_string(size) +
                              " margin " + std::to_string(margin);
    ASSERT_EQ(plan.Cleared.Side, plan.Logo.Side + 2 * margin) << where;
    ASSERT_EQ(plan.Cleared.X, (symbol.Side - plan.Cleared.Side) / 2) << where;
    ASSERT_EQ(plan.Logo.Side % 2, 1) << where;
    if (!plan.Shrunk) {
        ASSERT_LE(std::abs(plan.Logo.Side - size * symbol.Side), 1.0) << where;
    }
    const auto wrong = BruteForceLoads(symbol, plan.Cleared);
    ASSERT_EQ(plan.Blocks.size(), wrong.size()) << where;
    bool fits = true;
    for (std::size_t b = 0; b < wrong.size(); ++b) {
        ASSERT_EQ(plan.Blocks[b].Touched, wrong[b]) << where << " block " << b;
        ASSERT_EQ(plan.Blocks[b].Capacity, test::Correctable(symbol.Version, symbol.Level))
            << where;
        fits = fits && wrong[b] <= plan.Blocks[b].Capacity * budget / 100;
    }
    ASSERT_EQ(plan.Result == clsLogoArea::Verdict::Fits, fits) << where;
    CheckClear(symbol, plan);
}

TEST(LogoAreaTest, DamagePerBlockMatchesBruteForceOnEveryVersionAndLevel) {
    std::int32_t fitted = 0;
    std::int32_t refused = 0;
    for (std::int32_t version = 1; version <= 40; ++version) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const clsQRCode::Symbol symbol = Encode(version, level);
            ASSERT_EQ(symbol.Version, version);
            for (const double size : {0.1, 0.2, 0.3}) {
                const std::int32_t margin = (version + level) % 3;
                const std::int32_t budget = 30 + 35 * ((version + level) % 3);
                const auto plan = clsLogoArea::Measure(Symbology::QR, version, level,
                                                       {size, margin, budget, true});
                if (plan.Result == clsLogoArea::Verdict::ReachesFunction) {
                    continue;
                }
                CheckPlan(symbol, plan, size, margin, budget);
                (plan.Result == clsLogoArea::Verdict::Fits ? fitted : refused) += 1;
            }
        }
    }
    // Both outcomes occur, or the loop proves little.
    EXPECT_GT(fitted, 100);
    EXPECT_GT(refused, 50);
}

TEST(LogoAreaTest, LargestSizeFitsAndTheNextOddSideDoesNot) {
    for (std::int32_t version = 2; version <= 40; version += 3) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const clsQRCode::Symbol symbol = Encode(version, level);
            const std::int32_t margin = 1;
            const auto plan =
                clsLogoArea::Measure(Symbology::QR, version, level, {0.2, margin, 50, true});
            const std::int32_t largest = plan.LargestLogoSide;
            if (largest > 0) {
                EXPECT_TRUE(BruteForceFits(symbol, largest, margin, 50)) << version << level;
            }
            const std::int32_t next = largest > 0 ? largest + 2 : 1;
            if (9 + next + 2 * margin + 9 <= symbol.Side) {
                EXPECT_FALSE(BruteForceFits(symbol, next, margin, 50)) << version << level;
            }
        }
    }
}

TEST(LogoAreaTest, RefusesMicroQRAndShrinksOrRefusesNearFunctionPatterns) {
    EXPECT_EQ(clsLogoArea::Measure(Symbology::Micro, 4, 1, {}).Result,
              clsLogoArea::Verdict::NotTaken);
    // Version 1 is 21 modules: a 0.5 logo reaches the finders and the timing patterns.
    const auto fixed = clsLogoArea::Measure(Symbology::QR, 1, 4, {0.5, 1, 100, false});
    EXPECT_EQ(fixed.Result, clsLogoArea::Verdict::ReachesFunction);
    const auto shrunk = clsLogoArea::Measure(Symbology::QR, 1, 4, {0.5, 1, 100, true});
    EXPECT_TRUE(shrunk.Shrunk);
    EXPECT_EQ(shrunk.Cleared.X, 9);
    // rMQR R17x139 at level H takes a small logo between its edge timing rows.
    const auto rmqr = clsLogoArea::Measure(Symbology::RMQR, 32, 4, {0.4, 1, 50, true});
    EXPECT_EQ(rmqr.Logo.Side, 7);
    EXPECT_EQ(rmqr.Cleared.Y, 4);
    EXPECT_EQ(rmqr.Cleared.X, (139 - 9) / 2);
}

} // namespace
} // namespace ostrel
