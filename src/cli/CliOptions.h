#pragma once

#include "Colour.h"
#include "PayloadBuilder.h"
#include "PrintSize.h"
#include "SheetGeometry.h"
#include "SymbolRenderer.h"
#include "clsSymbolEncoder.h"
#include "clsSymbology.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::cli {

// The drawing of symbols lives in the rendering room; the command line names its parts.
using OutputFormat = render::Format;
using render::Black;
using render::Colour;
using render::IsDrawingFormat;
using render::IsPictureFormat;
using render::IsTerminalFormat;
using render::PrintSize;
using render::White;

enum class KanjiSetting { Auto, On, Off };
// How a batch input is read: plain lines, or a table (CSV, TSV) with a header row.
enum class BatchInputFormat { Lines, Csv, Tsv };
// What a batch does when two rows would write the same file.
enum class CollisionPolicy { Refuse, Suffix };

// What the command line asks for. Defaults are those of the tool's help.
struct CliOptions {
    enum class Action { Encode, Help, Version };
    Action Request = Action::Encode;

    Symbology Kind = Symbology::QR;
    // 0 automatic, else QR 1..40, Micro QR 1..4 (M1..M4), rMQR 1..32 (the size index + 1,
    // R7x43 .. R17x139); settled from the text of --symbol-version once the symbology is known.
    std::int32_t Version = 0;
    std::optional<std::string> VersionText; // --symbol-version as given
    std::int32_t Level = 0; // 1 L, 2 M, 3 Q, 4 H; settled to the symbology's default when not given
    bool LevelGiven = false;
    bool BoostLevel = false; // --boost-level: the highest level the version holds the data at
    std::int32_t Mask = 0;
    bool MaskAuto = false;       // QR: the lowest penalty score; Micro QR: the edge evaluation
    bool MaskGiven = false;      // without it, the symbology's default (clsSymbology)
    std::int32_t RMQRHeight = 0; // rMQR: the automatic size only among this height; 0 any
    bool EciAuto = false;  // declare the character set of non-ASCII data with an ECI designator
    bool EciGiven = false; // --eci given: --hanzi declares GB 2312 where needed unless it is off
    bool Utf8 = true;
    KanjiSetting Kanji = KanjiSetting::Auto;
    std::optional<OutputFormat> Format; // unset: from the output file's extension, else matrix
    std::optional<std::string> Output;  // unset or "-": standard output; a pattern in a batch
    std::int32_t Scale = 1;
    bool ScaleGiven = false; // --scale given: then neither --module-size nor --size
    // The size in real units: one of --scale, --module-size and --size, at --dpi.
    std::optional<PrintSize::Length> ModuleSize; // --module-size
    std::optional<PrintSize::Length> WholeSize;  // --size: the symbol with its quiet zone, across
    std::optional<std::int32_t> Dpi;             // unset: pictures state no resolution
    bool Cmyk = false;                           // pdf, eps: process colours instead of RGB
    std::optional<std::int32_t> Margin;          // unset: 4 modules, none for the matrix
    std::optional<Colour> Foreground;            // unset: black
    std::optional<Colour> Background;            // unset: white
    bool Invert = false;                         // terminal formats: light and dark swapped
    std::optional<std::string> Text;             // unset: standard input

    // --payload and --field: the data is a payload of this kind built from the fields (names in
    // their normal form, values as given, in order); --print-payload: the payload's bytes are
    // the output instead of a symbol.
    payload::PayloadKind Payload = payload::PayloadKind::Text;
    std::vector<std::pair<std::string, std::string>> Fields;
    bool PrintPayload = false;

    bool Batch = false;                   // one symbol per line of BatchInput
    std::optional<std::string> BatchFile; // unset or "-": standard input
    BatchInputFormat BatchFormat = BatchInputFormat::Lines;
    CollisionPolicy OnCollision = CollisionPolicy::Refuse;
    std::optional<std::string> Manifest; // one JSON line per row of the batch
    std::int32_t Jobs = 0;               // worker threads of a batch; 0: one per core
    // --shard K/N: this process encodes the K-th of N contiguous ranges of the batch's rows
    // (names are still planned over every row); 0/0 without the option, the whole batch.
    std::int32_t Shard = 0;
    std::int32_t Shards = 0;

    bool Verify = false; // every symbol read back, and removed when it does not read as written
    // --verify=strict: a symbol that a scanner's search misses fails as well.
    bool VerifyStrict = false;
    bool MakeDirs = false; // --make-dirs: the missing folders of the output files are made
    bool NoVerify = false; // --no-verify: no read-back, also with --logo

    // --logo: a picture over the middle of the symbol (clsLogoArea), its side a fraction of the
    // symbol's (given or the default), a margin of light modules, the share of each block's
    // correction it may use; --print-logo-budget shows the blocks' loads.
    std::optional<std::string> Logo;
    std::optional<double> LogoSize;
    std::int32_t LogoMargin = 1;
    std::int32_t LogoBudget = 50;
    bool PrintLogoBudget = false;

