#pragma once
// What the batch tests share: the test build of the tool (a disk that fills up on demand) and
// the symbols of a run's files read back by zxing-cpp.

#include "CliRunner.h"
#include "PeerReaders.h"

#include <QImage>
#include <QTemporaryDir>

#include <optional>
#include <string>

namespace ostrel::test {

// ostrel-qr-cli-faults: OSTREL_DISK_FULL_AFTER=n refuses every file after the first n.
inline CliSetting DiskFullAfter(int files, const QString& error = QStringLiteral("ENOSPC")) {
    CliSetting setting;
    setting.Program = QStringLiteral(OSTREL_QR_CLI_FAULTS);
    setting.Environment[QStringLiteral("OSTREL_DISK_FULL_AFTER")] = QString::number(files);
    setting.Environment[QStringLiteral("OSTREL_DISK_ERROR")] = error;
    return setting;
}

// The data bytes of the symbol in the PNG file name of folder; nothing when it does not read.
inline std::optional<std::string> ReadBack(const QTemporaryDir& folder, const QString& name) {
    const auto reading = ReadWithZXing(QImage(folder.filePath(name)), {.MinimumWidth = 200});
    return reading ? std::optional<std::string>(reading->Bytes) : std::nullopt;
}

} // namespace ostrel::test
