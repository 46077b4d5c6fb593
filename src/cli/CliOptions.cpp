#include "CliOptions.h"
#include "OptionTable.h"
#include "OutputPattern.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <vector>

namespace ostrel::cli {

namespace {

constexpr std::pair<std::string_view, OutputFormat> FormatNames[] = {
    {"matrix", OutputFormat::Matrix}, {"bmp", OutputFormat::Bmp},   {"png", OutputFormat::Png},
    {"svg", OutputFormat::Svg},       {"pdf", OutputFormat::Pdf},   {"eps", OutputFormat::Eps},
    {"utf8", OutputFormat::Utf8},     {"ansi", OutputFormat::Ansi},
};

// The file format named by a file's extension (.bmp, .png, .svg, .pdf, .eps).
std::optional<OutputFormat> FormatByExtension(std::string_view path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::nullopt;
    }
    const auto format = FormatByName(path.substr(dot + 1));
    if (format && (IsPictureFormat(*format) || IsDrawingFormat(*format))) {
        return format;
    }
    return std::nullopt;
}

// QCommandLineParser's own messages (it has no translator here, so they are its English ones)
// in the words of this tool.
std::string ParserError(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.first();
        return "unknown option '" + std::string(name.size() == 1 ? "-" : "--") +
               name.toStdString() + "'";
    }
    const QString text = parser.errorText();
    static const QRegularExpression missing(QStringLiteral("^Missing value after '(.*)'\\.$"));
    static const QRegularExpression unexpected(
        QStringLiteral("^Unexpected value after '(.*)'\\.$"));
    if (const auto match = missing.match(text); match.hasMatch()) {
        return "option '" + match.captured(1).toStdString() + "' needs a value";
    }
    if (const auto match = unexpected.match(text); match.hasMatch()) {
        return "option '" + match.captured(1).toStdString() + "' takes no value";
    }
    std::string reason = text.toStdString();
    if (!reason.empty()) {
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    }
    if (reason.ends_with('.')) {
        reason.pop_back();
    }
    return reason;
}

// What --verify can read: its reader (zxing-cpp 1.4) knows QR Code only.
bool VerifierReads(Symbology kind) {
    return kind == Symbology::QR;
}

// Settles what depends on the symbology, which may come anywhere on the command line: the
// version from its name, the default level and mask; and refuses, before any data is read, what
// the symbology's descriptor does not offer, with the encoder's own check.
std::string ResolveSymbology(CliOptions& options) {
    const clsSymbology& symbology = clsSymbology::Of(options.Kind);
    const std::optional<std::int32_t> version =
        options.VersionText ? symbology.ParseVersion(*options.VersionText)
                            : std::optional<std::int32_t>(clsSymbology::AutomaticVersion);
    if (!version) {
        return "invalid value '" + *options.VersionText + "' for --symbol-version: expected " +
               symbology.VersionList() + " or auto for " + std::string(symbology.Name());
    }
    options.Version = *version;
    if (!options.LevelGiven) {
        // A logo takes codewords from every block: the most correction there is.
        constexpr std::int32_t LevelH = 4;
        options.Level =
            options.Logo && options.Kind != Symbology::Micro ? LevelH : symbology.DefaultLevel();
    }
    if (options.Logo && !options.NoVerify && VerifierReads(options.Kind)) {
        options.Verify = true;
    }
    if (options.NoVerify) {
        options.Verify = false;
    }
    if (!options.MaskGiven) {
        options.MaskAuto = symbology.DefaultMaskAutomatic();
    }
    clsSymbolEncoder::Settings settings = EncoderSettings(options);
    // The data's designator comes with every line; the check asks only whether ECI is taken.
    constexpr std::int32_t Utf8Designator = 26;
    settings.Eci = options.EciAuto ? Utf8Designator : 0;
    if (options.StructuredAppend) {
        settings.Header = clsQRCode::StructuredAppendHeader{0, 1, 0};
    }
    const clsSymbolEncoder::Outcome checked = clsSymbolEncoder::Check(settings);
    if (checked.Why != clsSymbolEncoder::Refusal::None) {
        return RefusalMessage(checked, options);
    }
    if (options.Verify && !VerifierReads(options.Kind)) {
        return "--verify reads QR Code only: its reader (zxing-cpp 1.4) knows no Micro QR or "
               "rMQR, so " +
               std::string(symbology.Name()) + " symbols cannot be verified";
    }
    return {};
}

