#include "BatchManifest.h"

#include "CliOptions.h"
#include "OutputFile.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ostrel::cli {

namespace {

// Rows are handed to the file in blocks of about this many bytes.
constexpr std::size_t BlockBytes = 1 << 16;

template <typename T> std::string NumberOrNull(const std::optional<T>& value) {
    return value ? std::to_string(*value) : std::string("null");
}

} // namespace

BatchManifest::BatchManifest(const std::string& path)
    : m_Path(path), m_File(QString::fromStdString(path)) {}

std::string BatchManifest::Open() {
    if (!m_File.open(QIODevice::WriteOnly)) {
        return Failure();
    }
    return {};
}

bool BatchManifest::Write(const std::string& bytes) {
#ifdef OSTREL_VERIFY_FAULTS
    if (const int refused = SimulatedDiskError(true); refused != 0) {
        m_SimulatedError = QString::fromLocal8Bit(std::strerror(refused));
        return false;
    }
#endif
    const auto size = static_cast<qint64>(bytes.size());
    return m_File.write(bytes.data(), size) == size;
}

std::string BatchManifest::Failure() {
    // Qt keeps the system's error only as its text: the strerror text, and for ENOSPC a text of
    // its own, the same in English.
    const QString reason = m_SimulatedError.isEmpty() ? m_File.errorString() : m_SimulatedError;
    for (const int error : {ENOSPC, EROFS, EDQUOT}) {
        m_DiskRefused = m_DiskRefused || reason == QString::fromLocal8Bit(std::strerror(error));
    }
    m_DiskRefused = m_DiskRefused || reason == QStringLiteral("No space left on device");
    return "cannot write the manifest '" + m_Path + "': " + reason.toStdString();
}

void BatchManifest::Add(const ManifestEntry& entry) {
    m_Pending += Line(entry);
    if (m_Pending.size() >= BlockBytes) {
        m_Failed = m_Failed || !Write(m_Pending);
        m_Pending.clear();
    }
}

std::string BatchManifest::Commit() {
    if (m_Failed || !Write(m_Pending)) {
        std::string error = Failure();
        m_File.cancelWriting();
        m_File.commit();
        return error;
    }
    m_Pending.clear();
    if (!m_File.commit()) {
        return Failure();
    }
    return {};
}

std::string BatchManifest::Line(const ManifestEntry& entry) {
    std::string line = "{\"line\":" + std::to_string(entry.Line);
    line += ",\"row\":" + std::to_string(entry.Row);
    line += ",\"file\":" + (entry.File ? JsonString(*entry.File) : std::string("null"));
    if (!entry.Files.empty()) {
        line += ",\"files\":[";
        for (std::size_t k = 0; k < entry.Files.size(); ++k) {
            if (k > 0) {
                line += ',';
            }
            line += JsonString(entry.Files[k]);
        }
        line += ']';
    }
    if (entry.Page > 0) {
        line += ",\"page\":" + std::to_string(entry.Page);
        line += ",\"cell\":" + std::to_string(entry.Cell);
    }
    line += ",\"bytes\":" + NumberOrNull(entry.Bytes);
    line +=
        ",\"sha256\":" + (entry.Sha256.empty() ? std::string("null") : "\"" + entry.Sha256 + "\"");
    const clsSymbology& symbology = clsSymbology::Of(entry.Kind);
    line += ",\"version\":" + (entry.Version && !symbology.VersionNameIsNumber()
                                   ? JsonString(symbology.VersionName(*entry.Version))
                                   : NumberOrNull(entry.Version));
    line += ",\"level\":" + (entry.Level
                                 ? "\"" + std::string(clsSymbology::LevelName(*entry.Level)) + "\""
                                 : std::string("null"));
    line += ",\"mask\":" + (symbology.HasMaskChoice() ? NumberOrNull(entry.Mask) : "null");
    if (entry.Gs1) {
        line += ",\"gs1\":true";
    }
    line += ",\"verified\":" + (entry.Verified ? std::string(*entry.Verified ? "true" : "false")
                                               : std::string("null"));
    if (entry.ScanChecked) {
        line += ",\"detected\":" + (entry.Detected ? std::string(*entry.Detected ? "true" : "false")
                                                   : std::string("null"));
    }
    line += ",\"error\":" + (entry.Error ? JsonString(*entry.Error) : std::string("null"));
    line += "}\n";
    return line;
}

std::string BatchManifest::JsonString(const std::string& raw) {
    // Through UTF-16 and back: a byte that is not part of well-formed UTF-8 becomes U+FFFD.
    const bool wide = std::any_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) != 0; });
    const std::string checked =
        wide ? QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()))
                   .toUtf8()
                   .toStdString()
             : std::string();
    const std::string& text = wide ? checked : raw;
    std::string json = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                json += escaped;
            } else {
                json += c;
            }
        }
    }
    json += '"';
    return json;
}

} // namespace ostrel::cli
