// The C interface: the same symbols as the C++ classes it wraps, every bad argument refused with
// its own code and no symbol, and no state shared between threads.
#include <ostrel/qr.h>

#include "clsMaskPenalty.h"
#include "clsMicroQRCode.h"
#include "clsQRCode.h"
#include "clsRMQRCode.h"
#include "clsStructuredAppend.h"
#include "clsSymbolEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using ostrel::clsQRCode;
using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

ostrel_qr_options Defaults() {
    ostrel_qr_options options;
    std::memset(&options, 0x5A, sizeof options); // init must set every field
    ostrel_qr_options_init(&options);
    return options;
}

// The symbol the C++ classes make for the same settings.
std::optional<clsQRCode::Symbol> Expected(const Bytes& data, const ostrel_qr_options& options) {
    clsQRCode encoder;
    encoder.SetKanjiMode(options.kanji != 0);
    encoder.SetHanziMode(options.hanzi != 0);
    encoder.SetEciDesignator(options.eci);
    const auto length = static_cast<std::int32_t>(data.size());
    if (options.mask == OSTREL_QR_MASK_AUTO) {
        return ostrel::clsMaskPenalty::EncodeBestMask(encoder, data, length, options.version,
                                                      options.level);
    }
    return encoder.EncodeMatrix(data, length, options.version, options.level, options.mask);
}

// Encodes through the C interface and checks the result against the C++ classes: the same
// modules through both accessors, the same version, level and mask, light outside; no symbol
// and DATA_TOO_LONG where they make none.
void ExpectSameSymbol(const Bytes& data, const ostrel_qr_options& options) {
    SCOPED_TRACE(::testing::Message() << data.size() << " bytes, version " << options.version
                                      << ", level " << options.level << ", mask " << options.mask
                                      << ", kanji " << options.kanji << ", eci " << options.eci);
    const std::optional<clsQRCode::Symbol> expected = Expected(data, options);
    ostrel_qr_symbol* symbol = nullptr;
    const int status = ostrel_qr_encode(data.data(), data.size(), &options, &symbol);
    if (!expected) {
        EXPECT_EQ(status, OSTREL_QR_ERROR_DATA_TOO_LONG);
        EXPECT_EQ(symbol, nullptr);
        return;
    }
    ASSERT_EQ(status, OSTREL_QR_OK);
    ASSERT_NE(symbol, nullptr);
    const int side = expected->Side;
    EXPECT_EQ(ostrel_qr_symbol_size(symbol), side);
    EXPECT_EQ(ostrel_qr_symbol_width(symbol), side);
    EXPECT_EQ(ostrel_qr_symbol_height(symbol), side);
    EXPECT_EQ(side, 17 + 4 * ostrel_qr_symbol_version(symbol));
    EXPECT_EQ(ostrel_qr_symbol_version(symbol), expected->Version);
    EXPECT_EQ(ostrel_qr_symbol_level(symbol), options.level);
    EXPECT_EQ(ostrel_qr_symbol_mask(symbol), expected->Mask);
    if (options.mask != OSTREL_QR_MASK_AUTO) {
        EXPECT_EQ(ostrel_qr_symbol_mask(symbol), options.mask);
    }
    if (options.version != OSTREL_QR_VERSION_AUTO) {
        EXPECT_EQ(ostrel_qr_symbol_version(symbol), options.version);
    }
    EXPECT_EQ(ostrel_qr_symbol_symbology(symbol), OSTREL_QR_SYMBOLOGY_QR);
    const unsigned char* modules = ostrel_qr_symbol_modules(symbol);
    int differences = 0;
    for (int y = -1; y <= side; ++y) {
        for (int x = -1; x <= side; ++x) {
            const bool inside = x >= 0 && y >= 0 && x < side && y < side;
            const int want = inside ? expected->At(x, y) : 0;
            differences += ostrel_qr_symbol_module(symbol, x, y) != want;
            differences += inside && modules[y * side + x] != want;
        }
    }
    EXPECT_EQ(differences, 0);
    ostrel_qr_symbol_free(symbol);
}

TEST(CApi, OptionsInitGivesTheDocumentedDefaults) {
    const ostrel_qr_options options = Defaults();
    EXPECT_EQ(options.symbology, OSTREL_QR_SYMBOLOGY_QR);
    EXPECT_EQ(options.version, OSTREL_QR_VERSION_AUTO);
    EXPECT_EQ(options.level, OSTREL_QR_LEVEL_Q);
    EXPECT_EQ(options.mask, 0);
    EXPECT_EQ(options.kanji, 0);
    EXPECT_EQ(options.hanzi, 0);
    EXPECT_EQ(options.eci, 0);
    EXPECT_EQ(options.boost_level, 0);
    for (const int reserved : options.reserved) {
        EXPECT_EQ(reserved, 0);
    }
    ostrel_qr_options_init(nullptr); // does nothing
}