// --payload, --field and --print-payload with the other options; empty when they fit.
std::string CheckPayload(const CliOptions& options) {
    const std::string kind(payload::PayloadBuilder::KindName(options.Payload));
    if (options.BuildsPayload() && options.Text) {
        return "--payload " + kind + " builds the data from --field values: no TEXT with it ('" +
               *options.Text + "' given)";
    }
    if (options.Batch && options.Payload == payload::PayloadKind::Text && !options.Fields.empty()) {
        return "--field is for the kinds of --payload other than text: a batch of text takes "
               "every text from its lines or its 'data' column";
    }
    if (options.Batch && options.BuildsPayload() &&
        options.BatchFormat == BatchInputFormat::Lines) {
        return "a batch of --payload " + kind +
               " takes the fields of every symbol from the columns of a table: add "
               "--batch-format csv or tsv";
    }
    if (options.PrintPayload && options.Verify) {
        return "--print-payload writes no symbol for --verify to read back";
    }
    return {};
}

// --caption and its options: a line of text under symbols drawn in a picture or drawing.
std::string CheckCaption(const CliOptions& options) {
    if (!options.Caption) {
        if (options.CaptionSize || options.CaptionOutline) {
            return "--caption-size and --caption-outline are for --caption only";
        }
        return {};
    }
    const OutputFormat format = options.EffectiveFormat();
    if (!IsPictureFormat(format) && !IsDrawingFormat(format)) {
        return "--caption draws under symbols in png, bmp, svg, pdf and eps files, not " +
               std::string(FormatName(format));
    }
    if (options.CaptionOutline && format != OutputFormat::Svg) {
        return "--caption-outline is for svg drawings (pdf and eps embed the font)";
    }
    if (options.Cmyk) {
        return "--caption is drawn in RGB colours: not with --cmyk";
    }
    if (options.StructuredAppend || options.PrintPayload) {
        return "--caption is for symbols one at a time: not with --structured-append or "
               "--print-payload";
    }
    if (options.Logo && format == OutputFormat::Pdf && !options.SheetText) {
        return "--caption with --logo draws into png, bmp and svg files, not pdf";
    }
    return {};
}

// --sheet and its options: a batch as labels on the pages of one PDF file.
std::string CheckSheet(CliOptions& options) {
    if (!options.SheetText) {
        if (options.GridText || options.LabelText || options.SheetMarginText || options.GapText ||
            options.CutMarks) {
            return "--grid, --label, --sheet-margin, --gap and --cut-marks are for --sheet only";
        }
        return {};
    }
    if (!options.Batch) {
        return "--sheet lays out the symbols of a --batch";
    }
    if (options.WritesToStandardOutput() || options.EffectiveFormat() != OutputFormat::Pdf) {
        return "--sheet writes one PDF file: give -o FILE.pdf";
    }
    if (options.Shards > 0 || options.Logo || options.StructuredAppend || options.Cmyk ||
        options.PrintPayload) {
        return "--sheet is not for --shard, --logo, --structured-append, --cmyk or --print-payload";
    }
    if (options.Verify && (options.Gs1Input() || options.Fnc1Application >= 0)) {
        return "--verify of a sheet reads plain data: not with --gs1 or --fnc1-application";
    }
    if (options.ScaleGiven || options.WholeSize || options.Dpi) {
        return "a sheet's module size is the largest that fits its cells, or --module-size: not "
               "--scale, --size or --dpi";
    }
    if (options.ModuleSize && options.ModuleSize->In == PrintSize::Unit::Pixel) {
        return "--module-size on a sheet is a length in mm, cm or in";
    }
    label::SheetGeometry sheet =
        label::SheetGeometry::Make(*options.SheetText, options.GridText, options.LabelText,
                                   options.SheetMarginText, options.GapText);
    if (!sheet.Error().empty()) {
        return sheet.Error();
    }
    options.Sheet = std::move(sheet);
    return {};
}

