// ostrel-qr-cli: encodes a text or standard input as a QR Code symbol and writes it as a module
// matrix, a BMP or PNG picture or an SVG drawing.
#include "BatchRunner.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "CodePage.h"
#include "LinePipeline.h"
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

enum ExitStatus : int {
    ExitWritten = 0,
    ExitTooLong = 1,
    ExitUsage = 2,
    ExitCannotWrite = 3,
};

constexpr const char* HelpText = R"HELP(Usage: ostrel-qr-cli [OPTION]... [TEXT]
  or:  ostrel-qr-cli --batch [OPTION]... [FILE]
Encode TEXT, or all of standard input, as a QR Code symbol (ISO/IEC 18004,
Model 2, versions 1 to 40) and write it as a module matrix, a symbol in the
terminal, a BMP or PNG picture or an SVG drawing. With --batch, every line of
FILE (or of standard input) becomes a symbol of its own.

Without TEXT, standard input is read to its end and encoded byte for byte,
without any conversion (binary data included). The encoder chooses the shortest
mix of numeric, alphanumeric, byte and Kanji segments on its own.

Options:
      --symbol-version N|auto  symbol version 1..40, or auto for the smallest
                               version that holds the data (default auto;
                               0 also means auto)
      --level L|M|Q|H          error-correction level (default Q)
      --mask 0..7|auto         mask pattern (default 0); auto chooses the one
                               with the lowest penalty score of the standard
                               (ISO/IEC 18004 7.8.3)
      --encoding utf8|ansi     how TEXT becomes bytes: UTF-8 (default), or the
                               ANSI code page that Windows would use for the
                               locale in LC_ALL, else LC_CTYPE, else LANG
                               (GBK for zh_CN, Shift JIS for ja_JP,
                               Windows-1252 for C and POSIX); a character the
                               code page lacks becomes '?'. Standard input is
                               never converted.
      --kanji auto|on|off      Kanji mode for double-byte Shift JIS characters
                               (default auto: on only when TEXT is converted
                               to the ANSI code page 932, Shift JIS; off
                               otherwise, standard input included)
      --eci auto|off           declare the character set (default off): with
                               auto, data that is not plain ASCII starts with
                               an ECI designator, 26 for UTF-8 or the one of
                               the ANSI code page (20 Shift JIS, 21-24
                               Windows-1250/1251/1252/1256, 28 Big5, 29 GBK)
      --format FORMAT          matrix, utf8, ansi, bmp, png or svg (default:
                               from the extension of FILE, .bmp, .png or
                               .svg; otherwise utf8 when standard output is a
                               terminal, else matrix)
  -o, --output FILE            write to FILE instead of standard output ('-'
                               is standard output); FILE is replaced only
                               when the whole output is written. With
                               --batch, a PATTERN for the files' names
      --scale N                pixels per module for bmp, png and svg,
                               1..100 (default 1)
      --margin N               quiet zone in modules around the symbol, 0..64
                               (default 4; none for matrix unless given)
      --foreground RRGGBB[AA]  colour of the dark modules, png and svg only
                               (default 000000, black)
      --background RRGGBB[AA]  colour of the light modules and the quiet zone,
                               png and svg only (default ffffff, white); AA is
                               the opacity, 00 transparent to ff opaque. A
                               warning says when the two differ too little
                               for readers (contrast under 3:1)
      --invert                 utf8 and ansi: swap light and dark, for a
                               terminal with dark text on a light ground
      --batch [FILE]           one symbol per line of FILE or standard input
                               (LF or CR LF; empty lines are skipped), written
                               to the files that -o PATTERN names: %d is the
                               line number (%05d pads it to five digits), %s
                               the line made safe for a file name, %% a '%'.
                               Without -o, matrix, utf8 and ansi symbols go to
                               standard output, an empty line between two.
                               Uses every processor core. Before anything is
                               written, every name is settled: two lines
                               that name the same file (also when only
                               letter case differs) stop the run (exit 2)
      --batch-format lines|csv|tsv
                               how --batch reads FILE (default lines): csv
                               (RFC 4180: quoted fields with commas, ""
                               and line breaks) or tsv (tab-separated) with
                               a header row naming the column 'data' (the
                               text to encode) and optionally 'file' (the
                               text for %s); %d is the row number after the
                               header. A UTF-8 byte order mark is skipped
      --on-collision refuse|suffix
                               two rows that would write the same file:
                               refuse the run (default), or keep both with
                               -2, -3, ... before the extension
      --manifest FILE          with --batch, write one JSON object per row
                               to FILE (JSON Lines): line, row, file, bytes,
                               sha256 of the encoded data, version, level,
                               mask, verified, error; written whole
      --jobs N                 with --batch, N worker threads, 1..256
                               (default: one per processor core); the files
                               are the same bytes whatever N
      --verify                 read every symbol back with a QR Code reader
                               (zxing-cpp) and require exactly the encoded
                               bytes: pictures from the disk, SVG rendered at
                               its size, the other formats drawn in memory;
                               one that does not read back is reported
                               ("not found", "different content") and its
                               file removed
  -h, --help                   display this help and exit
      --version                output version information and exit