TEST(CApi, DefaultAbcIsTheVersion1LevelQMask0Symbol) {
    ostrel_qr_options options = Defaults();
    ostrel_qr_symbol* symbol = nullptr;
    ASSERT_EQ(ostrel_qr_encode(reinterpret_cast<const unsigned char*>("abc"), 3, &options, &symbol),
              OSTREL_QR_OK);
    EXPECT_EQ(ostrel_qr_symbol_size(symbol), 21);
    EXPECT_EQ(ostrel_qr_symbol_version(symbol), 1);
    EXPECT_EQ(ostrel_qr_symbol_level(symbol), OSTREL_QR_LEVEL_Q);
    EXPECT_EQ(ostrel_qr_symbol_mask(symbol), 0);
    ostrel_qr_symbol_free(symbol);
    ExpectSameSymbol(ToBytes("abc"), options);
}

// Every level with every fixed mask and the automatic one, automatic and fixed versions, Kanji
// mode and ECI, across the four modes and an empty input.
TEST(CApi, AgreesWithTheCppClassesAcrossSettings) {
    struct Input {
        Bytes Data;
        int Kanji;
        int Eci;
        int Hanzi = 0;
    };
    const std::vector<Input> inputs = {
        {{}, 0, 0},
        {ToBytes("01234567890123456789"), 0, 0},
        {ToBytes("HELLO WORLD $%*+-./: 42"), 0, 0},
        {ToBytes("\xE4\xBA\x8C\xE7\xBB\xB4 utf-8"), 0, 26},
        {{0x88, 0x9F, 0x93, 0xFA, 0x96, 0x7B, 0x41, 0x42}, 1, 0},
        {Bytes(300, 'x'), 0, 0},
        // GB 2312 "二维码 2026" in Hanzi mode, designator 29.
        {{0xB6, 0xFE, 0xCE, 0xAC, 0xC2, 0xEB, 0x20, 0x32, 0x30, 0x32, 0x36}, 0, 29, 1},
    };
    for (const Input& input : inputs) {
        for (int level = OSTREL_QR_LEVEL_L; level <= OSTREL_QR_LEVEL_H; ++level) {
            for (int mask = OSTREL_QR_MASK_AUTO; mask <= 7; ++mask) {
                ostrel_qr_options options = Defaults();
                options.level = level;
                options.mask = mask;
                options.kanji = input.Kanji;
                options.eci = input.Eci;
                options.hanzi = input.Hanzi;
                ExpectSameSymbol(input.Data, options);
                options.version = 14 + mask; // fixed versions 13..21 (too small for 300 bytes at H)
                ExpectSameSymbol(input.Data, options);
            }
        }
    }
}

// The C symbol against the C++ one: size, version, level, mask, symbology, every module.
void ExpectSame(const ostrel_qr_symbol* c, const clsQRCode::Symbol& cpp, int symbology, int mask) {
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ostrel_qr_symbol_symbology(c), symbology);
    EXPECT_EQ(ostrel_qr_symbol_width(c), cpp.Columns());
    EXPECT_EQ(ostrel_qr_symbol_height(c), cpp.Rows());
    EXPECT_EQ(ostrel_qr_symbol_size(c), cpp.Columns() == cpp.Rows() ? cpp.Columns() : 0);
    EXPECT_EQ(ostrel_qr_symbol_version(c), cpp.Version);
    EXPECT_EQ(ostrel_qr_symbol_level(c), cpp.Level);
    EXPECT_EQ(ostrel_qr_symbol_mask(c), mask);
    for (int y = 0; y < cpp.Rows(); ++y) {
        for (int x = 0; x < cpp.Columns(); ++x) {
            ASSERT_EQ(ostrel_qr_symbol_module(c, x, y), cpp.At(x, y)) << x << "," << y;
        }
    }
}

TEST(CApi, MakesMicroQRAndRMQRAsTheCppClassesDo) {
    const Bytes data = ToBytes("MICRO 42");
    const auto length = static_cast<std::int32_t>(data.size());
    for (int version = OSTREL_QR_VERSION_AUTO; version <= 4; ++version) {
        for (int level = OSTREL_QR_LEVEL_L; level <= OSTREL_QR_LEVEL_Q; ++level) {
            for (int mask = OSTREL_QR_MASK_AUTO; mask <= 3; ++mask) {
                SCOPED_TRACE("micro " + std::to_string(version) + " " + std::to_string(level) +
                             " " + std::to_string(mask));
                ostrel_qr_options options = Defaults();
                options.symbology = OSTREL_QR_SYMBOLOGY_MICRO_QR;
                options.version = version;
                options.level = level;
                options.mask = mask;
                ostrel::clsMicroQRCode encoder;
                const auto cpp = encoder.EncodeMatrix(
                    data, length, version, level,
                    mask == OSTREL_QR_MASK_AUTO ? ostrel::clsMicroQRCode::AutomaticMask : mask);
                ostrel_qr_symbol* symbol = nullptr;
                const int code = ostrel_qr_encode(data.data(), data.size(), &options, &symbol);
                EXPECT_EQ(code, cpp ? OSTREL_QR_OK : OSTREL_QR_ERROR_DATA_TOO_LONG);
                if (cpp) {
                    ExpectSame(symbol, *cpp, OSTREL_QR_SYMBOLOGY_MICRO_QR, cpp->Mask);
                }
                ostrel_qr_symbol_free(symbol);
            }
        }
    }
    for (int version = OSTREL_QR_VERSION_AUTO; version <= 32; ++version) {
        for (const int level : {OSTREL_QR_LEVEL_M, OSTREL_QR_LEVEL_H}) {
            SCOPED_TRACE("rmqr " + std::to_string(version) + " " + std::to_string(level));
            ostrel_qr_options options = Defaults();
            options.symbology = OSTREL_QR_SYMBOLOGY_RMQR;
            options.version = version;
            options.level = level;
            options.eci = version % 2 == 0 ? 0 : 3;
            ostrel::clsRMQRCode encoder;
            encoder.SetEciDesignator(options.eci);
            const auto cpp = encoder.EncodeMatrix(data, length, version - 1, level);
            ostrel_qr_symbol* symbol = nullptr;
            const int code = ostrel_qr_encode(data.data(), data.size(), &options, &symbol);
            EXPECT_EQ(code, cpp ? OSTREL_QR_OK : OSTREL_QR_ERROR_DATA_TOO_LONG);
            if (cpp) {
                ExpectSame(symbol, *cpp, OSTREL_QR_SYMBOLOGY_RMQR, 0);
            }
            ostrel_qr_symbol_free(symbol);
        }
    }
}