// --logo and its options: QR Code and rMQR, one symbol at a time, files that can hold a picture.
std::string CheckLogo(const CliOptions& options) {
    if (!options.Logo) {
        if (options.LogoSize || options.LogoMargin != 1 || options.LogoBudget != 50 ||
            options.PrintLogoBudget) {
            return "--logo-size, --logo-margin, --logo-budget and --print-logo-budget are for "
                   "--logo only";
        }
        return {};
    }
    if (options.Kind == Symbology::Micro) {
        return "--logo is for qr and rmqr symbols: a micro symbol is too small to spare modules";
    }
    const OutputFormat format = options.EffectiveFormat();
    if (format == OutputFormat::Eps) {
        return "--logo draws into png, bmp, svg and pdf files (and shows the cleared area in the "
               "text formats), not eps";
    }
    if (options.StructuredAppend) {
        return "--logo is for single symbols: not with --structured-append";
    }
    if (options.Batch && options.PrintLogoBudget) {
        return "--print-logo-budget is for a single symbol, not --batch";
    }
    return {};
}

// The size options: one way of sizing at a time, and a resolution only where a file keeps it.
// A module size is checked here already (it is the same for every symbol); a whole size depends
// on the symbol's width and is checked when the symbol is drawn.
std::string CheckSize(const CliOptions& options) {
    const OutputFormat format = options.EffectiveFormat();
    const std::string formatName(FormatName(format));
    const int ways =
        (options.ScaleGiven ? 1 : 0) + (options.ModuleSize ? 1 : 0) + (options.WholeSize ? 1 : 0);
    if (ways > 1) {
        return "give only one of --scale, --module-size and --size: they all set the size of the "
               "modules";
    }
    const bool picture = IsPictureFormat(format);
    if (!picture && !IsDrawingFormat(format)) {
        if (options.Dpi) {
            return "--dpi is for files that keep a size (bmp, png, svg, pdf, eps); " + formatName +
                   " output has none";
        }
        if (options.ModuleSize || options.WholeSize) {
            return std::string(options.WholeSize ? "--size" : "--module-size") +
                   " is for bmp, png, svg, pdf and eps; " + formatName + " output has no size";
        }
        return {};
    }
    if (options.ModuleSize) {
        return options.EffectiveSize().Resolve(1, picture).Error;
    }
    if (options.WholeSize && picture && !options.Dpi &&
        options.WholeSize->In != PrintSize::Unit::Pixel) {
        return options.EffectiveSize().Resolve(1, picture).Error;
    }
    return {};
}

