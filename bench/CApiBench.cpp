// The C interface in ostrel-qr-bench: ostrel_qr_encode + ostrel_qr_symbol_free, as a program that
// links the library calls them, beside the encoder class doing the same work (clsSymbolEncoder,
// one object kept between calls) and the peers' rows of the other files. Names:
// CApi/<what>/<input>, Class/<what>/<input>, Heap/<path>/<input>.
//
// The Heap rows count the allocations (operator new) of one symbol after warm-up: the C interface
// hands its symbol out on the heap, so one allocation per symbol is its least; the class writes
// into a symbol the caller keeps (EncodeInto), and needs none.
#include "CApiBench.h"

#include "BenchInputs.h"
#include "HeapCounter.h"
#include "clsSymbolEncoder.h"

#include <benchmark/benchmark.h>
#include <ostrel/qr.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ostrel::bench {

namespace {

// One symbol of the comparison: the bytes and the C options that make it.
struct CApiInput {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
    int Symbology = OSTREL_QR_SYMBOLOGY_QR;
    int Version = OSTREL_QR_VERSION_AUTO;
    int Level = OSTREL_QR_LEVEL_Q;
    int Mask = 0;
    int Kanji = 1;
};

std::vector<std::uint8_t> Letters(std::size_t n) {
    const std::string text = "thequickbrownfoxjumpsoverthelazydog";
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(text[i % text.size()]);
    }
    return bytes;
}

ostrel_qr_options OptionsOf(const CApiInput& input) {
    ostrel_qr_options options;
    ostrel_qr_options_init(&options);
    options.symbology = input.Symbology;
    options.version = input.Version;
    options.level = input.Level;
    options.mask = input.Mask;
    options.kanji = input.Kanji;
    return options;
}

clsSymbolEncoder::Settings SettingsOf(const CApiInput& input) {
    clsSymbolEncoder::Settings settings;
    settings.Kind = static_cast<Symbology>(input.Symbology);
    settings.Version = input.Version;
    settings.Level = input.Level;
    if (input.Symbology != OSTREL_QR_SYMBOLOGY_RMQR) {
        settings.Mask = input.Mask;
    }
    settings.Kanji = input.Kanji != 0;
    return settings;
}

// The QR Code inputs of Encode/ (level Q, automatic version, mask 0), the same with the automatic
// mask, and the largest Micro QR and rMQR symbols of Small/ (size, level and mask forced).
const std::vector<CApiInput>& CApiInputs() {
    static const std::vector<CApiInput> inputs = [] {
        std::vector<CApiInput> list;
        for (const Input& input : Inputs()) {
            CApiInput c{input.Name, input.Bytes};
            c.Level = input.Level;
            c.Kanji = input.Kanji ? 1 : 0;
            list.push_back(c);
        }
        for (const char* name : {"abc", "v10_letters", "v40_letters"}) {
            CApiInput c{std::string("mask_auto_") + name, InputNamed(name).Bytes};
            c.Mask = OSTREL_QR_MASK_AUTO;
            list.push_back(c);
        }
        CApiInput micro{"M4_L_15_letters",
                        Letters(15),
                        OSTREL_QR_SYMBOLOGY_MICRO_QR,
                        4,
                        OSTREL_QR_LEVEL_L,
                        0,
                        0};
        list.push_back(micro);
        micro.Name = "M4_L_15_letters_mask_auto";
        micro.Mask = OSTREL_QR_MASK_AUTO;
        list.push_back(micro);
        CApiInput rmqr{"R17x139_M_150_letters",
                       Letters(150),
                       OSTREL_QR_SYMBOLOGY_RMQR,
                       32,
                       OSTREL_QR_LEVEL_M,
                       0,
                       0};
        list.push_back(rmqr);
        return list;
    }();
    return inputs;
}

void CApiEncode(benchmark::State& state, const CApiInput& input) {
    const ostrel_qr_options options = OptionsOf(input);
    int width = 0;
    for (auto _ : state) {
        ostrel_qr_symbol* symbol = nullptr;
        const int status =
            ostrel_qr_encode(input.Bytes.data(), input.Bytes.size(), &options, &symbol);
        if (status != OSTREL_QR_OK) {
            state.SkipWithError(ostrel_qr_error_message(status));
            break;
        }
        benchmark::DoNotOptimize(ostrel_qr_symbol_modules(symbol));
        width = ostrel_qr_symbol_width(symbol);
        ostrel_qr_symbol_free(symbol);
    }
    state.counters["width"] = width;
}

