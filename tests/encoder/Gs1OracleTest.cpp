// GS1 symbols (FNC1 in first position) against zint 2.11, module for module.
//
// Random element strings of common AIs (fixed and variable fields, separators in the middle,
// '%' in set-82 data) are parsed by the tool's parser, which must give the data the GS1 rules
// give (Gs1Samples, from the list of predefined-length prefixes), then encoded as QR Code at a
// random level and mask and as rMQR at a random level, each at the size our encoder chooses;
// zint, given the bracket form and the same size, level and mask, must make the same symbol.
#include "Gs1ElementString.h"
#include "Gs1Samples.h"
#include "ZintOracle.h"
#include "clsSymbolEncoder.h"
#include "ostrel/qr.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace ostrel {
namespace {

std::int32_t Differences(const clsQRCode::Symbol& ours, const test::ZintSymbol& zint) {
    if (ours.Columns() != zint.Width || ours.Rows() != zint.Height) {
        return ours.Columns() * ours.Rows() + 1;
    }
    std::int32_t count = 0;
    for (std::int32_t y = 0; y < zint.Height; ++y) {
        for (std::int32_t x = 0; x < zint.Width; ++x) {
            count += ours.At(x, y) != zint.At(x, y) ? 1 : 0;
        }
    }
    return count;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Where zint's symbol differs from ours (or zint cannot fit the data at our size), zint chose
// other segments (its costs are estimates
// in sixths of a bit; ours are exact): its own choice of size must then be no smaller than ours.
void ExpectNoSmaller(const clsQRCode::Symbol& ours, const test::Gs1Sample& sample, bool rmqr,
                     std::int32_t level, const std::string& what) {
    const test::ZintGs1Symbol automatic =
        test::ZintGs1(sample.Bracketed, rmqr, -1 + !rmqr, level, -1);
    ASSERT_GT(automatic.Width, 0) << what << ": " << automatic.Error;
    EXPECT_LE(ours.Columns() * ours.Rows(), automatic.Width * automatic.Height) << what;
}

struct SweepCount {
    std::int32_t Compared = 0;
    std::int32_t Identical = 0;
};

// One symbology over count random samples of a kind of text: every sample's data as the GS1
// rules give it, and its symbol against zint's at the same size, level and mask.
SweepCount Sweep(Symbology kind, std::int32_t count, std::uint32_t seed, test::Gs1Text text) {
    std::mt19937 random(seed);
    clsSymbolEncoder encoder;
    SweepCount sweep;
    const bool rmqr = kind == Symbology::RMQR;
    for (std::int32_t k = 0; k < count; ++k) {
        const test::Gs1Sample sample = test::RandomGs1(random, 5, 24, text);
        const payload::PayloadResult data = payload::Gs1ElementString::Encode(sample.Bracketed);
        EXPECT_EQ(data.Error, "") << sample.Bracketed;
        EXPECT_EQ(data.Bytes, sample.Transmitted) << sample.Bracketed;
        clsSymbolEncoder::Settings settings;
        settings.Kind = kind;
        settings.Gs1 = true;
        settings.Kanji = false;
        settings.Level = rmqr ? 2 * std::uniform_int_distribution<std::int32_t>(1, 2)(random)
                              : std::uniform_int_distribution<std::int32_t>(1, 4)(random);
        const std::int32_t mask =
            rmqr ? -1 : std::uniform_int_distribution<std::int32_t>(0, 7)(random);
        if (!rmqr) {
            settings.Mask = mask;
        }
        const auto outcome = encoder.Encode(Bytes(data.Bytes), settings);
        if (!outcome.Symbol) {
            continue; // too long for the level: rMQR at H holds little
        }
        const std::int32_t version = outcome.Symbol->Version;
        const test::ZintGs1Symbol zint = test::ZintGs1(
            sample.Bracketed, rmqr, rmqr ? version - 1 : version, settings.Level, mask);
        const std::string what = sample.Bracketed + " version " + std::to_string(version) +
                                 " level " + std::to_string(settings.Level) + " mask " +
                                 std::to_string(mask);
        ++sweep.Compared;
        EXPECT_EQ(zint.Warning, "") << what;
        if (zint.Width > 0 && Differences(*outcome.Symbol, zint) == 0) {
            ++sweep.Identical;
        } else {
            ExpectNoSmaller(*outcome.Symbol, sample, rmqr, settings.Level, what);
        }
    }
    return sweep;
}

// Text in QR Code's alphanumeric set: both encoders find the same segments, so every symbol is
// zint's.
TEST(Gs1Oracle, QRCodeOfAlphanumericDataIsZintsSymbol) {
    const SweepCount sweep = Sweep(Symbology::QR, 1000, 3101, test::Gs1Text::Alphanumeric);
    EXPECT_EQ(sweep.Compared, 1000);
    EXPECT_EQ(sweep.Identical, sweep.Compared);
}

// With '%' (written '%%' in alphanumeric mode) and all of set 82 zint sometimes takes dearer
// segments; nine symbols in ten must still be zint's, the others no larger than zint's.
TEST(Gs1Oracle, QRCodeWithPercentAndSet82IsZintsSymbolOrSmaller) {
    for (const test::Gs1Text text : {test::Gs1Text::Percent, test::Gs1Text::Set82}) {
        const SweepCount sweep = Sweep(Symbology::QR, 1000, 3102, text);
        EXPECT_EQ(sweep.Compared, 1000);
        EXPECT_GE(10 * sweep.Identical, 9 * sweep.Compared);
    }
}

TEST(Gs1Oracle, RMQRIsZintsSymbolOrSmaller) {
    for (const test::Gs1Text text : {test::Gs1Text::Alphanumeric, test::Gs1Text::Percent}) {
        const SweepCount sweep = Sweep(Symbology::RMQR, 1000, 3103, text);
        EXPECT_GE(sweep.Compared, 700);
        EXPECT_GE(10 * sweep.Identical, 9 * sweep.Compared);
    }
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

// A bad element of one of four kinds, and its AI: a wrong check digit, a wrong length, an
// impossible date, a character outside GS1 set 82.
std::pair<std::string, std::string> BadElement(std::int32_t kind, std::mt19937& random) {
    const auto digits = [&](std::int32_t n) {
        std::string text;
        for (std::int32_t k = 0; k < n; ++k) {
            text.push_back(static_cast<char>('0' + random() % 10));
        }
        return text;
    };
    const auto two = [](std::uint32_t value) {
        return std::string{static_cast<char>('0' + value / 10),
                           static_cast<char>('0' + value % 10)};
    };
    switch (kind) {
    case 0: {
        const std::string ai = random() % 2 == 0 ? "01" : "414";
        std::string key = digits(ai == "01" ? 13 : 12);
        const char right = test::Mod10(key);
        key.push_back(static_cast<char>('0' + (right - '0' + 1 + random() % 9) % 10));
        return {ai, "[" + ai + "]" + key};
    }
    case 1: {
        const std::uint32_t pick = random() % 3;
        if (pick == 0) {
            return {"01", "[01]" + digits(13)};
        }
        return pick == 1 ? std::pair{std::string("3102"), "[3102]" + digits(5 + 2 * (random() % 2))}
                         : std::pair{std::string("10"), "[10]" + digits(21)};
    }
    case 2: {
        const std::uint32_t month = random() % 2 == 0 ? 13 + random() % 87 : 2;
        const std::uint32_t day = month == 2 ? 30 + random() % 2 : 1 + random() % 28;
        return {"17", "[17]" + two(random() % 100) + two(month) + two(day)};
    }
    default: {
        // Not '[', which opens the next AI.
        const std::string outside = " #$@\\^`{|}~";
        std::string lot = digits(3);
        lot.insert(random() % 4, 1, outside[random() % outside.size()]);
        return {"10", "[10]" + lot};
    }
    }
}

// 200 bad element strings (the bad element alone or after a good one): ours refuses each naming
// the AI at fault, and zint refuses it or warns that it does not comply.
TEST(Gs1Oracle, BadElementStringsAreRefusedWhereZintObjects) {
    std::mt19937 random(3104);
    for (std::int32_t k = 0; k < 200; ++k) {
        const auto [ai, bad] = BadElement(k % 4, random);
        const std::string text = (k % 8 < 4 ? "" : "[21]ABC") + bad;
        const payload::PayloadResult ours = payload::Gs1ElementString::Encode(text);
        EXPECT_NE(ours.Error.find("AI (" + ai + ") at position "), std::string::npos)
            << text << ": " << ours.Error;
        const test::ZintGs1Symbol zint = test::ZintGs1(text, false, 0, 1, -1);
        EXPECT_TRUE(!zint.Error.empty() || !zint.Warning.empty()) << text;
    }
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

// The C interface's gs1 field: the transmitted data of random samples, QR Code at level M and
// mask 2, rMQR at level M, each at zint's size; the symbols must be zint's.
TEST(Gs1Oracle, CInterfaceGs1IsZintsSymbol) {
    std::mt19937 random(3105);
    for (std::int32_t k = 0; k < 40; ++k) {
        const test::Gs1Sample sample = test::RandomGs1(random, 4, 16, test::Gs1Text::Alphanumeric);
        const bool rmqr = k % 2 == 1;
        const test::ZintGs1Symbol zint = test::ZintGs1(sample.Bracketed, rmqr, -1 + !rmqr, 2, 2);
        ASSERT_GT(zint.Width, 0) << sample.Bracketed << zint.Error;
        ostrel_qr_options options;
        ostrel_qr_options_init(&options);
        options.symbology = rmqr ? OSTREL_QR_SYMBOLOGY_RMQR : OSTREL_QR_SYMBOLOGY_QR;
        options.level = OSTREL_QR_LEVEL_M;
        options.mask = rmqr ? 0 : 2;
        options.gs1 = 1;
        ostrel_qr_symbol* symbol = nullptr;
        ASSERT_EQ(
            ostrel_qr_encode(reinterpret_cast<const unsigned char*>(sample.Transmitted.data()),
                             sample.Transmitted.size(), &options, &symbol),
            OSTREL_QR_OK)
            << sample.Bracketed;
        EXPECT_EQ(ostrel_qr_symbol_width(symbol), zint.Width) << sample.Bracketed;
        EXPECT_EQ(ostrel_qr_symbol_height(symbol), zint.Height) << sample.Bracketed;
        std::int32_t differences = 0;
        for (std::int32_t y = 0; y < zint.Height && ostrel_qr_symbol_width(symbol) == zint.Width;
             ++y) {
            for (std::int32_t x = 0; x < zint.Width; ++x) {
                differences += ostrel_qr_symbol_module(symbol, x, y) != zint.At(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(differences, 0) << sample.Bracketed;
        ostrel_qr_symbol_free(symbol);
    }
}

} // namespace
} // namespace ostrel
