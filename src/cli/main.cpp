// ostrel-qr-cli: encodes a text or standard input as a QR Code symbol and writes it as a module
// matrix, a BMP or PNG picture or an SVG drawing.
#include "BatchRunner.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "CodePage.h"
#include "ExitStatus.h"
#include "GuiApplication.h"
#include "HelpText.h"
#include "LinePipeline.h"
#include "LogoPicture.h"
#include "LogoSetup.h"
#include "OutputPattern.h"
#include "PayloadSource.h"
#include "SymbolVerifier.h"
#include "clsQRCode.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#define OSTREL_ISATTY _isatty
#define OSTREL_FILENO _fileno
#else
#include <unistd.h>
#define OSTREL_ISATTY isatty
#define OSTREL_FILENO fileno
#endif

namespace {

using namespace ostrel;
using namespace ostrel::cli;

constexpr const char* Program = "ostrel-qr-cli";

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", Program, reason.c_str(),
                 Program);
    return ExitUsage;
}

// Data longer than any symbol of the options holds, refused before it is all read or encoded.
int TooLong(const std::string& amount, const CliOptions& options) {
    const clsSymbolEncoder::Outcome outcome =
        clsSymbolEncoder::TooLong(EncoderSettings(options), 0);
    std::fprintf(stderr, "%s: %s\n", Program, RefusalMessage(outcome, options, amount).c_str());
    return ExitDoesNotFit;
}

// The arguments after the program name, as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> arguments;
#ifdef _WIN32
    // The narrow arguments are in the ANSI code page; take the wide ones instead.
    (void)argv;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 1; i < count; ++i) {
            const std::u16string_view text(reinterpret_cast<const char16_t*>(wide[i]));
            const auto utf8 = platform::CodePage::Utf16ToUtf8(text);
            arguments.emplace_back(utf8.begin(), utf8.end());
        }
        LocalFree(wide);
    }
    (void)argc;
#else
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
#endif
    return arguments;
}

// Reads standard input to its end, but keeps no more than limit + 1 bytes: anything longer
// cannot be encoded anyway. Returns false when more than limit bytes came.
bool ReadStandardInput(std::vector<std::uint8_t>& bytes, std::size_t limit) {
    std::vector<std::uint8_t> chunk(4096);
    while (bytes.size() <= limit) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), stdin);
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < chunk.size()) {
            break;
        }
    }
    return bytes.size() <= limit;
}

// --structured-append: the symbols of bytes, to the files that the pattern of -o names (%d the
// symbol's number) or, for matrix, utf8 and ansi without -o, to standard output in order with
// an empty line between two. Either every symbol is written and (with --verify) reads back
// with its position, count and parity and its part of the data, or no file of the set is left.
int RunStructuredAppend(const CliOptions& options, const std::vector<std::uint8_t>& bytes) {
    LinePipeline pipeline(options, platform::CodePage::SystemAnsiCodePage(), false);
    pipeline.SetFromText(options.Text.has_value() || options.BuildsPayload());
    const std::string path = options.WritesToStandardOutput() ? std::string() : *options.Output;
    const OutputPattern pattern(path);
    const LineResult result = pipeline.RunBytes(
        bytes, path, [&pattern](std::int32_t number) { return pattern.Expand(number, {}); });
    switch (result.Outcome) {
    case LineResult::Status::Written:
        if (!result.DataWarning.empty()) {
            std::fprintf(stderr, "%s: warning: %s\n", Program, result.DataWarning.c_str());
        }
        for (const std::string& warning : result.ScanWarnings) {
            std::fprintf(stderr, "%s: warning: %s\n", Program, warning.c_str());
        }
        break;
    case LineResult::Status::TooLong:
    case LineResult::Status::BadText:
        std::fprintf(stderr, "%s: %s\n", Program, result.Message.c_str());
        return ExitDoesNotFit;
    case LineResult::Status::Unreadable:
        std::fprintf(stderr, "%s: %s\n", Program, result.Message.c_str());
        return ExitWrittenButFailed;
    case LineResult::Status::NotTried:
    case LineResult::Status::CannotWrite:
    case LineResult::Status::DiskFull:
        std::fprintf(stderr, "%s: %s\n", Program, result.Message.c_str());
        return ExitCannotWrite;
    }
    if (path.empty()) {
        if (const std::string error = WriteOutput(std::nullopt, result.Output); !error.empty()) {
            std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
            return ExitCannotWrite;
        }
    }
    return ExitWritten;
}

