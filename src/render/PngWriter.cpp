#include "PngWriter.h"
#include "RowDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace ostrel::render {

namespace {

constexpr double MetresPerInch = 0.0254;

void AppendBigEndian(std::string& out, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    out.append(bytes, 4);
}

// One PNG chunk: length, type, data, CRC-32 of type and data.
void AppendChunk(std::string& out, const char (&type)[5], std::string_view data) {
    AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.append(type, 4);
    out.append(data);
    const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data() + start),
                           static_cast<uInt>(out.size() - start));
    AppendBigEndian(out, static_cast<std::uint32_t>(crc));
}

// IHDR of a picture of width x height pixels: one bit a pixel, from a palette.
std::string ImageHeader(std::uint32_t width, std::uint32_t height) {
    std::string header;
    AppendBigEndian(header, width);
    AppendBigEndian(header, height);
    header.push_back(static_cast<char>(1)); // bit depth
    header.push_back(static_cast<char>(3)); // colour type: palette
    header.append(3, '\0');                 // deflate, adaptive filtering, no interlace
    return header;
}

// The whole file around the compressed pixels: signature, header, the resolution (pHYs, only
// when a dpi is given), the two-colour palette with its alpha (tRNS, only when a colour is not
// opaque), the data and the end chunk.
std::string AssembleFile(std::uint32_t pixelsWide, std::uint32_t pixelsHigh,
                         std::string_view compressed, Colour dark, Colour light,
                         std::optional<std::int32_t> dpi) {
    std::string palette;
    for (const Colour& colour : {light, dark}) {
        palette.push_back(static_cast<char>(colour.Red));
        palette.push_back(static_cast<char>(colour.Green));
        palette.push_back(static_cast<char>(colour.Blue));
    }
    static constexpr char Signature[] = "\x89PNG\r\n\x1A\n";
    std::string file(Signature, 8);
    file.reserve(compressed.size() + 128);
    AppendChunk(file, "IHDR", ImageHeader(pixelsWide, pixelsHigh));
    if (dpi && *dpi > 0) {
        const auto perMetre = static_cast<std::uint32_t>(std::lround(*dpi / MetresPerInch));
        std::string physical;
        AppendBigEndian(physical, perMetre);
        AppendBigEndian(physical, perMetre);
        physical.push_back(static_cast<char>(1)); // unit: the metre
        AppendChunk(file, "pHYs", physical);
    }
    AppendChunk(file, "PLTE", palette);
    if (light.Alpha != 255 || dark.Alpha != 255) {
        std::string alpha;
        alpha.push_back(static_cast<char>(light.Alpha));
        alpha.push_back(static_cast<char>(dark.Alpha));
        AppendChunk(file, "tRNS", alpha);
    }
    AppendChunk(file, "IDAT", compressed);
    AppendChunk(file, "IEND", {});
    return file;
}

// Sets the pixels first .. first + count - 1 of a packed row (after its filter byte).
void SetPixels(std::vector<std::uint8_t>& row, std::size_t first, std::size_t count) {
    std::uint8_t* const bits = row.data() + 1;
    std::size_t pixel = first;
    const std::size_t end = first + count;
    for (; pixel < end && pixel % 8 != 0; ++pixel) {
        bits[pixel / 8] |= static_cast<std::uint8_t>(0x80U >> (pixel % 8));
    }
    const std::size_t wholeBytes = (end - pixel) / 8;
    std::memset(bits + pixel / 8, 0xFF, wholeBytes);
    for (pixel += 8 * wholeBytes; pixel < end; ++pixel) {
        bits[pixel / 8] |= static_cast<std::uint8_t>(0x80U >> (pixel % 8));
    }
}

// The pixels of eight modules of `scale` pixels (up to 7), the first module in the highest bits,
// for each byte of eight modules (the first module in bit 7).
void ExpandTable(std::int32_t scale, std::array<std::uint64_t, 256>& table) {
    const auto size = static_cast<unsigned>(scale);
    const std::uint64_t dark = (std::uint64_t{1} << size) - 1;
    for (unsigned group = 0; group < 256; ++group) {
        std::uint64_t pixels = 0;
        for (unsigned k = 0; k < 8; ++k) {
            pixels = (pixels << size) | (((group >> (7 - k)) & 1U) != 0 ? dark : 0);
        }
        table[group] = pixels;
    }
}