// Combinations of options that cannot work together; empty when there is none.
std::string CheckCombination(const CliOptions& options) {
    const OutputFormat format = options.EffectiveFormat();
    const std::string formatName(FormatName(format));
    if (std::string error = CheckSize(options); !error.empty()) {
        return error;
    }
    if (options.Cmyk && format != OutputFormat::Pdf && format != OutputFormat::Eps) {
        return "--cmyk is for pdf and eps only, not " + formatName;
    }
    if ((options.Foreground || options.Background) && format != OutputFormat::Png &&
        !IsDrawingFormat(format)) {
        return "--foreground and --background are for png, svg, pdf and eps only; " + formatName +
               (format == OutputFormat::Bmp ? " pictures are always black on white"
                                            : " output has no colours");
    }
    if (options.Invert && !IsTerminalFormat(format)) {
        return "--invert is for the terminal formats utf8 and ansi only, not " + formatName;
    }
    if (!options.Batch &&
        (options.Manifest || options.Jobs > 0 || options.BatchFormat != BatchInputFormat::Lines ||
         options.OnCollision != CollisionPolicy::Refuse || options.Shards > 0)) {
        return "--batch-format, --on-collision, --manifest, --jobs and --shard are for --batch "
               "only";
    }
    if (options.Hanzi && !options.Utf8) {
        return "--hanzi converts the text to GB 2312 itself; it cannot go with --encoding ansi";
    }
    if (options.Gs1Input() && options.Hanzi) {
        return "--gs1 and --hanzi exclude each other: GS1 data is ASCII";
    }
    if (options.Gs1 && options.Gs1Link) {
        return "--gs1 and --gs1-link exclude each other: a Digital Link is a plain URL, without "
               "FNC1";
    }
    if (options.Hanzi && options.Kanji == KanjiSetting::On) {
        return "--hanzi and --kanji on exclude each other: readers take the pairs of a Kanji "
               "segment as Shift JIS";
    }
    if (options.StructuredAppend && options.OnCollision == CollisionPolicy::Suffix) {
        return "--on-collision suffix cannot rename the files of structured-append symbols; "
               "give every line names of its own with %d";
    }
    if (options.StructuredAppend && !options.Batch) {
        if (options.WritesToStandardOutput()) {
            if (!IsTerminalFormat(format) && format != OutputFormat::Matrix) {
                return "structured-append " + formatName +
                       " pictures need -o PATTERN with %d, the symbol's number (for example -o "
                       "'part-%d." +
                       formatName + "')";
            }
        } else if (std::string error =
                       OutputPattern::Check(*options.Output, OutputPattern::Use::Symbols);
                   !error.empty()) {
            return error;
        }
    }
    if (std::string error = CheckPayload(options); !error.empty()) {
        return error;
    }
    // A sheet is one file for the whole batch (CheckSheet).
    if (options.Batch && !options.SheetText) {
        if (options.WritesToStandardOutput()) {
            if (!IsTerminalFormat(format) && format != OutputFormat::Matrix) {
                return "a batch of " + formatName +
                       " pictures needs -o PATTERN (for example -o "
                       "'label-%05d." +
                       formatName + "')";
            }
        } else if (std::string error = OutputPattern::Check(
                       *options.Output, options.StructuredAppend ? OutputPattern::Use::BatchSymbols
                                                                 : OutputPattern::Use::Batch);
                   !error.empty()) {
            return error;
        }
    }
    return {};
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Every option of the table for the parser: flags and options with a value; an optional value
// comes only with '=' and is taken out before the parser sees it (ParserArguments).
void AddOptions(QCommandLineParser& parser) {
    for (const OptionRow& row : OptionTable()) {
        QStringList names{ToQString(row.Long)};
        if (row.Short != 0) {
            names.prepend(QString(QLatin1Char(row.Short)));
        }
        const QString valueName =
            row.Takes == OptionValue::Required ? ToQString(row.ValueName) : QString();
        parser.addOption(QCommandLineOption(names, {}, valueName));
    }
}

// The arguments for the parser, which takes the program name first. "--NAME=VALUE" of an option
// with an optional value becomes "--NAME", its value kept in attached, in order.
QStringList ParserArguments(std::span<const std::string> arguments,
                            std::map<std::string_view, std::vector<std::string>>& attached) {
    QStringList list{QStringLiteral("ostrel-qr-cli")};
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (argument == "--") {
            optionsEnded = true;
        }
        const auto equals = argument.find('=');
        const OptionRow* row =
            !optionsEnded && argument.starts_with("--") && equals != std::string::npos
                ? FindOption(std::string_view(argument).substr(2, equals - 2))
                : nullptr;
        if (row != nullptr && row->Takes == OptionValue::Optional) {
            list << QStringLiteral("--") + ToQString(row->Long);
            attached[row->Long].push_back(argument.substr(equals + 1));
            continue;
        }
        list << QString::fromStdString(argument);
    }
    return list;
}