// The data of a single run: built from --field values, TEXT as --encoding converts it, or
// standard input, and with --hanzi converted from UTF-8 to GB 2312. ExitWritten when bytes hold
// it, else the exit status, its message already shown.
int ReadData(const CliOptions& options, std::vector<std::uint8_t>& bytes) {
    constexpr auto Limit = static_cast<std::size_t>(clsQRCode::MaxInputLength);
    // Structured append carries up to 16 symbols' worth.
    const std::size_t limit =
        options.StructuredAppend ? Limit * clsStructuredAppend::MaxSymbols : Limit;
    if (options.BuildsPayload()) {
        const payload::PayloadResult built = PayloadSource(options).Build({});
        if (!built.Ok()) {
            return UsageError(built.Error);
        }
        bytes = PayloadSource::Bytes(built.Bytes, options.Utf8);
    } else if (options.Text) {
        // Every character gives at least one byte and takes at most four UTF-8 bytes here, so
        // a longer argument cannot fit; it is refused before any conversion.
        if (options.Text->size() > 4 * limit) {
            return TooLong("more than " + ByteCount(limit), options);
        }
        if (options.Hanzi) {
            bytes.assign(options.Text->begin(), options.Text->end()); // UTF-8 as given
        } else {
            const std::u16string text = platform::CodePage::Utf8ToUtf16(*options.Text);
            bytes = platform::CodePage::TextToBytes(text, options.Utf8);
        }
    } else if (!ReadStandardInput(bytes, options.Hanzi ? 4 * limit : limit)) {
        return TooLong("more than " + ByteCount(limit), options);
    }
    if (options.Hanzi) {
        // The payload, TEXT and standard input are UTF-8 here.
        std::string error;
        bytes = LinePipeline::Gb2312Bytes(bytes, error);
        if (!error.empty()) {
            std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
            return ExitUsage;
        }
    }
    if (options.Gs1Input()) {
        std::string error;
        bytes = LinePipeline::Gs1Bytes(bytes, error, options.Gs1Link);
        if (error.empty() && options.Verify && options.Gs1) {
            error = LinePipeline::Gs1VerifyFault(bytes);
        }
        if (!error.empty()) {
            std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
            return ExitUsage;
        }
    }
    return ExitWritten;
}

// --logo: the symbol's area cleared and the picture read (LogoSetup); ExitUsage, its message
// shown, when the logo cannot be used or takes too much of the correction.
int PrepareLogo(clsQRCode::Symbol& symbol, const CliOptions& options, std::int32_t pixels,
                std::shared_ptr<const render::LogoOverlay>& logo) {
    const LogoSetup::Result result = LogoSetup::Apply(symbol, options, pixels);
    std::fputs(result.Budget.c_str(), stderr);
    if (!result.Error.empty()) {
        std::fprintf(stderr, "%s: %s\n", Program, result.Error.c_str());
        return ExitUsage;
    }
    for (const std::string& warning : result.Warnings) {
        std::fprintf(stderr, "%s: warning: %s\n", Program, warning.c_str());
    }
    logo = result.Overlay;
    return ExitWritten;
}

// --print-payload: the data's bytes as the output.
int PrintPayload(const CliOptions& options, const std::vector<std::uint8_t>& bytes) {
    const std::string error =
        WriteOutput(options.Output, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<qsizetype>(bytes.size())));
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
        return ExitCannotWrite;
    }
    return ExitWritten;
}

// The one symbol of a run (with --logo and the automatic version, one that takes the logo);
// ExitDoesNotFit, its message shown, when there is none.
int EncodeSingle(const std::vector<std::uint8_t>& bytes, const CliOptions& options,
                 clsSymbolEncoder::Outcome& outcome) {
    clsSymbolEncoder encoder;
    std::string dataWarning;
    outcome = LinePipeline::EncodeBytes(
        encoder, bytes, options, platform::CodePage::SystemAnsiCodePage(),
        options.Text.has_value() || options.BuildsPayload(), &dataWarning);
    if (!outcome.Symbol) {
        std::fprintf(stderr, "%s: %s\n", Program, RefusalMessage(outcome, options).c_str());
        return ExitDoesNotFit;
    }
    if (options.Logo && options.Version == 0 && options.Kind == Symbology::QR) {
        LinePipeline::GrowForLogo(encoder, bytes, options, platform::CodePage::SystemAnsiCodePage(),
                                  options.Text.has_value() || options.BuildsPayload(), outcome);
    }
    if (!dataWarning.empty()) {
        std::fprintf(stderr, "%s: warning: %s\n", Program, dataWarning.c_str());
    }
    return ExitWritten;
}

