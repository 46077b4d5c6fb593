#pragma once

#include <string>
#include <string_view>

namespace ostrel::render {

// Writes data to the file at path (UTF-8) whole or not at all: into a temporary file in the same
// folder, renamed to path when complete (no flush to the disk in between, for speed; on Linux an
// unnamed file that gets its name when complete). Returns an error text naming the path, empty on
// success; a failure leaves no file behind and an existing file unchanged, and puts the system's
// error number in *reason (when reason is given; 0 on success).
std::string WriteWholeFile(const std::string& path, std::string_view data, int* reason = nullptr);

} // namespace ostrel::render
