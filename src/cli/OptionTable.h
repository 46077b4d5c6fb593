#pragma once

#include "CliOptions.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostrel::cli {

// How an option takes its value on the command line.
enum class OptionValue {
    None,     // a flag: --invert
    Required, // --level H or --level=H
    Optional, // --batch, or --batch=FILE: only the form with '=' gives it a value
};

// Checks one value of an option and stores it in the options; returns the reason the value is
// refused ("invalid value ... for --level: ..."), empty when it is accepted. option is the name
// as the messages show it ("--level"). value is always set for OptionValue::Required, never for
// a flag, and set for OptionValue::Optional when the option came with '='.
using OptionApply = std::string (*)(CliOptions& options, std::optional<std::string_view> value,
                                    const std::string& option);

// One option of the command line: all that the parser and --help know of it.
struct OptionRow {
    std::string_view Section; // the heading in --help that the option stands under
    std::string_view Long;    // "level" for --level
    char Short;               // 'o' for -o; 0 when there is none
    OptionValue Takes;
    std::string_view ValueName; // the value as --help shows it: "L|M|Q|H", "FILE"
    OptionApply Apply;
    // The option's help, lines of at most HelpTextWidth characters with '\n' between two.
    std::string_view Help;
    // --help and --version: the request wins over every other valid option, whose values are
    // then not checked.
    bool EndsParsing = false;
};

// The column where the help of an option starts in --help, and the width of its lines there:
// 31 + 48 keeps --help (and so the manual page) within 79 columns.
inline constexpr std::size_t HelpColumn = 31;
inline constexpr std::size_t HelpTextWidth = 48;

// The options of ostrel-qr-cli in the order of --help, which is generated from them.
std::span<const OptionRow> OptionTable();

// The row of the option with this long ("level") or short ("o") name; null when there is none.
const OptionRow* FindOption(std::string_view name);

// The row as --help shows it: "  -o, --output FILE", padded to HelpColumn, and its help lines.
std::string OptionHelp(const OptionRow& row);

} // namespace ostrel::cli