// --help and --version: true when one was given, which then is the request.
bool ApplyRequest(const QCommandLineParser& parser, CliOptions& options) {
    for (const OptionRow& row : OptionTable()) {
        if (row.EndsParsing && parser.isSet(ToQString(row.Long))) {
            row.Apply(options, std::nullopt, "--" + std::string(row.Long));
            return true;
        }
    }
    return false;
}

// Every value of every option, checked in turn, options in the order they first appear; for an
// option given twice the last value counts (or, for one that collects, each). Returns the first
// refusal, empty when all values are good.
std::string ApplyOptions(const QCommandLineParser& parser,
                         const std::map<std::string_view, std::vector<std::string>>& attached,
                         CliOptions& options) {
    std::vector<const OptionRow*> seen;
    for (const QString& name : parser.optionNames()) {
        const OptionRow* row = FindOption(name.toStdString());
        if (row == nullptr || std::find(seen.begin(), seen.end(), row) != seen.end()) {
            continue;
        }
        seen.push_back(row);
        const std::string shown = "--" + std::string(row->Long);
        std::vector<std::optional<std::string>> values;
        if (row->Takes == OptionValue::Required) {
            for (const QString& value : parser.values(ToQString(row->Long))) {
                values.emplace_back(value.toStdString());
            }
        } else if (const auto given = attached.find(row->Long); given != attached.end()) {
            values.assign(given->second.begin(), given->second.end());
        } else {
            values.emplace_back(); // a flag, or an optional value not given
        }
        for (const std::optional<std::string>& value : values) {
            if (std::string error = row->Apply(options, value, shown); !error.empty()) {
                return error;
            }
        }
    }
    return {};
}

// The arguments that are not options: the TEXT, or with --batch the FILE unless --batch=FILE
// named it already.
std::string TakePositional(const QStringList& positional, CliOptions& options) {
    if (!options.Batch) {
        if (positional.size() > 1) {
            return "more than one TEXT given ('" + positional[0].toStdString() + "' and '" +
                   positional[1].toStdString() + "'); quote a text that holds blanks";
        }
        if (!positional.isEmpty()) {
            options.Text = positional.first().toStdString();
        }
        return {};
    }
    if (options.BatchFile && !positional.isEmpty()) {
        return "a batch reads its lines from one FILE ('" + *options.BatchFile + "' and '" +
               positional.first().toStdString() + "' given)";
    }
    if (positional.size() > 1) {
        return "a batch reads its lines from one FILE ('" + positional[0].toStdString() +
               "' and '" + positional[1].toStdString() + "' given); there is no TEXT in a batch";
    }
    if (!options.BatchFile && !positional.isEmpty()) {
        options.BatchFile = positional.first().toStdString();
    }
    if (options.BatchFile && options.BatchFile->empty()) {
        return "the batch file name is empty";
    }
    return {};
}

} // namespace

OutputFormat CliOptions::EffectiveFormat() const {
    if (Format) {
        return *Format;
    }
    if (!WritesToStandardOutput()) {
        return FormatByExtension(*Output).value_or(OutputFormat::Matrix);
    }
    // utf8 only when nothing names the output: "-o -" asks for standard output as a file.
    return StandardOutputIsTerminal && !Output ? OutputFormat::Utf8 : OutputFormat::Matrix;
}

PrintSize CliOptions::EffectiveSize() const {
    return Rendering().Size();
}