An option's value may also follow an equals sign (--level=H). Put "--" before a
TEXT that begins with '-'.

Formats:
  matrix    the symbol without quiet zone, one line per module row, '1' dark
            and '0' light
  utf8      the symbol for a terminal in Unicode half blocks, two module rows
            a line, with its quiet zone: the characters' ink draws the light
            modules, so that it reads on the usual light-on-dark terminal
            (--invert for dark-on-light)
  ansi      the same with ANSI background colours, white and black, two
            blanks per module and one line per module row
  bmp, png  the symbol with a white quiet zone of 4 modules (--margin), N x N
            pixels per module, black on white unless coloured (version 1 at
            --scale 1 is 29 x 29 pixels)
  svg       the same as a vector drawing: a white square of side + 8 units with
            the dark modules as paths, N pixels per unit

Exit status:
  0  the symbol was written (with --batch: every line was)
  1  the data does not fit: more than the given version, or version 40, holds
     at the chosen level (a message on standard error says so; no output);
     with --batch: a line failed (each is reported with its line number, then
     the list of them); with --verify: a symbol did not read back (its file is
     removed); with --batch, also a full or read-only disk: the run stops at
     the first file it refuses, with one message, and keeps the files before
  2  bad usage: an unknown option, a missing or invalid value, more than one
     TEXT, a batch PATTERN without %d or %s, batch rows that would write the
     same file, a table without a 'data' column (a message on standard error
     gives the reason; nothing is written)
  3  the output could not be written (no file is left behind), or the batch
     FILE could not be read

Examples:
  ostrel-qr-cli --format matrix abc
      Print the version 1 symbol of "abc" as 21 rows of 0 and 1.

  ostrel-qr-cli 'https://example.com/'
      Show the symbol in the terminal, ready to be scanned from the screen.

  ostrel-qr-cli --format utf8 --invert --margin 2 'Hello'
      The same for a terminal with dark text on a light ground.

  ostrel-qr-cli -o hello.png --scale 8 'Hello, world'
      Write a PNG picture with 8 x 8 pixels per module.

  ostrel-qr-cli -o brand.svg --foreground 1a237e --background fff8e1 --margin 2 'Hi'
      Draw a dark blue symbol on cream with a quiet zone of 2 modules.

  ostrel-qr-cli --level H --symbol-version 5 -o card.svg "$(cat card.vcf)"
      Draw a contact card as a version 5 symbol at level H.

  ostrel-qr-cli --batch labels.txt --scale 4 -o 'labels/%05d.png'
      One PNG file per line of labels.txt: labels/00001.png, ...

  printf 'a\nb\n' | ostrel-qr-cli --batch -o '%s.svg' --mask auto
      Two SVG drawings, a.svg and b.svg, each with its best mask.

  ostrel-qr-cli --batch contacts.csv --batch-format csv -o 'cards/%s.png'
      One PNG file per row of a spreadsheet's CSV export with the columns
      data and file: cards/<file>.png, each holding its data field.

  ostrel-qr-cli --batch names.txt -o '%s.png' --on-collision suffix
      Lines "a/b" and "a_b" both make a_b.png: the second becomes a_b-2.png.

  ostrel-qr-cli --batch labels.txt -o '%05d.png' --manifest labels.jsonl --jobs 2
      Two worker threads, and a line of JSON per label:
      {"line":1,"row":1,"file":"00001.png","bytes":14,"sha256":"…",...}

  printf '\001\002\003' | ostrel-qr-cli -o binary.bmp --scale 4
      Encode three raw bytes from standard input into a BMP picture.

  LANG=zh_CN.UTF-8 ostrel-qr-cli --encoding ansi --eci auto -o note.png "$(cat note.txt)"
      Encode a text in GBK, the ANSI code page of a Simplified-Chinese system,
      and declare it (ECI 29) so that readers show it right.

  ostrel-qr-cli --verify --batch labels.txt -o 'label-%05d.png' --scale 4
      Write one PNG picture per line of labels.txt, each read back before it
      counts; the summary says "10000 written, 10000 verified" when all of
      10000 lines scan.
)HELP";

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", Program, reason.c_str(),
                 Program);
    return ExitUsage;
}