TEST(CApi, RefusesBadArgumentsWithTheirOwnCodeAndNoSymbol) {
    const Bytes data = ToBytes("abc");
    struct Case {
        const char* Name;
        void (*Change)(ostrel_qr_options&);
        int Code;
    };
    const std::vector<Case> cases = {
        {"version -1", [](ostrel_qr_options& o) { o.version = -1; },
         OSTREL_QR_ERROR_INVALID_VERSION},
        {"version 41", [](ostrel_qr_options& o) { o.version = 41; },
         OSTREL_QR_ERROR_INVALID_VERSION},
        {"level 0", [](ostrel_qr_options& o) { o.level = 0; }, OSTREL_QR_ERROR_INVALID_LEVEL},
        {"level 5", [](ostrel_qr_options& o) { o.level = 5; }, OSTREL_QR_ERROR_INVALID_LEVEL},
        {"mask -2", [](ostrel_qr_options& o) { o.mask = -2; }, OSTREL_QR_ERROR_INVALID_MASK},
        {"mask 8", [](ostrel_qr_options& o) { o.mask = 8; }, OSTREL_QR_ERROR_INVALID_MASK},
        {"eci -1", [](ostrel_qr_options& o) { o.eci = -1; }, OSTREL_QR_ERROR_INVALID_ECI},
        {"eci 1000000", [](ostrel_qr_options& o) { o.eci = 1000000; }, OSTREL_QR_ERROR_INVALID_ECI},
        {"kanji 2", [](ostrel_qr_options& o) { o.kanji = 2; }, OSTREL_QR_ERROR_INVALID_OPTION},
        {"reserved", [](ostrel_qr_options& o) { o.reserved[4] = 1; },
         OSTREL_QR_ERROR_INVALID_OPTION},
        {"boost_level 2", [](ostrel_qr_options& o) { o.boost_level = 2; },
         OSTREL_QR_ERROR_INVALID_OPTION},
        {"boost_level -1", [](ostrel_qr_options& o) { o.boost_level = -1; },
         OSTREL_QR_ERROR_INVALID_OPTION},
        {"hanzi 2", [](ostrel_qr_options& o) { o.hanzi = 2; }, OSTREL_QR_ERROR_INVALID_OPTION},
        {"gs1 2", [](ostrel_qr_options& o) { o.gs1 = 2; }, OSTREL_QR_ERROR_INVALID_OPTION},
        {"gs1 with eci",
         [](ostrel_qr_options& o) {
             o.gs1 = 1;
             o.eci = 26;
         },
         OSTREL_QR_ERROR_INVALID_OPTION},
        {"micro gs1",
         [](ostrel_qr_options& o) {
             o.symbology = OSTREL_QR_SYMBOLOGY_MICRO_QR;
             o.level = OSTREL_QR_LEVEL_M;
             o.gs1 = 1;
         },
         OSTREL_QR_ERROR_UNSUPPORTED_SYMBOLOGY},
        {"hanzi with kanji",
         [](ostrel_qr_options& o) {
             o.hanzi = 1;
             o.kanji = 1;
         },
         OSTREL_QR_ERROR_INVALID_OPTION},
        {"rmqr hanzi",
         [](ostrel_qr_options& o) {
             o.symbology = OSTREL_QR_SYMBOLOGY_RMQR;
             o.level = OSTREL_QR_LEVEL_M;
             o.hanzi = 1;
         },
         OSTREL_QR_ERROR_UNSUPPORTED_SYMBOLOGY},
        {"micro level H",
         [](ostrel_qr_options& o) {
             o.symbology = OSTREL_QR_SYMBOLOGY_MICRO_QR;
             o.level = OSTREL_QR_LEVEL_H;
         },
         OSTREL_QR_ERROR_INVALID_LEVEL},
        {"micro mask 4",
         [](ostrel_qr_options& o) {
             o.symbology = OSTREL_QR_SYMBOLOGY_MICRO_QR;
             o.mask = 4;
         },
         OSTREL_QR_ERROR_INVALID_MASK},
        {"micro version 5",
         [](ostrel_qr_options& o) {
             o.symbology = OSTREL_QR_SYMBOLOGY_MICRO_QR;
             o.version = 5;
         },
         OSTREL_QR_ERROR_INVALID_VERSION},
        {"micro eci",
         [](ostrel_qr_options& o) {
             o.symbology = OSTREL_QR_SYMBOLOGY_MICRO_QR;
             o.eci = 26;
         },
         OSTREL_QR_ERROR_INVALID_ECI},
        {"rmqr level Q (the default)",
         [](ostrel_qr_options& o) { o.symbology = OSTREL_QR_SYMBOLOGY_RMQR; },
         OSTREL_QR_ERROR_INVALID_LEVEL},
        {"rmqr version 33",
         [](ostrel_qr_options& o) {
             o.symbology = OSTREL_QR_SYMBOLOGY_RMQR;
             o.level = OSTREL_QR_LEVEL_M;
             o.version = 33;
         },
         OSTREL_QR_ERROR_INVALID_VERSION},
        {"rmqr mask 1",
         [](ostrel_qr_options& o) {
             o.symbology = OSTREL_QR_SYMBOLOGY_RMQR;
             o.level = OSTREL_QR_LEVEL_M;
             o.mask = 1;
         },
         OSTREL_QR_ERROR_INVALID_MASK},
        {"symbology 3", [](ostrel_qr_options& o) { o.symbology = 3; },
         OSTREL_QR_ERROR_INVALID_SYMBOLOGY},
        {"symbology -1", [](ostrel_qr_options& o) { o.symbology = -1; },
         OSTREL_QR_ERROR_INVALID_SYMBOLOGY},
    };
    // A pointer that must be replaced by NULL on every failure.
    alignas(8) unsigned char notASymbol[8] = {};
    ostrel_qr_symbol* const stale = reinterpret_cast<ostrel_qr_symbol*>(notASymbol);
    // Each setting's own code comes before a reserved field's and before data too long for any
    // symbol (7090 bytes).
    const Bytes tooLong(7090, 'a');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        for (const bool reserved : {false, true}) {
            for (const Bytes* input : {&data, &tooLong}) {
                ostrel_qr_options options = Defaults();
                c.Change(options);
                options.reserved[1] = reserved ? 1 : 0;
                ostrel_qr_symbol* symbol = stale;
                EXPECT_EQ(ostrel_qr_encode(input->data(), input->size(), &options, &symbol), c.Code)
                    << (reserved ? "reserved set, " : "") << input->size() << " bytes";
                EXPECT_EQ(symbol, nullptr);
            }
        }
    }
    ostrel_qr_options longOptions = Defaults();
    ostrel_qr_symbol* longSymbol = stale;
    EXPECT_EQ(ostrel_qr_encode(tooLong.data(), tooLong.size(), &longOptions, &longSymbol),
              OSTREL_QR_ERROR_DATA_TOO_LONG);
    EXPECT_EQ(longSymbol, nullptr);

    const ostrel_qr_options options = Defaults();
    ostrel_qr_symbol* symbol = stale;
    EXPECT_EQ(ostrel_qr_encode(nullptr, 3, &options, &symbol), OSTREL_QR_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(symbol, nullptr);
    symbol = stale;
    EXPECT_EQ(ostrel_qr_encode(data.data(), data.size(), nullptr, &symbol),
              OSTREL_QR_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(symbol, nullptr);
    EXPECT_EQ(ostrel_qr_encode(data.data(), data.size(), &options, nullptr),
              OSTREL_QR_ERROR_NULL_ARGUMENT);
    // No data at all is an empty input, which makes a symbol.
    ASSERT_EQ(ostrel_qr_encode(nullptr, 0, &options, &symbol), OSTREL_QR_OK);
    EXPECT_EQ(ostrel_qr_symbol_version(symbol), 1);
    ostrel_qr_symbol_free(symbol);
}

TEST(CApi, DataThatDoesNotFitIsRefusedWithoutReadingBeyondIt) {
    ostrel_qr_options options = Defaults();
    options.level = OSTREL_QR_LEVEL_L;
    const Bytes digits(clsQRCode::MaxInputLength + 1, '7');
    ostrel_qr_symbol* symbol = nullptr;
    // 7089 digits are the largest symbol's capacity (version 40-L); one more fits nowhere.
    ASSERT_EQ(ostrel_qr_encode(digits.data(), digits.size() - 1, &options, &symbol), OSTREL_QR_OK);
    EXPECT_EQ(ostrel_qr_symbol_version(symbol), 40);
    ostrel_qr_symbol_free(symbol);
    EXPECT_EQ(ostrel_qr_encode(digits.data(), digits.size(), &options, &symbol),
              OSTREL_QR_ERROR_DATA_TOO_LONG);
    EXPECT_EQ(symbol, nullptr);
    // A length far beyond the buffer is refused before a byte is read (AddressSanitizer watches).
    const unsigned char one = '1';
    EXPECT_EQ(ostrel_qr_encode(&one, std::numeric_limits<std::size_t>::max(), &options, &symbol),
              OSTREL_QR_ERROR_DATA_TOO_LONG);
    EXPECT_EQ(symbol, nullptr);
    // Too long for the version asked for: 18 bytes exceed version 1-L's 17.
    options.version = 1;
    const Bytes bytes(18, 'a');
    EXPECT_EQ(ostrel_qr_encode(bytes.data(), bytes.size(), &options, &symbol),
              OSTREL_QR_ERROR_DATA_TOO_LONG);
    EXPECT_EQ(symbol, nullptr);
    ASSERT_EQ(ostrel_qr_encode(bytes.data(), 17, &options, &symbol), OSTREL_QR_OK);
    ostrel_qr_symbol_free(symbol);
}

TEST(CApi, AccessorsOfNoSymbolAnswerTheDocumentedValues) {
    EXPECT_EQ(ostrel_qr_symbol_size(nullptr), 0);
    EXPECT_EQ(ostrel_qr_symbol_width(nullptr), 0);
    EXPECT_EQ(ostrel_qr_symbol_height(nullptr), 0);
    EXPECT_EQ(ostrel_qr_symbol_module(nullptr, 0, 0), 0);
    EXPECT_EQ(ostrel_qr_symbol_modules(nullptr), nullptr);
    EXPECT_EQ(ostrel_qr_symbol_version(nullptr), 0);
    EXPECT_EQ(ostrel_qr_symbol_level(nullptr), 0);
    EXPECT_EQ(ostrel_qr_symbol_mask(nullptr), -1);
    EXPECT_EQ(ostrel_qr_symbol_symbology(nullptr), -1);
    ostrel_qr_symbol_free(nullptr);
}

TEST(CApi, EveryCodeHasItsOwnMessage) {
    std::set<std::string> messages;
    for (int code = OSTREL_QR_OK; code <= OSTREL_QR_ERROR_LOGO; ++code) {
        const char* message = ostrel_qr_error_message(code);
        ASSERT_NE(message, nullptr);
        EXPECT_TRUE(messages.insert(message).second) << "code " << code << ": " << message;
    }
    const std::string unknown = ostrel_qr_error_message(OSTREL_QR_ERROR_LOGO + 1);
    EXPECT_EQ(messages.count(unknown), 0U);
    EXPECT_EQ(ostrel_qr_error_message(-1), unknown);
    EXPECT_STREQ(ostrel_qr_version_string(), OSTREL_TEST_VERSION);
}

// Threads encoding at the same time get exactly the symbols of one thread alone.
// A structured-append sequence: the symbols of the C++ split, each with its header (position,
// count, parity), in order and NULL after them; refusals leave every pointer NULL and count 0.
TEST(CApi, SequencesAreTheSplitOfTheCppClassesAndRefuseAsDocumented) {
    Bytes data;
    for (int k = 0; k < 700; ++k) {
        const std::string word = k % 3 == 0 ? "\xE4\xBA\x8C" : (k % 3 == 1 ? "42" : "ab");
        data.insert(data.end(), word.begin(), word.end());
    }
    struct Request {
        int Version;
        int Symbols;
        int Mask;
    };
    for (const Request request : {Request{0, 0, 0}, Request{8, 0, OSTREL_QR_MASK_AUTO},
                                  Request{0, 5, 3}, Request{25, 3, 1}}) {
        SCOPED_TRACE(::testing::Message() << "version " << request.Version << ", symbols "
                                          << request.Symbols << ", mask " << request.Mask);
        ostrel_qr_options options = Defaults();
        options.version = request.Version;
        options.mask = request.Mask;
        options.eci = 26;
        std::array<ostrel_qr_symbol*, OSTREL_QR_SEQUENCE_MAX> out{};
        int count = -1;
        ASSERT_EQ(ostrel_qr_encode_sequence(data.data(), data.size(), &options, request.Symbols,
                                            OSTREL_QR_CHARACTERS_UTF8, out.data(), &count),
                  OSTREL_QR_OK);
        clsQRCode encoder;
        encoder.SetEciDesignator(26);
        encoder.SetKanjiMode(false);
        const auto plan = ostrel::clsStructuredAppend::Split(
            encoder, data, options.level, request.Version, request.Symbols,
            ostrel::clsStructuredAppend::Characters::Utf8);
        ASSERT_EQ(count, std::ssize(plan.Parts));
        EXPECT_GE(count, request.Symbols > 0 ? request.Symbols : 2);
        for (int k = 0; k < OSTREL_QR_SEQUENCE_MAX; ++k) {
            if (k >= count) {
                EXPECT_EQ(out[static_cast<std::size_t>(k)], nullptr);
                continue;
            }
            const auto& part = plan.Parts[static_cast<std::size_t>(k)];
            encoder.SetStructuredAppend(clsQRCode::StructuredAppendHeader{k, count, plan.Parity});
            const Bytes piece(data.begin() + part.Offset, data.begin() + part.Offset + part.Length);
            const auto expected =
                request.Mask == OSTREL_QR_MASK_AUTO
                    ? ostrel::clsMaskPenalty::EncodeBestMask(encoder, piece, part.Length,
                                                             plan.Version, options.level)
                    : encoder.EncodeMatrix(piece, part.Length, plan.Version, options.level,
                                           request.Mask);
            ASSERT_TRUE(expected);
            ExpectSame(out[static_cast<std::size_t>(k)], *expected, OSTREL_QR_SYMBOLOGY_QR,
                       expected->Mask);
            ostrel_qr_symbol_free(out[static_cast<std::size_t>(k)]);
        }
    }

    // Refusals: every pointer NULL (stale ones replaced), count 0.
    struct Refusal {
        const char* Name;
        size_t Length;
        int Symbols;
        int Characters;
        int Symbology;
        int Code;
    };
    const Refusal refusals[] = {
        {"too long for 16", 16 * 7089 + 1, 0, 0, OSTREL_QR_SYMBOLOGY_QR,
         OSTREL_QR_ERROR_DATA_TOO_LONG},
        {"too long for 2 of version 1", 200, 2, 0, OSTREL_QR_SYMBOLOGY_QR,
         OSTREL_QR_ERROR_DATA_TOO_LONG},
        {"17 symbols", 100, 17, 0, OSTREL_QR_SYMBOLOGY_QR, OSTREL_QR_ERROR_INVALID_OPTION},
        {"more symbols than characters", 3, 4, 0, OSTREL_QR_SYMBOLOGY_QR,
         OSTREL_QR_ERROR_INVALID_OPTION},
        {"characters 4", 100, 0, 4, OSTREL_QR_SYMBOLOGY_QR, OSTREL_QR_ERROR_INVALID_OPTION},
        {"micro", 100, 0, 0, OSTREL_QR_SYMBOLOGY_MICRO_QR, OSTREL_QR_ERROR_UNSUPPORTED_SYMBOLOGY},
    };
    const Bytes letters(16 * 7089 + 1, 'a');
    alignas(8) unsigned char notASymbol[8] = {};
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.Name);
        ostrel_qr_options options = Defaults();
        options.symbology = refusal.Symbology;
        options.version = refusal.Symbols == 2 ? 1 : 0;
        options.level = OSTREL_QR_LEVEL_M;
        std::array<ostrel_qr_symbol*, OSTREL_QR_SEQUENCE_MAX> out;
        out.fill(reinterpret_cast<ostrel_qr_symbol*>(notASymbol));
        int count = -1;
        EXPECT_EQ(ostrel_qr_encode_sequence(letters.data(), refusal.Length, &options,
                                            refusal.Symbols, refusal.Characters, out.data(),
                                            &count),
                  refusal.Code);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(std::count(out.begin(), out.end(), nullptr), OSTREL_QR_SEQUENCE_MAX);
    }
    int count = 0;
    const ostrel_qr_options options = Defaults();
    EXPECT_EQ(ostrel_qr_encode_sequence(letters.data(), 10, &options, 0, 0, nullptr, &count),
              OSTREL_QR_ERROR_NULL_ARGUMENT);
}

