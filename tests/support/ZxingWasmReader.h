#pragma once
// zxing-wasm (zxing-cpp 2.x compiled to WebAssembly, run by node), a test-only reader that knows
// Micro QR and rMQR: reads picture files back. Installed into the build by the ctest fixture
// zxing_wasm (scripts/zxing-wasm-setup, npm ci from the lockfile); never part of the product.

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::test {

// What the reader found in one file: Format "MicroQRCode", "RMQRCode" or "QRCode", Version as
// zxing names it ("M3", "R13x27", "5"), EcLevel ("L", "M", "Q", "H"), whether an ECI was
// declared, and the bytes of the content. Read is false (with Error) when nothing was found.
struct WasmReading {
    std::string File;
    bool Read = false;
    std::string Format;
    std::string Version;
    std::string EcLevel;
    bool Eci = false;
    std::vector<std::uint8_t> Bytes;
    std::string Text; // as the reader shows the content, in UTF-8 (a Kanji segment as Shift JIS)
    // The symbology identifier: "]Q1" for plain data, "]Q3" for GS1 (FNC1 in first position).
    std::string Identifier;
    std::string Error;
};

// Reads every file in one node process (pure: the pictures hold one unrotated symbol with its
// quiet zone, which lets the reader skip its search). One reading per file, in order; empty when
// the reader could not be run at all. characterSet ("Shift_JIS", ...) is taken for content that
// declares none, instead of the reader's guess.
std::vector<WasmReading> ReadWithZxingWasm(const std::vector<std::string>& files, bool pure,
                                           const std::string& characterSet = "");

// The reader script, from the environment variable OSTREL_ZXING_WASM_READER; empty without it.
std::string ZxingWasmReaderPath();

} // namespace ostrel::test
