// The C interface under random settings and data, in range and out of it.
//
// Input layout: bytes 0..5 pick symbology (-1..3), version (-3..43), level (-1..6), mask
// (-3..9), kanji (-1..2; bits 2..3 of byte 4 boost_level, -1..2) and the ECI designator (-1,
// 0, 1..999999 or 1000000, from byte 5 and the next two), byte 8 bit 0 a reserved field set, bit 1
// a null data pointer, bit 2 a length beyond the largest symbol's capacity (which the C interface
// must refuse before it reads a byte: the buffer ends with the data); the rest is the data.
//
// Checks: the result is OK exactly when every setting is in range and the data fit; an error
// leaves no symbol; a symbol is square, 17 + 4 version modules a side, the version asked for (or
// with an automatic version the smallest that holds the data: one less fails), with the level
// and mask asked for (with boost_level 1 the highest level at that version whose encode
// succeeds), and agrees with clsQRCode::EncodeMatrix module for module. Micro QR and
// rMQR symbols (settings in their own ranges) agree with clsMicroQRCode and clsRMQRCode.
//
// The same input then builds a payload: byte 0 picks the kind (one past the last: an unknown
// one), byte 1 the size of the message buffer (0..63), byte 2 bit 0 a stamp: from bytes 3..6,
// byte 7 choosing 0 or 9999-12-31T23:59:59Z give or take a second, or -2^31 .. 2^31; the data,
// split at NUL bytes, are name and value in turn, a name whose first byte is below 0x20 standing
// for the kind's field of that number. Checks: one of the documented codes; a payload exactly when
// OK, equal to PayloadBuilder's for the same fields, UTF-8 with a NUL after it and none inside; the
// message the cut of the whole one at the buffer size, never inside a character.
#include <ostrel/qr.h>

#include "PayloadBuilder.h"
#include "clsMicroQRCode.h"
#include "clsQRCode.h"
#include "clsRMQRCode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, int status) {
    std::fprintf(stderr, "CApiFuzzer: %s (status %d: %s)\n", what, status,
                 ostrel_qr_error_message(status));
    std::abort();
}

// Micro QR and rMQR: OK exactly when the settings are in the symbology's ranges and the C++
// class makes a symbol, which the C symbol then shows module for module.
void CheckSmallSymbol(const ostrel_qr_options& options, const std::uint8_t* bytes,
                      std::size_t length, std::size_t available, bool reserved, int status,
                      const ostrel_qr_symbol* symbol) {
    const bool micro = options.symbology == OSTREL_QR_SYMBOLOGY_MICRO_QR;
    const bool valid =
        !reserved && (bytes != nullptr || length == 0) && options.kanji >= 0 &&
        options.boost_level >= 0 && options.boost_level <= 1 && options.kanji <= 1 &&
        options.version >= 0 &&
        (micro ? options.version <= 4 && options.level >= 1 && options.level <= 3 &&
                     options.mask >= -1 && options.mask <= 3 && options.eci == 0
               : options.version <= 32 && (options.level == 2 || options.level == 4) &&
                     (options.mask == -1 || options.mask == 0) && options.eci >= 0 &&
                     options.eci <= 999999);
    std::optional<ostrel::clsQRCode::Symbol> expected;
    if (valid && length <= available) {
        const std::span<const std::uint8_t> view(bytes, length);
        const auto n = static_cast<std::int32_t>(length);
        ostrel::clsMicroQRCode microEncoder;
        microEncoder.SetKanjiMode(options.kanji != 0);
        ostrel::clsRMQRCode rmqrEncoder;
        rmqrEncoder.SetKanjiMode(options.kanji != 0);
        rmqrEncoder.SetEciDesignator(options.eci);
        const auto encode = [&](int version, int level) {
            return micro ? microEncoder.EncodeMatrix(view, n, version, level, options.mask)
                         : rmqrEncoder.EncodeMatrix(view, n, version - 1, level);
        };
        expected = encode(options.version, options.level);
        // boost_level: the highest level whose encode at the same version succeeds.
        for (int level = 4; expected && options.boost_level == 1 && level > options.level;
             --level) {
            if (auto higher = encode(expected->Version, level)) {
                expected = std::move(higher);
                break;
            }
        }
    }
    if ((status == OSTREL_QR_OK) != expected.has_value() ||
        (status == OSTREL_QR_OK) != (symbol != nullptr)) {
        Fail("Micro QR or rMQR: a symbol where the C++ class makes none, or none where it does",
             status);
    }
    if (!expected) {
        return;
    }
    if (ostrel_qr_symbol_width(symbol) != expected->Columns() ||
        ostrel_qr_symbol_height(symbol) != expected->Rows() ||
        ostrel_qr_symbol_version(symbol) != expected->Version ||
        ostrel_qr_symbol_level(symbol) != expected->Level) {
        Fail("Micro QR or rMQR: the symbol has the wrong size, version or level", status);
    }
    for (int y = 0; y < expected->Rows(); ++y) {
        for (int x = 0; x < expected->Columns(); ++x) {
            if (ostrel_qr_symbol_module(symbol, x, y) != expected->At(x, y)) {
                Fail("Micro QR or rMQR: a module differs from the C++ class's", status);
            }
        }
    }
}

