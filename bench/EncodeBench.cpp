// ostrel-qr-bench: our encoder side by side with libqrencode and zxing-cpp on the same inputs at
// the same level, and the pieces of our pipeline one by one. libqrencode runs twice over: at our
// mask (the same work as ours) and by its usual entry, which evaluates all eight masks; Nayuki's
// C library (qrcodegen) at our mask and segments.
//
// Names: Encode/<encoder>/<input>, Piece/<piece>/<input>, Heap/<call>/<input>. Run with
// --benchmark_repetitions and take the medians (scripts/bench-report does).
//
// `ostrel-qr-bench --heap-driver=N` runs no benchmark: it makes one encoder, encodes the
// version-40 letters once, then N times more, and exits; run under valgrind's massif it gives the
// heap of an Encode call including the picture's own memory (see scripts/bench-report).
#include "BenchInputs.h"
#include "CApiBench.h"
#include "HeapCounter.h"
#include "clsFiniteField.h"
#include "clsQRCode.h"
#include "clsReedSolomon.h"
#include "mdlTilvane.h"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/BitMatrix.h>
#include <ZXing/CharacterSet.h>
#include <ZXing/MultiFormatWriter.h>
#include <ZXing/TextUtfEncoding.h>
#include <ZXing/ZXVersion.h>
#include <benchmark/benchmark.h>
#include <qrcodegen/qrcodegen.h>
#include <qrencode.h>

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ostrel::bench {

namespace {

constexpr std::int32_t kLevelQ = 3;

std::int32_t Length(const Input& input) {
    return static_cast<std::int32_t>(input.Bytes.size());
}

std::string AsString(const Input& input) {
    return std::string(input.Bytes.begin(), input.Bytes.end());
}

// "v" and the version (built by appending: GCC 12 warns falsely on "v" + std::string at -O3).
std::string VersionLabel(int version) {
    std::string label = "v";
    label += std::to_string(version);
    return label;
}

void Fail(benchmark::State& state, const std::string& what) {
    state.SkipWithError(what.c_str());
}

// ---- Whole encoders ----

void OursMatrix(benchmark::State& state, const Input& input) {
    clsQRCode qr;
    qr.SetKanjiMode(input.Kanji);
    std::int32_t version = 0;
    for (auto _ : state) {
        auto symbol = qr.EncodeMatrix(input.Bytes, Length(input), 0, input.Level, 0);
        benchmark::DoNotOptimize(symbol);
        version = symbol ? symbol->Version : 0;
    }
    if (input.ExpectedVersion != 0 && version != input.ExpectedVersion) {
        Fail(state, "unexpected version " + std::to_string(version));
    }
    state.SetLabel(VersionLabel(version));
    state.counters["version"] = version;
}

void OursPicture(benchmark::State& state, const Input& input) {
    clsQRCode qr;
    qr.SetKanjiMode(input.Kanji);
    int width = 0;
    for (auto _ : state) {
        QImage picture = qr.Encode(input.Bytes, Length(input), 0, input.Level, 0);
        benchmark::DoNotOptimize(picture);
        width = picture.width();
    }
    const int version = (width - 8 - 17) / 4;
    if (input.ExpectedVersion != 0 && version != input.ExpectedVersion) {
        Fail(state, "unexpected version " + std::to_string(version));
    }
    state.SetLabel(VersionLabel(version));
    state.counters["version"] = version;
}

// A new encoder object for every call, as for the very first symbol of the main window: the
// field tables are built and the Reed-Solomon generator is made each time.
void OursPictureFresh(benchmark::State& state, const Input& input) {
    int width = 0;
    for (auto _ : state) {
        clsQRCode qr;
        qr.SetKanjiMode(input.Kanji);
        QImage picture = qr.Encode(input.Bytes, Length(input), 0, input.Level, 0);
        benchmark::DoNotOptimize(picture);
        width = picture.width();
    }
    const int version = (width - 8 - 17) / 4;
    state.SetLabel(VersionLabel(version));
    state.counters["version"] = version;
}

// libqrencode's usual entry: automatic version, level Q, 8-bit mode for everything that is not
// numeric or alphanumeric (no Kanji), case-sensitive. It evaluates the eight masks and keeps the
// best: more work than ours, which applies the caller's mask.
void LibQrencode(benchmark::State& state, const Input& input) {
    const std::string text = AsString(input);
    int version = 0;
    for (auto _ : state) {
        QRcode* code = QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_Q, QR_MODE_8, 1);
        if (code == nullptr) {
            Fail(state, "QRcode_encodeString failed");
            break;
        }
        version = code->version;
        benchmark::DoNotOptimize(code->data);
        QRcode_free(code);
    }
    state.SetLabel(VersionLabel(version));
    state.counters["version"] = version;
}

// ---- libqrencode doing the same work as ours ----

// libqrencode exports the encoder that takes a forced mask but does not declare it in its header.
extern "C" QRcode* QRcode_encodeMask(QRinput* input, int mask);

// The mask our encoder applies in every benchmark (the main window's).
constexpr int kOurMask = 0;

// One segment of our encoder's segmentation of an input.
struct Segment {
    QRencodeMode Mode = QR_MODE_8;
    std::size_t Begin = 0;  // first byte
    std::size_t Length = 0; // bytes
};

// The segments our encoder chose for the input at the given version, read back from the bit
// stream that BuildBitStream writes: mode indicator, count, data bits, up to the terminator.
std::vector<Segment> OurSegments(const Input& input, std::int32_t version) {
    clsQRCode qr;
    qr.SetKanjiMode(input.Kanji);
    std::vector<std::uint8_t> bits(clsQRCode::BitBufferLength, 0);
    std::int32_t length = 0;
    qr.BuildBitStream(bits, input.Bytes, Length(input), version, false, length);
    const int widthClass = version < 10 ? 0 : (version < 27 ? 1 : 2);
    std::int32_t p = 0;
    const auto read = [&](int count) {
        int value = 0;
        for (int k = 0; k < count; ++k) {
            value = (value << 1) | bits[static_cast<std::size_t>(p++)];
        }
        return value;
    };
    std::vector<Segment> segments;
    std::size_t at = 0;
    while (p + 4 <= length) {
        Segment s;
        int countBits = 0;
        int dataBits = 0;
        switch (read(4)) {
        case 0b0001:
            s.Mode = QR_MODE_NUM;
            countBits = std::array{10, 12, 14}[static_cast<std::size_t>(widthClass)];
            break;
        case 0b0010:
            s.Mode = QR_MODE_AN;
            countBits = std::array{9, 11, 13}[static_cast<std::size_t>(widthClass)];
            break;
        case 0b0100:
            s.Mode = QR_MODE_8;
            countBits = widthClass == 0 ? 8 : 16;
            break;
        case 0b1000:
            s.Mode = QR_MODE_KANJI;
            countBits = std::array{8, 10, 12}[static_cast<std::size_t>(widthClass)];
            break;
        default: // the terminator
            return segments;
        }
        const int count = read(countBits);
        switch (s.Mode) {
        case QR_MODE_NUM:
            s.Length = static_cast<std::size_t>(count);
            dataBits = count / 3 * 10 + std::array{0, 4, 7}[static_cast<std::size_t>(count % 3)];
            break;
        case QR_MODE_AN:
            s.Length = static_cast<std::size_t>(count);
            dataBits = count / 2 * 11 + count % 2 * 6;
            break;
        case QR_MODE_KANJI:
            s.Length = 2 * static_cast<std::size_t>(count);
            dataBits = 13 * count;
            break;
        default:
            s.Length = static_cast<std::size_t>(count);
            dataBits = 8 * count;
            break;
        }
        p += dataBits;
        s.Begin = at;
        at += s.Length;
        segments.push_back(s);
    }
    return segments;
}

// Our symbol of the input at our mask, which a same-work row compares the peer's with; none (and
// the row failed) when our encoder makes none.
std::optional<clsQRCode::Symbol> OurSymbol(benchmark::State& state, const Input& input) {
    clsQRCode qr;
    qr.SetKanjiMode(input.Kanji);
    auto ours = qr.EncodeMatrix(input.Bytes, Length(input), 0, input.Level, kOurMask);
    if (!ours) {
        Fail(state, "our encoder made no symbol");
    }
    return ours;
}

// libqrencode with our mask forced (QRcode_encodeMask), automatic version, level Q. The input is
// either one 8-bit segment, or our encoder's own segments, so that libqrencode then does exactly
// the work our encoder does after its segmentation search (and nothing of the search itself).
// Each call builds its input object, as QRcode_encodeString does. When our segments are given,
// the symbol must come out identical to ours: the counter same_symbol says so (1) or not (0).
void LibQrencodeSameMask(benchmark::State& state, const Input& input, bool ourSegments) {
    const auto ours = OurSymbol(state, input);
    if (!ours) {
        return;
    }
    std::vector<Segment> segments{Segment{QR_MODE_8, 0, input.Bytes.size()}};
    if (ourSegments) {
        segments = OurSegments(input, ours->Version);
    }
    const auto encode = [&]() -> QRcode* {
        QRinput* in = QRinput_new2(0, QR_ECLEVEL_Q);
        if (in == nullptr) {
            return nullptr;
        }
        for (const Segment& s : segments) {
            if (QRinput_append(in, s.Mode, static_cast<int>(s.Length),
                               input.Bytes.data() + s.Begin) != 0) {
                QRinput_free(in);
                return nullptr;
            }
        }
        QRcode* code = QRcode_encodeMask(in, kOurMask);
        QRinput_free(in);
        return code;
    };
    int version = 0;
    for (auto _ : state) {
        QRcode* code = encode();
        if (code == nullptr) {
            Fail(state, "does not fit");
            break;
        }
        version = code->version;
        benchmark::DoNotOptimize(code->data);
        QRcode_free(code);
    }
    if (QRcode* code = encode(); code != nullptr) {
        bool same = code->version == ours->Version;
        for (int y = 0; same && y < code->width; ++y) {
            for (int x = 0; x < code->width; ++x) {
                same = same && (code->data[y * code->width + x] & 1) == ours->At(x, y);
            }
        }
        state.counters["same_symbol"] = same ? 1 : 0;
        QRcode_free(code);
    }
    state.SetLabel(VersionLabel(version));
    state.counters["version"] = version;
    state.counters["segments"] = static_cast<double>(segments.size());
}

// Nayuki's C library (qrcodegen) with our mask and our segments, automatic version, level Q, no
// level boost: the same work as ours after the segmentation search. Each call makes its segments
// (into buffers kept outside the loop), as its own encodeText does. Inputs whose segmentation
// holds Kanji are not given to it (qrcodegen makes no Kanji segment of its own).
void NayukiSameMask(benchmark::State& state, const Input& input) {
    const auto ours = OurSymbol(state, input);
    if (!ours) {
        return;
    }
    const std::vector<Segment> segments = OurSegments(input, ours->Version);
    std::vector<std::string> texts;
    std::vector<std::vector<std::uint8_t>> buffers;
    for (const Segment& s : segments) {
        if (s.Mode == QR_MODE_KANJI) {
            Fail(state, "Kanji segments are not given to qrcodegen");
            return;
        }
        texts.emplace_back(AsString(input).substr(s.Begin, s.Length));
        buffers.emplace_back(qrcodegen_calcSegmentBufferSize(
            s.Mode == QR_MODE_NUM
                ? qrcodegen_Mode_NUMERIC
                : (s.Mode == QR_MODE_AN ? qrcodegen_Mode_ALPHANUMERIC : qrcodegen_Mode_BYTE),
            s.Length));
    }
    std::vector<qrcodegen_Segment> made(segments.size());
    std::vector<std::uint8_t> temp(qrcodegen_BUFFER_LEN_MAX);
    std::vector<std::uint8_t> code(qrcodegen_BUFFER_LEN_MAX);
    const auto encode = [&] {
        for (std::size_t i = 0; i < segments.size(); ++i) {
            const std::string& t = texts[i];
            switch (segments[i].Mode) {
            case QR_MODE_NUM:
                made[i] = qrcodegen_makeNumeric(t.c_str(), buffers[i].data());
                break;
            case QR_MODE_AN:
                made[i] = qrcodegen_makeAlphanumeric(t.c_str(), buffers[i].data());
                break;
            default:
                made[i] = qrcodegen_makeBytes(reinterpret_cast<const std::uint8_t*>(t.data()),
                                              t.size(), buffers[i].data());
                break;
            }
        }
        return qrcodegen_encodeSegmentsAdvanced(made.data(), made.size(), qrcodegen_Ecc_QUARTILE,
                                                qrcodegen_VERSION_MIN, qrcodegen_VERSION_MAX,
                                                qrcodegen_Mask_0, false, temp.data(), code.data());
    };
    for (auto _ : state) {
        if (!encode()) {
            Fail(state, "does not fit");
            break;
        }
        benchmark::DoNotOptimize(code.data());
    }
    bool same = encode() && qrcodegen_getSize(code.data()) == ours->Columns();
    for (int y = 0; same && y < ours->Columns(); ++y) {
        for (int x = 0; x < ours->Columns(); ++x) {
            same = same && qrcodegen_getModule(code.data(), x, y) == (ours->At(x, y) != 0);
        }
    }
    state.counters["same_symbol"] = same ? 1 : 0;
    state.SetLabel(VersionLabel(ours->Version));
}

// zxing-cpp 1.4: MultiFormatWriter for QR at level Q. Its eccLevel runs 0..8 and maps to the QR
// levels by (eccLevel - 1) / 2, so 5 is Q. Non-ASCII text is sent as UTF-8 (with an ECI); it
// also evaluates the masks.
void Zxing(benchmark::State& state, const Input& input) {
    const std::wstring text = ZXing::TextUtfEncoding::FromUtf8(AsString(input));
    ZXing::MultiFormatWriter writer(ZXing::BarcodeFormat::QRCode);
    writer.setEccLevel(5).setMargin(4);
    if (input.Utf8NonAscii) {
        writer.setEncoding(ZXing::CharacterSet::UTF8);
    }
    int width = 0;
    try {
        for (auto _ : state) {
            ZXing::BitMatrix matrix = writer.encode(text, 0, 0);
            benchmark::DoNotOptimize(matrix);
            width = matrix.width();
        }
    } catch (const std::exception& e) {
        Fail(state, std::string("zxing: ") + e.what());
        return;
    }
    const int version = (width - 8 - 17) / 4;
    state.SetLabel(VersionLabel(version));
    state.counters["version"] = version;
}

// ---- Pieces of our pipeline ----

// The data of a symbol as the pipeline sees it after the version choice.
struct Prepared {
    std::int32_t Version = 0;
    std::int32_t Side = 0;
    std::int32_t Total = 0, Blocks = 0, Ecc = 0, DataCodewords = 0, LongLength = 0, ShortBlocks = 0;
    std::vector<std::uint8_t> Codewords; // the data codewords, padded
    std::vector<std::uint8_t> Sequence;  // bit buffer of the interleaved sequence
    std::vector<std::uint8_t> Pattern;   // function patterns
    std::vector<std::uint8_t> Finished;  // the finished module matrix
};

Prepared Prepare(const Input& input) {
    clsQRCode qr;
    qr.SetKanjiMode(input.Kanji);
    Prepared p;
    const auto symbol = qr.EncodeMatrix(input.Bytes, Length(input), 0, input.Level, 0);
    if (!symbol) {
        return p;
    }
    p.Version = symbol->Version;
    p.Side = symbol->Side;
    p.Finished = symbol->Modules;
    p.Total = qr.GetTotalCodewords(p.Version);
    p.Blocks = qr.BlockCount(input.Level, p.Version);
    p.Ecc = qr.EccPerBlock(input.Level, p.Version);
    p.DataCodewords = p.Total - p.Blocks * p.Ecc;
    p.LongLength = (p.DataCodewords + p.Blocks - 1) / p.Blocks;
    p.ShortBlocks = p.DataCodewords % p.Blocks > 0 ? p.Blocks - p.DataCodewords % p.Blocks : 0;

    std::vector<std::uint8_t> bits(clsQRCode::BitBufferLength, 0);
    std::int32_t d = 0;
    qr.BuildBitStream(bits, input.Bytes, Length(input), p.Version, false, d);
    // The stream's codewords (the buffer is 0 beyond it), then the pad codewords EC and 11.
    p.Codewords.assign(static_cast<std::size_t>(p.DataCodewords), 0);
    const std::int32_t streamCodewords = std::min(p.DataCodewords, (d + 7) / 8);
    for (std::int32_t c = 0; c < p.DataCodewords; ++c) {
        std::int32_t value = (c - streamCodewords) % 2 == 0 ? 0xEC : 0x11;
        if (c < streamCodewords) {
            value = 0;
            for (std::int32_t k = 0; k < 8; ++k) {
                value = (value << 1) | bits[static_cast<std::size_t>(8 * c + k)];
            }
        }
        p.Codewords[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(value);
    }
    p.Sequence.assign(clsQRCode::BitBufferLength, 0);
    std::mt19937 rng(7);
    for (std::int32_t k = 0; k < 8 * p.Total; ++k) {
        p.Sequence[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(rng() & 1);
    }
    p.Pattern.assign(static_cast<std::size_t>(p.Side + 3) * (p.Side + 3), 0);
    qr.DrawFunctionPatterns(p.Pattern, p.Version);
    return p;
}

void PieceMeasure(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    clsQRCode qr;
    qr.SetKanjiMode(input.Kanji);
    std::vector<std::uint8_t> bits(clsQRCode::BitBufferLength, 0);
    std::int32_t length = 0;
    for (auto _ : state) {
        qr.BuildBitStream(bits, input.Bytes, Length(input), p.Version, true, length);
        benchmark::DoNotOptimize(length);
    }
    state.counters["bits"] = length;
}

void PieceWrite(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    clsQRCode qr;
    qr.SetKanjiMode(input.Kanji);
    std::vector<std::uint8_t> bits(clsQRCode::BitBufferLength, 0);
    std::int32_t length = 0;
    for (auto _ : state) {
        qr.BuildBitStream(bits, input.Bytes, Length(input), p.Version, false, length);
        benchmark::DoNotOptimize(bits.data());
        benchmark::ClobberMemory();
    }
    state.counters["bits"] = length;
}

// Reed-Solomon for every block of the symbol, the way the pipeline does it: one Init with the
// long block length, then ComputeEcc per block.
// Check codewords of every block of the symbol, laid out as the encoder lays them out; returns
// an XOR of the results so that nothing is optimised away.
std::int32_t AllBlocks(const clsReedSolomon& rs, const Prepared& p,
                       std::array<std::int32_t, clsQRCode::BlockArrayLength>& block) {
    std::int32_t check = 0;
    std::int32_t next = 0;
    for (std::int32_t b = 0; b < p.Blocks; ++b) {
        const std::int32_t length = b < p.ShortBlocks ? p.LongLength - 1 : p.LongLength;
        block[static_cast<std::size_t>(p.LongLength + p.Ecc - 1)] = 0;
        for (std::int32_t i = 0; i < length; ++i, ++next) {
            block[static_cast<std::size_t>(length + p.Ecc - 1 - i)] =
                p.Codewords[static_cast<std::size_t>(next)];
        }
        rs.ComputeEcc(block);
        check ^= block[0];
    }
    return check;
}

void PieceReedSolomon(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    auto field = std::make_shared<clsFiniteField>();
    field->Init(256, 285, 2);
    clsReedSolomon rs;
    std::array<std::int32_t, clsQRCode::BlockArrayLength> block{};
    std::int32_t check = 0;
    for (auto _ : state) {
        rs.Init(p.LongLength, p.Ecc, field, 0, 0);
        check ^= AllBlocks(rs, p, block);
        benchmark::DoNotOptimize(check);
    }
    state.counters["multiply_adds"] = p.DataCodewords * p.Ecc;
}

// The same with a generator that has to be built at every Init: two fields set up alike take
// turns, so the generator and its products are never those of the previous call.
void PieceReedSolomonRebuild(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    std::array<std::shared_ptr<clsFiniteField>, 2> fields{std::make_shared<clsFiniteField>(),
                                                          std::make_shared<clsFiniteField>()};
    for (auto& field : fields) {
        field->Init(256, 285, 2);
    }
    clsReedSolomon rs;
    std::array<std::int32_t, clsQRCode::BlockArrayLength> block{};
    std::int32_t check = 0;
    std::size_t turn = 0;
    for (auto _ : state) {
        rs.Init(p.LongLength, p.Ecc, fields[turn ^= 1], 0, 0);
        check ^= AllBlocks(rs, p, block);
        benchmark::DoNotOptimize(check);
    }
    state.counters["multiply_adds"] = p.DataCodewords * p.Ecc;
}

// The floor for the above: exactly the table look-ups that the long division needs, one product
// (a logarithm sum and a power-table read) and one XOR per data codeword and check codeword, with
// the generator's logarithms and a doubled power table prepared beforehand.
void PieceReedSolomonFloor(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    clsFiniteField field;
    field.Init(256, 285, 2);
    clsReedSolomon rs;
    rs.Init(p.LongLength, p.Ecc, std::make_shared<clsFiniteField>(field), 0, 0);
    std::array<std::uint8_t, 512> exp{};
    std::array<std::uint8_t, 256> log{};
    for (std::int32_t k = 0; k < 512; ++k) {
        exp[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(field.Exp(k % 255));
    }
    for (std::int32_t x = 0; x < 256; ++x) {
        log[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(field.Log(x));
    }
    std::array<std::int32_t, 64> generatorLog{};
    for (std::int32_t j = 0; j < p.Ecc; ++j) {
        generatorLog[static_cast<std::size_t>(j)] = field.Log(rs.GeneratorCoefficient(j));
    }
    const auto e = static_cast<std::size_t>(p.Ecc);
    std::array<std::uint8_t, clsQRCode::BlockArrayLength> work{};
    std::uint8_t check = 0;
    for (auto _ : state) {
        std::size_t next = 0;
        for (std::int32_t b = 0; b < p.Blocks; ++b) {
            const auto length =
                static_cast<std::size_t>(b < p.ShortBlocks ? p.LongLength - 1 : p.LongLength);
            std::fill_n(work.begin(), e, 0);
            for (std::size_t i = 0; i < length; ++i) {
                work[e + length - 1 - i] = p.Codewords[next++];
            }
            for (std::size_t i = length; i-- > 0;) {
                const std::uint8_t c = work[e + i];
                if (c == 0) {
                    continue;
                }
                const std::int32_t logC = log[c];
                std::uint8_t* row = work.data() + i;
                for (std::size_t j = 0; j < e; ++j) {
                    row[j] ^= exp[static_cast<std::size_t>(logC + generatorLog[j])];
                }
            }
            check ^= work[0];
        }
        benchmark::DoNotOptimize(check);
    }
    state.counters["multiply_adds"] = p.DataCodewords * p.Ecc;
}

void PieceFunctionPatterns(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    clsQRCode qr;
    std::vector<std::uint8_t> matrix(p.Pattern.size());
    for (auto _ : state) {
        std::fill(matrix.begin(), matrix.end(), 0);
        qr.DrawFunctionPatterns(matrix, p.Version);
        benchmark::DoNotOptimize(matrix.data());
        benchmark::ClobberMemory();
    }
}

void PiecePlacement(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    clsQRCode qr;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(p.Side) * p.Side, 0);
    for (auto _ : state) {
        qr.PlaceCodewords(p.Pattern, data, p.Sequence, 8 * p.Total, p.Side);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
}

void PieceMask(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    clsQRCode qr;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(p.Side) * p.Side, 0);
    const auto mask = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(qr.ApplyMask(data, p.Side, mask));
        benchmark::ClobberMemory();
    }
}

void PiecePicture(benchmark::State& state, const Input& input) {
    const Prepared p = Prepare(input);
    const std::int32_t stride = p.Side + 3;
    for (auto _ : state) {
        QImage picture = mdlTilvane::MatrixToPicture(p.Finished.data(), stride, stride, 4, 4, 1, 1);
        benchmark::DoNotOptimize(picture);
    }
}

// ---- Heap ----

// Heap of one Encode call counted by operator new: the most held during the call above what was
// held before it (peak_bytes), plus the picture's own pixels and palette (Qt allocates those with
// malloc; picture_bytes), and what is still held after the result is gone, per call and over all
// calls of the run (retained_bytes, growth_bytes: both must be 0).
void HeapEncode(benchmark::State& state, const Input& input) {
    clsQRCode qr;
    qr.SetKanjiMode(input.Kanji);
    { // the first call creates the encoder's Reed-Solomon object, which it keeps
        const QImage warm = qr.Encode(input.Bytes, Length(input), 0, input.Level, 0);
        benchmark::DoNotOptimize(warm);
    }
    // Held after the first and after the last timed call (the benchmark loop itself allocates when
    // it starts and ends).
    std::int64_t start = -1;
    std::int64_t end = 0;
    std::int64_t peak = 0;
    std::int64_t retained = 0;
    std::int64_t pictureBytes = 0;
    std::int64_t allocations = 0;
    for (auto _ : state) {
        const std::int64_t before = heap::LiveBytes();
        const std::int64_t countBefore = heap::Allocations();
        heap::ResetPeak();
        {
            const QImage picture = qr.Encode(input.Bytes, Length(input), 0, input.Level, 0);
            pictureBytes = picture.sizeInBytes() +
                           static_cast<std::int64_t>(picture.colorTable().size() * sizeof(QRgb));
        }
        peak = std::max(peak, heap::PeakBytes() - before);
        retained = std::max(retained, heap::LiveBytes() - before);
        allocations = heap::Allocations() - countBefore;
        end = heap::LiveBytes();
        if (start < 0) {
            start = end;
        }
    }
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["picture_bytes"] = static_cast<double>(pictureBytes);
    state.counters["per_call_bytes"] = static_cast<double>(peak + pictureBytes);
    state.counters["allocations"] = static_cast<double>(allocations);
    state.counters["retained_bytes"] = static_cast<double>(retained);
    state.counters["growth_bytes"] = static_cast<double>(end - start);
    state.counters["calls"] = static_cast<double>(state.iterations());
}

void Register() {
    for (const Input& input : Inputs()) {
        const std::string& n = input.Name;
        benchmark::RegisterBenchmark(("Encode/libqrencode_same_mask_segments/" + n).c_str(),
                                     LibQrencodeSameMask, input, true);
        benchmark::RegisterBenchmark(("Encode/libqrencode_same_mask_8bit/" + n).c_str(),
                                     LibQrencodeSameMask, input, false);
        benchmark::RegisterBenchmark(("Encode/nayuki_same_mask_segments/" + n).c_str(),
                                     NayukiSameMask, input);
        benchmark::RegisterBenchmark(("Encode/ours_matrix/" + n).c_str(), OursMatrix, input);
        benchmark::RegisterBenchmark(("Encode/ours_picture/" + n).c_str(), OursPicture, input);
        benchmark::RegisterBenchmark(("Encode/libqrencode/" + n).c_str(), LibQrencode, input);
        benchmark::RegisterBenchmark(("Encode/zxing/" + n).c_str(), Zxing, input);
    }
    for (const char* name : {"abc", "v40_letters"}) {
        benchmark::RegisterBenchmark((std::string("Encode/ours_picture_fresh/") + name).c_str(),
                                     OursPictureFresh, InputNamed(name));
    }
    for (const char* name : {"abc", "v40_letters", "v40_digits", "mixed600"}) {
        const Input& input = InputNamed(name);
        const std::string n = name;
        benchmark::RegisterBenchmark(("Piece/BuildBitStream_measure/" + n).c_str(), PieceMeasure,
                                     input);
        benchmark::RegisterBenchmark(("Piece/BuildBitStream_write/" + n).c_str(), PieceWrite,
                                     input);
        benchmark::RegisterBenchmark(("Piece/ReedSolomon/" + n).c_str(), PieceReedSolomon, input);
        benchmark::RegisterBenchmark(("Piece/ReedSolomon_rebuild/" + n).c_str(),
                                     PieceReedSolomonRebuild, input);
        benchmark::RegisterBenchmark(("Piece/ReedSolomon_floor/" + n).c_str(),
                                     PieceReedSolomonFloor, input);
        benchmark::RegisterBenchmark(("Piece/DrawFunctionPatterns/" + n).c_str(),
                                     PieceFunctionPatterns, input);
        benchmark::RegisterBenchmark(("Piece/PlaceCodewords/" + n).c_str(), PiecePlacement, input);
        benchmark::RegisterBenchmark(("Piece/ApplyMask/" + n).c_str(), PieceMask, input)->Arg(0);
        benchmark::RegisterBenchmark(("Piece/MatrixToPicture/" + n).c_str(), PiecePicture, input);
    }
    benchmark::RegisterBenchmark("Piece/ApplyMask_all/v40_letters", PieceMask,
                                 InputNamed("v40_letters"))
        ->DenseRange(0, 7);
    for (const char* name : {"abc", "v40_letters", "v40_digits"}) {
        benchmark::RegisterBenchmark((std::string("Heap/Encode/") + name).c_str(), HeapEncode,
                                     InputNamed(name))
            ->Iterations(200);
    }
    // The longest input any symbol holds: 7089 digits, version 40 at level L.
    Input longest;
    longest.Name = "v40L_7089_digits";
    longest.Level = 1;
    longest.ExpectedVersion = 40;
    longest.Bytes.resize(7089);
    for (std::size_t i = 0; i < longest.Bytes.size(); ++i) {
        longest.Bytes[i] = static_cast<std::uint8_t>('0' + (i * 7) % 10);
    }
    benchmark::RegisterBenchmark("Heap/Encode/v40L_7089_digits", HeapEncode, longest)
        ->Iterations(200);
}

// Encodes 1663 lower-case letters (version 40-Q) once (the first call creates the encoder's
// Reed-Solomon object) and then `calls` times more, and ends without running any destructor:
// the heap left at the end is the program's and the encoder object's own, and what an Encode call
// held above it shows as the excess of the peak. With calls < 0 nothing is encoded at all (the
// peak of the program's own start-up). Nothing else is allocated on the way.
[[noreturn]] void HeapDriver(long calls) {
    const std::string letters = "thequickbrownfoxjumpsoverthelazydog";
    std::vector<std::uint8_t> bytes(1663);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(letters[i % letters.size()]);
    }
    clsQRCode qr;
    std::int64_t columns = 0;
    for (long k = 0; k <= calls; ++k) {
        const QImage picture =
            qr.Encode(bytes, static_cast<std::int32_t>(bytes.size()), 0, kLevelQ, 0);
        columns += picture.width();
    }
    std::printf("heap driver: %ld calls, %lld picture columns\n", calls + 1,
                static_cast<long long>(columns));
    std::fflush(stdout);
    std::_Exit(calls < 0 || columns == 185 * (calls + 1) ? 0 : 1);
}

} // namespace

} // namespace ostrel::bench

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--heap-driver=", 14) == 0) {
            ostrel::bench::HeapDriver(std::strtol(argv[i] + 14, nullptr, 10));
        }
        if (std::strncmp(argv[i], "--driver=", 9) == 0) {
            // PATH:NAME:N
            const std::string driver = argv[i] + 9;
            const auto first = driver.find(':');
            const auto last = driver.rfind(':');
            if (first == std::string::npos || last == first) {
                return 2;
            }
            return ostrel::bench::RunDriver(driver.substr(0, first),
                                            driver.substr(first + 1, last - first - 1),
                                            std::strtol(driver.c_str() + last + 1, nullptr, 10));
        }
    }
    const auto& inputs = ostrel::bench::Inputs(); // fails early on unexpected inputs
    for (const auto& input : inputs) {
        benchmark::AddCustomContext("input." + input.Name, input.Description);
    }
#if defined(__clang__)
    benchmark::AddCustomContext("compiler", std::string("clang ") + __clang_version__);
#elif defined(__GNUC__)
    benchmark::AddCustomContext("compiler", std::string("gcc ") + __VERSION__);
#endif
#if defined(NDEBUG)
    benchmark::AddCustomContext("ostrel_build", "optimised (NDEBUG)");
#else
    benchmark::AddCustomContext("ostrel_build", "assertions on (not NDEBUG)");
#endif
    {
        char* version = QRcode_APIVersionString();
        benchmark::AddCustomContext("libqrencode", version != nullptr ? version : "?");
    }
    benchmark::AddCustomContext("zxing-cpp", std::to_string(ZXING_VERSION_MAJOR) + "." +
                                                 std::to_string(ZXING_VERSION_MINOR) + "." +
                                                 std::to_string(ZXING_VERSION_PATCH));
    benchmark::AddCustomContext("qt", qVersion());
    ostrel::bench::Register();
    ostrel::bench::RegisterCApi();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