// boost_level 1: the version of the level asked, the highest level that still holds the data
// there, and the very symbol of that version and level asked for plainly; 0 the level asked.
TEST(CApi, BoostLevelRaisesTheLevelWithinTheVersionAsked) {
    struct Case {
        int Symbology;
        int Level;
        std::string Text;
        int Boosted;
    };
    const std::vector<Case> cases = {
        {OSTREL_QR_SYMBOLOGY_QR, OSTREL_QR_LEVEL_L, "abc", OSTREL_QR_LEVEL_H}, // 1-H holds 9
        {OSTREL_QR_SYMBOLOGY_QR, OSTREL_QR_LEVEL_L, std::string(14, 'a'), OSTREL_QR_LEVEL_M},
        {OSTREL_QR_SYMBOLOGY_QR, OSTREL_QR_LEVEL_Q, std::string(17, 'a'), OSTREL_QR_LEVEL_Q},
        {OSTREL_QR_SYMBOLOGY_MICRO_QR, OSTREL_QR_LEVEL_L, "12345", OSTREL_QR_LEVEL_L},  // M1
        {OSTREL_QR_SYMBOLOGY_MICRO_QR, OSTREL_QR_LEVEL_L, "123456", OSTREL_QR_LEVEL_M}, // M2
        {OSTREL_QR_SYMBOLOGY_RMQR, OSTREL_QR_LEVEL_M, "123", OSTREL_QR_LEVEL_H},        // R11x27
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        const Bytes data = ToBytes(c.Text);
        ostrel_qr_options options = Defaults();
        options.symbology = c.Symbology;
        options.level = c.Level;
        ostrel_qr_symbol* plain = nullptr;
        ASSERT_EQ(ostrel_qr_encode(data.data(), data.size(), &options, &plain), OSTREL_QR_OK);
        EXPECT_EQ(ostrel_qr_symbol_level(plain), c.Level);
        options.boost_level = 1;
        ostrel_qr_symbol* boosted = nullptr;
        ASSERT_EQ(ostrel_qr_encode(data.data(), data.size(), &options, &boosted), OSTREL_QR_OK);
        EXPECT_EQ(ostrel_qr_symbol_level(boosted), c.Boosted);
        EXPECT_EQ(ostrel_qr_symbol_version(boosted), ostrel_qr_symbol_version(plain));
        // The same as asking for that version and level.
        options.boost_level = 0;
        options.level = c.Boosted;
        options.version = ostrel_qr_symbol_version(plain);
        ostrel_qr_symbol* asked = nullptr;
        ASSERT_EQ(ostrel_qr_encode(data.data(), data.size(), &options, &asked), OSTREL_QR_OK);
        const auto modules = static_cast<std::size_t>(ostrel_qr_symbol_width(asked)) *
                             static_cast<std::size_t>(ostrel_qr_symbol_height(asked));
        ASSERT_EQ(ostrel_qr_symbol_width(boosted), ostrel_qr_symbol_width(asked));
        EXPECT_EQ(std::memcmp(ostrel_qr_symbol_modules(boosted), ostrel_qr_symbol_modules(asked),
                              modules),
                  0);
        ostrel_qr_symbol_free(plain);
        ostrel_qr_symbol_free(boosted);
        ostrel_qr_symbol_free(asked);
    }
}

