#pragma once

#include "clsSymbology.h"

#include <QSaveFile>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

// What became of one row of a batch, as the manifest records it.
struct ManifestEntry {
    std::int64_t Line = 0;           // the input line the row starts on
    std::int64_t Row = 0;            // the row number (%d)
    std::optional<std::string> File; // the file written ("-" for standard output)
    std::vector<std::string> Files;  // structured append: every symbol's file, in order
    std::int32_t Page = 0;           // --sheet: the label's page and cell (from 1); 0: none
    std::int32_t Cell = 0;
    std::optional<std::size_t> Bytes;    // the length of the encoded data
    std::string Sha256;                  // of the encoded data, lower-case hex; empty when unknown
    Symbology Kind = Symbology::QR;      // whose names the version and mask take
    std::optional<std::int32_t> Version; // written as the symbology names it: 4, "M2", "R13x43"
    std::optional<std::int32_t> Level;   // 1 L .. 4 H
    std::optional<std::int32_t> Mask;    // null for a symbology with one fixed pattern
    std::optional<bool> Verified;        // unset when nothing was read back (--verify off)
    // --verify: whether a scanner's search found the symbols too; unset when one did not read
    // back at all. The key is written only when ScanChecked.
    std::optional<bool> Detected;
    bool ScanChecked = false;
    bool Gs1 = false;                 // --gs1: the key gs1 (true) is written after mask
    std::optional<std::string> Error; // why the row has no symbol
};

// The manifest of a batch run: one JSON object per row on a line of its own (JSON Lines), in
// input order, with the keys line, row, file, bytes, sha256, version (QR Code's a number, the
// others' their names as strings), level, mask (null for rMQR's fixed pattern), verified and
// error (null where there is no value; an empty row has only line and row, and the error
// "empty"), and after file, for the rows of a structured-append run that were written, files:
// every symbol's file in order (file being the first); with --verify, after verified, detected:
// whether a scanner's search found the symbols too; with --gs1, after mask, "gs1":true. The file is
// written under a temporary name and takes its own name only when it is complete, so that it is
// there whole or not at all; an existing file is replaced only then.
class BatchManifest {
public:
    explicit BatchManifest(const std::string& path);

    // Opens the temporary file; an error text, empty on success.
    std::string Open();
    void Add(const ManifestEntry& entry);
    // Gives the file its name; an error text, empty on success (nothing is left behind then).
    std::string Commit();
    // After a failed Open or Commit: true when a full or read-only disk refused the file.
    bool DiskRefused() const { return m_DiskRefused; }

    // One entry as its line of JSON, with the line break.
    static std::string Line(const ManifestEntry& entry);
    // text as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
    static std::string JsonString(const std::string& text);

private:
    std::string m_Path;
    QSaveFile m_File;
    std::string m_Pending;
    bool m_Failed = false;
    bool m_DiskRefused = false;
    QString m_SimulatedError; // the test build's full disk (OSTREL_DISK_FULL_MANIFEST)
    // Writes bytes to the temporary file; false when they are not all written.
    bool Write(const std::string& bytes);
    // The error text of a failure, m_DiskRefused set when it is a full or read-only disk.
    std::string Failure();
};

} // namespace ostrel::cli
