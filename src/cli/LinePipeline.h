#pragma once

#include "CliOptions.h"
#include "OutputPattern.h"
#include "PngWriter.h"
#include "clsQRCode.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ostrel::cli {

// What became of one line of a batch.
struct LineResult {
    enum class Status { Written, TooLong, CannotWrite, Unreadable };
    Status Outcome = Status::Written;
    std::string Message; // why the line failed; empty when written
    QByteArray Output;   // the symbol's text when it goes to standard output
};

// The work for one line of a batch, in steps: the line to bytes, the bytes to a symbol, the
// symbol to its file contents, the contents to the file the pattern names (or, without a
// pattern, into the result for standard output). Each worker thread owns one pipeline, with its
// own encoder and PNG writer.
class LinePipeline {
public:
    // pattern is null when the symbols go to standard output; codePage is the ANSI code page
    // for --encoding ansi; kanji the Kanji mode for every line.
    LinePipeline(const CliOptions& options, const OutputPattern* pattern, int codePage, bool kanji);

    LineResult Run(std::int64_t lineNumber, std::span<const std::uint8_t> line);

    // The symbol of bytes with the options' version, level and mask (the best one for --mask
    // auto) and, for --eci auto, the designator of the bytes' character set: UTF-8 (when they
    // are UTF-8) or the code page; the Kanji mode is kanji, but off when another character set
    // than Shift JIS is declared. nullopt when the data does not fit.
    static std::optional<clsQRCode::Symbol> EncodeBytes(clsQRCode& encoder,
                                                        const std::vector<std::uint8_t>& bytes,
                                                        const CliOptions& options, int codePage,
                                                        bool kanji);

private:
    std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> line) const;
    std::optional<clsQRCode::Symbol> Encode(const std::vector<std::uint8_t>& bytes);
    // With --verify: the symbol read back from the file at path (from data when path is empty);
    // on failure the result says why and the file is gone. True when verified or not asked for.
    // PDF and EPS drawings are rendered at renderDpi.
    bool Verified(const clsQRCode::Symbol& symbol, const QByteArray& data, const std::string& path,
                  std::span<const std::uint8_t> bytes, double renderDpi, LineResult& result) const;

    const CliOptions& m_Options;
    const OutputPattern* m_Pattern;
    int m_CodePage;
    bool m_Kanji;
    clsQRCode m_Encoder;
    PngWriter m_Png;
};

} // namespace ostrel::cli
