#include "ZintOracle.h"

#include <zint.h>

#include <memory>

namespace ostrel::test {

namespace {

// zint's symbol, deleted on every path.
using ZintHandle = std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)>;

// zint keeps the option of its Shift JIS compaction in the low bits of option_3 and the mask,
// plus one, from bit 8 on.
constexpr int kMaskShift = 8;

ZintSymbol Run(zint_symbol* symbol, std::span<const std::uint8_t> data) {
    ZintSymbol result;
    const int status = ZBarcode_Encode(symbol, data.data(), static_cast<int>(data.size()));
    if (status >= ZINT_ERROR) {
        result.Error = symbol->errtxt;
        return result;
    }
    result.Width = symbol->width;
    result.Height = symbol->rows;
    result.Modules.resize(static_cast<std::size_t>(result.Width) * result.Height);
    for (int y = 0; y < result.Height; ++y) {
        for (int x = 0; x < result.Width; ++x) {
            result.Modules[static_cast<std::size_t>(y * result.Width + x)] =
                static_cast<std::uint8_t>((symbol->encoded_data[y][x >> 3] >> (x & 7)) & 1);
        }
    }
    return result;
}

} // namespace

ZintSymbol ZintMicroQR(std::span<const std::uint8_t> data, std::int32_t version, std::int32_t level,
                       std::int32_t mask, bool kanji) {
    const ZintHandle symbol(ZBarcode_Create(), &ZBarcode_Delete);
    symbol->symbology = BARCODE_MICROQR;
    symbol->input_mode = DATA_MODE;
    symbol->option_1 = level;
    symbol->option_2 = version;
    symbol->option_3 =
        (kanji ? ZINT_FULL_MULTIBYTE : 0) | (mask >= 0 ? (mask + 1) << kMaskShift : 0);
    return Run(symbol.get(), data);
}

ZintSymbol ZintRMQR(std::span<const std::uint8_t> data, std::int32_t index, std::int32_t level,
                    bool kanji, std::int32_t eci, std::int32_t height) {
    const ZintHandle symbol(ZBarcode_Create(), &ZBarcode_Delete);
    symbol->symbology = BARCODE_RMQR;
    symbol->input_mode = DATA_MODE;
    symbol->option_1 = level;
    // zint numbers the sizes 1..32 and the automatic choice within heights 7, 9, .., 17 as
    // 33..38.
    symbol->option_2 = index >= 0 || height == 0 ? index + 1 : 33 + (height - 7) / 2;
    symbol->option_3 = kanji ? ZINT_FULL_MULTIBYTE : 0;
    symbol->eci = eci;
    return Run(symbol.get(), data);
}

ZintGs1Symbol ZintGs1(const std::string& bracketed, bool rmqr, std::int32_t version,
                      std::int32_t level, std::int32_t mask) {
    const ZintHandle symbol(ZBarcode_Create(), &ZBarcode_Delete);
    symbol->symbology = rmqr ? BARCODE_RMQR : BARCODE_QRCODE;
    symbol->input_mode = GS1_MODE;
    symbol->option_1 = level;
    symbol->option_2 = rmqr ? version + 1 : version;
    symbol->option_3 = !rmqr && mask >= 0 ? (mask + 1) << kMaskShift : 0;
    ZintGs1Symbol result;
    static_cast<ZintSymbol&>(result) = Run(
        symbol.get(), {reinterpret_cast<const std::uint8_t*>(bracketed.data()), bracketed.size()});
    if (result.Width > 0) {
        result.Warning = symbol->errtxt;
    }
    return result;
}

} // namespace ostrel::test
