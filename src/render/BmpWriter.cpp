#include "BmpWriter.h"

#include <cmath>
#include <cstring>

namespace ostrel::render {

namespace {

constexpr std::uint32_t FileHeaderBytes = 14;
constexpr std::uint32_t InfoHeaderBytes = 40;
constexpr std::uint32_t PaletteBytes = 2 * 4;
constexpr std::int32_t DefaultPixelsPerMetre = 3937; // 100 dpi
constexpr double MillimetresPerInch = 25.4;

void AppendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFU));
    }
}

} // namespace

std::string BmpWriter::Write(const clsQRCode::Symbol& symbol, std::int32_t scale,
                             std::int32_t margin, std::optional<std::int32_t> dpi) {
    const std::int64_t modulesWide =
        static_cast<std::int64_t>(symbol.Columns()) + 2 * static_cast<std::int64_t>(margin);
    const std::int64_t modulesHigh =
        static_cast<std::int64_t>(symbol.Rows()) + 2 * static_cast<std::int64_t>(margin);
    const std::int64_t pixelsWide = modulesWide * scale;
    const std::int64_t pixelsHigh = modulesHigh * scale;
    if (scale < 1 || margin < 0 || pixelsWide <= 0 || pixelsHigh <= 0) {
        return {};
    }
    const std::int64_t rowBytes = (pixelsWide + 31) / 32 * 4;
    const std::int64_t pixelBytes = rowBytes * pixelsHigh;
    const std::int64_t offset = FileHeaderBytes + InfoHeaderBytes + PaletteBytes;
    if (pixelsWide > 0x7FFFFFFF || pixelsHigh > 0x7FFFFFFF || offset + pixelBytes > 0xFFFFFFFFLL) {
        return {};
    }
    const std::int32_t perMetre =
        dpi ? static_cast<std::int32_t>(std::lround(*dpi * 1000.0 / MillimetresPerInch))
            : DefaultPixelsPerMetre;

    std::string file;
    file.reserve(static_cast<std::size_t>(offset + pixelBytes));
    file += "BM";
    AppendLittleEndian(file, static_cast<std::uint32_t>(offset + pixelBytes), 4);
    AppendLittleEndian(file, 0, 4); // reserved
    AppendLittleEndian(file, static_cast<std::uint32_t>(offset), 4);
    AppendLittleEndian(file, InfoHeaderBytes, 4);
    AppendLittleEndian(file, static_cast<std::uint32_t>(pixelsWide), 4);
    AppendLittleEndian(file, static_cast<std::uint32_t>(pixelsHigh), 4); // positive: bottom-up
    AppendLittleEndian(file, 1, 2);                                      // planes
    AppendLittleEndian(file, 1, 2);                                      // bits a pixel
    AppendLittleEndian(file, 0, 4);                                      // no compression
    AppendLittleEndian(file, static_cast<std::uint32_t>(pixelBytes), 4);
    AppendLittleEndian(file, static_cast<std::uint32_t>(perMetre), 4);
    AppendLittleEndian(file, static_cast<std::uint32_t>(perMetre), 4);
    AppendLittleEndian(file, 2, 4);                      // colours used
    AppendLittleEndian(file, 2, 4);                      // colours that matter
    file.append("\xFF\xFF\xFF\0\0\0\0\0", PaletteBytes); // blue, green, red, 0: white then black

    // Each module row once as pixels, then repeated scale times; the last row comes first.
    std::string row(static_cast<std::size_t>(rowBytes), '\0');
    for (std::int64_t my = modulesHigh - 1; my >= 0; --my) {
        std::memset(row.data(), 0, row.size());
        const auto y = static_cast<std::int32_t>(my - margin);
        for (std::int64_t mx = 0; mx < modulesWide; ++mx) {
            if (symbol.At(static_cast<std::int32_t>(mx - margin), y) == 0) {
                continue;
            }
            for (std::int64_t px = mx * scale; px < (mx + 1) * scale; ++px) {
                row[static_cast<std::size_t>(px / 8)] |= static_cast<char>(0x80U >> (px % 8));
            }
        }
        for (std::int32_t repeat = 0; repeat < scale; ++repeat) {
            file += row;
        }
    }
    return file;
}

} // namespace ostrel::render
