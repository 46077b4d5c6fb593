#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostrel::cli {

enum class OutputFormat { Matrix, Bmp, Png, Svg };
enum class KanjiSetting { Auto, On, Off };

// What the command line asks for. Defaults are those of the tool's help.
struct CliOptions {
    enum class Action { Encode, Help, Version };
    Action Request = Action::Encode;

    std::int32_t Version = 0; // 0 automatic, else 1..40
    std::int32_t Level = 3;   // 1 L, 2 M, 3 Q, 4 H
    std::int32_t Mask = 0;
    bool Utf8 = true;
    KanjiSetting Kanji = KanjiSetting::Auto;
    std::optional<OutputFormat> Format; // unset: from the output file's extension, else matrix
    std::optional<std::string> Output;  // unset or "-": standard output
    std::int32_t Scale = 1;
    std::optional<std::string> Text; // unset: standard input

    // The format to write: the one asked for, else the output file's extension, else matrix.
    OutputFormat EffectiveFormat() const;
    bool WritesToStandardOutput() const { return !Output || *Output == "-"; }
};

inline constexpr std::int32_t MaxScale = 100;

struct ParseResult {
    CliOptions Options;
    std::string Error; // empty when the command line is valid
};

// Parses the arguments after the program name (UTF-8). Options and TEXT may come in any order;
// "--" ends the options. --help and --version take effect where they stand.
ParseResult ParseArguments(std::span<const std::string> arguments);

// "L", "M", "Q" or "H" for level number 1..4.
std::string_view LevelName(std::int32_t level);

} // namespace ostrel::cli