// The pixel row of module row y (outside the symbol: the quiet zone), filter byte 0 first. Up to
// 56 pixels a module, the modules' pixels go through a 64-bit accumulator and out a byte at a
// time, eight modules at a time through expand when it is given (scale up to 7); larger modules
// are whole bytes and are set by runs.
void PixelRow(const clsQRCode::Symbol& symbol, std::int32_t y, std::int32_t margin,
              std::int32_t scale, const std::uint64_t* expand, std::vector<std::uint8_t>& row) {
    std::fill(row.begin(), row.end(), 0);
    if (y < 0 || y >= symbol.Rows()) {
        return;
    }
    const std::uint8_t* const modules =
        symbol.Modules.data() +
        static_cast<std::size_t>(y) * static_cast<std::size_t>(symbol.Stride());
    const auto size = static_cast<std::size_t>(scale);
    const auto columns = static_cast<std::size_t>(symbol.Columns());
    if (size > 56) {
        for (std::size_t x = 0; x < columns; ++x) {
            if (modules[x] != 0) {
                SetPixels(row, (x + static_cast<std::size_t>(margin)) * size, size);
            }
        }
        return;
    }
    const std::size_t lead = static_cast<std::size_t>(margin) * size;
    std::uint8_t* out = row.data() + 1 + lead / 8;
    std::uint64_t bits = 0; // the pixels not written yet are its low `held` bits
    std::size_t held = lead % 8;
    const auto flush = [&] {
        for (; held >= 8;) {
            held -= 8;
            *out++ = static_cast<std::uint8_t>(bits >> held);
        }
    };
    std::size_t x = 0;
    if (expand != nullptr) {
        for (; x + 8 <= columns; x += 8) {
            unsigned group = 0;
            for (std::size_t k = 0; k < 8; ++k) {
                group = (group << 1) | (modules[x + k] != 0 ? 1U : 0U);
            }
            bits = (bits << (8 * size)) | expand[group];
            held += 8 * size;
            flush();
        }
    }
    const std::uint64_t dark = (std::uint64_t{1} << size) - 1;
    for (; x < columns; ++x) {
        bits = (bits << size) | (modules[x] != 0 ? dark : 0);
        held += size;
        flush();
    }
    if (held != 0) {
        *out = static_cast<std::uint8_t>(bits << (8 - held));
    }
}

} // namespace

PngWriter::PngWriter() : m_Deflater(std::make_unique<RowDeflater>()) {}

PngWriter::~PngWriter() = default;

std::string PngWriter::Write(const clsQRCode::Symbol& symbol, std::int32_t scale,
                             std::int32_t margin, Colour dark, Colour light,
                             std::optional<std::int32_t> dpi) {
    const std::int64_t modulesWide =
        static_cast<std::int64_t>(symbol.Columns()) + 2 * static_cast<std::int64_t>(margin);
    const std::int64_t modulesHigh =
        static_cast<std::int64_t>(symbol.Rows()) + 2 * static_cast<std::int64_t>(margin);
    const std::int64_t pixelsWide = modulesWide * scale;
    const std::int64_t pixelsHigh = modulesHigh * scale;
    if (scale < 1 || margin < 0 || pixelsWide <= 0 || pixelsHigh <= 0 ||
        std::max(pixelsWide, pixelsHigh) > 0x7FFFFFFF) {
        return {};
    }
    const auto rowBytes = static_cast<std::size_t>((pixelsWide + 7) / 8);

    // Each band of scale pixel rows: a row of filter 0 (none), its pixels most significant bit
    // first, 1 = dark; then scale - 1 rows that repeat it, filter 2 (up: each byte less the one
    // above), which are all zeros and which the coder writes without making them. When a module
    // is a whole number of half bytes, a byte is one of four values, which a literal codes in
    // about 2 bits: earlier stretches found by hash seldom pay for their distance there (3000
    // labels at scale 4: 2 % larger, and a batch 61 000 more instructions a symbol), so the coder
    // looks for them only at the other scales.
    m_Deflater->Begin(rowBytes + 1, static_cast<std::size_t>(scale - 1), scale % 4 != 0);
    if (scale <= 7 && m_ExpandScale != scale) {
        ExpandTable(scale, m_Expand);
        m_ExpandScale = scale;
    }
    const std::uint64_t* const expand = scale <= 7 ? m_Expand.data() : nullptr;
    std::vector<std::uint8_t> row(rowBytes + 1);
    for (std::int64_t my = 0; my < modulesHigh; ++my) {
        PixelRow(symbol, static_cast<std::int32_t>(my - margin), margin, scale, expand, row);
        m_Deflater->AddBand(row.data());
    }
    const std::string_view compressed = m_Deflater->Finish();

    return AssembleFile(static_cast<std::uint32_t>(pixelsWide),
                        static_cast<std::uint32_t>(pixelsHigh), compressed, dark, light, dpi);
}

} // namespace ostrel::render
