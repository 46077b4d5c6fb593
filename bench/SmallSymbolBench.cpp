// Micro QR and rMQR in ostrel-qr-bench: our encoders beside libzint making the same symbol (the
// largest of each kind, its size, level and mask forced in both, the same data), so that both do
// the same work. Names: Small/<encoder>/<symbol>. The counter same_symbol says whether the two
// matrices agree module for module (checked once per run, outside the timing).
#include "clsMicroQRCode.h"
#include "clsRMQRCode.h"
#include "clsRMQRTable.h"

#include <benchmark/benchmark.h>
#include <zint.h>

#include <memory>
#include <string>
#include <vector>

namespace ostrel::bench {

namespace {

// One symbol of the comparison: the data, Micro QR version (0: rMQR) or rMQR size index, level
// and mask.
struct SmallInput {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
    std::int32_t MicroVersion = 0;
    std::int32_t RMQRIndex = -1;
    std::int32_t Level = 0;
    std::int32_t Mask = 0;
};

std::vector<std::uint8_t> Letters(std::size_t n) {
    const std::string text = "thequickbrownfoxjumpsoverthelazydog";
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(text[i % text.size()]);
    }
    return bytes;
}

const std::vector<SmallInput>& SmallInputs() {
    static const std::vector<SmallInput> inputs = [] {
        std::vector<SmallInput> list;
        // M4 at level L holds 15 bytes; R17x139 at level M 150.
        list.push_back({"M4_L_15_letters", Letters(15), 4, -1, 1, 0});
        list.push_back({"R17x139_M_150_letters", Letters(150), 0, 31, 2, 0});
        return list;
    }();
    return inputs;
}

using ZintHandle = std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)>;

// zint made to make the same symbol: size, level and (Micro QR) mask forced, bytes as they are.
int ZintEncode(zint_symbol* symbol, const SmallInput& input) {
    ZBarcode_Clear(symbol);
    symbol->input_mode = DATA_MODE;
    symbol->option_1 = input.Level;
    if (input.MicroVersion > 0) {
        symbol->symbology = BARCODE_MICROQR;
        symbol->option_2 = input.MicroVersion;
        symbol->option_3 = (input.Mask + 1) << 8;
    } else {
        symbol->symbology = BARCODE_RMQR;
        symbol->option_2 = input.RMQRIndex + 1;
    }
    return ZBarcode_Encode(symbol, input.Bytes.data(), static_cast<int>(input.Bytes.size()));
}

std::optional<clsQRCode::Symbol> OursEncode(clsMicroQRCode& micro, clsRMQRCode& rmqr,
                                            const SmallInput& input) {
    const auto length = static_cast<std::int32_t>(input.Bytes.size());
    if (input.MicroVersion > 0) {
        return micro.EncodeMatrix(input.Bytes, length, input.MicroVersion, input.Level, input.Mask);
    }
    return rmqr.EncodeMatrix(input.Bytes, length, input.RMQRIndex, input.Level);
}

bool SameSymbol(const clsQRCode::Symbol& ours, const zint_symbol* zint) {
    if (ours.Columns() != zint->width || ours.Rows() != zint->rows) {
        return false;
    }
    for (int y = 0; y < zint->rows; ++y) {
        for (int x = 0; x < zint->width; ++x) {
            const bool dark = ((zint->encoded_data[y][x >> 3] >> (x & 7)) & 1) != 0;
            if (dark != (ours.At(x, y) != 0)) {
                return false;
            }
        }
    }
    return true;
}

void Ours(benchmark::State& state, const SmallInput& input) {
    clsMicroQRCode micro;
    clsRMQRCode rmqr;
    micro.SetKanjiMode(false);
    rmqr.SetKanjiMode(false);
    for (auto _ : state) {
        auto symbol = OursEncode(micro, rmqr, input);
        benchmark::DoNotOptimize(symbol);
    }
    const auto symbol = OursEncode(micro, rmqr, input);
    const ZintHandle zint(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbol || ZintEncode(zint.get(), input) >= ZINT_ERROR) {
        state.SkipWithError("no symbol");
        return;
    }
    state.counters["same_symbol"] = SameSymbol(*symbol, zint.get()) ? 1 : 0;
}

void Zint(benchmark::State& state, const SmallInput& input) {
    const ZintHandle zint(ZBarcode_Create(), &ZBarcode_Delete);
    for (auto _ : state) {
        const int status = ZintEncode(zint.get(), input);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(zint->encoded_data[0][0]);
    }
}

// Registered before main() runs the benchmarks.
const bool kRegistered = [] {
    for (const SmallInput& input : SmallInputs()) {
        benchmark::RegisterBenchmark(("Small/ours/" + input.Name).c_str(), Ours, input);
        benchmark::RegisterBenchmark(("Small/zint/" + input.Name).c_str(), Zint, input);
    }
    return true;
}();

} // namespace

} // namespace ostrel::bench
