#pragma once
// A plain PNG writer for the tests (8-bit grey, zlib): module matrices as picture files for the
// readers that take files (zxing-wasm), independent of the product's picture code.

#include <cstdint>
#include <functional>
#include <string>

namespace ostrel::test {

// Writes a width x height module picture, dark(x, y) true for a dark module, with a light quiet
// zone of margin modules and scale pixels per module. False when the file cannot be written.
bool WriteModulePng(const std::string& path, std::int32_t width, std::int32_t height,
                    const std::function<bool(std::int32_t, std::int32_t)>& dark,
                    std::int32_t margin, std::int32_t scale);

} // namespace ostrel::test
