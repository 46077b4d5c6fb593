#pragma once

#include <string>

namespace ostrel::cli {

// The text of --help, the source of the manual page too (help2man).
std::string HelpText();

} // namespace ostrel::cli