// A sequence boosted: one level for every symbol, at least the one asked; parts unchanged.
TEST(CApi, BoostedSequenceHasOneLevel) {
    const Bytes data = ToBytes("0123456789 the quick brown fox jumps over the lazy dog 0123456789");
    ostrel_qr_options options = Defaults();
    options.version = 2;
    options.level = OSTREL_QR_LEVEL_L;
    std::array<ostrel_qr_symbol*, OSTREL_QR_SEQUENCE_MAX> plain{};
    std::array<ostrel_qr_symbol*, OSTREL_QR_SEQUENCE_MAX> boosted{};
    int plainCount = 0;
    int boostedCount = 0;
    ASSERT_EQ(ostrel_qr_encode_sequence(data.data(), data.size(), &options, 3,
                                        OSTREL_QR_CHARACTERS_BYTES, plain.data(), &plainCount),
              OSTREL_QR_OK);
    options.boost_level = 1;
    ASSERT_EQ(ostrel_qr_encode_sequence(data.data(), data.size(), &options, 3,
                                        OSTREL_QR_CHARACTERS_BYTES, boosted.data(), &boostedCount),
              OSTREL_QR_OK);
    ASSERT_EQ(boostedCount, 3);
    ASSERT_EQ(plainCount, 3);
    const int level = ostrel_qr_symbol_level(boosted[0]);
    EXPECT_GT(level, OSTREL_QR_LEVEL_L); // 3 x 22 bytes: version 2-M holds 26 a symbol
    for (int k = 0; k < boostedCount; ++k) {
        EXPECT_EQ(ostrel_qr_symbol_level(boosted[static_cast<std::size_t>(k)]), level);
        EXPECT_EQ(ostrel_qr_symbol_version(boosted[static_cast<std::size_t>(k)]), 2);
        ostrel_qr_symbol_free(plain[static_cast<std::size_t>(k)]);
        ostrel_qr_symbol_free(boosted[static_cast<std::size_t>(k)]);
    }
}

