#pragma once

#include <QByteArray>

#include <optional>
#include <string>

namespace ostrel::cli {

// Writes data to the file at path whole or not at all: into a temporary file in the same folder,
// renamed to path when complete (no flush to the disk in between, for speed). Returns an error
// text, empty on success; a failure leaves no file behind and an existing file unchanged, and
// puts the system's error number in *reason (when reason is given; 0 on success).
std::string WriteWholeFile(const std::string& path, const QByteArray& data, int* reason = nullptr);

// Writes data to standard output (path unset or "-") or, through a temporary file in the same
// folder that replaces path only when complete, to a file. Returns an error text, empty on
// success; a failed write leaves no file behind and an existing file unchanged.
std::string WriteOutput(const std::optional<std::string>& path, const QByteArray& data);

} // namespace ostrel::cli
