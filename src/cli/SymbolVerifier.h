#pragma once

#include "CliOptions.h"
#include "clsQRCode.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostrel::cli {

// Reads a written symbol back with a real reader (zxing-cpp) and compares the bytes it holds
// with the bytes that were encoded, exactly: a symbol counts as good only when a reader finds it
// and gets every byte back. Pictures (BMP, PNG) are decoded as a viewer would show them (a
// transparent ground laid over white), SVG drawings are rendered at their own size first, PDF and
// EPS drawings rendered at the resolution they are printed at, and the formats without a picture
// (matrix, utf8, ansi) are drawn module by module in memory.
//
// Stateless; every function may run on many threads at once.
class SymbolVerifier {
public:
    enum class Outcome {
        Verified,         // found, and its bytes are the expected ones
        NotFound,         // no QR Code symbol could be read
        DifferentContent, // a symbol was read, but its bytes differ from the expected ones
    };

    // The resolution PDF and EPS drawings are rendered at when none is given.
    static constexpr double DefaultRenderDpi = 300.0;

    // The reason as the tool reports it: "not found" or "different content"; empty when
    // verified.
    static std::string_view Reason(Outcome outcome);

    // ---- One symbol as the tool writes it ----

    // Checks one symbol as the tool wrote it in format: a BMP, PNG or SVG file read back from the
    // disk at path, or, for output that does not go to a file (path empty: standard output), its
    // contents data; the matrix, utf8 and ansi formats are checked by their modules, with the
    // quiet zone margin (unset: 4 modules, the matrix included, which is printed without one
    // but drawn with one) and, for ansi, invert showing the negative. On failure the file at
    // path is removed. Returns the message for the user, empty when verified:
    // "'label.png' does not read back (not found); the file is removed".
    static std::string CheckWritten(OutputFormat format, std::optional<std::int32_t> margin,
                                    bool invert, const clsQRCode::Symbol& symbol,
                                    const QByteArray& data, const std::string& path,
                                    std::span<const std::uint8_t> expected,
                                    double renderDpi = DefaultRenderDpi);

    // True when a file written at path can be read back from the disk afterwards: a regular
    // file or one still to be made, not standard output ("-"), a device or a pipe. The tool
    // checks the other outputs in memory before writing them.
    static bool ReadsBackFromDisk(const std::string& path);

    // The Ghostscript program found on the PATH (gs; gswin64c on Windows), which renders EPS
    // files; empty when there is none.
    static std::string GhostscriptProgram();

    // ---- The reading itself ----

    // The file at path, in format bmp, png, svg, pdf or eps, as it is on the disk. PDF files are
    // rendered with Poppler, EPS files with Ghostscript (NotFound without it), both at renderDpi
    // dots per inch: the resolution they are printed at.
    static Outcome VerifyFile(const std::string& path, OutputFormat format,
                              std::span<const std::uint8_t> expected,
                              double renderDpi = DefaultRenderDpi);
    // The contents of such a file.
    static Outcome VerifyFileData(const QByteArray& data, OutputFormat format,
                                  std::span<const std::uint8_t> expected,
                                  double renderDpi = DefaultRenderDpi);
    // The modules drawn dark on light (light on dark when negative) with a quiet zone of margin
    // modules.
    static Outcome VerifyModules(const clsQRCode::Symbol& symbol, std::int32_t margin,
                                 bool negative, std::span<const std::uint8_t> expected);
    // A picture of any format; transparent pixels count as lying on white.
    static Outcome VerifyPicture(const QImage& picture, std::span<const std::uint8_t> expected);
};

} // namespace ostrel::cli