int Designator(const std::uint8_t* data) {
    const int raw = (data[5] << 16) | (data[6] << 8) | data[7];
    switch (data[5] % 4) {
    case 0:
        return 0;
    case 1:
        return -1 - (raw & 0xFF);
    case 2:
        return 1000000 + (raw & 0xFF);
    default:
        return 1 + raw % 999999;
    }
}

// Draws a symbol with render settings taken from the input, in and out of range: a file comes
// back only for settings in range, and nothing is handed out on an error.
void CheckRender(const ostrel_qr_symbol* symbol, const std::uint8_t* data, std::size_t size) {
    std::uint32_t mix = 2166136261U; // FNV-1a over the whole input
    for (std::size_t i = 0; i < size; ++i) {
        mix = (mix ^ data[i]) * 16777619U;
    }
    ostrel_qr_render_options render;
    ostrel_qr_render_options_init(&render);
    render.format = static_cast<int>(mix % 10) - 1;       // -1..8, 8 formats
    render.scale = static_cast<int>((mix >> 4) % 14) - 1; // -1..12
    render.quiet_zone = static_cast<int>((mix >> 8) % 8) - 2;
    render.unit = static_cast<int>((mix >> 11) % 5); // 0..4, 4 units
    const int sizing = static_cast<int>((mix >> 14) % 6);
    render.module_size = sizing == 1 ? 0.3 : sizing == 2 ? -1.0 : 0;
    render.size = sizing == 3 ? 2.5 : sizing == 4 ? 1e9 : 0;
    render.dpi = (mix >> 17) % 3 == 0 ? static_cast<int>((mix >> 19) % 2600) : 0;
    render.cmyk = static_cast<int>((mix >> 20) % 5 == 0);
    render.invert = static_cast<int>((mix >> 21) % 5 == 0);
    if ((mix >> 22) % 4 == 0) {
        render.foreground = mix;
    }
    unsigned char* file = reinterpret_cast<unsigned char*>(&render);
    std::size_t length = 1;
    const int status = ostrel_qr_render(symbol, &render, &file, &length);
    if (status != OSTREL_QR_OK) {
        if (file != nullptr || length != 0) {
            Fail("a refused rendering handed out a file", status);
        }
        if (status != OSTREL_QR_ERROR_INVALID_RENDER_OPTION && status != OSTREL_QR_ERROR_SIZE) {
            Fail("a rendering failed for another reason than its settings", status);
        }
        return;
    }
    if (file == nullptr || length == 0 || render.format < 0 || render.format > 7 ||
        render.scale < 1 || render.unit > 3 || sizing == 2) {
        Fail("a rendering with settings out of range, or an empty file", status);
    }
    ostrel_qr_free(file);
}

// The stamp of an input: around the ends of the range the C function takes, or anywhere in a
// 32-bit count of seconds either side of 1970.
long long StampOf(const std::uint8_t* data) {
    const std::int64_t raw =
        (std::int64_t{data[3]} << 24) | (data[4] << 16) | (data[5] << 8) | data[6];
    switch (data[7] % 4) {
    case 0:
        return raw % 3 - 1; // -1, 0, 1
    case 1:
        return 253402300799LL + raw % 3 - 1;
    default:
        return raw - (std::int64_t{1} << 31);
    }
}

