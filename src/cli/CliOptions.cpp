#include "CliOptions.h"

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

std::optional<OutputFormat> FormatByName(std::string_view name) {
    const std::string lower = Lower(name);
    if (lower == "matrix") {
        return OutputFormat::Matrix;
    }
    if (lower == "bmp") {
        return OutputFormat::Bmp;
    }
    if (lower == "png") {
        return OutputFormat::Png;
    }
    if (lower == "svg") {
        return OutputFormat::Svg;
    }
    return std::nullopt;
}

std::string Invalid(std::string_view option, std::string_view value, std::string_view expected) {
    return "invalid value '" + std::string(value) + "' for " + std::string(option) + ": expected " +
           std::string(expected);
}

// Applies one option with its value; returns an error text, empty on success.
std::string ApplyValue(CliOptions& options, std::string_view name, std::string_view value) {
    if (name == "--symbol-version") {
        if (Lower(value) == "auto") {
            options.Version = 0;
        } else if (const auto number = ParseNumber(value, 0, 40)) {
            options.Version = *number;
        } else {
            return Invalid(name, value, "1..40 or auto");
        }
    } else if (name == "--level") {
        static constexpr std::string_view Levels = "LMQH";
        const auto at =
            value.size() == 1
                ? Levels.find(static_cast<char>(std::toupper(static_cast<unsigned char>(value[0]))))
                : std::string_view::npos;
        if (at == std::string_view::npos) {
            return Invalid(name, value, "L, M, Q or H");
        }
        options.Level = static_cast<std::int32_t>(at) + 1;
    } else if (name == "--mask") {
        const auto number = ParseNumber(value, 0, 7);
        if (!number) {
            return Invalid(name, value, "0..7");
        }
        options.Mask = *number;
    } else if (name == "--encoding") {
        const std::string lower = Lower(value);
        if (lower == "utf8" || lower == "utf-8") {
            options.Utf8 = true;
        } else if (lower == "ansi") {
            options.Utf8 = false;
        } else {
            return Invalid(name, value, "utf8 or ansi");
        }
    } else if (name == "--kanji") {
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
    } else if (name == "--format") {
        options.Format = FormatByName(value);
        if (!options.Format) {
            return Invalid(name, value, "matrix, bmp, png or svg");
        }
    } else if (name == "--output") {
        if (value.empty()) {
            return "the output file name is empty";
        }
        options.Output = std::string(value);
    } else if (name == "--scale") {
        const auto number = ParseNumber(value, 1, MaxScale);
        if (!number) {
            return Invalid(name, value, "1.." + std::to_string(MaxScale));
        }
        options.Scale = *number;
    }
    return {};
}

bool TakesValue(std::string_view name) {
    static constexpr std::string_view Names[] = {"--symbol-version", "--level", "--mask",
                                                 "--encoding",       "--kanji", "--format",
                                                 "--output",         "--scale"};
    return std::find(std::begin(Names), std::end(Names), name) != std::end(Names);
}

} // namespace

OutputFormat CliOptions::EffectiveFormat() const {
    if (Format) {
        return *Format;
    }
    if (!WritesToStandardOutput()) {
        const auto dot = Output->rfind('.');
        const auto slash = Output->find_last_of("/\\");
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
            const auto byExtension = FormatByName(std::string_view(*Output).substr(dot + 1));
            if (byExtension && *byExtension != OutputFormat::Matrix) {
                return *byExtension;
            }
        }
    }
    return OutputFormat::Matrix;
}

ParseResult ParseArguments(std::span<const std::string> arguments) {
    ParseResult result;
    CliOptions& options = result.Options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (!isOption) {
            if (options.Text) {
                result.Error = "more than one TEXT given ('" + *options.Text + "' and '" +
                               std::string(argument) + "'); quote a text that holds blanks";
                return result;
            }
            options.Text = std::string(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            options.Request = CliOptions::Action::Help;
            return result;
        }
        if (argument == "--version") {
            options.Request = CliOptions::Action::Version;
            return result;
        }

        // --name=value, --name value, -o value or -ovalue.
        std::string name;
        std::optional<std::string> value;
        if (argument.starts_with("--")) {
            const auto equals = argument.find('=');
            name = std::string(argument.substr(0, equals));
            if (equals != std::string_view::npos) {
                value = std::string(argument.substr(equals + 1));
            }
        } else if (argument.starts_with("-o")) {
            name = "--output";
            if (argument.size() > 2) {
                value = std::string(argument.substr(2));
            }
        } else {
            result.Error = "unknown option '" + std::string(argument) + "'";
            return result;
        }
        if (name == "--help" || name == "--version") {
            result.Error = "option '" + name + "' takes no value";
            return result;
        }
        if (!TakesValue(name)) {
            result.Error = "unknown option '" + name + "'";
            return result;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                result.Error = "option '" + std::string(argument) + "' needs a value";
                return result;
            }
            value = arguments[++i];
        }
        result.Error = ApplyValue(options, name, *value);
        if (!result.Error.empty()) {
            return result;
        }
    }
    return result;
}

std::string_view LevelName(std::int32_t level) {
    static constexpr std::string_view Names[] = {"L", "M", "Q", "H"};
    return level >= 1 && level <= 4 ? Names[level - 1] : "M";
}

} // namespace ostrel::cli