// One encoder object and one symbol kept between calls (EncodeInto), as a program that makes
// many symbols keeps them.
void ClassEncode(benchmark::State& state, const CApiInput& input) {
    clsSymbolEncoder encoder;
    clsQRCode::Symbol symbol;
    const clsSymbolEncoder::Settings settings = SettingsOf(input);
    for (auto _ : state) {
        if (encoder.EncodeInto(input.Bytes, settings, symbol).Why !=
            clsSymbolEncoder::Refusal::None) {
            state.SkipWithError("no symbol");
            break;
        }
        benchmark::DoNotOptimize(symbol.Modules.data());
    }
    state.counters["width"] = symbol.Columns();
}

// Allocations and bytes of one symbol after ten calls of warm-up; make() makes one and drops it.
template <typename Make> void CountHeap(benchmark::State& state, Make make) {
    for (int warm = 0; warm < 10; ++warm) {
        make();
    }
    std::int64_t allocations = 0;
    std::int64_t peak = 0;
    std::int64_t retained = 0;
    for (auto _ : state) {
        const std::int64_t before = heap::LiveBytes();
        const std::int64_t count = heap::Allocations();
        heap::ResetPeak();
        make();
        allocations = std::max(allocations, heap::Allocations() - count);
        peak = std::max(peak, heap::PeakBytes() - before);
        retained = std::max(retained, heap::LiveBytes() - before);
    }
    state.counters["allocations"] = static_cast<double>(allocations);
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["retained_bytes"] = static_cast<double>(retained);
}

void HeapCApi(benchmark::State& state, const CApiInput& input) {
    const ostrel_qr_options options = OptionsOf(input);
    CountHeap(state, [&] {
        ostrel_qr_symbol* symbol = nullptr;
        ostrel_qr_encode(input.Bytes.data(), input.Bytes.size(), &options, &symbol);
        benchmark::DoNotOptimize(symbol);
        ostrel_qr_symbol_free(symbol);
    });
}

void HeapClass(benchmark::State& state, const CApiInput& input) {
    clsSymbolEncoder encoder;
    clsQRCode::Symbol symbol;
    const clsSymbolEncoder::Settings settings = SettingsOf(input);
    CountHeap(state, [&] {
        encoder.EncodeInto(input.Bytes, settings, symbol);
        benchmark::DoNotOptimize(symbol.Modules.data());
    });
}

} // namespace

int RunDriver(const std::string& path, const std::string& name, long calls) {
    for (const CApiInput& input : CApiInputs()) {
        if (input.Name != name) {
            continue;
        }
        const ostrel_qr_options options = OptionsOf(input);
        clsSymbolEncoder encoder;
        clsQRCode::Symbol symbol;
        const clsSymbolEncoder::Settings settings = SettingsOf(input);
        long made = 0;
        for (long k = 0; k < calls; ++k) {
            if (path == "capi") {
                ostrel_qr_symbol* symbol = nullptr;
                made += ostrel_qr_encode(input.Bytes.data(), input.Bytes.size(), &options,
                                         &symbol) == OSTREL_QR_OK;
                ostrel_qr_symbol_free(symbol);
            } else {
                made += encoder.EncodeInto(input.Bytes, settings, symbol).Why ==
                                clsSymbolEncoder::Refusal::None
                            ? 1
                            : 0;
            }
        }
        std::printf("driver: %s %s, %ld of %ld calls made a symbol\n", path.c_str(), name.c_str(),
                    made, calls);
        return made == calls ? 0 : 1;
    }
    std::fprintf(stderr, "driver: no input %s\n", name.c_str());
    return 2;
}

// Called from main(): the inputs are made with the encoder, whose tables are not ready before.
void RegisterCApi() {
    for (const CApiInput& input : CApiInputs()) {
        benchmark::RegisterBenchmark(("CApi/encode/" + input.Name).c_str(), CApiEncode, input);
        benchmark::RegisterBenchmark(("Class/encode/" + input.Name).c_str(), ClassEncode, input);
    }
    for (const char* name : {"abc", "v40_letters", "mask_auto_v40_letters", "M4_L_15_letters",
                             "M4_L_15_letters_mask_auto", "R17x139_M_150_letters"}) {
        for (const CApiInput& input : CApiInputs()) {
            if (input.Name == name) {
                benchmark::RegisterBenchmark(("Heap/capi/" + input.Name).c_str(), HeapCApi, input)
                    ->Iterations(100);
                benchmark::RegisterBenchmark(("Heap/class/" + input.Name).c_str(), HeapClass, input)
                    ->Iterations(100);
            }
        }
    }
}

} // namespace ostrel::bench
