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

// The folder that path names a file in, as the path spells it ("out/labels" for
// "out/labels/1.png"); empty for a file in the current folder.
std::string FolderOf(const std::string& path);

// Makes the folder of the file at path and the folders above it that are missing, as mkdir -p
// does (nothing for standard output, "-"). Returns an error text, empty on success.
std::string MakeFolderOf(const std::string& path);

// The system error of a full or read-only disk: ENOSPC, EDQUOT or EROFS.
bool IsDiskRefusal(int reason);

#ifdef OSTREL_VERIFY_FAULTS
// Only in the tool built for the tests, a disk that fills up (OSTREL_DISK_FULL_AFTER=n: the
// files after the first n written through WriteWholeFile are refused). Returns the error for the
// next file (counted), or with manifest for a write of the manifest, which lies on that disk
// only with OSTREL_DISK_FULL_MANIFEST=1 (not counted); 0 when the disk takes it.
int SimulatedDiskError(bool manifest = false);
#endif

} // namespace ostrel::cli
