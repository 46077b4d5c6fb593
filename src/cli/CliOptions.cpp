#include "CliOptions.h"
#include "OutputPattern.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace ostrel::cli {

namespace {

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

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

constexpr std::pair<std::string_view, OutputFormat> FormatNames[] = {
    {"matrix", OutputFormat::Matrix}, {"bmp", OutputFormat::Bmp},   {"png", OutputFormat::Png},
    {"svg", OutputFormat::Svg},       {"utf8", OutputFormat::Utf8}, {"ansi", OutputFormat::Ansi},
};

std::optional<OutputFormat> FormatByName(std::string_view name) {
    const std::string lower = Lower(name);
    for (const auto& [formatName, format] : FormatNames) {
        if (lower == formatName) {
            return format;
        }
    }
    return std::nullopt;
}

// The picture format named by a file's extension (.bmp, .png, .svg).
std::optional<OutputFormat> FormatByExtension(std::string_view path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::nullopt;
    }
    const auto format = FormatByName(path.substr(dot + 1));
    if (format == OutputFormat::Bmp || format == OutputFormat::Png || format == OutputFormat::Svg) {
        return format;
    }
    return std::nullopt;
}

std::string Invalid(std::string_view option, std::string_view value, std::string_view expected) {
    return "invalid value '" + std::string(value) + "' for " + std::string(option) + ": expected " +
           std::string(expected);
}

// The options that take a value, by their long name; -o is the short name of --output.
struct ValueOption {
    const char* Name;
    const char* ValueName;
};
constexpr ValueOption ValueOptions[] = {
    {"symbol-version", "N"}, {"level", "L"},        {"mask", "N"},        {"encoding", "E"},
    {"kanji", "K"},          {"format", "F"},       {"output", "FILE"},   {"scale", "N"},
    {"margin", "N"},         {"foreground", "C"},   {"background", "C"},  {"eci", "E"},
    {"batch-format", "F"},   {"on-collision", "P"}, {"manifest", "FILE"}, {"jobs", "N"},
};
constexpr const char* FlagOptions[] = {"help", "version", "invert", "batch", "verify"};