void CheckPayload(const std::uint8_t* data, std::size_t size) {
    using ostrel::payload::PayloadBuilder;
    const auto kindIndex = static_cast<int>(data[0] % (ostrel_qr_payload_kind_count() + 1));
    const char* name = ostrel_qr_payload_kind_name(kindIndex);
    const std::string kind = name != nullptr ? name : "no such kind";
    const int fieldCount = ostrel_qr_payload_field_count(kind.c_str());
    std::vector<std::string> tokens(1);
    for (std::size_t k = 9; k < size; ++k) {
        if (data[k] == 0) {
            tokens.emplace_back();
        } else {
            tokens.back() += static_cast<char>(data[k]);
        }
    }
    std::vector<const char*> names;
    std::vector<const char*> values;
    ostrel::payload::PayloadFields fields;
    for (std::size_t k = 0; k + 1 < tokens.size(); k += 2) {
        const auto first = tokens[k].empty() ? 0x20 : static_cast<std::uint8_t>(tokens[k][0]);
        const char* known =
            first < 0x20 && fieldCount > 0
                ? ostrel_qr_payload_field_name(kind.c_str(), first % fieldCount, nullptr)
                : nullptr;
        names.push_back(known != nullptr ? known : tokens[k].c_str());
        values.push_back(tokens[k + 1].c_str());
        fields.Add(names.back(), values.back());
    }
    const bool hasStamp = (data[2] & 1) != 0;
    const long long stamp = StampOf(data);
    const bool stampValid = !hasStamp || (stamp >= 0 && stamp <= 253402300799LL);
    unsigned char* out = reinterpret_cast<unsigned char*>(&tokens);
    std::size_t length = 12345;
    std::vector<char> message(2 * size + 1024); // room for any message: names and kind echoed
    char* whole = message.data();
    const int status =
        ostrel_qr_payload_build(kind.c_str(), names.data(), values.data(), names.size(), stamp,
                                hasStamp ? 1 : 0, &out, &length, whole, message.size());
    const auto kindOf = PayloadBuilder::KindByName(kind);
    if (!stampValid || !kindOf) {
        if (status !=
            (stampValid ? OSTREL_QR_ERROR_UNKNOWN_PAYLOAD_KIND : OSTREL_QR_ERROR_INVALID_OPTION)) {
            Fail("a bad stamp or kind gets another code", status);
        }
    } else {
        const auto expected = PayloadBuilder::Build(
            *kindOf, fields, hasStamp ? std::optional<std::int64_t>(stamp) : std::nullopt);
        if (status != (expected.Ok() ? OSTREL_QR_OK : OSTREL_QR_ERROR_INVALID_PAYLOAD) ||
            (expected.Ok() ? std::strcmp(whole, "") != 0 : expected.Error != whole)) {
            Fail("the code or message differs from PayloadBuilder's", status);
        }
        if (expected.Ok() &&
            (length != expected.Bytes.size() || out == nullptr || out[length] != 0 ||
             std::memcmp(out, expected.Bytes.data(), length) != 0 ||
             std::strlen(reinterpret_cast<const char*>(out)) != length ||
             !ostrel::payload::PayloadFields::IsUtf8(expected.Bytes))) {
            Fail("the payload is not PayloadBuilder's, or has a NUL, or is not UTF-8", status);
        }
    }
    if (status != OSTREL_QR_OK && (out != nullptr || length != 0 || whole[0] == '\0')) {
        Fail("an error left a payload or no message", status);
    }
    ostrel_qr_free(out);

    // The message again in a buffer of 0..63 bytes, one guard byte after it.
    const std::size_t room = data[1] % 64;
    std::vector<char> cut(room + 1, '#');
    ostrel_qr_payload_build(kind.c_str(), names.data(), values.data(), names.size(), stamp,
                            hasStamp ? 1 : 0, &out, &length, cut.data(), room);
    ostrel_qr_free(out);
    const std::size_t kept = room == 0 ? 0 : std::strlen(cut.data());
    const std::size_t full = std::strlen(whole);
    if (cut[room] != '#' || (room != 0 && kept >= room) ||
        std::memcmp(cut.data(), whole, kept) != 0 ||
        (kept < full &&
         (kept + 4 < room || ((static_cast<unsigned char>(whole[kept]) & 0xC0) == 0x80 &&
                              ostrel::payload::PayloadFields::IsUtf8(whole))))) {
        Fail("the message is not cut at the buffer's end before a whole character", status);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 9;
    if (size < kHeader) {
        return 0;
    }
    CheckPayload(data, size);
    ostrel_qr_options options;
    ostrel_qr_options_init(&options);
    options.symbology = data[0] % 5 - 1;
    options.version = data[1] % 47 - 3;
    options.level = data[2] % 8 - 1;
    options.mask = data[3] % 13 - 3;
    options.kanji = data[4] % 4 - 1;
    options.boost_level = (data[4] >> 2) % 4 - 1;
    options.eci = Designator(data);
    const bool reserved = (data[8] & 1) != 0;
    const bool nullData = (data[8] & 2) != 0;
    options.reserved[3] = reserved ? 1 : 0;
    const std::vector<std::uint8_t> input(data + kHeader, data + size);
    constexpr std::size_t kLargestSymbolBytes = 7089;
    const int beyond = data[8] >> 3; // 0..31: 7090, 7091, 7093, ... and SIZE_MAX
    const std::size_t length = (data[8] & 4) == 0 ? input.size()
                               : beyond == 31     ? SIZE_MAX
                                              : kLargestSymbolBytes + (std::size_t{1} << beyond);

    // A copy that ends exactly at the data, so that a read beyond it is caught.
    auto* bytes = nullData
                      ? nullptr
                      : static_cast<std::uint8_t*>(std::malloc(input.empty() ? 1 : input.size()));
    if (bytes != nullptr && !input.empty()) {
        std::copy(input.begin(), input.end(), bytes);
    }
    ostrel_qr_symbol* symbol = reinterpret_cast<ostrel_qr_symbol*>(&options);
    const int status = ostrel_qr_encode(bytes, length, &options, &symbol);
    if (options.symbology == OSTREL_QR_SYMBOLOGY_MICRO_QR ||
        options.symbology == OSTREL_QR_SYMBOLOGY_RMQR) {
        CheckSmallSymbol(options, bytes, length, input.size(), reserved, status, symbol);
        if (status == OSTREL_QR_OK) {
            CheckRender(symbol, data, size);
        }
        ostrel_qr_symbol_free(status == OSTREL_QR_OK ? symbol : nullptr);
        std::free(bytes);
        return 0;
    }

    const bool settingsValid =
        options.symbology == OSTREL_QR_SYMBOLOGY_QR && options.version >= 0 &&
        options.version <= 40 && options.level >= 1 && options.level <= 4 && options.mask >= -1 &&
        options.mask <= 7 && options.kanji >= 0 && options.kanji <= 1 && options.eci >= 0 &&
        options.eci <= 999999 && options.boost_level >= 0 && options.boost_level <= 1 && !reserved;
    const bool argumentsValid = settingsValid && (bytes != nullptr || length == 0);
    if (status != OSTREL_QR_OK) {
        if (symbol != nullptr) {
            Fail("an error left a symbol", status);
        }
        if (argumentsValid && status != OSTREL_QR_ERROR_DATA_TOO_LONG) {
            Fail("valid settings refused", status);
        }
        std::free(bytes);
        return 0;
    }
    if (!argumentsValid || length > input.size()) {
        Fail("a symbol for invalid settings, or for data beyond the buffer", status);
    }

    const int side = ostrel_qr_symbol_size(symbol);
    const int version = ostrel_qr_symbol_version(symbol);
    if (side != 17 + 4 * version || ostrel_qr_symbol_width(symbol) != side ||
        ostrel_qr_symbol_height(symbol) != side || version < 1 || version > 40 ||
        (options.version != 0 && version != options.version)) {
        Fail("the symbol has the wrong size or version", status);
    }
    const int mask = ostrel_qr_symbol_mask(symbol);
    ostrel::clsQRCode encoder;
    encoder.SetKanjiMode(options.kanji != 0);
    encoder.SetEciDesignator(options.eci);
    const auto n = static_cast<std::int32_t>(length);
    const std::span<const std::uint8_t> view(bytes, length);
    // boost_level: the highest level whose encode at the symbol's version succeeds.
    int level = options.level;
    for (int higher = 4; options.boost_level == 1 && higher > options.level; --higher) {
        if (encoder.EncodeMatrix(view, n, version, higher, mask)) {
            level = higher;
            break;
        }
    }
    if (ostrel_qr_symbol_level(symbol) != level || mask < 0 || mask > 7 ||
        (options.mask >= 0 && mask != options.mask)) {
        Fail("the symbol has another level or mask", status);
    }
    if (options.version == 0 && version > 1 &&
        encoder.EncodeMatrix(view, n, version - 1, options.level, mask)) {
        Fail("automatic choice is not the smallest version", status);
    }
    const std::optional<ostrel::clsQRCode::Symbol> expected =
        encoder.EncodeMatrix(view, n, version, level, mask);
    if (!expected) {
        Fail("the C++ encoder makes no symbol for these settings", status);
    }
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (ostrel_qr_symbol_module(symbol, x, y) != expected->At(x, y)) {
                Fail("a module differs from clsQRCode's", status);
            }
        }
    }
    CheckRender(symbol, data, size);
    ostrel_qr_symbol_free(symbol);
    std::free(bytes);
    return 0;
}
