#pragma once

#include "CliOptions.h"
#include "SymbolRenderer.h"
#include "clsQRCode.h"
#include "clsStructuredAppend.h"
#include "clsSymbolEncoder.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ostrel::cli {

// What became of one line of a batch.
struct LineResult {
    enum class Status {
        NotTried,    // the run stopped before the line
        Written,     // the symbol is in its file, or in Output for standard output
        TooLong,     // the data does not fit
        CannotWrite, // the file could not be written
        DiskFull,    // the disk is full (ENOSPC, EDQUOT) or read-only (EROFS): the run stops
        Unreadable,  // --verify could not read the written symbol back
        BadText,     // the text cannot be encoded as asked (--hanzi: outside GB 2312)
    };
    Status Outcome = Status::NotTried;
    std::string Message; // why the line failed; empty when written
    std::string Warning; // --size: the whole pixels per module changed the size asked by > 5%
    QByteArray Output;   // the symbol's text when it goes to standard output
    // --hanzi --eci off: GB 2312 characters in byte segments, undeclared.
    std::string DataWarning;
    // What the manifest records: the data's length and (when asked for) SHA-256, the symbol's
    // version, level and mask (0 when there is no symbol), whether it read back.
    std::size_t DataBytes = 0;
    std::string Sha256;
    std::int32_t Version = 0;
    std::int32_t Level = 0;
    std::int32_t Mask = 0;
    std::optional<bool> Verified;
    // --verify: whether a scanner's search found every symbol as well (unset when a symbol did
    // not read back at all), and the warnings for those it missed.
    std::optional<bool> Detected;
    std::vector<std::string> ScanWarnings;
    std::vector<std::string> Files; // structured append: every symbol's file, once all are written
    // --sheet: the symbol itself, laid out with the others once all are made.
    std::optional<clsQRCode::Symbol> Symbol;
    std::string Caption;               // --sheet: the row's caption
    std::vector<std::uint8_t> Encoded; // --sheet --verify: the bytes the symbol holds
    std::int32_t Page = 0;             // --sheet: the label's page and cell, from 1, once laid out
    std::int32_t Cell = 0;
};

// The work for one line of a batch, in steps: the line to bytes, the bytes to a symbol, the
// symbol to its file contents, the contents to the file planned for the line (or, for standard
// output, into the result). Each worker thread owns one pipeline, with its own encoder and PNG
// writer.
class LinePipeline {
public:
    // codePage is the ANSI code page for --encoding ansi; sha256 asks for the data's SHA-256 in
    // every result.
    LinePipeline(const CliOptions& options, int codePage, bool sha256);

    // The name of structured-append symbol number 1, 2, ... of a line.
    using SymbolPath = std::function<std::string(std::int32_t)>;

    // The symbol of one line, written to path (to the result for standard output when path is
    // empty). With --structured-append the symbols of the line, written to the files that
    // symbolPath names (to the result, an empty line between two, when path is empty): all of
    // them, or (when one cannot be written or, with --verify, does not read back with its
    // position, count and parity) none.
    // caption, when not empty, is drawn under the symbol (--caption).
    LineResult Run(std::span<const std::uint8_t> line, const std::string& path,
                   const SymbolPath& symbolPath = {}, const std::string& caption = {});

    // Whether the bytes handed to RunBytes are text converted by the options (the default, as
    // the lines of a batch are) or raw standard input; decides the Kanji mode in auto.
    void SetFromText(bool fromText) { m_FromText = fromText; }

    // The same for bytes already converted (the TEXT or standard input of a single run).
    LineResult RunBytes(const std::vector<std::uint8_t>& bytes, const std::string& path,
                        const SymbolPath& symbolPath, const std::string& caption = {});
    // --sheet: the results keep their symbols (LineResult::Symbol) and nothing is drawn or
    // written.
    void SetKeepSymbols(bool keep) { m_KeepSymbols = keep; }

    // The symbol of bytes in the options' symbology with their version, level and mask (the best
    // one for --mask auto) and, for --eci auto, the designator of the bytes' character set: UTF-8
    // (when they are UTF-8) or the code page; Kanji mode as KanjiModeOn decides, fromText telling
    // whether the bytes are text converted by --encoding. With --hanzi, designator 29 only when a
    // byte segment holds a GB 2312 character (none with --eci off: then warning, when given, says
    // so). Without a symbol, the encoder's reason.
    static clsSymbolEncoder::Outcome EncodeBytes(clsSymbolEncoder& encoder,
                                                 const std::vector<std::uint8_t>& bytes,
                                                 const CliOptions& options, int codePage,
                                                 bool fromText, std::string* warning = nullptr);
    // --gs1: the symbol data of GS1 element strings (Gs1ElementString), or none and the fault,
    // naming the AI and position, in error.
    // With link, the GS1 Digital Link URI of the element strings under that domain.
    static std::vector<std::uint8_t> Gs1Bytes(std::span<const std::uint8_t> text,
                                              std::string& error,
                                              const std::optional<std::string>& link = {});
    // --gs1 --verify: why the reader cannot check the GS1 data bytes; empty when it can.
    static std::string Gs1VerifyFault(const std::vector<std::uint8_t>& bytes);