// Each thread keeps one encoder for its calls: settings that change from call to call, in any
// order, give what a new encoder object gives for each call alone. So does one encoder object
// that writes every symbol into one kept symbol (EncodeInto, the class's way without allocation).
TEST(CApi, CallsInAnyOrderGiveTheSymbolOfAFreshEncoder) {
    struct Case {
        int Symbology, Version, Level, Mask, Kanji, Eci, Boost;
        std::string Text;
    };
    std::string kanji; // Kanji mode makes a shorter stream of it than byte mode alone
    for (int k = 0; k < 12; ++k) {
        kanji += "\x88\x9F";
    }
    kanji += " Kanji 0123456789";
    const std::vector<Case> cases = {
        {OSTREL_QR_SYMBOLOGY_QR, 0, 3, 0, 1, 0, 0, kanji},
        {OSTREL_QR_SYMBOLOGY_QR, 0, 3, 0, 0, 0, 0, kanji},
        {OSTREL_QR_SYMBOLOGY_QR, 0, 1, OSTREL_QR_MASK_AUTO, 1, 26, 0, kanji + kanji},
        {OSTREL_QR_SYMBOLOGY_QR, 7, 4, 5, 1, 0, 0, std::string(40, 'A')},
        {OSTREL_QR_SYMBOLOGY_QR, 7, 1, 2, 1, 0, 1, std::string(40, 'A')},
        {OSTREL_QR_SYMBOLOGY_QR, 0, 2, OSTREL_QR_MASK_AUTO, 1, 0, 0, std::string(900, 'q')},
        {OSTREL_QR_SYMBOLOGY_MICRO_QR, 0, 1, OSTREL_QR_MASK_AUTO, 1, 0, 0, kanji.substr(0, 8)},
        {OSTREL_QR_SYMBOLOGY_MICRO_QR, 3, 2, 1, 0, 0, 0, "micro"},
        {OSTREL_QR_SYMBOLOGY_RMQR, 0, 2, 0, 1, 0, 0, kanji},
        {OSTREL_QR_SYMBOLOGY_RMQR, 0, 2, 0, 0, 0, 0, kanji},
        {OSTREL_QR_SYMBOLOGY_RMQR, 12, 4, 0, 0, 3, 1, "rmqr"},
    };
    const auto encode = [](const Case& c, ostrel_qr_symbol** out) {
        ostrel_qr_options options = Defaults();
        options.symbology = c.Symbology;
        options.version = c.Version;
        options.level = c.Level;
        options.mask = c.Mask;
        options.kanji = c.Kanji;
        options.eci = c.Eci;
        options.boost_level = c.Boost;
        return ostrel_qr_encode(reinterpret_cast<const unsigned char*>(c.Text.data()),
                                c.Text.size(), &options, out);
    };
    ostrel::clsSymbolEncoder kept;
    ostrel::clsQRCode::Symbol keptSymbol;
    for (const bool reversed : {false, true}) {
        for (std::size_t k = 0; k < cases.size(); ++k) {
            const Case& c = cases[reversed ? cases.size() - 1 - k : k];
            SCOPED_TRACE(::testing::Message() << "case " << (reversed ? cases.size() - 1 - k : k));
            ostrel::clsSymbolEncoder::Settings settings;
            settings.Kind = static_cast<ostrel::Symbology>(c.Symbology);
            settings.Version = c.Version;
            settings.Level = c.Level;
            if (c.Symbology != OSTREL_QR_SYMBOLOGY_RMQR) {
                settings.Mask = c.Mask;
            }
            settings.Kanji = c.Kanji != 0;
            settings.Eci = c.Eci;
            settings.BoostLevel = c.Boost != 0;
            const auto fresh = ostrel::clsSymbolEncoder().Encode(ToBytes(c.Text), settings);
            ASSERT_TRUE(fresh.Symbol.has_value());
            ostrel_qr_symbol* symbol = nullptr;
            ASSERT_EQ(encode(c, &symbol), OSTREL_QR_OK);
            ExpectSame(symbol, *fresh.Symbol, c.Symbology,
                       c.Symbology == OSTREL_QR_SYMBOLOGY_RMQR ? 0 : fresh.Symbol->Mask);
            ostrel_qr_symbol_free(symbol);
            const auto into = kept.EncodeInto(ToBytes(c.Text), settings, keptSymbol);
            EXPECT_EQ(into.Why, ostrel::clsSymbolEncoder::Refusal::None);
            EXPECT_EQ(into.Level, fresh.Level);
            EXPECT_EQ(keptSymbol.Modules, fresh.Symbol->Modules);
            EXPECT_EQ(std::tie(keptSymbol.Version, keptSymbol.Level, keptSymbol.Mask,
                               keptSymbol.Width, keptSymbol.Height, keptSymbol.Side),
                      std::tie(fresh.Symbol->Version, fresh.Symbol->Level, fresh.Symbol->Mask,
                               fresh.Symbol->Width, fresh.Symbol->Height, fresh.Symbol->Side));
        }
    }
    // A call that makes no symbol leaves the kept one as it was.
    const ostrel::clsQRCode::Symbol last = keptSymbol;
    ostrel::clsSymbolEncoder::Settings micro;
    micro.Kind = ostrel::Symbology::Micro;
    EXPECT_EQ(kept.EncodeInto(ToBytes(std::string(40, 'A')), micro, keptSymbol).Why,
              ostrel::clsSymbolEncoder::Refusal::TooLong);
    EXPECT_EQ(keptSymbol.Modules, last.Modules);
    EXPECT_EQ(keptSymbol.Version, last.Version);
}