// Applies one option with its value; returns an error text, empty on success.
std::string ApplyValue(CliOptions& options, std::string_view option, std::string_view value) {
    const std::string name = "--" + std::string(option);
    if (option == "symbol-version") {
        if (Lower(value) == "auto") {
            options.Version = 0;
        } else if (const auto number = ParseNumber(value, 0, 40)) {
            options.Version = *number;
        } else {
            return Invalid(name, value, "1..40 or auto");
        }
    } else if (option == "level") {
        static constexpr std::string_view Levels = "LMQH";
        const auto at =
            value.size() == 1
                ? Levels.find(static_cast<char>(std::toupper(static_cast<unsigned char>(value[0]))))
                : std::string_view::npos;
        if (at == std::string_view::npos) {
            return Invalid(name, value, "L, M, Q or H");
        }
        options.Level = static_cast<std::int32_t>(at) + 1;
    } else if (option == "mask") {
        if (Lower(value) == "auto") {
            options.MaskAuto = true;
            options.Mask = 0;
        } else if (const auto number = ParseNumber(value, 0, 7)) {
            options.MaskAuto = false;
            options.Mask = *number;
        } else {
            return Invalid(name, value, "0..7 or auto");
        }
    } else if (option == "eci") {
        const std::string lower = Lower(value);
        if (lower == "auto" || lower == "off") {
            options.EciAuto = lower == "auto";
        } else {
            return Invalid(name, value, "auto or off");
        }
    } else if (option == "encoding") {
        const std::string lower = Lower(value);
        if (lower == "utf8" || lower == "utf-8") {
            options.Utf8 = true;
        } else if (lower == "ansi") {
            options.Utf8 = false;
        } else {
            return Invalid(name, value, "utf8 or ansi");
        }
    } else if (option == "kanji") {
        const std::string lower = Lower(value);
        if (lower == "auto") {
            options.Kanji = KanjiSetting::Auto;
        } else if (lower == "on") {
            options.Kanji = KanjiSetting::On;
        } else if (lower == "off") {
            options.Kanji = KanjiSetting::Off;
        } else {
            return Invalid(name, value, "auto, on or off");
        }
    } else if (option == "format") {
        options.Format = FormatByName(value);
        if (!options.Format) {
            return Invalid(name, value, "matrix, utf8, ansi, bmp, png or svg");
        }
    } else if (option == "output") {
        if (value.empty()) {
            return "the output file name is empty";
        }
        options.Output = std::string(value);
    } else if (option == "scale") {
        const auto number = ParseNumber(value, 1, MaxScale);
        if (!number) {
            return Invalid(name, value, "1.." + std::to_string(MaxScale));
        }
        options.Scale = *number;
    } else if (option == "margin") {
        const auto number = ParseNumber(value, 0, MaxMargin);
        if (!number) {
            return Invalid(name, value, "0.." + std::to_string(MaxMargin) + " modules");
        }
        options.Margin = *number;
    } else if (option == "batch-format") {
        const std::string lower = Lower(value);
        if (lower == "lines" || lower == "csv" || lower == "tsv") {
            options.BatchFormat = lower == "lines" ? BatchInputFormat::Lines
                                  : lower == "csv" ? BatchInputFormat::Csv
                                                   : BatchInputFormat::Tsv;
        } else {
            return Invalid(name, value, "lines, csv or tsv");
        }
    } else if (option == "on-collision") {
        const std::string lower = Lower(value);
        if (lower != "refuse" && lower != "suffix") {
            return Invalid(name, value, "refuse or suffix");
        }
        options.OnCollision = lower == "suffix" ? CollisionPolicy::Suffix : CollisionPolicy::Refuse;
    } else if (option == "manifest") {
        if (value.empty() || value == "-") {
            return Invalid(name, value, "a file name");
        }
        options.Manifest = std::string(value);
    } else if (option == "jobs") {
        const auto number = ParseNumber(value, 1, MaxJobs);
        if (!number) {
            return Invalid(name, value, "1.." + std::to_string(MaxJobs) + " worker threads");
        }
        options.Jobs = *number;
    } else if (option == "foreground" || option == "background") {
        const auto colour = ParseColour(value);
        if (!colour) {
            return Invalid(name, value, "a colour RRGGBB or RRGGBBAA in hexadecimal digits");
        }
        (option == "foreground" ? options.Foreground : options.Background) = colour;
    }
    return {};
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

// Combinations of options that cannot work together; empty when there is none.
std::string CheckCombination(const CliOptions& options) {
    const OutputFormat format = options.EffectiveFormat();
    const std::string formatName(FormatName(format));
    if ((options.Foreground || options.Background) && format != OutputFormat::Png &&
        format != OutputFormat::Svg) {
        return "--foreground and --background are for png and svg only; " + formatName +
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
    if (options.Batch) {
        if (options.WritesToStandardOutput()) {
            if (!IsTerminalFormat(format) && format != OutputFormat::Matrix) {
                return "a batch of " + formatName +
                       " pictures needs -o PATTERN (for example -o "
                       "'label-%05d." +
                       formatName + "')";
            }
        } else if (std::string error = OutputPattern::Check(*options.Output); !error.empty()) {
            return error;
        }
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

std::int32_t CliOptions::EffectiveMargin() const {
    if (Margin) {
        return *Margin;
    }
    return EffectiveFormat() == OutputFormat::Matrix ? 0 : DefaultMargin;
}

ParseResult ParseArguments(std::span<const std::string> arguments, bool standardOutputIsTerminal) {
    ParseResult result;
    CliOptions& options = result.Options;
    options.StandardOutputIsTerminal = standardOutputIsTerminal;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const ValueOption& option : ValueOptions) {
        QStringList names{QString::fromLatin1(option.Name)};
        if (names.first() == QLatin1String("output")) {
            names.prepend(QStringLiteral("o"));
        }
        parser.addOption(QCommandLineOption(names, {}, QString::fromLatin1(option.ValueName)));
    }
    for (const char* flag : FlagOptions) {
        QStringList names{QString::fromLatin1(flag)};
        if (names.first() == QLatin1String("help")) {
            names.prepend(QStringLiteral("h"));
        }
        parser.addOption(QCommandLineOption(names));
    }

    // The parser's first entry is the program name.
    QStringList list{QStringLiteral("ostrel-qr-cli")};
    bool optionsEnded = false;
    std::optional<std::string> batchFile;
    for (const std::string& argument : arguments) {
        if (argument == "--") {
            optionsEnded = true;
        }
        // --batch takes its file as an optional value: --batch=FILE, or FILE as the one
        // argument that is not an option.
        if (!optionsEnded && argument.starts_with("--batch=")) {
            list << QStringLiteral("--batch");
            batchFile = argument.substr(8);
            continue;
        }
        list << QString::fromStdString(argument);
    }
    if (!parser.parse(list)) {
        result.Error = ParserError(parser);
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        options.Request = CliOptions::Action::Help;
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        options.Request = CliOptions::Action::Version;
        return result;
    }

    // Every value of every option, checked in turn; for an option given twice the last one
    // counts.
    QStringList seen;
    for (const QString& name : parser.optionNames()) {
        const QString longName = name == QLatin1String("o") ? QStringLiteral("output") : name;
        if (seen.contains(longName)) {
            continue;
        }
        seen << longName;
        if (longName == QLatin1String("invert")) {
            options.Invert = true;
        } else if (longName == QLatin1String("batch")) {
            options.Batch = true;
        } else if (longName == QLatin1String("verify")) {
            options.Verify = true;
        } else {
            for (const QString& value : parser.values(longName)) {
                result.Error = ApplyValue(options, longName.toStdString(), value.toStdString());
                if (!result.Error.empty()) {
                    return result;
                }
            }
        }
    }

    const QStringList positional = parser.positionalArguments();
    if (options.Batch) {
        if (batchFile && !positional.isEmpty()) {
            result.Error = "a batch reads its lines from one FILE ('" + *batchFile + "' and '" +
                           positional.first().toStdString() + "' given)";
            return result;
        }
        if (positional.size() > 1) {
            result.Error = "a batch reads its lines from one FILE ('" +
                           positional[0].toStdString() + "' and '" + positional[1].toStdString() +
                           "' given); there is no TEXT in a batch";
            return result;
        }
        if (!batchFile && !positional.isEmpty()) {
            batchFile = positional.first().toStdString();
        }
        if (batchFile && batchFile->empty()) {
            result.Error = "the batch file name is empty";
            return result;
        }
        options.BatchFile = batchFile;
    } else {
        if (positional.size() > 1) {
            result.Error = "more than one TEXT given ('" + positional[0].toStdString() + "' and '" +
                           positional[1].toStdString() + "'); quote a text that holds blanks";
            return result;
        }
        if (!positional.isEmpty()) {
            options.Text = positional.first().toStdString();
        }
    }
    result.Error = CheckCombination(options);
    return result;
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
