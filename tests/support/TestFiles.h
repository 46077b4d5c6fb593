#pragma once
// Files the tests write, read and list.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace ostrel::test {

// The whole content of a file; empty when it cannot be read.
QByteArray ReadFile(const QString& path);

// Writes the data as the whole content of a file (a test failure when it cannot be written).
void WriteFile(const QString& path, const QByteArray& data);

// The names of everything in the folder (files, folders, hidden ones), sorted by name.
QStringList Entries(const QTemporaryDir& folder);

// The lines of a text file that are not empty, without their line ends (LF or CR LF); none when
// the file cannot be read.
std::vector<std::string> ReadTextLines(const std::string& path);

} // namespace ostrel::test