render::RenderSettings CliOptions::Rendering() const {
    render::RenderSettings settings;
    settings.Kind = EffectiveFormat();
    settings.Margin = EffectiveMargin();
    settings.Dark = Foreground.value_or(Black);
    settings.Light = Background.value_or(White);
    settings.Scale = Scale;
    settings.ModuleSize = ModuleSize;
    settings.WholeSize = WholeSize;
    settings.Dpi = Dpi;
    settings.Cmyk = Cmyk;
    settings.Invert = Invert;
    return settings;
}

std::int32_t CliOptions::EffectiveMargin() const {
    if (Margin) {
        return *Margin;
    }
    if (EffectiveFormat() == OutputFormat::Matrix) {
        return 0;
    }
    return clsSymbology::Of(Kind).QuietZone();
}

ParseResult ParseArguments(std::span<const std::string> arguments, bool standardOutputIsTerminal) {
    ParseResult result;
    CliOptions& options = result.Options;
    options.StandardOutputIsTerminal = standardOutputIsTerminal;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    AddOptions(parser);
    std::map<std::string_view, std::vector<std::string>> attached;
    if (!parser.parse(ParserArguments(arguments, attached))) {
        result.Error = ParserError(parser);
        return result;
    }
    if (ApplyRequest(parser, options)) {
        return result;
    }
    result.Error = ApplyOptions(parser, attached, options);
    if (result.Error.empty()) {
        result.Error = TakePositional(parser.positionalArguments(), options);
    }
    if (result.Error.empty()) {
        result.Error = ResolveSymbology(options);
    }
    if (result.Error.empty()) {
        result.Error = CheckCombination(options);
    }
    if (result.Error.empty()) {
        result.Error = CheckLogo(options);
    }
    if (result.Error.empty()) {
        result.Error = CheckCaption(options);
    }
    if (result.Error.empty()) {
        result.Error = CheckSheet(options);
    }
    return result;
}

std::string AsciiLower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::optional<OutputFormat> FormatByName(std::string_view name) {
    const std::string lower = AsciiLower(name);
    for (const auto& [formatName, format] : FormatNames) {
        if (lower == formatName) {
            return format;
        }
    }
    return std::nullopt;
}

bool KanjiModeOn(const CliOptions& options, bool fromText, int codePage,
                 std::int32_t eciDesignator) {
    // Readers take Kanji segments as Shift JIS whatever character set is declared (ISO/IEC
    // 18004 7.4.6 defines Kanji mode on JIS X 0208 in Shift JIS), so another ECI turns it off.
    constexpr std::int32_t ShiftJisDesignator = 20;
    constexpr int ShiftJisCodePage = 932;
    if (options.Hanzi || (eciDesignator != 0 && eciDesignator != ShiftJisDesignator)) {
        return false;
    }
    switch (options.Kanji) {
    case KanjiSetting::On:
        return true;
    case KanjiSetting::Off:
        return false;
    case KanjiSetting::Auto:
        break;
    }
    return fromText && !options.Utf8 && codePage == ShiftJisCodePage;
}

std::string_view FormatName(OutputFormat format) {
    for (const auto& [name, named] : FormatNames) {
        if (named == format) {
            return name;
        }
    }
    return "matrix";
}

std::optional<Colour> ParseColour(std::string_view text) {
    if (text.starts_with('#')) {
        text.remove_prefix(1);
    }
    if (text.size() != 6 && text.size() != 8) {
        return std::nullopt;
    }
    std::uint8_t channels[4] = {0, 0, 0, 255};
    for (std::size_t i = 0; i < text.size() / 2; ++i) {
        const char* first = text.data() + 2 * i;
        if (!std::isxdigit(static_cast<unsigned char>(first[0])) ||
            !std::isxdigit(static_cast<unsigned char>(first[1]))) {
            return std::nullopt;
        }
        int value = 0;
        const auto [ptr, error] = std::from_chars(first, first + 2, value, 16);
        if (error != std::errc{} || ptr != first + 2) {
            return std::nullopt;
        }
        channels[i] = static_cast<std::uint8_t>(value);
    }
    return Colour{channels[0], channels[1], channels[2], channels[3]};
}

