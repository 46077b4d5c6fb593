// Encode under random input and random settings: version -5..45, level -2..6, mask -2..10,
// Kanji mode on or off.
//
// Input layout: bytes 0..2 pick version, level and mask, byte 3 the options (bit 0 Kanji mode,
// bit 1 a length argument beyond the data), the rest is the data.
//
// Checks:
// - a negative version gives no picture; a version of 0 or above 40 means automatic;
// - data that byte mode alone would fit (into the given version, or into version 40 when
//   automatic) always gives a picture;
// - a picture is (side + 8) pixels square for the version used (the given one, or when automatic
//   the smallest that holds the data: one version less must give nothing), with a white quiet
//   zone of four modules;
// - zxing-cpp decodes every picture back to exactly the input bytes, with the level asked for
//   (M for a level outside 1..4), and not mirrored.
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using ostrel::clsQRCode;
using Bytes = std::vector<std::uint8_t>;

[[noreturn]] void Fail(const char* what, std::int32_t version, std::int32_t level,
                       std::int32_t mask, std::size_t length) {
    std::fprintf(stderr, "EncodeFuzzer: %s (version %d, level %d, mask %d, %zu bytes)\n", what,
                 version, level, mask, length);
    std::abort();
}

// What zxing-cpp read: the bytes, the level letter of the format information, and whether the
// symbol was found mirrored (transposed), which a correct symbol never is.
struct Reading {
    Bytes Data;
    std::wstring Level;
    bool Mirrored = false;
};

std::optional<Reading> Decode(const QImage& picture, int scale, bool pure) {
    const QImage big = ostrel::mdlTilvane::StretchPicture(picture, picture.width() * scale,
                                                          picture.height() * scale)
                           .convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryRotate(false);
    hints.setIsPure(pure);
    const ZXing::Result result = ZXing::ReadBarcode(
        ZXing::ImageView(big.constBits(), big.width(), big.height(), ZXing::ImageFormat::Lum,
                         static_cast<int>(big.bytesPerLine())),
        hints);
    if (!result.isValid()) {
        return std::nullopt;
    }
    return Reading{Bytes(result.bytes().begin(), result.bytes().end()), result.ecLevel(),
                   result.isMirrored()};
}

// The largest byte count that one byte segment carries in the version and level.
std::int32_t ByteCapacity(const clsQRCode& qr, std::int32_t version, std::int32_t level) {
    const std::int32_t countBits = version < 10 ? 8 : 16;
    return (8 * qr.GetDataCodewords(level, version) - 4 - countBits) / 8;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    static clsQRCode qr;
    const std::int32_t version = static_cast<std::int32_t>(data[0] % 51) - 5; // -5..45
    const std::int32_t level = static_cast<std::int32_t>(data[1] % 9) - 2;    // -2..6
    const std::int32_t mask = static_cast<std::int32_t>(data[2] % 13) - 2;    // -2..10
    qr.SetKanjiMode((data[3] & 1) != 0);
    const Bytes input(data + 4, data + size);
    const auto used = static_cast<std::int32_t>(input.size());
    const std::int32_t length = (data[3] & 2) != 0 ? used + 1 + (data[3] >> 2) : used;

    const QImage picture = qr.Encode(input, length, version, level, mask);
    const std::int32_t effectiveLevel = level >= 1 && level <= 4 ? level : 2;
    const bool automatic = version == 0 || version > clsQRCode::MaxVersion;

    if (picture.isNull()) {
        if (version < 0) {
            return 0;
        }
        const std::int32_t limit =
            ByteCapacity(qr, automatic ? clsQRCode::MaxVersion : version, effectiveLevel);
        if (used <= limit) {
            Fail("no picture for data that byte mode fits", version, level, mask, input.size());
        }
        return 0;
    }
    if (version < 0) {
        Fail("a picture for a negative version", version, level, mask, input.size());
    }

    // Size: side + 8 for the version used.
    if (picture.width() != picture.height()) {
        Fail("the picture is not square", version, level, mask, input.size());
    }
    const std::int32_t side = picture.width() - 8;
    const std::int32_t usedVersion = (side - 17) / 4;
    if ((side - 17) % 4 != 0 || usedVersion < 1 || usedVersion > clsQRCode::MaxVersion ||
        (!automatic && usedVersion != version)) {
        Fail("the picture has the wrong size", version, level, mask, input.size());
    }
    if (automatic && usedVersion > 1 &&
        qr.EncodeMatrix(input, length, usedVersion - 1, level, mask)) {
        Fail("automatic choice is not the smallest version", version, level, mask, input.size());
    }

    // Quiet zone: four white modules on every side.
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const auto white = qRgb(0xFF, 0xFF, 0xFF);
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const bool zone = x < 4 || y < 4 || x >= side + 4 || y >= side + 4;
            if (zone && rgb.pixel(x, y) != white) {
                Fail("a dark pixel in the quiet zone", version, level, mask, input.size());
            }
        }
    }

    // The pure-symbol reader at scale 2 is cheap; zxing-cpp 1.4's general detector misses some
    // large symbols at exactly that scale, so it gets the picture at scale 3 as a second chance.
    std::optional<Reading> decoded = Decode(picture, 2, true);
    if (!decoded) {
        decoded = Decode(picture, 3, false);
    }
    if (!decoded) {
        Fail("zxing-cpp does not decode the picture", version, level, mask, input.size());
    }
    if (decoded->Data != input) {
        Fail("zxing-cpp decodes other bytes", version, level, mask, input.size());
    }
    static const std::wstring kLevels[] = {L"L", L"M", L"Q", L"H"};
    if (decoded->Level != kLevels[effectiveLevel - 1]) {
        Fail("the symbol carries another level", version, level, mask, input.size());
    }
    if (decoded->Mirrored) {
        Fail("zxing-cpp found the symbol mirrored", version, level, mask, input.size());
    }
    return 0;
}
