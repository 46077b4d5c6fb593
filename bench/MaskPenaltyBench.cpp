// The cost of choosing the mask: the penalty score of one finished symbol, and the whole
// best-of-eight encoding, beside one encoding with a fixed mask and beside libqrencode, which
// always evaluates the eight masks. Names: Mask/<what>/<input>.
#include "clsMaskPenalty.h"
#include "clsQRCode.h"

#include <benchmark/benchmark.h>
#include <qrencode.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ostrel::bench {

namespace {

constexpr std::int32_t kLevelM = 2;
constexpr std::int32_t kLevelQ = 3;

// A label of the kind that batch runs print (version 3-M), and 1200 letters (version 29-M).
std::string Label() {
    return "https://example.com/item/SN-000123456?lot=42";
}
std::string Letters(std::size_t count = 1200) {
    const std::string pangram = "thequickbrownfoxjumpsoverthelazydog";
    std::string text;
    while (text.size() < count) {
        text += pangram;
    }
    text.resize(count);
    return text;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

void Evaluate(benchmark::State& state, const std::string& text) {
    clsQRCode qr;
    const auto bytes = Bytes(text);
    const auto symbol =
        qr.EncodeMatrix(bytes, static_cast<std::int32_t>(bytes.size()), 0, kLevelM, 0);
    if (!symbol) {
        state.SkipWithError("no symbol");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(clsMaskPenalty::Evaluate(*symbol));
    }
    state.counters["version"] = symbol->Version;
}

void FixedMask(benchmark::State& state, const std::string& text, std::int32_t level = kLevelM) {
    clsQRCode qr;
    const auto bytes = Bytes(text);
    for (auto _ : state) {
        auto symbol = qr.EncodeMatrix(bytes, static_cast<std::int32_t>(bytes.size()), 0, level, 0);
        benchmark::DoNotOptimize(symbol);
    }
}

void BestMask(benchmark::State& state, const std::string& text, std::int32_t level = kLevelM) {
    clsQRCode qr;
    const auto bytes = Bytes(text);
    std::int32_t mask = -1;
    for (auto _ : state) {
        auto symbol = clsMaskPenalty::EncodeBestMask(
            qr, bytes, static_cast<std::int32_t>(bytes.size()), 0, level);
        benchmark::DoNotOptimize(symbol);
        mask = symbol ? symbol->Mask : -1;
    }
    state.counters["mask"] = mask;
}

// The eight totals alone (placing included) by each way of scoring; a way the processor lacks is
// skipped rather than timed as the way it falls back to.
void Totals(benchmark::State& state, clsMaskPenalty::Scoring way) {
    if (!clsMaskPenalty::Runs(way)) {
        state.SkipWithError("not on this processor");
        return;
    }
    clsQRCode qr;
    const auto bytes = Bytes(Letters(1663));
    for (auto _ : state) {
        benchmark::DoNotOptimize(clsMaskPenalty::MaskTotals(
            qr, bytes, static_cast<std::int32_t>(bytes.size()), 0, kLevelQ, way));
    }
}

void Libqrencode(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        const std::unique_ptr<QRcode, void (*)(QRcode*)> code(
            QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M), QRcode_free);
        benchmark::DoNotOptimize(code.get());
    }
}

BENCHMARK_CAPTURE(Evaluate, label, Label())->Name("Mask/evaluate/label");
BENCHMARK_CAPTURE(Evaluate, letters, Letters())->Name("Mask/evaluate/letters1200");
BENCHMARK_CAPTURE(FixedMask, label, Label())->Name("Mask/ours_mask0/label");
BENCHMARK_CAPTURE(FixedMask, letters, Letters())->Name("Mask/ours_mask0/letters1200");
BENCHMARK_CAPTURE(BestMask, label, Label())->Name("Mask/ours_best/label");
BENCHMARK_CAPTURE(BestMask, letters, Letters())->Name("Mask/ours_best/letters1200");
// The two ends at level Q: "abc" (version 1) and 1663 letters (version 40).
BENCHMARK_CAPTURE(FixedMask, v1, std::string("abc"), kLevelQ)->Name("Mask/ours_mask0/v1_abc_Q");
BENCHMARK_CAPTURE(FixedMask, v40, Letters(1663), kLevelQ)
    ->Name("Mask/ours_mask0/v40_letters1663_Q");
BENCHMARK_CAPTURE(BestMask, v1, std::string("abc"), kLevelQ)->Name("Mask/ours_best/v1_abc_Q");
BENCHMARK_CAPTURE(BestMask, v40, Letters(1663), kLevelQ)->Name("Mask/ours_best/v40_letters1663_Q");
BENCHMARK_CAPTURE(Totals, words, clsMaskPenalty::Scoring::Words)
    ->Name("Mask/totals_words/v40_letters1663_Q");
BENCHMARK_CAPTURE(Totals, avx2, clsMaskPenalty::Scoring::Avx2)
    ->Name("Mask/totals_avx2/v40_letters1663_Q");
BENCHMARK_CAPTURE(Totals, avx512, clsMaskPenalty::Scoring::Avx512)
    ->Name("Mask/totals_avx512/v40_letters1663_Q");
BENCHMARK_CAPTURE(Libqrencode, label, Label())->Name("Mask/libqrencode/label");
BENCHMARK_CAPTURE(Libqrencode, letters, Letters())->Name("Mask/libqrencode/letters1200");

} // namespace

} // namespace ostrel::bench