TEST(CApi, ConcurrentEncodingsDoNotInterfere) {
    constexpr int kThreads = 4;
    constexpr int kTexts = 12;
    auto encodeAll = [](int thread, std::vector<Bytes>& out) {
        for (int i = 0; i < kTexts; ++i) {
            ostrel_qr_options options = Defaults();
            options.mask = OSTREL_QR_MASK_AUTO;
            options.level = 1 + (i + thread) % 4;
            const std::string text = "text " + std::to_string(i * 7919) + std::string(i * 20, 'Z');
            ostrel_qr_symbol* symbol = nullptr;
            if (ostrel_qr_encode(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                 &options, &symbol) != OSTREL_QR_OK) {
                out.emplace_back();
                continue;
            }
            const unsigned char* modules = ostrel_qr_symbol_modules(symbol);
            const int side = ostrel_qr_symbol_size(symbol);
            out.emplace_back(modules, modules + side * side);
            out.back().push_back(static_cast<std::uint8_t>(ostrel_qr_symbol_mask(symbol)));
            ostrel_qr_symbol_free(symbol);
        }
    };
    std::vector<std::vector<Bytes>> alone(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        encodeAll(t, alone[t]);
    }
    std::vector<std::vector<Bytes>> together(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(encodeAll, t, std::ref(together[t]));
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(together[t].size(), static_cast<std::size_t>(kTexts));
        for (int i = 0; i < kTexts; ++i) {
            EXPECT_FALSE(alone[t][i].empty());
            EXPECT_EQ(together[t][i], alone[t][i]) << "thread " << t << ", text " << i;
        }
    }
}

} // namespace
