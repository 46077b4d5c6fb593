#include "CliOptions.h"
#include "OptionTable.h"
#include "OutputPattern.h"
#include "clsRMQRTable.h"

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

std::string InvalidVersion(const std::string& text, std::string_view expected) {
    return "invalid value '" + text + "' for --symbol-version: expected " + std::string(expected);
}

// The QR Code version: 1..40 or auto.
std::string ResolveQRVersion(CliOptions& options, const std::string& text, bool automatic) {
    std::int32_t version = 0;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), version);
    if (!automatic && (text.empty() || error != std::errc{} || ptr != text.data() + text.size() ||
                       version < 0 || version > 40)) {
        return InvalidVersion(*options.VersionText, "1..40 or auto");
    }
    options.Version = automatic ? 0 : version;
    if (options.RMQRHeight != 0) {
        return "--rmqr-height is for --symbology rmqr";
    }
    return {};
}

// Micro QR: M1..M4 or auto, level L by default and never H, masks 0..3 (auto by default), no ECI.
std::string ResolveMicro(CliOptions& options, const std::string& text, bool automatic) {
    const std::int32_t version =
        text.size() == 2 && text[0] == 'm' && text[1] >= '1' && text[1] <= '4' ? text[1] - '0' : 0;
    if (!automatic && version == 0) {
        return InvalidVersion(*options.VersionText, "M1..M4 or auto for micro");
    }
    options.Version = version;
    if (!options.LevelGiven) {
        options.Level = 1;
    } else if (options.Level == 4) {
        return "Micro QR has no level H: L, M or Q (M1 error detection only, M2 and M3 L "
               "and M, M4 L, M and Q)";
    }
    if (!options.MaskGiven) {
        options.MaskAuto = true;
    } else if (!options.MaskAuto && options.Mask > 3) {
        return "Micro QR has four masks: --mask 0..3 or auto";
    }
    if (options.EciAuto) {
        return "Micro QR has no ECI: --eci auto is for qr and rmqr";
    }
    if (options.RMQRHeight != 0) {
        return "--rmqr-height is for --symbology rmqr";
    }
    return {};
}

// rMQR: a size R<height>x<width> of the table or auto, level M by default (M and H only), one mask.
std::string ResolveRMQR(CliOptions& options, const std::string& text, bool automatic) {
    std::int32_t version = 0;
    if (!automatic) {
        const auto x = text.find('x');
        std::int32_t height = 0;
        std::int32_t width = 0;
        if (text.size() > 1 && text[0] == 'r' && x != std::string::npos) {
            std::from_chars(text.data() + 1, text.data() + x, height);
            std::from_chars(text.data() + x + 1, text.data() + text.size(), width);
        }
        version = clsRMQRTable::Find(height, width) + 1;
        if (version == 0 ||
            text != std::string("r") + std::to_string(height) + "x" + std::to_string(width)) {
            return InvalidVersion(*options.VersionText,
                                  "an rmqr size R7x43..R17x139 (R7, R9: x43, x59, x77, x99, "
                                  "x139; R11, R13: also x27; R15, R17: x43..x139) or auto");
        }
        if (options.RMQRHeight != 0) {
            return "--rmqr-height applies to --symbol-version auto only";
        }
    }
    options.Version = version;
    if (!options.LevelGiven) {
        options.Level = 2;
    } else if (options.Level == 1 || options.Level == 3) {
        return std::string("rMQR has levels M and H only, not ") +
               std::string(LevelName(options.Level));
    }
    if (options.MaskGiven) {
        return "rMQR has a single mask: --mask does not apply to --symbology rmqr";
    }
    return {};
}

// What the outputs cannot do for the small symbols: --verify, whose reader knows QR Code only.
std::string CheckSmallSymbolOutputs(const CliOptions& options) {
    if (options.Verify) {
        return "--verify reads QR Code only: its reader (zxing-cpp 1.4) knows no Micro QR or "
               "rMQR, so " +
               std::string(SymbologyName(options.Kind)) + " symbols cannot be verified";
    }
    return {};
}

// Settles what depends on the symbology, which may come anywhere on the command line: the
// version from its text, the default level and mask; and refuses what the symbology cannot do.
std::string ResolveSymbology(CliOptions& options) {
    const std::string text = options.VersionText ? AsciiLower(*options.VersionText) : "auto";
    const bool automatic = text == "auto";
    if (options.Kind == Symbology::QR) {
        return ResolveQRVersion(options, text, automatic);
    }
    // Structured append and Hanzi mode belong to QR Code: Micro QR and rMQR have neither.
    if (options.StructuredAppend || options.Hanzi) {
        return std::string(options.StructuredAppend ? "--structured-append" : "--hanzi") +
               " is for --symbology qr: " +
               (options.Kind == Symbology::Micro ? "Micro QR" : "rMQR") + " has no " +
               (options.StructuredAppend ? "structured append" : "Hanzi mode");
    }
    const std::string error = options.Kind == Symbology::Micro
                                  ? ResolveMicro(options, text, automatic)
                                  : ResolveRMQR(options, text, automatic);
    return error.empty() ? CheckSmallSymbolOutputs(options) : error;
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
         options.OnCollision != CollisionPolicy::Refuse)) {
        return "--batch-format, --on-collision, --manifest and --jobs are for --batch only";
    }
    if (options.Hanzi && !options.Utf8) {
        return "--hanzi converts the text to GB 2312 itself; it cannot go with --encoding ansi";
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
    if (options.Batch) {
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
    if (WholeSize) {
        return PrintSize(*WholeSize, PrintSize::Measure::Whole, Dpi);
    }
    return PrintSize(
        ModuleSize.value_or(PrintSize::Length{static_cast<double>(Scale), PrintSize::Unit::Pixel}),
        PrintSize::Measure::Module, Dpi);
}

std::int32_t CliOptions::EffectiveMargin() const {
    if (Margin) {
        return *Margin;
    }
    if (EffectiveFormat() == OutputFormat::Matrix) {
        return 0;
    }
    return Kind == Symbology::QR ? DefaultMargin : SmallSymbolMargin;
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
    return result;
}

std::string_view SymbologyName(Symbology kind) {
    switch (kind) {
    case Symbology::Micro:
        return "micro";
    case Symbology::RMQR:
        return "rmqr";
    default:
        return "qr";
    }
}

std::string VersionName(Symbology kind, std::int32_t version) {
    switch (kind) {
    case Symbology::Micro:
        return std::string("M") + std::to_string(version);
    case Symbology::RMQR:
        return std::string("R") + std::to_string(clsRMQRTable::Height(version - 1)) + "x" +
               std::to_string(clsRMQRTable::Width(version - 1));
    default:
        return std::to_string(version);
    }
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

std::string_view LevelName(std::int32_t level) {
    static constexpr std::string_view Names[] = {"L", "M", "Q", "H"};
    return level >= 1 && level <= 4 ? Names[level - 1] : "M";
}

std::string_view FormatName(OutputFormat format) {
    for (const auto& [name, named] : FormatNames) {
        if (named == format) {
            return name;
        }
    }
    return "matrix";
}

bool IsTerminalFormat(OutputFormat format) {
    return format == OutputFormat::Utf8 || format == OutputFormat::Ansi;
}

bool IsPictureFormat(OutputFormat format) {
    return format == OutputFormat::Bmp || format == OutputFormat::Png;
}

bool IsDrawingFormat(OutputFormat format) {
    return format == OutputFormat::Svg || format == OutputFormat::Pdf ||
           format == OutputFormat::Eps;
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

} // namespace ostrel::cli