    // --logo with the automatic QR Code version: outcome's symbol replaced by the one of the
    // smallest version from its own up whose symbol takes the logo within its budget; unchanged
    // when none does (the logo is then refused) or it takes it already.
    static void GrowForLogo(clsSymbolEncoder& encoder, const std::vector<std::uint8_t>& bytes,
                            const CliOptions& options, int codePage, bool fromText,
                            clsSymbolEncoder::Outcome& outcome);

    // --hanzi: UTF-8 text to GB 2312. An empty result with error set when the bytes are not
    // UTF-8 or hold a character outside GB 2312, which error names.
    static std::vector<std::uint8_t> Gb2312Bytes(std::span<const std::uint8_t> utf8,
                                                 std::string& error);

    // The symbols of bytes split by structured append (--structured-append) with the options'
    // version, level and mask, the designator and Kanji mode chosen as EncodeBytes chooses them;
    // each symbol carries the header of its part. On failure no symbols, and plan.Error says why.
    // With --hanzi, designator 29 in every symbol when a byte segment of any part holds a GB 2312
    // character (Warning instead with --eci off).
    struct SymbolSet {
        clsStructuredAppend::Plan Plan;
        std::vector<clsQRCode::Symbol> Symbols;
        std::string Warning;
    };
    static SymbolSet EncodeStructuredAppend(clsSymbolEncoder& encoder,
                                            const std::vector<std::uint8_t>& bytes,
                                            const CliOptions& options, int codePage, bool fromText);

private:
    // The line's bytes as the options convert them; empty with refusal set for a line that
    // cannot be converted (--hanzi: a character outside GB 2312).
    std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> line, std::string& refusal) const;
    // The symbol of bytes, or why there is none; warning as EncodeBytes gives it. With --logo and
    // the automatic version, one that takes the logo (GrowForLogo).
    clsSymbolEncoder::Outcome Encode(const std::vector<std::uint8_t>& bytes, std::string& warning);
    LineResult RunStructuredAppend(const std::vector<std::uint8_t>& bytes, const std::string& path,
                                   const SymbolPath& symbolPath);
    // --logo: the symbol's area cleared and the picture read for pixels a module (LogoSetup);
    // false with the result saying why (Status::TooLong) when the logo cannot be used.
    bool ApplyLogo(clsQRCode::Symbol& symbol, std::int32_t pixels,
                   std::shared_ptr<const render::LogoOverlay>& logo, LineResult& result) const;
    // The file contents of symbol at size (its logo applied, its caption under it) in data; false
    // with the result saying why when it cannot be drawn.
    bool Draw(clsQRCode::Symbol& symbol, const PrintSize::Resolved& size,
              const std::string& caption, QByteArray& data, LineResult& result);
    // The file contents of every symbol of set, and the resolution --verify renders each at;
    // false with result saying why when one cannot be made.
    bool RenderSymbols(const SymbolSet& set, std::vector<QByteArray>& outputs,
                       std::vector<double>& renderDpi, LineResult& result);
    // With --verify: the symbol read back from the file at path (from data when path is empty);
    // on failure the result says why and the file is gone. True when verified or not asked for.
    // PDF and EPS drawings are rendered at renderDpi. A symbol that a scanner's search misses
    // fails with --verify=strict, else it passes with a warning in the result.
    bool Verified(const clsQRCode::Symbol& symbol, const QByteArray& data, const std::string& path,
                  std::span<const std::uint8_t> bytes, double renderDpi, LineResult& result) const;

    // With --verify: symbol index of set read back from file (from output when file is empty)
    // with its position, count, parity and its part of bytes, as Verified does for one symbol;
    // on failure the result says which symbol and why.
    bool VerifiedPart(const SymbolSet& set, const QByteArray& output, double renderDpi,
                      std::span<const std::uint8_t> bytes, std::int32_t index,
                      const std::string& file, LineResult& result) const;

    const CliOptions& m_Options;
    int m_CodePage;
    bool m_Sha256;
    bool m_FromText = true; // the bytes are text converted by the options (not standard input)
    bool m_KeepSymbols = false;
    clsSymbolEncoder m_Encoder;
    render::SymbolRenderer m_Renderer;
};

} // namespace ostrel::cli
