#pragma once

#include "CliOptions.h"
#include "clsQRCode.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

// What SymbolVerifier::CheckWritten asks of a scanner's search, and what it suggests when the
// search misses a symbol.
struct VerifyScanCheck {
    // A symbol that only a reader told where it is finds fails the check (its file removed)
    // instead of passing with a warning.
    bool Strict = false;
    // A size option that gives the modules more pixels than modulePixels, as the user would type
    // it ("--scale 3"); empty when there is none. Unset: no suggestion.
    std::function<std::string(double modulePixels)> Larger;
    // The symbology identifier the reader must report besides the bytes ("]Q3" for GS1, "]Q5"
    // for FNC1 in second position); empty: not checked.
    std::string Identifier;
    // What the reader reports ahead of the encoded bytes: the application indicator of FNC1 in
    // second position ("37", "z"); empty for none.
    std::string Prefix;
};

// Reads a written symbol back with a real reader (zxing-cpp) and compares the bytes it holds
// with the bytes that were encoded, exactly: a symbol counts as good only when a reader finds it
// and gets every byte back. Pictures (BMP, PNG) are decoded as a viewer would show them (a
// transparent ground laid over white), SVG drawings are rendered at their own size first, PDF and
// EPS drawings rendered at the resolution they are printed at, and the formats without a picture
// (matrix, utf8, ansi) are drawn module by module in memory.
//
// A picture is read twice: first told that it holds one upright symbol and nothing else (the
// reading that decides whether the bytes are there), then, when that succeeds, searched as a
// scanner searches a camera picture. A symbol that only the first reading finds is Undetected:
// its modules are right, but a scanner may miss it (zxing-cpp 1.4 misses version 40 symbols at
// exactly 2 pixels a module).
//
// Stateless; every function may run on many threads at once.
class SymbolVerifier {
public:
    // The structured-append header a symbol must carry (its position, the count and the
    // parity, as zxing-cpp reports them), or nullopt for a symbol that must carry none.
    using Sequence = std::optional<clsQRCode::StructuredAppendHeader>;

    enum class Outcome {
        Verified,         // found, and its bytes are the expected ones
        NotFound,         // no QR Code symbol could be read
        DifferentContent, // a symbol was read, but its bytes differ from the expected ones
        Undetected,       // read when told where it is, but a scanner's search misses it
    };

    using ScanCheck = VerifyScanCheck;

    // The result of CheckWritten.
    struct Check {
        Outcome Result = Outcome::Verified;
        // Why the symbol failed (its file removed), or the warning for an Undetected one that
        // passes; empty when verified.
        std::string Message;
        // The symbol counts as written: verified, or Undetected without ScanCheck::Strict.
        bool Passed() const {
            return Message.empty() || (Result == Outcome::Undetected && !Strict);
        }
        bool Strict = false;
    };

    // The resolution PDF and EPS drawings are rendered at when none is given.
    static constexpr double DefaultRenderDpi = 300.0;

    // The reason as the tool reports it: "not found", "different content" or "not found by a
    // scanner's search"; empty when verified.
    static std::string_view Reason(Outcome outcome);

    // ---- One symbol as the tool writes it ----

    // Checks one symbol as the tool wrote it in format: a BMP, PNG or SVG file read back from the
    // disk at path, or, for output that does not go to a file (path empty: standard output), its
    // contents data; the matrix, utf8 and ansi formats are checked by their modules, with the
    // quiet zone margin (unset: 4 modules, the matrix included, which is printed without one
    // but drawn with one) and, for ansi, invert showing the negative; only pictures are searched
    // as a scanner searches (the terminal formats have no picture of their own). On failure the
    // file at path is removed. The message for the user: "'label.png' does not read back (not
    // found); the file is removed", or for an Undetected symbol that passes "'label.png' is not
    // found by a scanner's search (...); try --scale 3".
    static Check CheckWritten(OutputFormat format, std::optional<std::int32_t> margin, bool invert,
                              const clsQRCode::Symbol& symbol, const QByteArray& data,
                              const std::string& path, std::span<const std::uint8_t> expected,
                              double renderDpi = DefaultRenderDpi,
                              const Sequence& sequence = std::nullopt, const ScanCheck& scan = {});

    // The message of a check that failed (or passed Undetected), with a larger size suggested
    // where the scan check gives one; the file at path removed unless it passes.
    static void Explain(Check& check, const std::string& path, const ScanCheck& scan,
                        double modulePixels);

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
                              double renderDpi = DefaultRenderDpi,
                              const Sequence& sequence = std::nullopt);
    // The contents of such a file.
    static Outcome VerifyFileData(const QByteArray& data, OutputFormat format,
                                  std::span<const std::uint8_t> expected,
                                  double renderDpi = DefaultRenderDpi,
                                  const Sequence& sequence = std::nullopt);
    // The modules drawn dark on light (light on dark when negative) with a quiet zone of margin
    // modules.
    static Outcome VerifyModules(const clsQRCode::Symbol& symbol, std::int32_t margin,
                                 bool negative, std::span<const std::uint8_t> expected,
                                 const Sequence& sequence = std::nullopt);
    // Every page of a PDF document rendered by Poppler at dpi, as VerifyFile renders the first.
    static std::vector<QImage> PdfPages(const QByteArray& data, double dpi);
    // A picture of any format; transparent pixels count as lying on white. Read twice: told
    // where the symbol is, then (when that reads it) searched as a scanner searches.
    static Outcome VerifyPicture(const QImage& picture, std::span<const std::uint8_t> expected,
                                 const Sequence& sequence = std::nullopt);
};

} // namespace ostrel::cli