    // Structured append: the data split over several symbols; 0 the fewest, else 2..16 symbols.
    std::optional<std::int32_t> StructuredAppend;
    // Hanzi mode: text converted to GB 2312, its double-byte characters in Hanzi segments.
    bool Hanzi = false;
    // GS1: the data is GS1 element strings ("[01]...[10]..."), checked and written after FNC1 in
    // first position.
    bool Gs1 = false;
    // --fnc1-application: FNC1 in second position with this application indicator (00..99, or
    // a letter's ASCII value + 100); -1 for none.
    std::int32_t Fnc1Application = -1;
    // --gs1-link: GS1 element strings turned into a GS1 Digital Link URI under this domain, a
    // plain URL symbol.
    std::optional<std::string> Gs1Link;
    // GS1 element strings are the input (--gs1 or --gs1-link).
    bool Gs1Input() const { return Gs1 || Gs1Link.has_value(); }

    // --caption: a line of text under each symbol, in a batch a pattern ({column}, %s, %d) filled
    // in for every row; --caption-size in points (unset: fitted to the symbol's width);
    // --caption-outline: SVG captions as outlines instead of text.
    std::optional<std::string> Caption;
    std::optional<double> CaptionSize;
    bool CaptionOutline = false;
    // --sheet and its options: a batch laid out as labels on the pages of one PDF (made from the
    // texts below once every option is in).
    std::optional<label::SheetGeometry> Sheet;
    // The sheet options as given, checked together once all are in.
    std::optional<std::string> SheetText, GridText, LabelText, SheetMarginText, GapText;
    bool CutMarks = false;

    // Whether standard output is a terminal; decides the default format.
    bool StandardOutputIsTerminal = false;

    // The format to write: the one asked for, else the output file's extension, else utf8 on a
    // terminal (without -o) and matrix elsewhere.
    OutputFormat EffectiveFormat() const;
    // The quiet zone in modules: the one asked for, else the symbology's (none for the matrix).
    std::int32_t EffectiveMargin() const;
    bool WritesToStandardOutput() const { return !Output || *Output == "-"; }
    // True when the data is built from fields: a kind other than text, or any --field.
    bool BuildsPayload() const { return Payload != payload::PayloadKind::Text || !Fields.empty(); }
    // The size asked for: --module-size, --size, else --scale pixels per module.
    PrintSize EffectiveSize() const;
    // How the symbols are drawn: the format, quiet zone, size and colours asked for.
    render::RenderSettings Rendering() const;
};

inline constexpr std::int32_t MaxScale = 100;
inline constexpr std::int32_t MaxMargin = 64;
inline constexpr std::int32_t MaxJobs = 256;
inline constexpr std::int32_t MaxShards = 1000000;
inline constexpr std::int32_t MaxStructuredAppendSymbols = 16;

struct ParseResult {
    CliOptions Options;
    std::string Error; // empty when the command line is valid
};

// Parses the arguments after the program name (UTF-8). Options and TEXT may come in any order;
// "--" ends the options. --help and --version win over everything else that is valid.
// standardOutputIsTerminal picks the default format (utf8 on a terminal).
ParseResult ParseArguments(std::span<const std::string> arguments,
                           bool standardOutputIsTerminal = false);

// Whether the encoder uses Kanji mode for data of the options: off with --hanzi (the data is
// GB 2312, whose pairs readers would take as Shift JIS in a Kanji segment); else --kanji on or
// off as given;
// auto (the default) only for text (fromText: TEXT or the lines of a batch, not standard input)
// converted to the ANSI code page 932, Shift JIS. Off in every case when the data is declared
// with an ECI designator (eciDesignator, 0 for none) of another character set than Shift JIS.
bool KanjiModeOn(const CliOptions& options, bool fromText, int codePage,
                 std::int32_t eciDesignator);

// The text in ASCII lower case.
std::string AsciiLower(std::string_view text);

// The format of a name as the command line spells it ("png", in any case); nullopt for none.
std::optional<OutputFormat> FormatByName(std::string_view name);

// What the encoder is asked for by the options: symbology, version, level, mask, Hanzi mode and
// height. The data's own choices (ECI designator, Kanji mode) are left at none: they are made
// for every line's bytes.
clsSymbolEncoder::Settings EncoderSettings(const CliOptions& options);

// The message for an encoder's refusal in the words of the tool's options ("M1 offers level L
// only, not M"); amount says how much data there is ("1700 bytes") where that matters.
std::string RefusalMessage(const clsSymbolEncoder::Outcome& outcome, const CliOptions& options,
                           const std::string& amount = {});

// The format's name as the command line spells it ("png").
std::string_view FormatName(OutputFormat format);

// RRGGBB or RRGGBBAA in hexadecimal digits, with or without a leading '#'.
std::optional<Colour> ParseColour(std::string_view text);

} // namespace ostrel::cli
