#include "OptionTable.h"

#include "Gs1DigitalLink.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <vector>

namespace ostrel::cli {

namespace {

// A whole decimal number from min to max, nothing else.
std::optional<std::int32_t> ParseNumber(std::string_view text, std::int32_t min, std::int32_t max) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::string Invalid(std::string_view option, std::string_view value, std::string_view expected) {
    return "invalid value '" + std::string(value) + "' for " + std::string(option) + ": expected " +
           std::string(expected);
}

// The checks of the options' values, one for each row of the table. Values are matched without
// regard to case.

// The version depends on the symbology, which may come later on the command line:
// ParseArguments settles it once all options are in (ResolveSymbology).
std::string ApplySymbolVersion(CliOptions& options, std::optional<std::string_view> value,
                               const std::string& /*option*/) {
    options.VersionText = std::string(*value);
    return {};
}

std::string ApplySymbology(CliOptions& options, std::optional<std::string_view> value,
                           const std::string& option) {
    const clsSymbology* symbology = clsSymbology::Named(*value);
    if (symbology == nullptr) {
        std::vector<std::string> names;
        for (const clsSymbology& each : clsSymbology::All()) {
            names.emplace_back(each.Name());
        }
        return Invalid(option, *value, clsSymbology::JoinNames(names, " or "));
    }
    options.Kind = symbology->Kind();
    return {};
}

std::string ApplyRMQRHeight(CliOptions& options, std::optional<std::string_view> value,
                            const std::string& option) {
    // The heights of the symbology that has them (rMQR).
    std::vector<std::int32_t> heights;
    for (const clsSymbology& symbology : clsSymbology::All()) {
        const auto own = symbology.Heights();
        heights.insert(heights.end(), own.begin(), own.end());
    }
    const auto number = ParseNumber(*value, 1, std::numeric_limits<std::int32_t>::max());
    if (!number || std::find(heights.begin(), heights.end(), *number) == heights.end()) {
        std::vector<std::string> names;
        names.reserve(heights.size());
        for (const std::int32_t height : heights) {
            names.push_back(std::to_string(height));
        }
        return Invalid(option, *value, clsSymbology::JoinNames(names, " or "));
    }
    options.RMQRHeight = *number;
    return {};
}

std::string ApplyLevel(CliOptions& options, std::optional<std::string_view> value,
                       const std::string& option) {
    // Every level name; which symbology and version offers it is settled with the others.
    std::vector<std::string> names;
    for (std::int32_t level = 1; level <= clsSymbology::LevelCount; ++level) {
        names.emplace_back(clsSymbology::LevelName(level));
        if (AsciiLower(names.back()) == AsciiLower(*value)) {
            options.Level = level;
            options.LevelGiven = true;
            return {};
        }
    }
    return Invalid(option, *value, clsSymbology::JoinNames(names, " or "));
}

std::string SetBoostLevel(CliOptions& options, std::optional<std::string_view> /*value*/,
                          const std::string& /*option*/) {
    options.BoostLevel = true;
    return {};
}

std::string ApplyMask(CliOptions& options, std::optional<std::string_view> value,
                      const std::string& option) {
    options.MaskGiven = true;
    if (AsciiLower(*value) == "auto") {
        options.MaskAuto = true;
        options.Mask = 0;
    } else if (const auto number = ParseNumber(*value, 0, clsSymbology::LargestMaskCount() - 1)) {
        options.MaskAuto = false;
        options.Mask = *number;
    } else {
        return Invalid(option, *value,
                       "0.." + std::to_string(clsSymbology::LargestMaskCount() - 1) + " or auto");
    }
    return {};
}

std::string ApplyEncoding(CliOptions& options, std::optional<std::string_view> value,
                          const std::string& option) {
    const std::string lower = AsciiLower(*value);
    if (lower == "utf8" || lower == "utf-8") {
        options.Utf8 = true;
    } else if (lower == "ansi") {
        options.Utf8 = false;
    } else {
        return Invalid(option, *value, "utf8 or ansi");
    }
    return {};
}

std::string ApplyKanji(CliOptions& options, std::optional<std::string_view> value,
                       const std::string& option) {
    const std::string lower = AsciiLower(*value);
    if (lower == "auto") {
        options.Kanji = KanjiSetting::Auto;
    } else if (lower == "on") {
        options.Kanji = KanjiSetting::On;
    } else if (lower == "off") {
        options.Kanji = KanjiSetting::Off;
    } else {
        return Invalid(option, *value, "auto, on or off");
    }
    return {};
}

std::string ApplyEci(CliOptions& options, std::optional<std::string_view> value,
                     const std::string& option) {
    const std::string lower = AsciiLower(*value);
    if (lower != "auto" && lower != "off") {
        return Invalid(option, *value, "auto or off");
    }
    options.EciAuto = lower == "auto";
    options.EciGiven = true;
    return {};
}

std::string ApplyFormat(CliOptions& options, std::optional<std::string_view> value,
                        const std::string& option) {
    options.Format = FormatByName(*value);
    if (!options.Format) {
        return Invalid(option, *value, "matrix, utf8, ansi, bmp, png, svg, pdf or eps");
    }
    return {};
}

std::string ApplyOutput(CliOptions& options, std::optional<std::string_view> value,
                        const std::string& /*option*/) {
    if (value->empty()) {
        return "the output file name is empty";
    }
    options.Output = std::string(*value);
    return {};
}

std::string ApplyScale(CliOptions& options, std::optional<std::string_view> value,
                       const std::string& option) {
    const auto number = ParseNumber(*value, 1, MaxScale);
    if (!number) {
        return Invalid(option, *value, "1.." + std::to_string(MaxScale));
    }
    options.Scale = *number;
    options.ScaleGiven = true;
    return {};
}

std::string ApplyDpi(CliOptions& options, std::optional<std::string_view> value,
                     const std::string& option) {
    const auto number = ParseNumber(*value, PrintSize::MinDpi, PrintSize::MaxDpi);
    if (!number) {
        return Invalid(option, *value,
                       std::to_string(PrintSize::MinDpi) + ".." +
                           std::to_string(PrintSize::MaxDpi) + " dots per inch");
    }
    options.Dpi = *number;
    return {};
}

std::string ApplyLength(std::optional<PrintSize::Length>& length, std::string_view value,
                        const std::string& option) {
    std::string expected;
    length = PrintSize::Parse(value, expected);
    if (!length) {
        return Invalid(option, value, expected);
    }
    return {};
}

std::string ApplyModuleSize(CliOptions& options, std::optional<std::string_view> value,
                            const std::string& option) {
    return ApplyLength(options.ModuleSize, *value, option);
}

std::string ApplySize(CliOptions& options, std::optional<std::string_view> value,
                      const std::string& option) {
    return ApplyLength(options.WholeSize, *value, option);
}

std::string ApplyCaption(CliOptions& options, std::optional<std::string_view> value,
                         const std::string& option) {
    if (value->empty()) {
        return Invalid(option, *value, "the text to write under the symbol");
    }
    options.Caption = std::string(*value);
    return {};
}

std::string ApplyCaptionSize(CliOptions& options, std::optional<std::string_view> value,
                             const std::string& option) {
    double size = 0;
    const char* end = value->data() + value->size();
    const auto [ptr, error] = std::from_chars(value->data(), end, size);
    if (value->empty() || error != std::errc{} || ptr != end || !(size >= 6 && size <= 144)) {
        return Invalid(option, *value, "a size in points from 6 to 144");
    }
    options.CaptionSize = size;
    return {};
}

std::string SetCaptionOutline(CliOptions& options, std::optional<std::string_view> /*value*/,
                              const std::string& /*option*/) {
    options.CaptionOutline = true;
    return {};
}

// The sheet's options are read as text here and checked together (SheetLayout).
std::string KeepSheetText(std::optional<std::string>& field, std::string_view value,
                          const std::string& option) {
    if (value.empty()) {
        return Invalid(option, value, "a value");
    }
    field = std::string(value);
    return {};
}

std::string ApplySheet(CliOptions& options, std::optional<std::string_view> value,
                       const std::string& option) {
    return KeepSheetText(options.SheetText, *value, option);
}

std::string ApplyGrid(CliOptions& options, std::optional<std::string_view> value,
                      const std::string& option) {
    return KeepSheetText(options.GridText, *value, option);
}

std::string ApplyLabel(CliOptions& options, std::optional<std::string_view> value,
                       const std::string& option) {
    return KeepSheetText(options.LabelText, *value, option);
}

std::string ApplySheetMargin(CliOptions& options, std::optional<std::string_view> value,
                             const std::string& option) {
    return KeepSheetText(options.SheetMarginText, *value, option);
}

std::string ApplyGap(CliOptions& options, std::optional<std::string_view> value,
                     const std::string& option) {
    return KeepSheetText(options.GapText, *value, option);
}

std::string SetCutMarks(CliOptions& options, std::optional<std::string_view> /*value*/,
                        const std::string& /*option*/) {
    options.CutMarks = true;
    return {};
}

std::string SetCmyk(CliOptions& options, std::optional<std::string_view> /*value*/,
                    const std::string& /*option*/) {
    options.Cmyk = true;
    return {};
}

std::string ApplyMargin(CliOptions& options, std::optional<std::string_view> value,
                        const std::string& option) {
    const auto number = ParseNumber(*value, 0, MaxMargin);
    if (!number) {
        return Invalid(option, *value, "0.." + std::to_string(MaxMargin) + " modules");
    }
    options.Margin = *number;
    return {};
}

std::string ApplyBatchFormat(CliOptions& options, std::optional<std::string_view> value,
                             const std::string& option) {
    const std::string lower = AsciiLower(*value);
    if (lower != "lines" && lower != "csv" && lower != "tsv") {
        return Invalid(option, *value, "lines, csv or tsv");
    }
    options.BatchFormat = lower == "lines" ? BatchInputFormat::Lines
                          : lower == "csv" ? BatchInputFormat::Csv
                                           : BatchInputFormat::Tsv;
    return {};
}

std::string ApplyOnCollision(CliOptions& options, std::optional<std::string_view> value,
                             const std::string& option) {
    const std::string lower = AsciiLower(*value);
    if (lower != "refuse" && lower != "suffix") {
        return Invalid(option, *value, "refuse or suffix");
    }
    options.OnCollision = lower == "suffix" ? CollisionPolicy::Suffix : CollisionPolicy::Refuse;
    return {};
}

std::string ApplyManifest(CliOptions& options, std::optional<std::string_view> value,
                          const std::string& option) {
    if (value->empty() || *value == "-") {
        return Invalid(option, *value, "a file name");
    }
    options.Manifest = std::string(*value);
    return {};
}

std::string ApplyJobs(CliOptions& options, std::optional<std::string_view> value,
                      const std::string& option) {
    const auto number = ParseNumber(*value, 1, MaxJobs);
    if (!number) {
        return Invalid(option, *value, "1.." + std::to_string(MaxJobs) + " worker threads");
    }
    options.Jobs = *number;
    return {};
}

// K/N: shard K of N, 1 <= K <= N.
std::string ApplyShard(CliOptions& options, std::optional<std::string_view> value,
                       const std::string& option) {
    const std::size_t slash = value->find('/');
    const auto shards = slash == std::string_view::npos
                            ? std::nullopt
                            : ParseNumber(value->substr(slash + 1), 1, MaxShards);
    const auto shard = shards ? ParseNumber(value->substr(0, slash), 1, *shards) : std::nullopt;
    if (!shard) {
        return Invalid(option, *value,
                       "K/N, shard K of N with 1 <= K <= N <= " + std::to_string(MaxShards));
    }
    options.Shard = *shard;
    options.Shards = *shards;
    return {};
}

std::string ApplyColour(std::optional<Colour>& colour, std::string_view value,
                        const std::string& option) {
    colour = ParseColour(value);
    if (!colour) {
        return Invalid(option, value, "a colour RRGGBB or RRGGBBAA in hexadecimal digits");
    }
    return {};
}

std::string ApplyForeground(CliOptions& options, std::optional<std::string_view> value,
                            const std::string& option) {
    return ApplyColour(options.Foreground, *value, option);
}

std::string ApplyBackground(CliOptions& options, std::optional<std::string_view> value,
                            const std::string& option) {
    return ApplyColour(options.Background, *value, option);
}

std::string SetInvert(CliOptions& options, std::optional<std::string_view> /*value*/,
                      const std::string& /*option*/) {
    options.Invert = true;
    return {};
}

// The FILE of a batch may also come as the one argument that is not an option; ParseArguments
// settles that once all options are in.
std::string SetBatch(CliOptions& options, std::optional<std::string_view> value,
                     const std::string& /*option*/) {
    options.Batch = true;
    if (value) {
        options.BatchFile = std::string(*value);
    }
    return {};
}

std::string ApplyPayload(CliOptions& options, std::optional<std::string_view> value,
                         const std::string& option) {
    const auto kind = payload::PayloadBuilder::KindByName(*value);
    if (!kind) {
        return Invalid(option, *value, payload::PayloadBuilder::KindNames());
    }
    options.Payload = *kind;
    return {};
}

// --field may be repeated: every value adds a field, in order.
std::string AddField(CliOptions& options, std::optional<std::string_view> value,
                     const std::string& option) {
    auto assignment = payload::PayloadFields::ParseAssignment(*value);
    if (!assignment) {
        return Invalid(option, *value, "NAME=VALUE");
    }
    options.Fields.push_back(std::move(*assignment));
    return {};
}

std::string SetPrintPayload(CliOptions& options, std::optional<std::string_view> /*value*/,
                            const std::string& /*option*/) {
    options.PrintPayload = true;
    return {};
}

// --verify warns of a symbol that only a reader told where it is finds; --verify=strict fails it.
std::string SetVerify(CliOptions& options, std::optional<std::string_view> value,
                      const std::string& option) {
    if (value && AsciiLower(*value) != "strict") {
        return Invalid(option, *value, "strict, or no value");
    }
    options.Verify = true;
    options.VerifyStrict = value.has_value();
    return {};
}

std::string ApplyLogo(CliOptions& options, std::optional<std::string_view> value,
                      const std::string& option) {
    if (value->empty()) {
        return Invalid(option, *value, "the name of a PNG, JPEG or SVG file");
    }
    options.Logo = std::string(*value);
    return {};
}

std::string ApplyLogoSize(CliOptions& options, std::optional<std::string_view> value,
                          const std::string& option) {
    double size = 0;
    const char* end = value->data() + value->size();
    const auto [ptr, error] = std::from_chars(value->data(), end, size);
    if (value->empty() || error != std::errc{} || ptr != end || !(size > 0 && size <= 0.8)) {
        return Invalid(option, *value, "a fraction of the symbol's width above 0, at most 0.8");
    }
    options.LogoSize = size;
    return {};
}

std::string ApplyLogoMargin(CliOptions& options, std::optional<std::string_view> value,
                            const std::string& option) {
    const auto margin = ParseNumber(*value, 0, 10);
    if (!margin) {
        return Invalid(option, *value, "0..10 modules");
    }
    options.LogoMargin = *margin;
    return {};
}

std::string ApplyLogoBudget(CliOptions& options, std::optional<std::string_view> value,
                            const std::string& option) {
    const auto budget = ParseNumber(*value, 10, 100);
    if (!budget) {
        return Invalid(option, *value, "10..100 (percent of each block's correction)");
    }
    options.LogoBudget = *budget;
    return {};
}

std::string SetPrintLogoBudget(CliOptions& options, std::optional<std::string_view> /*value*/,
                               const std::string& /*option*/) {
    options.PrintLogoBudget = true;
    return {};
}

std::string SetNoVerify(CliOptions& options, std::optional<std::string_view> /*value*/,
                        const std::string& /*option*/) {
    options.NoVerify = true;
    return {};
}

std::string SetMakeDirs(CliOptions& options, std::optional<std::string_view> /*value*/,
                        const std::string& /*option*/) {
    options.MakeDirs = true;
    return {};
}

std::string ApplyStructuredAppend(CliOptions& options, std::optional<std::string_view> value,
                                  const std::string& option) {
    if (AsciiLower(*value) == "auto") {
        options.StructuredAppend = 0;
    } else if (const auto number = ParseNumber(*value, 2, MaxStructuredAppendSymbols)) {
        options.StructuredAppend = *number;
    } else {
        return Invalid(option, *value,
                       "auto or 2.." + std::to_string(MaxStructuredAppendSymbols) + " symbols");
    }
    return {};
}

std::string SetHanzi(CliOptions& options, std::optional<std::string_view> /*value*/,
                     const std::string& /*option*/) {
    options.Hanzi = true;
    return {};
}

std::string SetGs1(CliOptions& options, std::optional<std::string_view> /*value*/,
                   const std::string& /*option*/) {
    options.Gs1 = true;
    return {};
}

std::string SetFnc1Application(CliOptions& options, std::optional<std::string_view> value,
                               const std::string& option) {
    const std::string_view text = *value;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (text.size() == 2 && isDigit(text[0]) && isDigit(text[1])) {
        options.Fnc1Application = 10 * (text[0] - '0') + (text[1] - '0');
    } else if (text.size() == 1 && isLetter(text[0])) {
        options.Fnc1Application = text[0] + clsSymbolEncoder::ApplicationLetterOffset;
    } else {
        return Invalid(option, text, "two digits 00..99 or one letter");
    }
    return {};
}

std::string SetGs1Link(CliOptions& options, std::optional<std::string_view> value,
                       const std::string& option) {
    if (!payload::Gs1DigitalLink::IsDomain(*value)) {
        return Invalid(option, *value, "https://DOMAIN or http://DOMAIN");
    }
    options.Gs1Link = std::string(*value);
    return {};
}

std::string AskForHelp(CliOptions& options, std::optional<std::string_view> /*value*/,
                       const std::string& /*option*/) {
    options.Request = CliOptions::Action::Help;
    return {};
}

std::string AskForVersion(CliOptions& options, std::optional<std::string_view> /*value*/,
                          const std::string& /*option*/) {
    options.Request = CliOptions::Action::Version;
    return {};
}

constexpr std::string_view Options = "Options";

// The table of options. To add one:
// - add a row where --help should show it: its section (a new Section starts a new heading in
//   --help), long and short name, how it takes a value and the value's name in --help;
// - write its Apply above: check the value, store it in a new field of CliOptions, return the
//   reason when it is refused (the tool exits with status 2). Apply runs once for every value
//   given, in order: an option that may be repeated (--field) appends to a list, the others
//   overwrite, so that the last one counts;
// - write its help lines (at most HelpTextWidth characters each, '\n' between two);
// - check combinations with other options in CheckCombination (CliOptions.cpp);
// - add an example to the README and to the examples of --help (HelpText.cpp).
// The parser, --help and the manual page (help2man) follow from the row; the tests check that
// every row is in --help and refuses an empty value.
constexpr OptionRow Table[] = {
    {Options, "symbology", 0, OptionValue::Required, "qr|micro|rmqr", ApplySymbology,
     "the kind of symbol (default qr): QR Code, Micro\n"
     "QR (M1..M4, quiet zone 2) or rMQR (rectangular\n"
     "Micro QR, R7x43..R17x139, quiet zone 2)"},
    {Options, "symbol-version", 0, OptionValue::Required, "V|auto", ApplySymbolVersion,
     "symbol version: 1..40 for qr, M1..M4 for micro,\n"
     "R7x43..R17x139 for rmqr; auto (default) for the\n"
     "smallest that holds the data (qr: 0 also means\n"
     "auto; rmqr: the smallest area, then the lower\n"
     "height)"},
    {Options, "rmqr-height", 0, OptionValue::Required, "7|9|11|13|15|17", ApplyRMQRHeight,
     "rmqr with automatic version: only the sizes of\n"
     "this height"},
    {Options, "level", 0, OptionValue::Required, "L|M|Q|H", ApplyLevel,
     "error-correction level (default Q for qr, L for\n"
     "micro, M for rmqr); micro has L, M, Q (M1 error\n"
     "detection only, M2 and M3 L and M), rmqr M, H"},
    {Options, "boost-level", 0, OptionValue::None, "", SetBoostLevel,
     "raise the level as far as the version allows:\n"
     "the version asked (or the smallest that holds\n"
     "the data at --level) stays, and the symbol\n"
     "takes the highest level of it that still holds\n"
     "the data (never below --level); with\n"
     "--structured-append one level for all symbols"},
    {Options, "mask", 0, OptionValue::Required, "N|auto", ApplyMask,
     "mask pattern: qr 0..7 (default 0), auto for the\n"
     "lowest penalty score (ISO/IEC 18004 7.8.3);\n"
     "micro 0..3 (default auto: the dark modules of\n"
     "the right and bottom edges); rmqr has one\n"
     "fixed pattern, no choice, and refuses the\n"
     "option"},
    {Options, "encoding", 0, OptionValue::Required, "utf8|ansi", ApplyEncoding,
     "how TEXT becomes bytes: UTF-8 (default), or the\n"
     "ANSI code page that Windows would use for the\n"
     "locale in LC_ALL, else LC_CTYPE, else LANG\n"
     "(GBK for zh_CN, Shift JIS for ja_JP,\n"
     "Windows-1252 for C and POSIX); a character the\n"
     "code page lacks becomes '?'. Standard input is\n"
     "never converted."},
    {Options, "kanji", 0, OptionValue::Required, "auto|on|off", ApplyKanji,
     "Kanji mode for double-byte Shift JIS characters\n"
     "(default auto: on only when TEXT is converted\n"
     "to the ANSI code page 932, Shift JIS; off\n"
     "otherwise, standard input included)"},
    {Options, "eci", 0, OptionValue::Required, "auto|off", ApplyEci,
     "declare the character set (default off, auto\n"
     "with --hanzi): with auto, data that is not\n"
     "plain ASCII starts with an ECI designator, 26\n"
     "for UTF-8 or the one of the ANSI code page (20\n"
     "Shift JIS, 21-24 Windows-1250/1251/1252/1256,\n"
     "28 Big5, 29 GBK); qr and rmqr only (Micro QR\n"
     "has no ECI)"},
    {Options, "hanzi", 0, OptionValue::None, "", SetHanzi,
     "Hanzi mode (GB/T 18284): TEXT (or standard\n"
     "input, which must be UTF-8) is converted to\n"
     "GB 2312 and its Chinese characters take 13\n"
     "bits instead of 24; a character outside GB\n"
     "2312 is refused (exit 2). ECI 29 only when a\n"
     "Chinese character goes to a byte segment\n"
     "(beside Latin letters or digits); with --eci\n"
     "off none, and a warning then. zxing-cpp reads\n"
     "it; ZBar and WeChat show GB 2312 bytes (see\n"
     "docs/hanzi-readers.md)"},
    {Options, "gs1", 0, OptionValue::None, "", SetGs1,
     "GS1 data (FNC1 in first position, read as\n"
     "]Q3): TEXT is element strings with each AI in\n"
     "brackets or parentheses, [01]09501101530003\n"
     "[17]260101[10]ABC123; every AI, length, check\n"
     "digit, date and character is checked (exit 2\n"
     "naming the AI and position); separators go\n"
     "after variable-length fields; qr and rmqr\n"
     "only"},
    {Options, "fnc1-application", 0, OptionValue::Required, "NN|A", SetFnc1Application,
     "FNC1 in second position (read as ]Q5) for an\n"
     "industry format that is not GS1: the\n"
     "application indicator NN (two digits) or A\n"
     "(one letter) comes first; TEXT as it is;\n"
     "qr and rmqr only, not with --gs1"},
    {Options, "gs1-link", 0, OptionValue::Required, "URL", SetGs1Link,
     "GS1 Digital Link: TEXT is element strings as\n"
     "for --gs1, checked, and the symbol holds the\n"
     "URI URL/01/GTIN/10/LOT?17=DATE (the primary\n"
     "key and its qualifiers on the path, the other\n"
     "AIs as query parameters) for phones to open;\n"
     "a plain URL symbol, without FNC1"},
    {Options, "structured-append", 0, OptionValue::Required, "auto|N", ApplyStructuredAppend,
     "split the data over N symbols (2..16), or the\n"
     "fewest with auto, that a reader joins again\n"
     "(ISO/IEC 18004 structured append). Without\n"
     "--symbol-version, the smallest version at\n"
     "which 16 (or N) symbols hold the data. -o\n"
     "needs a PATTERN with %d, the symbol's number\n"
     "(with --batch: %i, %d staying the line);\n"
     "matrix, utf8 and ansi go to standard output\n"
     "in order, an empty line between two"},
    {Options, "payload", 0, OptionValue::Required, "KIND", ApplyPayload,
     "build the data from --field values, escaped as\n"
     "the kind's format wants: text (the default:\n"
     "TEXT as it is), wifi, vcard, mecard, event,\n"
     "tel, sms, mailto or geo (their fields under\n"
     "Payloads below). Use --eci auto for payloads\n"
     "with text that is not plain ASCII"},
    {Options, "field", 0, OptionValue::Required, "NAME=VALUE", AddField,
     "a field of the payload; repeatable, and VALUE\n"
     "may hold '='. An empty VALUE leaves the field\n"
     "out. In a batch of a table, a value for every\n"
     "row that has no column of that NAME"},
    {Options, "print-payload", 0, OptionValue::None, "", SetPrintPayload,
     "write the bytes that would be encoded (the\n"
     "payload, after --encoding) instead of a symbol"},
    {Options, "format", 0, OptionValue::Required, "FORMAT", ApplyFormat,
     "matrix, utf8, ansi, bmp, png, svg, pdf or eps\n"
     "(default: from the extension of FILE, .bmp,\n"
     ".png, .svg, .pdf or .eps; otherwise utf8 when\n"
     "standard output is a terminal, else matrix)"},
    {Options, "output", 'o', OptionValue::Required, "FILE", ApplyOutput,
     "write to FILE instead of standard output ('-'\n"
     "is standard output); FILE is replaced only\n"
     "when the whole output is written. With\n"
     "--batch, a PATTERN for the files' names"},
    {Options, "scale", 0, OptionValue::Required, "N", ApplyScale,
     "pixels per module for bmp, png, svg, pdf and\n"
     "eps, 1..100 (default 1; a drawing's pixel is\n"
     "1/96 inch unless --dpi)"},
    {Options, "dpi", 0, OptionValue::Required, "N", ApplyDpi,
     "the resolution in dots per inch, 1..2400, that\n"
     "a picture is made for: png and bmp files store\n"
     "it, and a px size in a drawing is a dot at it"},
    {Options, "module-size", 0, OptionValue::Required, "X", ApplyModuleSize,
     "the side of one module, a number with its\n"
     "unit: mm, cm, in or px (0.5mm, 0.02in, 6px;\n"
     "in any letter case, 20MM is 20mm); pictures\n"
     "round it to whole pixels (a warning when that\n"
     "changes it by more than 5%) and need --dpi for\n"
     "mm, cm and in; svg, pdf and eps keep it\n"
     "exactly, svg in the unit asked (px at --dpi in\n"
     "in, else pt: 100px at 300 dpi is 24pt)"},
    {Options, "size", 0, OptionValue::Required, "X", ApplySize,
     "the same for the whole symbol with its quiet\n"
     "zone, across (20mm; for rmqr the width); give\n"
     "one of --scale, --module-size and --size"},
    {Options, "cmyk", 0, OptionValue::None, "", SetCmyk,
     "pdf and eps: process colours (CMYK, black as\n"
     "pure K) instead of RGB"},
    {Options, "margin", 0, OptionValue::Required, "N", ApplyMargin,
     "quiet zone in modules around the symbol, 0..64\n"
     "(default 4 for qr, 2 for micro and rmqr; none\n"
     "for matrix unless given)"},
    {Options, "foreground", 0, OptionValue::Required, "RRGGBB[AA]", ApplyForeground,
     "colour of the dark modules, png, svg, pdf, eps\n"
     "(default 000000, black)"},
    {Options, "background", 0, OptionValue::Required, "RRGGBB[AA]", ApplyBackground,
     "colour of the light modules and the quiet zone,\n"
     "png, svg, pdf, eps (default ffffff, white); AA\n"
     "is the opacity, 00 transparent to ff opaque\n"
     "(eps: a transparent ground is not painted). A\n"
     "warning says when the two differ too little\n"
     "for readers (contrast under 3:1)"},
    {Options, "invert", 0, OptionValue::None, "", SetInvert,
     "utf8 and ansi: swap light and dark, for a\n"
     "terminal with dark text on a light ground"},
    {Options, "batch", 0, OptionValue::Optional, "FILE", SetBatch,
     "one symbol per line of FILE or standard input\n"
     "(LF or CR LF; empty lines are skipped), written\n"
     "to the files that -o PATTERN names: %d is the\n"
     "line number (%05d pads it to five digits), %s\n"
     "the line made safe for a file name: letters of\n"
     "every script kept; / \\ < > : \" | ? *, control\n"
     "characters and bytes that are not UTF-8 become\n"
     "_, and so do a leading dot and dots and blanks\n"
     "at the end; CON, NUL, COM1, ... get a _ after\n"
     "them; cut between characters so that the file\n"
     "name has at most 255 bytes. %% is a '%'.\n"
     "Without -o, matrix, utf8 and ansi symbols go to\n"
     "standard output, an empty line between two.\n"
     "Uses every processor core. Before anything is\n"
     "written, every name is settled: two lines\n"
     "that name the same file (also when only\n"
     "letter case differs) stop the run (exit 2)"},
    {Options, "batch-format", 0, OptionValue::Required, "lines|csv|tsv", ApplyBatchFormat,
     "how --batch reads FILE (default lines): csv\n"
     "(RFC 4180: quoted fields with commas, \"\"\n"
     "and line breaks) or tsv (tab-separated) with\n"
     "a header row naming the column 'data' (the\n"
     "text to encode) and optionally 'file' (the\n"
     "text for %s); %d is the row number after the\n"
     "header. A UTF-8 byte order mark is skipped"},
    {Options, "on-collision", 0, OptionValue::Required, "refuse|suffix", ApplyOnCollision,
     "two rows that would write the same file:\n"
     "refuse the run (default), or keep both with\n"
     "-2, -3, ... before the extension"},
    {Options, "manifest", 0, OptionValue::Required, "FILE", ApplyManifest,
     "with --batch, write one JSON object per row\n"
     "to FILE (JSON Lines): line, row, file, bytes,\n"
     "sha256 of the encoded data, version (4, \"M2\",\n"
     "\"R13x43\": as the symbology names it), level,\n"
     "mask (null for rmqr: one fixed pattern, no\n"
     "choice), verified, error (and files, every\n"
     "symbol's, with --structured-append; detected,\n"
     "found by a scanner's search, with --verify);\n"
     "written whole"},
    {Options, "jobs", 0, OptionValue::Required, "N", ApplyJobs,
     "with --batch, N worker threads, 1..256\n"
     "(default: one per processor core); the files\n"
     "are the same bytes whatever N"},
    {Options, "shard", 0, OptionValue::Required, "K/N", ApplyShard,
     "with --batch, encode only the K-th of N equal\n"
     "runs of consecutive rows (1 <= K <= N), so that\n"
     "N processes or machines share one batch: names\n"
     "are planned over every row, the shards' files\n"
     "together are one run's, and their manifests\n"
     "concatenated in order (1/N, 2/N, ...) are one\n"
     "run's manifest"},
    {Options, "make-dirs", 0, OptionValue::None, "", SetMakeDirs,
     "make the folders that the output files (and\n"
     "the manifest) need and that do not exist, as\n"
     "mkdir -p does; without it a batch whose files\n"
     "need a missing folder stops before writing\n"
     "anything (exit 3)"},
    {Options, "verify", 0, OptionValue::Optional, "strict", SetVerify,
     "read every symbol back with a QR Code reader\n"
     "(zxing-cpp) and require exactly the encoded\n"
     "bytes: pictures from the disk, SVG rendered at\n"
     "its size, PDF (Poppler) and EPS (Ghostscript)\n"
     "at --dpi, the other formats drawn in memory;\n"
     "one that does not read back is reported\n"
     "(\"not found\", \"different content\") and its\n"
     "file removed. A picture is also searched as a\n"
     "scanner does; one found only when the reader\n"
     "is told where it is gets a warning with a\n"
     "larger size to try (counted in a batch's\n"
     "summary, \"detected\" in --manifest), and with\n"
     "=strict fails as one that does not read back.\n"
     "qr only: this reader knows no Micro QR or rMQR"},
    {Options, "no-verify", 0, OptionValue::None, "", SetNoVerify,
     "no read-back, also with --logo (where --verify\n"
     "is on by default)"},
    {Options, "logo", 0, OptionValue::Required, "FILE", ApplyLogo,
     "a PNG, JPEG or SVG picture over the middle of\n"
     "the symbol (qr and rmqr): the modules under it\n"
     "and its margin are cleared, never a function\n"
     "pattern (alignment patterns are drawn over\n"
     "it), and the codewords it takes are counted per\n"
     "block against the block's correction; level H\n"
     "unless --level is given, --verify on. png and\n"
     "bmp composite it, svg and pdf embed it, the\n"
     "text formats show the area light; not eps.\n"
     "A batch puts it on every line's symbol"},
    {Options, "logo-size", 0, OptionValue::Required, "F", ApplyLogoSize,
     "the logo's side over the symbol's width (rmqr:\n"
     "height), default 0.2; without it a logo that\n"
     "would reach a function pattern is made smaller"},
    {Options, "logo-margin", 0, OptionValue::Required, "N", ApplyLogoMargin,
     "light modules around the logo, 0..10 (default 1)"},
    {Options, "logo-budget", 0, OptionValue::Required, "P", ApplyLogoBudget,
     "the percent of each block's correction the\n"
     "logo may use, 10..100 (default 50); a logo over\n"
     "it is refused (exit 2), nothing written"},
    {Options, "print-logo-budget", 0, OptionValue::None, "", SetPrintLogoBudget,
     "with --logo, print per block the codewords the\n"
     "logo takes and the block's correction to\n"
     "standard error"},
    {Options, "caption", 0, OptionValue::Required, "TEXT", ApplyCaption,
     "a line of text under the symbol, centred, in\n"
     "Noto Sans CJK SC (Chinese, Latin, digits), below\n"
     "the quiet zone and never wider than the\n"
     "symbol: png, bmp, svg (text), pdf and eps (text\n"
     "in the embedded font). In a batch a pattern:\n"
     "{name} is the row's column of that name, %s\n"
     "and %d as in -o, %% a '%'. A caption that does\n"
     "not fit at 6 pt is refused (exit 2; in a batch\n"
     "its row fails)"},
    {Options, "caption-size", 0, OptionValue::Required, "PT", ApplyCaptionSize,
     "the caption's size in points, 6..144 (default:\n"
     "fitted to the symbol's width, at most a tenth\n"
     "of it); pictures count 96 dpi unless --dpi"},
    {Options, "caption-outline", 0, OptionValue::None, "", SetCaptionOutline,
     "svg: the caption as outlines of its glyphs\n"
     "instead of text (for print shops without the\n"
     "font)"},
    {Options, "sheet", 0, OptionValue::Required, "PAGE", ApplySheet,
     "with --batch, lay the symbols out as labels on\n"
     "the pages of one PDF file (-o FILE.pdf): A4,\n"
     "A5, Letter or WxHmm (210x297mm); one label per\n"
     "cell in row order, each symbol with its\n"
     "caption; every label of the file has the same\n"
     "module size, the largest that fits the cells.\n"
     "The manifest gives each row's page and cell;\n"
     "--verify reads every label back from the file"},
    {Options, "grid", 0, OptionValue::Required, "COLSxROWS", ApplyGrid,
     "the cells of a sheet, 3x8: the page less its\n"
     "margins shared out"},
    {Options, "label", 0, OptionValue::Required, "WxHmm", ApplyLabel,
     "instead of --grid, the size of one label\n"
     "(63.5x38.1mm): as many as fit the page"},
    {Options, "sheet-margin", 0, OptionValue::Required, "X", ApplySheetMargin,
     "the page's margin around the cells, mm, cm or\n"
     "in (default 10mm)"},
    {Options, "gap", 0, OptionValue::Required, "X", ApplyGap,
     "the space between two cells (default 0mm)"},
    {Options, "cut-marks", 0, OptionValue::None, "", SetCutMarks,
     "draw thin marks at the cells' corners, in the\n"
     "sheet's margin, for cutting"},
    {Options, "help", 'h', OptionValue::None, "", AskForHelp, "display this help and exit", true},
    {Options, "version", 0, OptionValue::None, "", AskForVersion,
     "output version information and exit", true},
};

} // namespace

std::span<const OptionRow> OptionTable() {
    return Table;
}

const OptionRow* FindOption(std::string_view name) {
    const auto row = std::find_if(std::begin(Table), std::end(Table), [name](const OptionRow& r) {
        return r.Long == name || (name.size() == 1 && r.Short != 0 && r.Short == name[0]);
    });
    return row == std::end(Table) ? nullptr : &*row;
}

std::string OptionHelp(const OptionRow& row) {
    std::string text = row.Short != 0 ? std::string("  -") + row.Short + ", " : std::string(6, ' ');
    text += "--";
    text += row.Long;
    if (row.Takes == OptionValue::Required) {
        text += ' ';
        text += row.ValueName;
    } else if (row.Takes == OptionValue::Optional) {
        text += " [";
        text += row.ValueName;
        text += ']';
    }
    // A name too long for the column puts the help on the next line.
    if (text.size() + 2 > HelpColumn) {
        text += '\n';
        text.append(HelpColumn, ' ');
    } else {
        text.append(HelpColumn - text.size(), ' ');
    }
    for (const char c : row.Help) {
        text += c;
        if (c == '\n') {
            text.append(HelpColumn, ' ');
        }
    }
    text += '\n';
    return text;
}

} // namespace ostrel::cli