int TooLong(const std::string& amount, const CliOptions& options) {
    std::fprintf(stderr, "%s: %s\n", Program, DoesNotFit(amount, options).c_str());
    return ExitTooLong;
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

int Run(const CliOptions& options) {
    constexpr auto Limit = static_cast<std::size_t>(clsQRCode::MaxInputLength);
    std::vector<std::uint8_t> bytes;
    bool kanji = options.Kanji == KanjiSetting::On;
    if (options.Text) {
        // Every character gives at least one byte and takes at most four UTF-8 bytes here, so
        // a longer argument cannot fit; it is refused before any conversion.
        if (options.Text->size() > 4 * Limit) {
            return TooLong("more than " + std::to_string(Limit) + " bytes", options);
        }
        const std::u16string text = platform::CodePage::Utf8ToUtf16(*options.Text);
        bytes = platform::CodePage::TextToBytes(text, options.Utf8);
        if (options.Kanji == KanjiSetting::Auto && !options.Utf8) {
            kanji = platform::CodePage::SystemAnsiCodePage() == 932;
        }
    } else if (!ReadStandardInput(bytes, Limit)) {
        return TooLong("more than " + std::to_string(Limit) + " bytes", options);
    }

    clsQRCode encoder;
    const auto symbol = LinePipeline::EncodeBytes(encoder, bytes, options,
                                                  platform::CodePage::SystemAnsiCodePage(), kanji);
    if (!symbol) {
        return TooLong(std::to_string(bytes.size()) + " bytes", options);
    }
    PngWriter png;
    const QByteArray data = SymbolOutput(*symbol, options, png);
    if (data.isEmpty()) {
        std::fprintf(stderr, "%s: cannot make the picture\n", Program);
        return ExitCannotWrite;
    }
    // --verify: output that cannot be read back from the disk is checked before it goes out.
    const std::string path = options.Output.value_or("-");
    const bool readBack = SymbolVerifier::ReadsBackFromDisk(path);
    auto verify = [&](const std::string& from) {
        const std::string failure = SymbolVerifier::CheckWritten(
            options.EffectiveFormat(), options.Margin, options.Invert, *symbol, data, from, bytes);
        if (!failure.empty()) {
            std::fprintf(stderr, "%s: %s\n", Program, failure.c_str());
        }
        return failure.empty();
    };
    if (options.Verify && !readBack && !verify({})) {
        return ExitTooLong;
    }
    const std::string error = WriteOutput(options.Output, data);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
        return ExitCannotWrite;
    }
    if (options.Verify && readBack && !verify(path)) {
        return ExitTooLong;
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
        std::fputs(HelpText, stdout);
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
    if (parsed.Options.Batch) {
        return BatchRunner(parsed.Options).Run();
    }
    return Run(parsed.Options);
}