int Run(const CliOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (const int status = ReadData(options, bytes); status != ExitWritten) {
        return status;
    }

    // Structured-append symbols make their folders one by one (%d may stand in a folder's name).
    if (options.MakeDirs && options.Output && (options.PrintPayload || !options.StructuredAppend)) {
        if (const std::string error = MakeFolderOf(*options.Output); !error.empty()) {
            std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
            return ExitCannotWrite;
        }
    }
    if (options.PrintPayload) {
        return PrintPayload(options, bytes);
    }

    if (options.StructuredAppend) {
        return RunStructuredAppend(options, bytes);
    }
    clsSymbolEncoder::Outcome outcome;
    if (const int status = EncodeSingle(bytes, options, outcome); status != ExitWritten) {
        return status;
    }
    const std::optional<clsQRCode::Symbol>& symbol = outcome.Symbol;
    const PrintSize::Resolved size = SymbolSize(*symbol, options);
    if (!size.Error.empty()) {
        return UsageError(size.Error);
    }
    if (!size.Warning.empty()) {
        std::fprintf(stderr, "%s: warning: %s\n", Program, size.Warning.c_str());
    }
    clsQRCode::Symbol printed = *symbol;
    std::shared_ptr<const render::LogoOverlay> logo;
    if (options.Logo) {
        if (const int status = PrepareLogo(printed, options, size.Pixels, logo);
            status != ExitWritten) {
            return status;
        }
    }
    render::SymbolRenderer renderer;
    std::string captionError;
    const QByteArray data = SymbolOutput(printed, options, renderer, size, logo,
                                         options.Caption.value_or(std::string()), &captionError);
    if (!captionError.empty()) {
        std::fprintf(stderr, "%s: %s; nothing is written\n", Program, captionError.c_str());
        return ExitUsage;
    }
    if (data.isEmpty()) {
        std::fprintf(stderr, "%s: cannot make the picture\n", Program);
        return ExitCannotWrite;
    }
    // --verify: output that cannot be read back from the disk is checked before it goes out.
    const std::string path = options.Output.value_or("-");
    const bool readBack = SymbolVerifier::ReadsBackFromDisk(path);
    auto verify = [&](const std::string& from) {
        const SymbolVerifier::Check check = SymbolVerifier::CheckWritten(
            options.EffectiveFormat(), options.Margin, options.Invert, printed, data, from, bytes,
            VerifyDpi(options, size), std::nullopt, VerifyScan(printed, options));
        if (!check.Message.empty()) {
            std::fprintf(stderr, check.Passed() ? "%s: warning: %s\n" : "%s: %s\n", Program,
                         check.Message.c_str());
        }
        return check.Passed();
    };
    if (options.Verify && !readBack && !verify({})) {
        return ExitWrittenButFailed;
    }
    const std::string error = WriteOutput(options.Output, data);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
        return ExitCannotWrite;
    }
    if (options.Verify && readBack && !verify(path)) {
        return ExitWrittenButFailed;
    }
    return ExitWritten;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> arguments = Arguments(argc, argv);
    const ParseResult parsed = ParseArguments(arguments, OSTREL_ISATTY(OSTREL_FILENO(stdout)) != 0);
    if (!parsed.Error.empty()) {
        return UsageError(parsed.Error);
    }
    switch (parsed.Options.Request) {
    case CliOptions::Action::Help:
        std::fputs(HelpText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? ExitWritten : ExitCannotWrite;
    case CliOptions::Action::Version:
        std::printf("%s (Ostrel QR) %s\n", Program, OSTREL_VERSION);
        return std::fflush(stdout) == 0 ? ExitWritten : ExitCannotWrite;
    case CliOptions::Action::Encode:
        break;
    }
    if (const std::string warning = ColourWarning(parsed.Options); !warning.empty()) {
        std::fprintf(stderr, "%s: warning: %s\n", Program, warning.c_str());
    }
    if (parsed.Options.Verify && parsed.Options.EffectiveFormat() == OutputFormat::Eps &&
        SymbolVerifier::GhostscriptProgram().empty()) {
        return UsageError("--verify of eps drawings renders them with Ghostscript ('gs'), which "
                          "is not installed; install it, or write pdf, svg or png instead");
    }
    if (parsed.Options.Verify && parsed.Options.Caption &&
        parsed.Options.EffectiveFormat() == OutputFormat::Svg) {
        // The caption's text is laid out by Qt SVG when the drawing is read back.
        EnsureGuiApplication();
    }
    if (parsed.Options.Batch) {
        // A module size is the same for every line: its snapping is said once.
        if (!parsed.Options.WholeSize) {
            const std::string warning =
                parsed.Options.EffectiveSize()
                    .Resolve(1, IsPictureFormat(parsed.Options.EffectiveFormat()))
                    .Warning;
            if (!warning.empty()) {
                std::fprintf(stderr, "%s: warning: %s\n", Program, warning.c_str());
            }
        }
        if (parsed.Options.Logo) {
            // One logo for every line: a file that cannot be used stops the run before any line.
            if (const LogoPicture logo = LogoPicture::Open(*parsed.Options.Logo);
                !logo.Error().empty()) {
                std::fprintf(stderr, "%s: %s\n", Program, logo.Error().c_str());
                return ExitUsage;
            }
        }
        return BatchRunner(parsed.Options).Run();
    }
    return Run(parsed.Options);
}
