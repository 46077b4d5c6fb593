#include "PngFile.h"

#include <zlib.h>

#include <fstream>
#include <vector>

namespace ostrel::test {

namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A chunk: length, type, data, CRC-32 of type and data.
void PutChunk(std::vector<std::uint8_t>& out, const char* type,
              const std::vector<std::uint8_t>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

} // namespace

bool WriteModulePng(const std::string& path, std::int32_t width, std::int32_t height,
                    const std::function<bool(std::int32_t, std::int32_t)>& dark,
                    std::int32_t margin, std::int32_t scale) {
    const std::int32_t pixelsWide = (width + 2 * margin) * scale;
    const std::int32_t pixelsHigh = (height + 2 * margin) * scale;
    // Raw rows: filter byte 0, then one grey byte per pixel.
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(pixelsWide + 1) * pixelsHigh);
    for (std::int32_t py = 0; py < pixelsHigh; ++py) {
        raw.push_back(0);
        const std::int32_t y = py / scale - margin;
        for (std::int32_t px = 0; px < pixelsWide; ++px) {
            const std::int32_t x = px / scale - margin;
            const bool inside = x >= 0 && y >= 0 && x < width && y < height;
            raw.push_back(inside && dark(x, y) ? 0 : 255);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())) != Z_OK) {
        return false;
    }
    packed.resize(packedSize);

    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(pixelsWide));
    PutBigEndian(header, static_cast<std::uint32_t>(pixelsHigh));
    header.insert(header.end(), {8, 0, 0, 0, 0}); // 8-bit grey, no interlace
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

} // namespace ostrel::test