clsSymbolEncoder::Settings EncoderSettings(const CliOptions& options) {
    clsSymbolEncoder::Settings settings;
    settings.Kind = options.Kind;
    settings.Version = options.Version;
    settings.Level = options.Level;
    if (options.MaskAuto) {
        settings.Mask = clsSymbolEncoder::AutomaticMask;
    } else if (options.MaskGiven) {
        settings.Mask = options.Mask;
    }
    settings.Hanzi = options.Hanzi;
    settings.Gs1 = options.Gs1;
    settings.Fnc1Application = options.Fnc1Application;
    settings.Height = options.RMQRHeight;
    settings.BoostLevel = options.BoostLevel;
    return settings;
}

namespace {

using Refusal = clsSymbolEncoder::Refusal;
using Feature = clsSymbology::Feature;

std::string Bytes(std::int32_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// A version as a sentence names it: "version 40", "M4", "R17x139".
std::string VersionInWords(const clsSymbology& symbology, std::int32_t version) {
    return (symbology.VersionNameIsNumber() ? "version " : "") + symbology.VersionName(version);
}

// What the largest allowed (or the asked) version holds: its bytes, or, without a byte mode,
// the characters it takes.
std::string Holds(const clsSymbology& symbology, const clsSymbolEncoder::Outcome& outcome) {
    if (outcome.Capacity > 0) {
        return "holds " + Bytes(outcome.Capacity);
    }
    const clsModeTable table = symbology.ModeTable(outcome.Largest, false, false);
    return std::string("takes no bytes, only digits") +
           (table.Allowed(clsModeTable::Alphanumeric) ? " and upper-case letters" : "");
}

std::string TooLongMessage(const clsSymbolEncoder::Outcome& outcome, const CliOptions& options,
                           const std::string& amount) {
    const clsSymbology& symbology = clsSymbology::Of(options.Kind);
    std::string where;
    std::string holder;
    if (outcome.Version != clsSymbology::AutomaticVersion) {
        where = "a version " + symbology.VersionName(outcome.Version) + " symbol";
        holder = "it";
    } else {
        where = "any " + std::string(symbology.Title()) + " symbol" +
                (options.RMQRHeight > 0 ? " " + std::to_string(options.RMQRHeight) + " modules high"
                                        : std::string());
        holder = VersionInWords(symbology, outcome.Largest) + ", the largest,";
    }
    return "the data does not fit in " + where + " at level " +
           std::string(clsSymbology::LevelName(outcome.Level)) + " (" +
           (amount.empty() ? Bytes(outcome.Length) : amount) + "; " + holder + " " +
           Holds(symbology, outcome) + ")";
}

// The levels of every version where they differ between versions: "(M1: L, for error detection
// only; M2, M3: L and M; M4: L, M and Q)"; empty when all versions have the same.
std::string LevelsByVersion(const clsSymbology& symbology) {
    std::vector<std::pair<std::string, std::string>> groups;
    for (std::int32_t version = 1; version <= symbology.VersionCount(); ++version) {
        std::string levels = symbology.LevelList(version);
        if (symbology.DetectsErrorsOnly(version)) {
            levels += ", for error detection only";
        }
        if (!groups.empty() && groups.back().second == levels) {
            groups.back().first += ", " + symbology.VersionName(version);
        } else {
            groups.emplace_back(symbology.VersionName(version), levels);
        }
    }
    if (groups.size() < 2) {
        return {};
    }
    std::string text = " (";
    for (std::size_t k = 0; k < groups.size(); ++k) {
        text += (k > 0 ? "; " : "") + groups[k].first + ": " + groups[k].second;
    }
    return text + ")";
}

std::string LevelMessage(const clsSymbolEncoder::Outcome& outcome, const clsSymbology& symbology) {
    const std::string level(clsSymbology::LevelName(outcome.Level));
    if (outcome.Version == clsSymbology::AutomaticVersion) {
        return std::string(symbology.Title()) + " has no level " + level + ": it offers " +
               symbology.LevelList(outcome.Version) + LevelsByVersion(symbology);
    }
    const auto count = symbology.Levels(outcome.Version).size();
    return symbology.VersionName(outcome.Version) + " offers level" + (count == 1 ? " " : "s ") +
           symbology.LevelList(outcome.Version) + " only, not " + level +
           (symbology.DetectsErrorsOnly(outcome.Version) ? " (it detects errors only)" : "");
}

// The refusals of a feature the symbology does not take.
std::string FeatureMessage(Refusal why, const clsSymbology& symbology) {
    const std::string title(symbology.Title());
    switch (why) {
    case Refusal::EciNotTaken:
        return title + " has no ECI: --eci auto is for " + clsSymbology::NamesTaking(Feature::Eci);
    case Refusal::HanziNotTaken:
        return "--hanzi is for --symbology " + clsSymbology::NamesTaking(Feature::Hanzi) + ": " +
               title + " has no Hanzi mode";
    case Refusal::StructuredAppendNotTaken:
        return "--structured-append is for --symbology " +
               clsSymbology::NamesTaking(Feature::StructuredAppend) + ": " + title +
               " has no structured append";
    case Refusal::HeightNotTaken:
        return "--rmqr-height is for --symbology " + clsSymbology::NamesTaking(Feature::Height);
    case Refusal::Fnc1NotTaken:
        return "--gs1 and --fnc1-application are for --symbology " +
               clsSymbology::NamesTaking(Feature::Fnc1) + ": " + title + " has no FNC1 mode";
    default:
        return {};
    }
}

} // namespace

std::string RefusalMessage(const clsSymbolEncoder::Outcome& outcome, const CliOptions& options,
                           const std::string& amount) {
    const clsSymbology& symbology = clsSymbology::Of(options.Kind);
    const std::string title(symbology.Title());
    switch (outcome.Why) {
    case Refusal::None:
        return {};
    case Refusal::TooLong:
        return TooLongMessage(outcome, options, amount);
    case Refusal::LevelNotOffered:
        return LevelMessage(outcome, symbology);
    case Refusal::NoSuchVersion:
        return title + " has versions " + symbology.VersionList() + " only";
    case Refusal::NoSuchMask:
        return title + " has " + std::to_string(symbology.MaskCount()) + " masks: --mask 0.." +
               std::to_string(symbology.MaskCount() - 1) + " or auto";
    case Refusal::NoMaskChoice:
        return title +
               " has a single mask, one fixed pattern: --mask does not apply to "
               "--symbology " +
               std::string(symbology.Name());
    case Refusal::NoSuchEci:
        return "the ECI designator is not 1..999999";
    case Refusal::KanjiWithHanzi:
        return "--hanzi and --kanji on exclude each other";
    case Refusal::NoSuchHeader:
        return "structured append joins 1..16 symbols";
    case Refusal::Fnc1WithHeader:
        return (options.Gs1 ? std::string("--gs1") : std::string("--fnc1-application")) +
               " goes with neither --eci nor --structured-append";
    case Refusal::NoSuchApplication:
        return "--fnc1-application takes two digits 00..99 or one letter, and not with --gs1";
    case Refusal::NoSuchHeight:
        return outcome.Version != clsSymbology::AutomaticVersion
                   ? "--rmqr-height applies to --symbol-version auto only"
                   : "no " + title + " size is " + std::to_string(options.RMQRHeight) +
                         " modules high";
    case Refusal::EciNotTaken:
    case Refusal::HanziNotTaken:
    case Refusal::StructuredAppendNotTaken:
    case Refusal::HeightNotTaken:
    case Refusal::Fnc1NotTaken:
        break;
    }
    return FeatureMessage(outcome.Why, symbology);
}

} // namespace ostrel::cli
