#pragma once
// Runs ostrel-qr-cli as a separate process, the way scripts use it.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <map>

namespace ostrel::test {

struct CliRun {
    int ExitCode = -1;   // the exit status; -1 when the tool could not be started or run
    bool Crashed = true; // ended by a signal, never started or did not finish
    QByteArray Out;      // standard output
    QByteArray Err;      // standard error
};

struct CliSetting {
    QString Program;                            // empty: the ostrel-qr-cli of this build
    QString Locale = QStringLiteral("C.UTF-8"); // LC_ALL; LC_CTYPE and LANG are removed
    std::map<QString, QString> Environment;     // further variables; an empty value removes one
};

// The ostrel-qr-cli of this build.
QString CliProgram();

// Runs the tool with the arguments and the bytes of standard input (closed after them), in the
// environment of the tests changed as the setting says. A tool that cannot be started or that
// runs for more than two minutes (killed) is a test failure.
CliRun RunCli(const QStringList& arguments, const QByteArray& input = {},
              const CliSetting& setting = {});

// The same under LC_ALL = locale.
CliRun RunCli(const QStringList& arguments, const QByteArray& input, const QString& locale);

// Runs a program that is not ours and fails the test unless it exits with status 0.
CliRun Tool(const QString& program, const QStringList& arguments);

// A PDF page or an EPS drawing rendered at dpi by Poppler (pdftoppm) or Ghostscript, in grey;
// neither may say a word about the file.
QImage Render(const QString& path, int dpi, bool ghostscript);

} // namespace ostrel::test
